// A client process of VrelDom: activates it on the machine named by
// VREL_MACHINE and asks for the matches of one name, then prints
// "create=XXXXXXXX find=XXXXXXXX". Tests use it for what the module settles
// once per process (the logging client's start, the "ExceptionDebug"
// switch), which a test binary that has loaded the module cannot undo.
#include "domsvr/VrelDomSvr.h"
#include "platform/Machine.h"
#include "platform/com/Activation.h"

#include <cstdio>

using namespace vrel;
using namespace vrel::com;
using namespace vrel::domsvr;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: DomSvrClient NAME\n", stderr);
    return 2;
  }
  Machine* machine = Machine::processMachine();
  if (!machine) {
    std::fputs("DomSvrClient: no machine\n", stderr);
    return 2;
  }
  HRESULT found = S_OK;
  ComPtr<IVrelDom> dom;
  const HRESULT created = Activation(*machine).CoCreateInstance(guid(kClsidVrelDom), nullptr, CLSCTX_INPROC_SERVER,
                                                                guid(kIidIVrelDom), dom.outVoid());
  if (dom) {
    ComPtr<IVrelDSubsIterator> it;
    Bstr name(argv[1]);
    found = dom->FindMatches(name.get(), it.out());
  }
  std::printf("create=%08X find=%08X\n", static_cast<unsigned>(created), static_cast<unsigned>(found));
  return 0;
}
