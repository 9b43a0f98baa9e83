#include "standin/server/ProvisionFiles.h"

#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Services.h"
#include "platform/data/Connection.h"
#include "standin/server/AccessSchemas.h"
#include "standin/server/ProvisionCertificates.h"

#include <array>

namespace vrel::standin {

namespace {

constexpr const char* kFolders[] = {
    "Stream Files",     "Localize\\DefaultConfiguration", "Localize\\FailureConv", "Localize\\Prompts",
    "Support",          "ToolsDepot\\EventMonitoring\\bin", "ToolsDepot\\EventMonitoring\\database",
    "Data",             "IntLib",  "Reports", "CrystalReports", "OrvixMTA\\failed", "History", "Logs",
    "Scripts",          "QPCA",
};

constexpr const char* kSystemGreetings[] = {"OpeningGreeting.wav", "Goodbye.wav", "Operator.wav",
                                            "SystemTransfer.wav"};

constexpr std::array<ServerService, 18> kCommonServices = {{
    {"TmMsgStoreMonitorSvr", "Orvix Message Store Monitor"},
    {"TmCsGateway", "Orvix Gateway"},
    {"TmCsMgr", "Orvix Server Manager"},
    {"TmDirChangeWriter", "Orvix Directory Change Writer"},
    {"TmDSGlobalCatalog", "Orvix Global Catalog Monitor"},
    {"TmGAENsvr", "Orvix Event Notifier"},
    {"TmMMProxySvr", "Orvix Media Master Proxy"},
    {"TmRepDirSvrSvc", "Orvix Report Data Harvester"},
    {"TmUMRSyncSvr", "Orvix UMR Synchronisation"},
    {"TmTTSSvr", "Orvix Text To Speech"},
    {"CsBridgeConnector", "Orvix Bridge Connector"},
    {"CsEMSSvc", "Orvix Event Monitoring Service"},
    {"CorvaneOrvixTdsProxy", "Orvix TDS Proxy"},
    {"qxDirReader", "Orvix Directory Reader"},
    {"csBMsgConnector", "Orvix Broadcast Message Connector"},
    {"W3svc", "World Wide Web Publishing Service"},
    {"TmDSEX55", "Orvix Exchange 5.5 Directory Monitor"},
    {"TmDSAD", "Orvix Active Directory Monitor"},
}};
constexpr ServerService kDomino = {"TmDSDomino", "Orvix Domino Directory Monitor"};
constexpr ServerService kQxServices[] = {{"QxMessageAgingSvr", "Orvix Message Aging"},
                                         {"QxMDBStoreMonitor", "Orvix MDB Store Monitor"}};

FileStatus writeFile(const Files& files, const std::string& path, const std::string& text) {
  return files.writeAll(path, text);
}

bool report(const FileStatus& st, const std::string& what, std::string& error) {
  if (st) return true;
  error = "cannot create " + what + ": " + st.description;
  return false;
}

// The message-aging certificate database (versions 5.0 and later).
bool createCertificateDatabase(Machine& machine, const Files& files, const std::string& path, std::string& error) {
  if (!report(files.writeAll(path, ""), path, error)) return false;
  try {
    data::Connection cn(machine);
    cn.open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path);
    cn.execute(mdbCertificateSchemaSql());
    cn.close();
    return true;
  } catch (const data::AdoError& e) {
    error = "cannot create " + path + ": " + e.description;
    return false;
  }
}

// The server's own tools in the install root: copies of the built stand-in
// tools of these names, when the build has them.
bool copyTools(const Files& files, const std::string& root, std::string& error) {
  const std::string tools = Machine::toolsFolder();
  if (tools.empty()) return true;
  std::string hostFolder = "Z:" + tools;
  for (char& c : hostFolder)
    if (c == '/') c = '\\';
  for (const char* tool : {"GrantOrvixAccess", "TmCsTrayStatus"}) {
    const std::string from = hostFolder + "\\" + tool;
    if (!files.fileExists(from)) continue;
    if (!report(files.copyFile(from, root + tool + ".exe", true), root + tool + ".exe", error)) return false;
  }
  return true;
}

}  // namespace

bool createInstallFiles(Machine& machine, const ServerIdentity& id, std::string& error) {
  const Files files(machine);
  const std::string& root = id.root();
  for (const char* folder : kFolders)
    if (!report(files.createFolder(root + folder), root + folder, error)) return false;
  for (const char* greeting : kSystemGreetings) {
    const std::string path = root + "Localize\\DefaultConfiguration\\" + greeting;
    if (!report(writeFile(files, path, std::string("RIFF system greeting ") + greeting + "\n"), path, error))
      return false;
  }
  const std::pair<std::string, std::string> configFiles[] = {
      {"Support\\Routing.rul", "; Orvix call routing rules\r\n[Rule0]\r\nName=Default\r\nAction=AttemptSignIn\r\n"},
      {"Support\\Default.ini", "[Switch]\r\nName=Default\r\nPorts=4\r\n"},
      {"Support\\Softkey.ini", "[Softkeys]\r\n"},
      {"Localize\\LocConfig.ini", "[Language]\r\nDefault=" + id.options().language + "\r\n"},
      {"ToolsDepot\\EventMonitoring\\database\\ems.db", "EMS database of " + id.computer() + "\r\n"},
      {"History\\History.dat", ""},
  };
  for (const auto& [name, text] : configFiles)
    if (!report(writeFile(files, root + name, text), root + name, error)) return false;
  if (versionAtLeast(id.version(), 5, 0, 0, 0) &&
      !createCertificateDatabase(machine, files, root + "Data\\MDBCertificate.MDB", error))
    return false;
  const std::string store = std::string(kMailStoreFolder) + "\\" + id.mailStoreAlias();
  if (!report(files.createFolder(store), store, error)) return false;
  // Exchange's administration folder, where ExMerge is put to work.
  if (!id.isDomino() && !report(files.createFolder(kExchangeAdminFolder), kExchangeAdminFolder, error)) return false;
  if (exportsCertificates(id.version()) && !createMachineCertificate(machine, id.computer(), error)) return false;
  return copyTools(files, root, error);
}

bool removeInstallFiles(Machine& machine, const std::string& installRoot, std::string& error) {
  const Files files(machine);
  std::string root = installRoot;
  while (!root.empty() && root.back() == '\\') root.pop_back();
  // Never a drive's root, never the host's files behind Z:.
  if (root.size() < 4 || root[1] != ':' || (root[0] | 0x20) == 'z') {
    error = "refusing to remove the install root " + installRoot;
    return false;
  }
  for (const std::string& folder : {root, std::string(kMailStoreFolder)}) {
    if (!files.folderExists(folder)) continue;
    if (const FileStatus st = files.deleteFolder(folder); !st) {
      error = "cannot remove " + folder + ": " + st.description;
      return false;
    }
  }
  return true;
}

std::vector<ServerService> serverServices(const ServerIdentity& id) {
  std::vector<ServerService> out;
  for (const ServerService& s : kCommonServices) {
    const std::string_view name = s.name;
    if (name == "TmDSEX55" && id.mailStore() != MailStoreKind::Exchange55) continue;
    if (name == "TmDSAD" && id.mailStore() != MailStoreKind::Exchange2000) continue;
    out.push_back(s);
  }
  if (id.isDomino()) out.push_back(kDomino);
  if (versionAtLeast(id.version(), 5, 0, 0, 0))
    for (const ServerService& s : kQxServices) out.push_back(s);
  return out;
}

bool installServices(Machine& machine, const ServerIdentity& id, std::string& error) {
  Services services(machine);
  for (const ServerService& s : serverServices(id)) {
    ServiceInfo info;
    info.name = s.name;
    info.displayName = s.displayName;
    info.state = ServiceState::Running;
    if (!services.add(info, error)) return false;
  }
  return true;
}

bool removeServices(Machine& machine, std::string& error) {
  Services services(machine);
  auto remove = [&](const ServerService& s) {
    return !services.find(s.name) || services.remove(s.name, error);
  };
  for (const ServerService& s : kCommonServices)
    if (!remove(s)) return false;
  for (const ServerService& s : kQxServices)
    if (!remove(s)) return false;
  return remove(kDomino);
}

}  // namespace vrel::standin
