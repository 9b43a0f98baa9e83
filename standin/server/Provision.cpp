#include "standin/server/Provision.h"
#include "standin/server/ProvisionComponents.h"

#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/data/Recordset.h"
#include "platform/data/SqlInstance.h"
#include "platform/registry/RegImport.h"
#include "standin/directory/DirectoryAdmin.h"
#include "standin/server/ProvisionDatabases.h"
#include "standin/server/ProvisionFiles.h"
#include "standin/server/ServerRegistry.h"

namespace vrel::standin {

namespace {

std::string registryText(Registry& registry, const char* key, const char* name) {
  RegValue v;
  return registry.getValue(Hive::LocalMachine, key, name, v) == kRegOk ? regDataAsText(v.data) : std::string();
}

std::uint32_t registryDword(Registry& registry, const char* key, const char* name) {
  RegValue v;
  if (registry.getValue(Hive::LocalMachine, key, name, v) != kRegOk || v.data.size() < 4) return 0;
  return v.data[0] | v.data[1] << 8 | v.data[2] << 16 | static_cast<std::uint32_t>(v.data[3]) << 24;
}

// Removes an installation: its databases, the install root the registry
// names (unless keepFiles), registry branch and services.
bool removeInstallation(Machine& machine, bool keepFiles, std::string& error) {
  if (!dropServerDatabases(machine, error)) return false;
  const std::string root = registryText(machine.registry(), kRootPathKey, "Root Path");
  if (!keepFiles && !root.empty() && !removeInstallFiles(machine, root, error)) return false;
  if (const RegStatus st = removeServerRegistry(machine.registry()); st != kRegOk) {
    error = "cannot remove the server's registry branch: " + describeRegStatus(st);
    return false;
  }
  return removeServices(machine, error);
}

void setMachineValues(Machine& machine, const ServerIdentity& id) {
  const std::string& computer = id.computer();
  machine.setValue("ComputerName", computer);
  machine.setValue("LogonServer", "\\\\" + computer);
  machine.setValue("UserDefaultLangID", std::to_string(languageIdOfCode(id.options().language)));
  // Kept when a test or an earlier step chose them.
  const std::pair<const char*, std::string> defaults[] = {
      {"LanGroup", "ORVIX"}, {"UserName", "Administrator"}, {"LogonDomain", computer}};
  for (const auto& [name, value] : defaults)
    if (machine.value(name).empty()) machine.setValue(name, value);
}

bool install(Machine& machine, const ServerIdentity& id, std::string& error) {
  setMachineValues(machine, id);
  if (const RegStatus st = writeServerRegistry(machine.registry(), id); st != kRegOk) {
    error = "cannot write the server's registry branch: " + describeRegStatus(st);
    return false;
  }
  return createServerDatabases(machine, id, error) && createInstallFiles(machine, id, error) &&
         installServices(machine, id, error) && installServerComponents(machine, id, error) &&
         provisionDirectory(machine, id.options().installationGuid, id.mailStore() == MailStoreKind::Exchange2000,
                            mailDatabaseOf(id), id.directoryId("MailboxStore"), error);
}

}  // namespace

bool serverInstalled(Machine& machine) {
  return machine.registry().keyExists(Hive::LocalMachine, kTremarcKey) || data::SqlInstance(machine).exists("OrvixDB");
}

bool provisionServer(Machine& machine, ProvisionOptions options, ProvisionResult& result, std::string& error) {
  if (!normaliseProvisionOptions(options, error)) return false;
  if (serverInstalled(machine)) {
    if (!options.force) {
      error = "this machine has a server installed already (" + machine.root() +
              "); use --force to replace it";
      return false;
    }
    if (!removeInstallation(machine, false, error)) return false;
  }
  // A folder that was there before is not ours to remove if this fails.
  const bool rootExisted = Files(machine).exists(options.installRoot);
  const ServerIdentity id(options);
  if (!install(machine, id, error)) {
    std::string ignored;
    removeInstallation(machine, rootExisted, ignored);
    return false;
  }
  result.installationGuid = id.options().installationGuid;
  result.systemId = id.systemId();
  result.installRoot = id.root();
  return true;
}

bool readInstalledIdentity(Machine& machine, ProvisionOptions& options, std::string& systemId, std::string& error) {
  Registry& reg = machine.registry();
  if (!serverInstalled(machine) || !data::SqlInstance(machine).exists("OrvixDB")) {
    error = "no server is installed on this machine; run standin provision first";
    return false;
  }
  options.computerName = machine.computerName();
  options.installRoot = registryText(reg, kRootPathKey, "Root Path");
  options.language = registryText(reg, kSetupPropertiesKey, "TUILanguageDefault");
  const std::string idc = registryText(reg, kSystemParametersKey, "IDCProgID");
  options.mailStore = iequals(idc, idcProgIdOf(MailStoreKind::Domino))        ? MailStoreKind::Domino
                      : iequals(idc, idcProgIdOf(MailStoreKind::Exchange2000)) ? MailStoreKind::Exchange2000
                                                                               : MailStoreKind::Exchange55;
  const std::uint32_t version = registryDword(reg, kTremarcKey, "Version Number");
  const std::uint32_t build = registryDword(reg, kTremarcKey, "Build Number");
  auto decimal = [](std::uint32_t word) {
    int n = 0;
    for (int shift = 12; shift >= 0; shift -= 4) n = n * 10 + static_cast<int>((word >> shift) & 0xF);
    return n;
  };
  options.version = {decimal(version >> 16), decimal(version & 0xFFFF), decimal(build >> 16),
                     static_cast<int>(build & 0xFFFF)};
  try {
    data::Recordset rs;
    rs.open("SELECT Value FROM OrvixSetupParameters WHERE Name = '@SystemId'", machine,
            localDatabaseConnection("OrvixDB"));
    if (!rs.eof()) systemId = rs.fields("Value").value().toString();
    rs.close();
  } catch (const data::AdoError& e) {
    error = "cannot read the installation from OrvixDB: " + e.description;
    return false;
  }
  if (systemId.empty() || options.installRoot.empty()) {
    error = "the installed server is incomplete (no system ID or install root); provision it again with --force";
    return false;
  }
  return true;
}

}  // namespace vrel::standin
