#include "standin/server/ServerRegistry.h"

#include "standin/server/DirectoryComponents.h"
#include "standin/server/ProvisionFiles.h"

#include <string>

namespace vrel::standin {

namespace {

constexpr const char* kExchangeSetupKey = "SOFTWARE\\Microsoft\\Exchange\\Setup";
constexpr const char* kExchangeFolder = "C:\\exchsrvr";

// Collects the batch; keys are created by their first value.
class Branch {
 public:
  explicit Branch(std::vector<RegOp>& ops) : m_ops(ops) {}
  Branch& key(std::string path, Hive hive = Hive::LocalMachine) {
    m_path = std::move(path);
    m_hive = hive;
    m_ops.push_back({RegOp::CreateKey, m_hive, m_path, {}});
    return *this;
  }
  Branch& text(const char* name, const std::string& value) {
    m_ops.push_back({RegOp::SetValue, m_hive, m_path, RegValue::text(name, value)});
    return *this;
  }
  Branch& expand(const char* name, const std::string& value) {
    m_ops.push_back({RegOp::SetValue, m_hive, m_path, RegValue::text(name, value, kRegExpandSz)});
    return *this;
  }
  Branch& dword(const char* name, std::uint32_t value) {
    m_ops.push_back({RegOp::SetValue, m_hive, m_path, RegValue::dword(name, value)});
    return *this;
  }

 private:
  std::vector<RegOp>& m_ops;
  std::string m_path;
  Hive m_hive = Hive::LocalMachine;
};

std::string adminProgId(MailStoreKind kind) {
  switch (kind) {
    case MailStoreKind::Domino: return "TmDsDominoAdmin.TmDsAdmin.1";
    case MailStoreKind::Exchange55: return "TmDsEx55Admin.TmDsAdmin.1";
    case MailStoreKind::Exchange2000: return "TmDsADAdmin.TmDsAdmin.1";
  }
  return {};
}

// Version, install root, setup properties, system parameters.
void writeCore(Branch& b, const ServerIdentity& id) {
  const std::string& root = id.root();
  const std::string lang = id.options().language;
  const std::string kind = std::to_string(static_cast<int>(id.mailStore()));
  b.key(kTremarcKey)
      .dword("Version Number", registryVersionNumber(id.version()))
      .dword("Build Number", registryBuildNumber(id.version()));
  b.key(kRootPathKey).text("Root Path", root).text("PrimaryServer", id.computer());
  b.key(kSetupPropertiesKey)
      .text("SwitchFile", "Default.ini")
      .text("GUILanguageDefault", lang)
      .text("TUILanguageDefault", lang)
      .text("TTSLanguageDefault", lang)
      .dword("LocationType", 1)
      .dword("LDAPPortNumber", 389);
  b.key("SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Private").text("MailStore Type", kind).text("InstallPath", root);
  const std::string admin = ServerIdentity::objectReference(1, id.objectId("Subscriber:EAdmin"));
  b.key(kSystemParametersKey)
      .text("PromptSet", lang)
      .text("IDCProgID", idcProgIdOf(id.mailStore()))
      .text("MailStore Type", kind)
      .text("CallHandOwnerID", admin)
      .text("CallHandOwnerName", "EAdmin")
      .dword("CallHandOwnerType", 1)
      .text("CallHandRecipID", admin)
      .text("CallHandRecipName", "EAdmin")
      .dword("CallHandRecipType", 1)
      .dword("ExceptionDebug", 0);
  b.key("Software\\Tremarc\\FailureConv\\1.0")
      .text("Failure Conversations Prompt Directory", root + "Localize\\FailureConv\\");
  b.key("Software\\Tremarc\\ResourceLoader\\1.0\\Variables").text("MSGSTORERES", id.isDomino() ? "DOMINO" : "EXCHANGE");
}

// Directory and mail layers: DAL, DOH, MAL and the directory connectors.
void writeMailStore(Branch& b, const ServerIdentity& id) {
  const std::string& computer = id.computer();
  b.key("Software\\Tremarc\\DalDb\\1.00").text("TmDsAdminProgID", adminProgId(id.mailStore()));
  b.key("SOFTWARE\\Tremarc\\Doh\\1.00")
      .text("Directory Server Name", computer)
      .text("Mail Server Name", computer)
      .text("DalProgID", "TmDalDb.TmDal.1")
      .text("MalProgID", id.isDomino() ? "TmMalLn.TmMal.1" : "TmMalEx.TmMal.1")
      .dword("System ID", id.systemIdNumber());
  const std::string connectors = "SOFTWARE\\Tremarc\\Directory Connectors";
  if (id.isDomino()) {
    b.key("Software\\Tremarc\\MALLn\\1.0")
        .text("ServerName", "CN=" + computer + "/O=Orvix")
        .text("NotesIniPath", "C:\\Lotus\\Notes\\notes.ini");
    b.key(connectors + "\\DirSynchDomino\\1.00").text("ServerName", "CN=" + computer + "/O=Orvix");
    b.key(connectors + "\\DirSynchDomino\\1.00\\Mail Servers\\0")
        .dword("AddressBookId", 0)
        .text("ServerName", "CN=" + computer + "/O=Orvix")
        .text("Database", "names.nsf");
    b.key("software\\Tremarc\\TMDOM\\1.0").text("DominoServer", "CN=" + computer + "/O=Orvix");
    return;
  }
  b.key("Software\\Tremarc\\MalEX\\1.0")
      .text("ServerName", computer)
      .text("DisplayName", "Orvix Messaging System - " + computer)
      .text("MailboxDN", "/o=Orvix/ou=" + computer + "/cn=Recipients/cn=" + id.messagingAccountAlias())
      .text("LegacyMailboxDN", "/o=Orvix/ou=" + computer + "/cn=Recipients/cn=" + id.messagingAccountAlias())
      .text("ProfileName", "Orvix System Profile");
  if (id.mailStore() == MailStoreKind::Exchange55)
    b.key(connectors + "\\DirSynchEx55\\1.00\\Server").dword("LDAP Port", 389).text("Server Name", computer);
  else
    b.key(connectors + "\\DirSynchAD\\1.00").text("DomainName", "orvix.local").text("ServerName", computer);
  b.key(kExchangeSetupKey).text("Services", kExchangeFolder).text("AdminDest", kExchangeAdminFolder);
  for (const char* users : {"", ".DEFAULT\\"})
    b.key(std::string(users) + kMessagingProfileKey, Hive::Users).text("001e6600", computer);
}

// The values that hold paths below the install root.
void writePaths(Branch& b, const ServerIdentity& id) {
  const std::string& root = id.root();
  b.key("Software\\Tremarc\\TmRepDir\\1.0")
      .text("History Path File", root + "History\\History.dat")
      .text("History File Path", root + "History");
  b.key("Software\\Tremarc\\CDE\\1.0")
      .text("Softkey Config File", root + "Support\\Softkey.ini")
      .text("Script Path", root + "Scripts\\");
  b.key("Software\\Tremarc\\GAEN")
      .text("DataPath", root + "Data\\")
      .text("DefPromptsPath", root + "Localize\\Prompts\\")
      .text("LocConfigFile", root + "Localize\\LocConfig.ini");
  b.key("Software\\Tremarc\\MIU\\1.0\\Initialization").text("Configuration File Path", root + "IntLib\\");
  b.key("software\\Tremarc\\MIU\\1.0\\Initialization\\Integrations").text("Integration1", "TAPI").dword("Ports", 4);
  b.key("SOFTWARE\\Tremarc\\QPCA\\Setup").text("InstallLocation", root + "QPCA\\");
  b.key("Software\\Tremarc\\TmRepMgr\\1.0").text("Output Path", root + "Reports\\").text("RPT Path", root + "CrystalReports\\");
  b.key("Software\\Tremarc\\OrvixUMR\\1.00")
      .text("MTAStoragePath", root + "OrvixMTA\\")
      .text("MTAFailedPath", root + "OrvixMTA\\failed");
  b.key("SOFTWARE\\Tremarc\\ToolsDepot\\Diagnostic Tools\\Event Monitoring Service")
      .expand("Path", "%Zurevezuza%\\ToolsDepot\\EventMonitoring\\bin\\CsEmsSvc.exe");
  b.key("Software\\Tremarc\\TmLogMgr\\1.0").text("Help Web Server", id.computer()).text("Log Path", root + "Logs\\");
  for (const char* process : {"TmCsMgr", "TmCsGateway", "TmDirChangeWriter"}) {
    const std::string logs = root + "Logs\\" + process;
    b.key(std::string("Software\\Tremarc\\TmLogMgr\\1.0\\Process\\") + process)
        .text("CurrentLogFile", logs + "_0002.log")
        .text("PreviousLogFile", logs + "_0001.log");
  }
  if (versionAtLeast(id.version(), 5, 0, 0, 0)) {
    b.key("SOFTWARE\\Tremarc\\QxMessageAgingSvc\\1.0").text("AccessDbFileName", root + "Data\\MDBCertificate.MDB");
    b.key("software\\tremarc\\QXCA\\1.0").text("CertStore", "Orvix").dword("Enabled", 1);
  }
}

// Branches of the server's other components.
void writeComponents(Branch& b, const ServerIdentity& id) {
  b.key("SOFTWARE\\Tremarc\\Notifier\\1.0").dword("Enabled", 1).dword("RetryMinutes", 5);
  b.key("Software\\Tremarc\\Conversations\\1.0\\ConfidentialMessaging").dword("Enabled", 0);
  b.key("Software\\Tremarc\\MsgStoreMonitor\\1.0").dword("PollSeconds", 60);
  b.key("Software\\Tremarc\\PermissionsWizard\\1.0").text("LastAccount", "");
  b.key("Software\\Tremarc\\Ruler\\1.0").text("RulesFile", id.root() + "Support\\Routing.rul");
  b.key("Software\\Tremarc\\TmSkinny\\1.0").dword("Ports", 0);
  b.key("Software\\Tremarc\\Arbiter\\1.0\\Port Configuration").dword("Ports", 4);
  b.key("SOFTWARE\\Tremarc\\RegStore\\1.0").text("Server", id.computer());
  if (id.options().failover != FailoverRole::None)
    b.key("SOFTWARE\\Tremarc\\TmCsNodeMgr\\1.0")
        .dword("Primary", id.options().failover == FailoverRole::Primary ? 1 : 0)
        .text("Partner", "");
}

}  // namespace

std::vector<RegOp> serverRegistryOps(const ServerIdentity& id) {
  std::vector<RegOp> ops;
  ops.push_back({RegOp::DeleteTree, Hive::LocalMachine, kTremarcKey, {}});
  ops.push_back({RegOp::DeleteTree, Hive::LocalMachine, kExchangeSetupKey, {}});
  for (const char* users : {"", ".DEFAULT\\"})
    ops.push_back({RegOp::DeleteTree, Hive::Users, std::string(users) + kMessagingProfileKey, {}});
  Branch b(ops);
  writeCore(b, id);
  writeMailStore(b, id);
  writePaths(b, id);
  writeComponents(b, id);
  addDirectoryComponentRegistration(ops, id.mailStore(), id.root());
  return ops;
}

RegStatus writeServerRegistry(Registry& registry, const ServerIdentity& id) {
  return registry.apply(serverRegistryOps(id));
}

RegStatus removeServerRegistry(Registry& registry) {
  std::vector<RegOp> ops;
  ops.push_back({RegOp::DeleteTree, Hive::LocalMachine, kTremarcKey, {}});
  ops.push_back({RegOp::DeleteTree, Hive::LocalMachine, kExchangeSetupKey, {}});
  for (const char* users : {"", ".DEFAULT\\"})
    ops.push_back({RegOp::DeleteTree, Hive::Users, std::string(users) + kMessagingProfileKey, {}});
  return registry.apply(ops);
}

}  // namespace vrel::standin
