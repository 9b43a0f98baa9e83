// standin start / ps: processes of the machine.
#include "platform/Processes.h"
#include "standin/command/Commands.h"

#include <cstdio>

namespace vrel::standin {

int cmdStart(const Args& a) {
  if (a.size() != 2) return usage("start needs one quoted COMMAND LINE");
  auto m = openMachine();
  if (!m) return 1;
  Processes processes(*m);
  long pid = 0;
  const ProcStatus st = processes.start(a[1], kNormalFocus, pid);
  if (!st) {
    std::fprintf(stderr, "standin: cannot start %s: %ld %s\n", a[1].c_str(), st.number, st.description.c_str());
    return 1;
  }
  std::printf("%ld\n", pid);
  return 0;
}

int cmdPs(const Args& a) {
  if (a.size() != 1) return usage("ps takes no arguments");
  auto m = openMachine();
  if (!m) return 1;
  ProcessTable table(*m);
  std::vector<ProcessInfo> live;
  std::string error;
  if (!table.live(live, error)) {
    std::fprintf(stderr, "standin: %s\n", error.c_str());
    return 1;
  }
  for (const auto& p : live) std::printf("%ld\t%s\t%s\n", p.pid, p.image.c_str(), p.commandLine.c_str());
  return 0;
}

}  // namespace vrel::standin
