// Activation of in-process COM servers through HKEY_CLASSES_ROOT of the
// machine's registry, as the COM run time does it: a ProgID names its class
// ("<ProgID>\CLSID"), the class names its module ("CLSID\{...}\InprocServer32",
// a Windows path of the machine), the module is a shared library loaded once
// per process whose DllGetClassObject hands out the class factory.
#pragma once

#include "platform/com/Com.h"

#include <string>
#include <string_view>

namespace vrel {
class Machine;
}

namespace vrel::com {

class Activation {
 public:
  explicit Activation(Machine& machine) : m_machine(machine) {}

  // The class of a ProgID; CO_E_CLASSSTRING when the ProgID is not registered.
  HRESULT CLSIDFromProgID(std::string_view progId, CLSID& out) const;
  // The class factory (or another interface of it) of a registered class.
  // REGDB_E_CLASSNOTREG: no InprocServer32; kModuleNotFound: the module is
  // missing or does not load; CO_E_ERRORINDLL: it has no DllGetClassObject.
  HRESULT CoGetClassObject(const CLSID& clsid, std::uint32_t context, const IID& iid, void** out) const;
  // Creates an object of the class through its factory.
  HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, std::uint32_t context, const IID& iid,
                           void** out) const;
  // The Windows path registered for the class's module; REGDB_E_CLASSNOTREG
  // when there is none.
  HRESULT inprocServer(const CLSID& clsid, std::string& windowsPath) const;

  // Unloads every loaded module whose DllCanUnloadNow answers S_OK.
  static void CoFreeUnusedLibraries();
  // The number of modules this process holds loaded.
  static std::size_t loadedModules();

 private:
  Machine& m_machine;
};

}  // namespace vrel::com
