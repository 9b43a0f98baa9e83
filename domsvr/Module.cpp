// The module's state and its four exports.
#include "domsvr/Module.h"

#include "domsvr/CVrelDom.h"
#include "domsvr/Registration.h"
#include "platform/Machine.h"

#include <memory>
#include <mutex>

namespace vrel::domsvr {

using namespace com;

namespace {

std::atomic<long> g_lockCount{0};

// The one class factory, for VrelDom; static, it lives as long as the module.
class VrelDomFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(const IID& iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override {
    moduleLock();
    return 2;
  }
  ULONG Release() override {
    moduleUnlock();
    return 1;
  }
  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override {
    std::lock_guard<std::mutex> guard(m_lock);
    return CVrelDom::CreateInstance(outer, iid, out);
  }
  HRESULT LockServer(int lock) override {
    lock ? moduleLock() : moduleUnlock();
    return S_OK;
  }

 private:
  std::mutex m_lock;
};

VrelDomFactory g_factory;

}  // namespace

void moduleLock() { ++g_lockCount; }
void moduleUnlock() { --g_lockCount; }
long moduleLockCount() { return g_lockCount.load(); }

Machine* moduleMachine() { return Machine::processMachine(); }

HRESULT createInstance(const CLSID& clsid, const IID& iid, void** out) {
  Machine* machine = moduleMachine();
  if (!machine) return E_UNEXPECTED;
  return Activation(*machine).CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
}

const CLSID& CLSID_VrelDom() {
  static const CLSID id = guid(kClsidVrelDom);
  return id;
}
const IID& IID_IVrelDom() {
  static const IID id = guid(kIidIVrelDom);
  return id;
}
const IID& IID_IVrelDSubsIterator() {
  static const IID id = guid(kIidIVrelDSubsIterator);
  return id;
}
const IID& IID_IVrelSub() {
  static const IID id = guid(kIidIVrelSub);
  return id;
}

}  // namespace vrel::domsvr

using namespace vrel::domsvr;
using namespace vrel::com;

extern "C" {

__attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!clsid || !iid) return E_INVALIDARG;
  if (!(*clsid == CLSID_VrelDom())) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(*iid, out);
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() { return moduleLockCount() == 0 ? S_OK : S_FALSE; }

__attribute__((visibility("default"))) HRESULT DllRegisterServer() { return registerServer(); }

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() { return unregisterServer(); }

}  // extern "C"
