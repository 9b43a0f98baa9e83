// standin provision on scratch machines: the registry branch read back
// through the registry API, the fresh-install rows and nothing else, the
// install root, the services, refusal and replacement of an installed server.
#include "platform/Files.h"
#include "platform/Services.h"
#include "platform/data/Connection.h"
#include "platform/data/SqlInstance.h"
#include "standin/server/ProvisionFiles.h"
#include "standin/server/ServerRegistry.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <cstdio>
#include <set>

namespace vrel::test {
namespace {

using standin::MailStoreKind;
using standin::ProvisionOptions;

constexpr const char* kGuid = "11111111-2222-4333-8444-555555555555";

struct KindRow {
  const char* name;
  MailStoreKind kind;
  const char* version;
  const char* root;
  std::uint32_t versionNumber;
  std::uint32_t buildNumber;
};

ProvisionOptions optionsOf(const KindRow& row) {
  ProvisionOptions o;
  o.computerName = "orvixnew";
  o.installRoot = row.root;
  o.mailStore = row.kind;
  o.installationGuid = kGuid;
  std::string error;
  EXPECT_TRUE(standin::parseServerVersion(row.version, o.version, error)) << error;
  return o;
}

// The restore's reading of "IDCProgID": Domino, Exchange 2000 or later, or
// anything else Exchange 5.5.
MailStoreKind kindAsRestoreReads(const std::string& idc) {
  if (iequals(idc, "TMDsDomino.TmIDCDomino.1")) return MailStoreKind::Domino;
  if (iequals(idc, "TMDSAD.TMDSAD.1") || iequals(idc, "TMIDCADSvr.TmIDCAD.1")) return MailStoreKind::Exchange2000;
  return MailStoreKind::Exchange55;
}

class ProvisionKinds : public ::testing::TestWithParam<KindRow> {
 protected:
  ScratchMachine scratch;
};

TEST_P(ProvisionKinds, RegistryHoldsVersionRootAndMailStore) {
  const KindRow& row = GetParam();
  Machine& m = scratch.machine();
  const auto r = provisionOrFail(m, optionsOf(row));
  EXPECT_EQ(regDword(m, "Software\\Tremarc", "Version Number"), row.versionNumber);
  EXPECT_EQ(regDword(m, "Software\\Tremarc", "Build Number"), row.buildNumber);
  // The version key as the restore names it, with its trailing backslash.
  EXPECT_TRUE(m.registry().keyExists(Hive::LocalMachine, "Software\\Tremarc\\"));
  EXPECT_EQ(regDword(m, "Software\\Tremarc\\", "Version Number"), row.versionNumber);
  EXPECT_EQ(regText(m, "Software\\Tremarc\\ZureVezuza\\1.0", "Root Path"), r.installRoot);
  EXPECT_EQ(regText(m, "SOFTWARE\\TREMARC\\zurevezuza\\1.0", "PrimaryServer"), "ORVIXNEW");
  EXPECT_EQ(kindAsRestoreReads(regText(m, standin::kSystemParametersKey, "IDCProgID")), row.kind);
  EXPECT_EQ(regText(m, standin::kSystemParametersKey, "MailStore Type"), std::to_string(static_cast<int>(row.kind)));
  EXPECT_EQ(regDword(m, "SOFTWARE\\Tremarc\\Doh\\1.00", "System ID"),
            static_cast<long long>(std::stoul(r.systemId, nullptr, 16)));
  EXPECT_EQ(m.computerName(), "ORVIXNEW");
  // The Exchange MAL key or the Domino MAL branch, never both.
  const bool domino = row.kind == MailStoreKind::Domino;
  EXPECT_EQ(m.registry().keyExists(Hive::LocalMachine, "Software\\Tremarc\\MALLn"), domino);
  EXPECT_EQ(m.registry().keyExists(Hive::LocalMachine, "Software\\Tremarc\\MalEX\\1.0"), !domino);
  EXPECT_EQ(m.registry().keyExists(Hive::LocalMachine,
                                   "SOFTWARE\\Tremarc\\Directory Connectors\\DirSynchEx55\\1.00\\Server"),
            row.kind == MailStoreKind::Exchange55);
  EXPECT_EQ(m.registry().keyExists(Hive::LocalMachine,
                                   "SOFTWARE\\Tremarc\\Directory Connectors\\DirSynchDomino\\1.00\\Mail Servers\\0"),
            domino);
}

TEST_P(ProvisionKinds, DatabasesHoldExactlyTheFreshInstall) {
  const KindRow& row = GetParam();
  Machine& m = scratch.machine();
  const auto r = provisionOrFail(m, optionsOf(row));
  const bool domino = row.kind == MailStoreKind::Domino;
  const struct {
    const char* table;
    long rows;
  } expected[] = {
      {"Subscriber", 4}, {"GlobalSubscriber", 4}, {"Location", 1}, {"GlobalLocation", 1},
      {"DistributionList", 3}, {"DistributionListMember", 2}, {"COS", 1}, {"MailboxStore", 1},
      {"SubscriberTemplate", 1}, {"CallHandler", 2}, {"Servers", 1}, {"OrvixSetupParameters", 3},
      {"Configuration", 7}, {"ADDomain", row.kind == MailStoreKind::Exchange2000 ? 1 : 0},
      {"DominoAddressBook", domino ? 1 : 0}, {"InterviewHandler", 0}, {"NameLookupHandler", 0},
      {"MessagingRule", 0}, {"MenuEntry", 0}, {"DTMFAccessID", 0}, {"PersonalDlist", 0}, {"NotificationMWI", 0},
      {"NotificationDevice", 0}, {"NotificationRule", 0}, {"ADMonitorDirObjsList", 0}, {"MovedMailbox", 0}};
  for (const auto& e : expected)
    EXPECT_EQ(queryCount(m, std::string("SELECT COUNT(*) FROM ") + e.table), e.rows) << e.table;
  EXPECT_EQ(queryRows(m, "SELECT Alias FROM Subscriber ORDER BY Alias"),
            (std::vector<std::string>{"EAdmin", "ESubscriber", "Installer", "Orvix_ORVIXNEW"}));
  EXPECT_EQ(queryRows(m, "SELECT Alias, UID FROM DistributionList ORDER BY Alias"),
            (std::vector<std::string>{"allsubscribers|AllSubscribers" + r.systemId,
                                      "systemeventmessages|SystemEventMessages" + r.systemId,
                                      "unaddressedmessages|UnaddressedMessages" + r.systemId}));
  EXPECT_EQ(queryRows(m, "SELECT Name, Value FROM OrvixSetupParameters ORDER BY Name"),
            (std::vector<std::string>{"@PrimaryServer|ORVIXNEW", "@strRootPath|" + r.installRoot,
                                      "@SystemId|" + r.systemId}));
  EXPECT_EQ(queryRows(m, "SELECT HomeServer, SystemID FROM Location WHERE Alias = 'default'"),
            (std::vector<std::string>{"ORVIXNEW|" + std::to_string(std::stoul(r.systemId, nullptr, 16))}));
  EXPECT_EQ(queryRows(m, "SELECT Alias FROM Servers"), (std::vector<std::string>{"ORVIXNEW"}));
  EXPECT_EQ(queryCount(m, "SELECT COUNT(*) FROM Subscriber WHERE SubscriberType = " + std::string(domino ? "3" : "1")),
            3);
  EXPECT_EQ(queryRows(m, "SELECT Name, Value FROM ReportSetupParameters ORDER BY Name", "ReportDB"),
            (std::vector<std::string>{"@PrimaryServer|ORVIXNEW", "@SystemId|" + r.systemId}));
  // Every directory object has its own directory ID.
  const auto ids = queryRows(m, "SELECT DirectoryID FROM Subscriber UNION ALL SELECT DirectoryID FROM Location "
                                "UNION ALL SELECT DirectoryID FROM DistributionList UNION ALL "
                                "SELECT DirectoryID FROM MailboxStore");
  EXPECT_EQ(ids.size(), 9u);
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
}

TEST_P(ProvisionKinds, ServicesRunAndInstallRootIsLaidOut) {
  const KindRow& row = GetParam();
  Machine& m = scratch.machine();
  const auto r = provisionOrFail(m, optionsOf(row));
  Services services(m);
  std::vector<ServiceInfo> all;
  std::string error;
  ASSERT_TRUE(services.list(all, error)) << error;
  std::set<std::string> running;
  for (const auto& s : all)
    if (s.state == ServiceState::Running) running.insert(foldCase(s.name));
  for (const char* always : {"TmCsGateway", "TmCsMgr", "TmDirChangeWriter", "TmDSGlobalCatalog", "TmMMProxySvr",
                             "W3svc", "CsEMSSvc", "TmMsgStoreMonitorSvr"})
    EXPECT_TRUE(running.count(foldCase(always))) << always;
  EXPECT_EQ(running.count("TMDSEX55"), row.kind == MailStoreKind::Exchange55 ? 1u : 0u);
  EXPECT_EQ(running.count("TMDSAD"), row.kind == MailStoreKind::Exchange2000 ? 1u : 0u);
  EXPECT_EQ(running.count("TMDSDOMINO"), row.kind == MailStoreKind::Domino ? 1u : 0u);
  const bool five = row.versionNumber >= 0x00050000;
  EXPECT_EQ(running.count("QXMESSAGEAGINGSVR"), five ? 1u : 0u);
  EXPECT_EQ(running.size(), all.size());

  const Files& files = scratch.files();
  for (const char* path : {"Stream Files", "Localize\\DefaultConfiguration", "OrvixMTA\\failed", "IntLib"})
    EXPECT_TRUE(files.folderExists(r.installRoot + path)) << path;
  for (const char* path : {"Support\\Routing.rul", "Localize\\DefaultConfiguration\\OpeningGreeting.wav",
                           "ToolsDepot\\EventMonitoring\\database\\ems.db"})
    EXPECT_TRUE(files.fileExists(r.installRoot + path)) << path;
  // The aging service's certificate database, named by the registry, opens
  // through Jet from version 5.0 on.
  const std::string mdb = regText(m, "SOFTWARE\\Tremarc\\QxMessageAgingSvc\\1.0", "AccessDbFileName");
  if (!five) {
    EXPECT_EQ(mdb, "<missing>");
    return;
  }
  EXPECT_EQ(mdb, r.installRoot + "Data\\MDBCertificate.MDB");
  data::Connection cn(m);
  cn.open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + mdb);
  EXPECT_EQ(cn.execute("DELETE FROM CertTable"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProvisionKinds,
    ::testing::Values(KindRow{"Exchange55", MailStoreKind::Exchange55, "4.0(3.15)", "C:\\Orvix", 0x00040000, 0x0003000F},
                      KindRow{"Exchange2000", MailStoreKind::Exchange2000, "4.0(4.175)", "E:\\Apps\\Orvix\\",
                              0x00040000, 0x000400AF},
                      KindRow{"Domino", MailStoreKind::Domino, "5.0(1.32)", "D:\\Orvix", 0x00050000, 0x00010020}),
    [](const auto& info) { return std::string(info.param.name); });

// The values the restore reads from a fresh installation, by key and name.
TEST(ProvisionRegistry, EveryValueTheRestoreReadsIsThere) {
  ScratchMachine scratch;
  Machine& m = scratch.machine();
  ProvisionOptions o;
  o.installationGuid = kGuid;
  provisionOrFail(m, o);
  const char* values[][2] = {
      {"SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Properties", "SwitchFile"},
      {"SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Properties", "GUILanguageDefault"},
      {"SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Properties", "TTSLanguageDefault"},
      {"SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Private", "MailStore Type"},
      {"Software\\Tremarc\\SystemParameters\\1.0", "PromptSet"},
      {"Software\\Tremarc\\FailureConv\\1.0", "Failure Conversations Prompt Directory"},
      {"Software\\Tremarc\\DalDb\\1.00", "TmDsAdminProgID"},
      {"Software\\Tremarc\\DOH\\1.00", "Directory Server Name"},
      {"Software\\Tremarc\\DOH\\1.00", "Mail Server Name"},
      {"Software\\Tremarc\\DOH\\1.00", "DalProgID"},
      {"Software\\Tremarc\\DOH\\1.00", "MalProgID"},
      {"Software\\Tremarc\\MalEX\\1.0", "ServerName"},
      {"SOFTWARE\\Tremarc\\ResourceLoader\\1.0\\Variables", "MSGSTORERES"},
      {"Software\\Tremarc\\TmRepDir\\1.0", "History Path File"},
      {"Software\\Tremarc\\CDE\\1.0", "Softkey Config File"},
      {"Software\\Tremarc\\CDE\\1.0", "Script Path"},
      {"Software\\Tremarc\\GAEN", "DataPath"},
      {"Software\\Tremarc\\GAEN", "DefPromptsPath"},
      {"Software\\Tremarc\\GAEN", "LocConfigFile"},
      {"Software\\Tremarc\\MIU\\1.0\\Initialization", "Configuration File Path"},
      {"SOFTWARE\\Tremarc\\QPCA\\Setup", "InstallLocation"},
      {"Software\\Tremarc\\TmRepMgr\\1.0", "Output Path"},
      {"Software\\Tremarc\\TmRepMgr\\1.0", "RPT Path"},
      {"Software\\Tremarc\\OrvixUMR\\1.00", "MTAStoragePath"},
      {"Software\\Tremarc\\OrvixUMR\\1.00", "MTAFailedPath"},
      {"SOFTWARE\\Tremarc\\TmRepDir\\1.0", "History File Path"},
      {"Software\\Tremarc\\TmLogMgr\\1.0", "Help Web Server"},
      {"Software\\Tremarc\\TmLogMgr\\1.0\\Process\\TmCsMgr", "CurrentLogFile"},
      {"Software\\Tremarc\\TmLogMgr\\1.0\\Process\\TmCsMgr", "PreviousLogFile"},
      {"SOFTWARE\\Tremarc\\SystemParameters\\1.0", "CallHandOwnerName"},
  };
  for (const auto& v : values) EXPECT_NE(regText(m, v[0], v[1]), "<missing>") << v[0] << " " << v[1];
  EXPECT_EQ(regDword(m, "SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Properties", "LocationType"), 1);
  EXPECT_EQ(regDword(m, "SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Properties", "LDAPPortNumber"), 389);
  EXPECT_EQ(regDword(m, "SOFTWARE\\Tremarc\\SystemParameters\\1.0", "ExceptionDebug"), 0);
  // Path values lie under the install root, so a restore can rewrite them.
  EXPECT_EQ(regText(m, "Software\\Tremarc\\OrvixUMR\\1.00", "MTAStoragePath"), "C:\\Orvix\\OrvixMTA\\");
  // The branches a restore saves and puts back exist (Domino's only on Domino).
  for (const char* branch : {"SOFTWARE\\Tremarc\\Directory Connectors", "SOFTWARE\\Tremarc\\Notifier",
                             "SOFTWARE\\Tremarc\\ZureVezuza", "SOFTWARE\\Tremarc\\Zurevezuza Setup",
                             "SOFTWARE\\Tremarc\\TmLogMgr", "Software\\Tremarc\\Conversations\\1.0\\ConfidentialMessaging",
                             "software\\Tremarc\\ToolsDepot", "software\\Tremarc\\MIU\\1.0\\Initialization\\Integrations",
                             "Software\\Tremarc\\MsgStoreMonitor", "Software\\Tremarc\\PermissionsWizard",
                             "Software\\Tremarc\\Ruler", "Software\\Tremarc\\TmSkinny",
                             "Software\\Tremarc\\Arbiter\\1.0\\Port Configuration", "SOFTWARE\\Tremarc\\RegStore"})
    EXPECT_TRUE(m.registry().keyExists(Hive::LocalMachine, branch)) << branch;
  EXPECT_FALSE(m.registry().keyExists(Hive::LocalMachine, "SOFTWARE\\Tremarc\\TmCsNodeMgr"));
  EXPECT_TRUE(m.registry().keyExists(Hive::Users, std::string(".DEFAULT\\") + standin::kMessagingProfileKey));
}

TEST(ProvisionRegistry, CallHandlerReferencesNameTheExampleAdministrator) {
  ScratchMachine scratch;
  Machine& m = scratch.machine();
  ProvisionOptions o;
  o.failover = standin::FailoverRole::Secondary;
  provisionOrFail(m, o);
  const std::string ref = regText(m, "SOFTWARE\\Tremarc\\SystemParameters\\1.0", "CallHandOwnerID");
  ASSERT_GT(ref.size(), 5u);
  EXPECT_EQ(ref.substr(0, 5), std::string("\x01\x07") + "01:");
  EXPECT_EQ(queryCount(m, "SELECT COUNT(*) FROM Subscriber WHERE Alias = 'EAdmin' AND SubscriberObjectID = '" +
                              ref.substr(5) + "'"),
            1);
  EXPECT_EQ(regDword(m, "SOFTWARE\\Tremarc\\TmCsNodeMgr\\1.0", "Primary"), 0);
}

TEST(ProvisionMachine, TwoMachinesHaveTheirOwnDirectoryIds) {
  ScratchMachine a, b;
  const auto ra = provisionOrFail(a.machine(), ProvisionOptions{});
  const auto rb = provisionOrFail(b.machine(), ProvisionOptions{});
  EXPECT_NE(ra.systemId, rb.systemId);
  const std::string sql = "SELECT DirectoryID FROM Subscriber WHERE Alias = 'EAdmin'";
  EXPECT_NE(queryRows(a.machine(), sql), queryRows(b.machine(), sql));
}

TEST(ProvisionMachine, RefusesAnInstalledServerUnlessForced) {
  ScratchMachine scratch;
  Machine& m = scratch.machine();
  ProvisionOptions o;
  o.installRoot = "E:\\Old";
  const auto first = provisionOrFail(m, o);
  standin::ProvisionResult r;
  std::string error;
  ProvisionOptions again;
  again.installRoot = "D:\\New";
  EXPECT_FALSE(standin::provisionServer(m, again, r, error));
  EXPECT_NE(error.find("--force"), std::string::npos) << error;
  EXPECT_EQ(regText(m, standin::kRootPathKey, "Root Path"), "E:\\Old\\");
  EXPECT_TRUE(scratch.files().folderExists("E:\\Old\\Stream Files"));

  again.force = true;
  ASSERT_TRUE(standin::provisionServer(m, again, r, error)) << error;
  EXPECT_NE(r.systemId, first.systemId);
  EXPECT_EQ(regText(m, standin::kRootPathKey, "Root Path"), "D:\\New\\");
  EXPECT_FALSE(scratch.files().exists("E:\\Old"));
  EXPECT_EQ(queryCount(m, "SELECT COUNT(*) FROM Subscriber"), 4);
  EXPECT_EQ(queryRows(m, "SELECT Value FROM OrvixSetupParameters WHERE Name = '@SystemId'"),
            (std::vector<std::string>{r.systemId}));
}

TEST(ProvisionMachine, ForcedReplacementRefusesADatabaseInUse) {
  ScratchMachine scratch;
  Machine& m = scratch.machine();
  const auto first = provisionOrFail(m, ProvisionOptions{});
  data::Connection holder(m);
  holder.open(standin::localDatabaseConnection("OrvixDB"));
  ProvisionOptions o;
  o.force = true;
  standin::ProvisionResult r;
  std::string error;
  EXPECT_FALSE(standin::provisionServer(m, o, r, error));
  EXPECT_FALSE(error.empty());
  holder.close();
  EXPECT_EQ(regText(m, standin::kRootPathKey, "Root Path"), first.installRoot);
}

TEST(ProvisionMachine, FailureLeavesNothingHalfInstalled) {
  ScratchMachine scratch;
  Machine& m = scratch.machine();
  // A file where the install root's folder must go.
  ASSERT_TRUE(scratch.files().writeAll("C:\\Orvix", "in the way"));
  standin::ProvisionResult r;
  std::string error;
  EXPECT_FALSE(standin::provisionServer(m, ProvisionOptions{}, r, error));
  EXPECT_NE(error.find("C:\\Orvix"), std::string::npos) << error;
  EXPECT_FALSE(standin::serverInstalled(m));
  EXPECT_FALSE(data::SqlInstance(m).exists("ReportDB"));
  EXPECT_FALSE(Services(m).find("TmCsMgr"));
}

TEST(ProvisionMachine, BadOptionsChangeNothing) {
  ScratchMachine scratch;
  Machine& m = scratch.machine();
  ProvisionOptions o;
  o.installRoot = "Z:\\tmp\\orvix";
  standin::ProvisionResult r;
  std::string error;
  EXPECT_FALSE(standin::provisionServer(m, o, r, error));
  EXPECT_NE(error.find("Z:"), std::string::npos);
  EXPECT_FALSE(standin::serverInstalled(m));
  EXPECT_EQ(m.value("ComputerName"), "");
}

// The command itself: options reach the installation, and --help lists every
// option.
std::string runStandin(const std::string& args, int& status) {
  std::string out;
  FILE* p = popen((ScratchMachine::tool("standin") + " " + args + " 2>&1").c_str(), "r");
  if (!p) return out;
  char buf[512];
  while (std::fgets(buf, sizeof buf, p)) out += buf;
  status = pclose(p);
  return out;
}

TEST(ProvisionCommand, ProvisionsFromTheCommandLine) {
  ScratchMachine scratch;
  scratch.activate();
  int status = -1;
  const std::string out = runStandin(
      "provision --computer oldsrv --root 'F:\\Voice Mail' --version '4.0(2.122)' --mailstore domino --language DEU",
      status);
  ASSERT_EQ(status, 0) << out;
  Machine& m = scratch.machine();
  EXPECT_EQ(m.computerName(), "OLDSRV");
  EXPECT_EQ(regText(m, standin::kRootPathKey, "Root Path"), "F:\\Voice Mail\\");
  EXPECT_EQ(regDword(m, "Software\\Tremarc", "Build Number"), 0x0002007A);
  EXPECT_EQ(regText(m, standin::kSetupPropertiesKey, "TUILanguageDefault"), "DEU");
  EXPECT_EQ(m.value("UserDefaultLangID"), "1031");
  const std::string refused = runStandin("provision", status);
  EXPECT_NE(status, 0);
  EXPECT_NE(refused.find("--force"), std::string::npos) << refused;
  const std::string bad = runStandin("provision --force --mailstore exchange2007", status);
  EXPECT_NE(status, 0);
  EXPECT_NE(bad.find("exchange2007"), std::string::npos) << bad;
  EXPECT_EQ(m.computerName(), "OLDSRV");
}

TEST(ProvisionCommand, HelpDocumentsEveryOption) {
  int status = -1;
  const std::string help = runStandin("--help", status);
  EXPECT_EQ(status, 0);
  for (const char* option : {"provision [OPTIONS]", "--computer NAME", "--root PATH", "--version TEXT",
                             "--mailstore KIND", "--language CODE", "--failover ROLE", "--installation-guid",
                             "--force", "populate [OPTIONS]", "--subscribers N", "--seed S", "--messages M"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace vrel::test
