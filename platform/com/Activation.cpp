#include "platform/com/Activation.h"

#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"

#include <dlfcn.h>

#include <filesystem>
#include <map>
#include <mutex>

namespace vrel::com {

namespace {

// Modules stay loaded for the process, as COM keeps them, until
// CoFreeUnusedLibraries finds them idle.
struct ModuleTable {
  std::mutex lock;
  std::map<std::string, void*> modules;  // by host path
};

ModuleTable& table() {
  static ModuleTable t;
  return t;
}

void* loadModule(const std::string& hostPath) {
  ModuleTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  if (auto it = t.modules.find(hostPath); it != t.modules.end()) return it->second;
  void* handle = dlopen(hostPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle) t.modules.emplace(hostPath, handle);
  return handle;
}

bool readText(Registry& reg, const std::string& path, std::string& out) {
  RegValue v;
  if (reg.getValue(Hive::ClassesRoot, path, "", v) != kRegOk) return false;
  if (v.type != kRegSz && v.type != kRegExpandSz) return false;
  out = regDataAsText(v.data);
  return true;
}

}  // namespace

HRESULT Activation::CLSIDFromProgID(std::string_view progId, CLSID& out) const {
  std::string text;
  if (progId.empty() || !readText(m_machine.registry(), std::string(progId) + "\\CLSID", text)) return CO_E_CLASSSTRING;
  const std::optional<GUID> g = guidFromString(text);
  if (!g) return CO_E_CLASSSTRING;
  out = *g;
  return S_OK;
}

HRESULT Activation::inprocServer(const CLSID& clsid, std::string& windowsPath) const {
  if (!readText(m_machine.registry(), "CLSID\\" + guidToString(clsid) + "\\InprocServer32", windowsPath) ||
      windowsPath.empty())
    return REGDB_E_CLASSNOTREG;
  return S_OK;
}

HRESULT Activation::CoGetClassObject(const CLSID& clsid, std::uint32_t context, const IID& iid, void** out) const {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  std::string module;
  if (const HRESULT h = inprocServer(clsid, module); FAILED(h)) return h;
  const std::string host = WinPaths(m_machine).toHost(module);
  std::error_code ec;
  if (host.empty() || !std::filesystem::is_regular_file(host, ec)) return kModuleNotFound;
  void* handle = loadModule(host);
  if (!handle) return kModuleNotFound;
  const auto entry = reinterpret_cast<DllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
  if (!entry) return CO_E_ERRORINDLL;
  return entry(&clsid, &iid, out);
}

HRESULT Activation::CoCreateInstance(const CLSID& clsid, IUnknown* outer, std::uint32_t context, const IID& iid,
                                     void** out) const {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComPtr<IClassFactory> factory;
  if (const HRESULT h = CoGetClassObject(clsid, context, IID_IClassFactory, factory.outVoid()); FAILED(h)) return h;
  return factory->CreateInstance(outer, iid, out);
}

void Activation::CoFreeUnusedLibraries() {
  ModuleTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  for (auto it = t.modules.begin(); it != t.modules.end();) {
    const auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(dlsym(it->second, "DllCanUnloadNow"));
    if (canUnload && canUnload() == S_OK) {
      dlclose(it->second);
      it = t.modules.erase(it);
    } else {
      ++it;
    }
  }
}

std::size_t Activation::loadedModules() {
  ModuleTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  return t.modules.size();
}

}  // namespace vrel::com
