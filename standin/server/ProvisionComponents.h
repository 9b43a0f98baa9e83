// The server's in-process components on a provisioned machine: the module
// "TmServerComponents.dll" (SQL access component and log manager) registered
// under HKEY_CLASSES_ROOT, the event source of its exception reports, and on
// Domino servers the address books with their person documents and, from
// 4.0(3.80) on, VrelDomSvr registered by setup (regsvr32 on the copy in the
// install root).
#pragma once

#include <string>

namespace vrel {
class Machine;
}

namespace vrel::standin {

class ServerIdentity;

// The module's path on the machine.
inline constexpr const char* kComponentsModule = "C:\\Program Files\\Common Files\\Tremarc\\TmServerComponents.dll";

bool installServerComponents(Machine& machine, const ServerIdentity& id, std::string& error);

// Places a host file of the build (tools folder) at a Windows path of the
// machine, as a link. False with error when it cannot.
bool linkToolFile(Machine& machine, const std::string& toolFile, const std::string& windowsPath, std::string& error);

}  // namespace vrel::standin
