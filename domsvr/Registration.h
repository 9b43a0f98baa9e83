// DllRegisterServer and DllUnregisterServer: the registration script of
// VrelDom and its type library, written into HKEY_CLASSES_ROOT of the
// machine in one change.
#pragma once

#include "platform/com/Com.h"

#include <string>

namespace vrel::domsvr {

com::HRESULT registerServer();
com::HRESULT unregisterServer();
// The module's own file as the machine names it.
std::string moduleWindowsPath();

}  // namespace vrel::domsvr
