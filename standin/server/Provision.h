// standin provision: makes the machine a clean, running installation of the
// server (registry branch, databases, install root, services, machine
// values) in one step.
#pragma once

#include "standin/server/ProvisionIdentity.h"

#include <string>

namespace vrel {
class Machine;
}

namespace vrel::standin {

struct ProvisionResult {
  std::string installationGuid;
  std::string systemId;
  std::string installRoot;
};

// True when the machine has a server already: the registry's server branch
// or the OrvixDB database.
bool serverInstalled(Machine& machine);

// Provisions the machine. A machine that has a server already is refused
// unless options.force, which removes the old installation first (its
// databases, registry branch, install root, mail store and services). On
// failure nothing of the new installation is left behind.
bool provisionServer(Machine& machine, ProvisionOptions options, ProvisionResult& result, std::string& error);

// The installation's identity as the machine's registry and database hold
// it, for populate: false with error when no server is installed.
bool readInstalledIdentity(Machine& machine, ProvisionOptions& options, std::string& systemId, std::string& error);

}  // namespace vrel::standin
