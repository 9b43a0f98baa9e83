// The install root's folders, files and tools, and the machine's services,
// as a fresh installation leaves them (docs/server-layout.md).
#pragma once

#include "standin/server/ProvisionIdentity.h"

#include <string>
#include <vector>

namespace vrel {
class Machine;
}

namespace vrel::standin {

// The folder of the stand-in mail store: exported mailboxes live in
// kMailStoreFolder + "\" + store alias + "\" + subscriber alias.
inline constexpr const char* kMailStoreFolder = "C:\\MailStore";
// Exchange's administration programs (the registry's "AdminDest").
inline constexpr const char* kExchangeAdminFolder = "C:\\exchsrvr\\bin";

// Creates the install root with its folders, configuration files and
// tools; false with error on the first failure.
bool createInstallFiles(Machine& machine, const ServerIdentity& id, std::string& error);

// Deletes an install root (and the mail store) left by an earlier
// installation. Refuses a drive's root folder.
bool removeInstallFiles(Machine& machine, const std::string& installRoot, std::string& error);

struct ServerService {
  const char* name;
  const char* displayName;
};
// The services of an installation of this version and mail store kind.
std::vector<ServerService> serverServices(const ServerIdentity& id);
// Adds them all, running.
bool installServices(Machine& machine, const ServerIdentity& id, std::string& error);
// Removes every service an installation of any kind may have added.
bool removeServices(Machine& machine, std::string& error);

}  // namespace vrel::standin
