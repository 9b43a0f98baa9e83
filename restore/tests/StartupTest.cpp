// Form_Load on provisioned servers of every version and mail store the
// start-up tells apart, and on servers it must refuse.
#include "platform/Services.h"
#include "platform/WinPath.h"
#include "platform/data/SqlInstance.h"
#include "restore/run/WorkStationInfo.h"
#include "restore/tests/StartupFixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vrel::test {
namespace {

using namespace startup;

using restore::ProgramEnd;
using standin::MailStoreKind;

constexpr const char* kTooOld =
    "This utility only works with Orvix 3.1(1) and later or on servers with the Voreriza Zedir Odorozodu from Orvix "
    "5.0(1) and later.";
constexpr const char* kDominoPartner =
    "Be sure your partner Domino server is up and running before proceeding with the restore.";
constexpr const char* kDominoTooOld =
    "This tool only works with Exchange 5.5 or Exchange 2000/2003 as the Orvix message back end for versions of "
    "Orvix prior to 4.0(3).  Domino support requires Orvix 4.0(3) or later.  Exiting";
constexpr const char* kNotRunning =
    "Orvix is not up and running properly.  Please make sure the local installation of Orvix is clean and "
    "functioning properly then start it up and run the Vrel restore again.  See the help file for more "
    "information.";
constexpr const char* kNoLocation =
    "No location objets found in Location table in OrvixDB in SQL.  This means the local installation did not "
    "complete properly and is not fully functional.  See the help file for more details.  Exiting.";
constexpr const char* kNoDirectoryId =
    "The DirectoryID value for the primary location in the Location table in SQL has not been populated.  This "
    "means the syncronization to the directory during the setup failed or that the configuration setup has not "
    "been completed.  The local installation is not complete and clean, exiting.";
constexpr const char* kNoMailboxStore =
    "Error!  The MailboxStore table is empty - the current installation is not fully functional and the restore "
    "will not work properly.  Exiting restore.";
constexpr const char* kNoConnection =
    "Could not connect to Location table in OrvixDB in SQL.  This means the local installation did not complete "
    "properly or you are not running Vrel with an account that is a member of the local admins group that has "
    "read/write access to SQL.  Exiting";
constexpr const char* kZacOnly =
    "You have selected to run Vrel restore with one or more ZAC-only command line options.  These options are not "
    "supported without ZAC supervision and you should not be using them unless instructed to do so by a ZAC "
    "engineer.";
constexpr const char* kExchange2007 =
    "There are Exchange 2007 mailstores active in the current installation - Vrel cannot create new users against "
    "2007 mailstores so please make sure all users being restored that are tied to a 2007 mailstore are already "
    "created.  Message restore with ExMerge is also not supported by Microsoft against Exchange 2007.  Message "
    "restore options will be disabled.";
constexpr const char* kRemote =
    "CAUTION!  You are running in a WTS session, please note that paths to the backup files should be entered in "
    "full UNC format - do not try to use mapped drive letters.";
constexpr const char* kUgly =
    "Doing an 'ugly restore' based on command line option - be sure you know what you're doing, this is not "
    "supported.";
constexpr const char* kIvcNoPath =
    "IVC install detected but no path for the aging service MDB file.  Vrel can only import the aging service "
    "certivicates into an IVC installation.";
constexpr const char* kIvcNoFile =
    "IVC install detected but the aging service MDB file was not found.  Vrel can only import the aging service "
    "certivicates into an IVC installation.";

using Strings = std::vector<std::string>;

class StartupTest : public StartupFixture {};

// A database tweak made after provisioning.
struct VersionRow {
  const char* name;
  const char* version;
  const char* tweak;  // SQL run on the new server first, or null
  std::optional<ProgramEnd> end;
  Strings boxes;
};

class StartupVersionTest : public StartupFixture, public ::testing::WithParamInterface<VersionRow> {};

// Which query start-up makes is seen through the views: an empty view next
// to a full table tells the two apart.
constexpr const char* kEmptyLocationView =
    "DROP VIEW vw_Location; CREATE VIEW vw_Location AS SELECT * FROM Location WHERE 1 = 0";

TEST_P(StartupVersionTest, RefusesOrAcceptsTheInstalledServer) {
  const VersionRow& row = GetParam();
  provision(row.version);
  if (row.tweak) sql(row.tweak);
  EXPECT_EQ(load(), row.end);
  EXPECT_EQ(boxTexts(), row.boxes);
  EXPECT_FALSE(offered("cmdRestore")) << "nothing to restore before a folder is chosen";
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, StartupVersionTest,
    ::testing::Values(
        VersionRow{"Major2", "2.9(9.99)", nullptr, ProgramEnd::Refused, {kTooOld}},
        VersionRow{"Below31", "3.0(9.99)", nullptr, ProgramEnd::Refused, {kTooOld}},
        VersionRow{"Exactly31", "3.1(0.0)", nullptr, std::nullopt, {}},
        VersionRow{"TableBelow4_0_2_22", "4.0(2.21)", kEmptyLocationView, std::nullopt, {}},
        VersionRow{"ViewFrom4_0_2_22", "4.0(2.22)", kEmptyLocationView, ProgramEnd::Refused, {kNoLocation}},
        VersionRow{"MailboxStoreNotAskedBelow4_0_4_1", "4.0(4.0)", "DELETE FROM MailboxStore", std::nullopt, {}},
        VersionRow{"MailboxStoreFrom4_0_4_1", "4.0(4.1)", "DELETE FROM MailboxStore", ProgramEnd::Refused,
                   {kNoMailboxStore}},
        VersionRow{"NoLocation", "4.0(3.15)", "DELETE FROM Location", ProgramEnd::Refused, {kNoLocation}},
        VersionRow{"DirectoryIdOneCharacter", "4.0(3.15)", "UPDATE Location SET DirectoryID = 'x'",
                   ProgramEnd::Refused, {kNoDirectoryId}},
        VersionRow{"DirectoryIdNull", "4.0(3.15)", "UPDATE Location SET DirectoryID = NULL", ProgramEnd::Refused,
                   {kNoDirectoryId}},
        VersionRow{"DirectoryIdTwoCharacters", "4.0(3.15)", "UPDATE Location SET DirectoryID = 'xy'", std::nullopt,
                   {}},
        VersionRow{"LocationUnreadable", "4.0(3.15)", "DROP VIEW vw_Location", ProgramEnd::Refused, {kNoConnection}},
        VersionRow{"Exchange2007NotAskedBelow5", "4.0(4.54)", "UPDATE MailboxStore SET MailstoreType = 2",
                   std::nullopt, {}},
        VersionRow{"Exchange2007From5", "5.0(0.0)", "UPDATE MailboxStore SET MailstoreType = 2", std::nullopt,
                   {kExchange2007}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartupTest, Exchange2007StoreTurnsTheMessageRestoreOff) {
  provision("5.0(1.0)");
  sql("UPDATE MailboxStore SET MailstoreType = 2");
  box.start();
  box.form().setValue("chkRestoreMessages", 1);
  EXPECT_EQ(box.event([&] { box.form().Form_Load(); }), std::nullopt);
  EXPECT_EQ(ticked("chkRestoreMessages"), 0);
  EXPECT_FALSE(offered("chkRestoreMessages"));
}

TEST_F(StartupTest, SetsTheRunValuesOfAWorkingServer) {
  provision("4.0(3.15)");
  EXPECT_EQ(load(), std::nullopt);
  restore::Program& p = box.program();
  EXPECT_EQ(p.module1.localVersionInfo.VersionText, "4.0(3.15)");
  EXPECT_EQ(p.computerName, "ORVIX01");
  EXPECT_EQ(p.connectionString,
            "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=OrvixDb;Data "
            "Source=ORVIX01");
  EXPECT_EQ(WinPaths::currentFolder(), RestoreMachine::kProgramFolder);
  EXPECT_EQ(control("cmdBrowse").caption, "Browse") << "captions come from the string table";
  EXPECT_FALSE(offered("chkRestoreCertificates")) << "no folder, no certificate backup";
  EXPECT_FALSE(offered("mnuRestoreCertificates")) << "the menu comes with 5.0(0.10)";
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(StartupTest, CertificateMenuFrom5_0_0_10) {
  for (const auto& [version, menu] : {std::pair{"5.0(0.9)", false}, std::pair{"5.0(0.10)", true}}) {
    RestoreMachine other;
    standin::ProvisionOptions options;
    options.version = versionOf(version);
    other.provision(options);
    other.start();
    EXPECT_EQ(other.event([&] { other.form().Form_Load(); }), std::nullopt) << version;
    EXPECT_EQ(other.form().control("mnuRestoreCertificates").enabled, menu) << version;
  }
}

struct KindRow {
  const char* name;
  MailStoreKind provisioned;
  const char* idcProgId;  // written over the provisioned one, or null
  std::int16_t kind;
};

class StartupMailStoreTest : public StartupFixture, public ::testing::WithParamInterface<KindRow> {};

TEST_P(StartupMailStoreTest, ReadsTheMailStoreKindFromTheDirectoryConnector) {
  const KindRow& row = GetParam();
  provision("4.0(3.80)", row.provisioned);
  if (row.idcProgId) {
    ASSERT_EQ(box.machine().registry().setValue(Hive::LocalMachine, "SOFTWARE\\Tremarc\\SystemParameters\\1.0",
                                                RegValue::text("IDCProgID", row.idcProgId)),
              kRegOk);
  }
  EXPECT_EQ(load(), std::nullopt);
  EXPECT_EQ(box.program().mailStoreKind, row.kind);
}

INSTANTIATE_TEST_SUITE_P(
    Connectors, StartupMailStoreTest,
    ::testing::Values(KindRow{"Domino", MailStoreKind::Domino, nullptr, restore::kMailStoreDomino},
                      KindRow{"DominoAnyCase", MailStoreKind::Domino, "tmdsdomino.TMIDCDOMINO.1",
                              restore::kMailStoreDomino},
                      KindRow{"Exchange55", MailStoreKind::Exchange55, nullptr, restore::kMailStoreExchange55},
                      KindRow{"ActiveDirectory", MailStoreKind::Exchange2000, nullptr,
                              restore::kMailStoreExchange2000},
                      KindRow{"OlderActiveDirectoryConnector", MailStoreKind::Exchange2000, "tmdsad.tmdsad.1",
                              restore::kMailStoreExchange2000},
                      KindRow{"UnknownConnectorIsExchange55", MailStoreKind::Exchange2000, "Other.Connector.1",
                              restore::kMailStoreExchange55}),
    [](const auto& info) { return std::string(info.param.name); });

// Domino: the directory COM server is registered with regsvr32 for
// 4.0(3.0) up to 4.0(3.80), where setup started doing it itself.
struct DominoRow {
  const char* name;
  const char* version;
  bool registered;
};

class StartupDominoTest : public StartupFixture, public ::testing::WithParamInterface<DominoRow> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(testModule("RegisterProbe"))) << testModule("RegisterProbe");
    setenv("VREL_PROBE_LOG", probeLog.c_str(), 1);
  }
  void TearDown() override { unsetenv("VREL_PROBE_LOG"); }
  std::string probeCalls() {
    std::ifstream in(probeLog);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  TempDir tmp;
  std::string probeLog = tmp.path() + "/probe.log";
};

TEST_P(StartupDominoTest, RegistersTheDirectoryServerWhereSetupDoesNot) {
  const DominoRow& row = GetParam();
  provision(row.version, MailStoreKind::Domino);
  restore::frmMain& form = box.start();
  ASSERT_TRUE(box.files().copyFile(box.files().paths().toWindows(testModule("RegisterProbe")),
                                   "C:\\Vrel\\VrelDOMSvr.DLL", true));
  EXPECT_EQ(box.event([&] { form.Form_Load(); }), std::nullopt);
  EXPECT_EQ(boxTexts(), Strings{kDominoPartner});
  waitForMachineProcesses();
  EXPECT_EQ(probeCalls(), row.registered ? "DllRegisterServer\n" : "");
}

INSTANTIATE_TEST_SUITE_P(Boundaries, StartupDominoTest,
                         ::testing::Values(DominoRow{"From4_0_3_0", "4.0(3.0)", true},
                                           DominoRow{"Below4_0_3_80", "4.0(3.79)", true},
                                           DominoRow{"NotFrom4_0_3_80", "4.0(3.80)", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartupTest, DominoBefore4_0_3_IsRefusedAfterThePartnerReminder) {
  provision("4.0(2.99)", MailStoreKind::Domino);
  EXPECT_EQ(load(), ProgramEnd::Refused);
  EXPECT_EQ(boxTexts(), (Strings{kDominoPartner, kDominoTooOld}));
}

TEST_F(StartupTest, AServerThatDoesNotRunIsRefused) {
  provision("4.0(3.15)");
  std::string error;
  ASSERT_TRUE(Services(box.machine()).setState("TmCsMgr", ServiceState::Stopped, error)) << error;
  EXPECT_EQ(load(), ProgramEnd::Refused);
  EXPECT_EQ(boxTexts(), Strings{kNotRunning});
}

TEST_F(StartupTest, AControlObjectThatCannotBeCreatedCountsAsNotRunning) {
  provision("4.0(3.15)");
  box.machine().setValue("ControlObjectFails", "1");
  EXPECT_EQ(load(), ProgramEnd::Refused);
  EXPECT_EQ(boxTexts(), Strings{kNotRunning});
}

TEST_F(StartupTest, ADatabaseThatCannotBeOpenedEndsWithTheConnectionMessage) {
  provision("4.0(3.15)");
  std::string error;
  ASSERT_TRUE(data::SqlInstance(box.machine()).dropDatabase("OrvixDB", error)) << error;
  EXPECT_EQ(load(), ProgramEnd::Refused);
  EXPECT_EQ(boxTexts(), Strings{kNoConnection});
}

TEST_F(StartupTest, UglyRestoreSkipsTheChecksOfTheInstallation) {
  provision("4.0(3.15)");
  std::string error;
  ASSERT_TRUE(Services(box.machine()).setState("TmCsMgr", ServiceState::Stopped, error)) << error;
  sql("DELETE FROM Location");
  EXPECT_EQ(load("/xuglyrestorex"), std::nullopt);
  EXPECT_EQ(boxTexts(), Strings{kUgly});
  EXPECT_FALSE(box.program().connectionString.empty()) << "the connection string is built before";
}

struct SwitchRow {
  const char* name;
  const char* commandLine;
  bool warned;
};

class StartupSwitchTest : public StartupFixture, public ::testing::WithParamInterface<SwitchRow> {};

TEST_P(StartupSwitchTest, WarnsAboutSupervisedOptions) {
  provision("4.0(3.15)");
  EXPECT_EQ(load(GetParam().commandLine), std::nullopt);
  EXPECT_EQ(boxTexts(), GetParam().warned ? Strings{kZacOnly} : Strings{});
}

INSTANTIATE_TEST_SUITE_P(Switches, StartupSwitchTest,
                         ::testing::Values(SwitchRow{"None", "", false}, SwitchRow{"Debug", "debug", false},
                                           SwitchRow{"DirtyRestore", "DirtyRestore", true},
                                           SwitchRow{"PauseInsideOtherText", "-xpauseaftersqlrestorex", true},
                                           SwitchRow{"SkipVersionCheckAnyCase", "debug SKIPVERSIONCHECK", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartupTest, WarnsInARemoteDesktopSession) {
  provision("4.0(3.15)");
  box.machine().setValue("SessionName", "RDP-Tcp#3");
  EXPECT_EQ(load(), std::nullopt);
  EXPECT_EQ(boxTexts(), Strings{kRemote});
}

TEST_F(StartupTest, ClearsReadOnlyFilesOfTheProgramFolderButNotBelowIt) {
  provision("4.0(3.15)");
  restore::frmMain& form = box.start();
  Files& files = box.files();
  for (const char* f : {"C:\\Vrel\\ConfigInfo.mdb", "C:\\Vrel\\Sub\\kept.txt"}) {
    ASSERT_TRUE(files.createFolder(winParent(f)));
    ASSERT_TRUE(files.writeAll(f, "x"));
    ASSERT_TRUE(files.setReadOnly(f, true));
  }
  EXPECT_EQ(box.event([&] { form.Form_Load(); }), std::nullopt);
  EXPECT_FALSE(files.isReadOnly("C:\\Vrel\\ConfigInfo.mdb"));
  EXPECT_TRUE(files.isReadOnly("C:\\Vrel\\Sub\\kept.txt"));
}

// A machine with only the voice connector: no server version, the aging
// service's certificate database named in the registry.
class VoiceConnectorStartupTest : public StartupFixture {
 protected:
  void SetUp() override {
    Registry& reg = box.machine().registry();
    ASSERT_EQ(reg.createKey(Hive::LocalMachine, "Software\\Tremarc\\TmIvc"), kRegOk);
    ASSERT_EQ(reg.setValue(Hive::LocalMachine, "Software\\Tremarc\\TmIvc",
                           RegValue::text("SmtpPickupPath", "C:\\IVC\\Pickup")),
              kRegOk);
    ASSERT_EQ(reg.createKey(Hive::LocalMachine, kAgingKey), kRegOk);
  }
  void nameDatabase(const std::string& path) {
    ASSERT_EQ(box.machine().registry().setValue(Hive::LocalMachine, kAgingKey,
                                                RegValue::text("AccessDbFileName", path)),
              kRegOk);
  }
  static constexpr const char* kAgingKey = "SOFTWARE\\Tremarc\\QxMessageAgingSvc\\1.0";
};

TEST_F(VoiceConnectorStartupTest, NoDatabaseNamedIsRefused) {
  EXPECT_EQ(load(), ProgramEnd::Refused);
  EXPECT_EQ(boxTexts(), Strings{kIvcNoPath});
}

TEST_F(VoiceConnectorStartupTest, MissingDatabaseIsRefused) {
  nameDatabase("C:\\IVC\\MDBCertificate.MDB");
  EXPECT_EQ(load(), ProgramEnd::Refused);
  EXPECT_EQ(boxTexts(), Strings{kIvcNoFile});
}

TEST_F(VoiceConnectorStartupTest, WithItsDatabaseStartUpEndsAndWaitsForTheCertificateRestore) {
  ASSERT_TRUE(box.files().createFolder("C:\\IVC"));
  ASSERT_TRUE(box.files().writeAll("C:\\IVC\\MDBCertificate.MDB", "mdb"));
  nameDatabase("C:\\IVC\\MDBCertificate.MDB");
  EXPECT_EQ(load(), std::nullopt) << "no server, no services, no database: none of it is asked";
  EXPECT_TRUE(boxTexts().empty());
  EXPECT_TRUE(box.program().module1.localVersionInfo.bIVCInstall);
  EXPECT_TRUE(box.program().connectionString.empty());
  EXPECT_FALSE(offered("cmdRestore"));
}

TEST(WorkStationInfoTest, ReadsTheMachineOnlyOnAnNtFamilySystem) {
  ScratchMachine m;
  for (const auto& [name, value] : {std::pair{"ComputerName", "ORVIX01"}, std::pair{"LanGroup", "ORVIX"},
                                    std::pair{"UserName", "Administrator"}, std::pair{"LogonDomain", "CORP"},
                                    std::pair{"OtherDomains", "LAB"}, std::pair{"LogonServer", "\\\\DC1"},
                                    std::pair{"LanRoot", "C:\\WINDOWS"}})
    m.machine().setValue(name, value);
  const restore::WorkStationInfo nt(m.machine());
  EXPECT_EQ(nt.Platform(), "500") << "a machine that names no platform is NT";
  EXPECT_EQ(nt.ComputerName(), "ORVIX01");
  EXPECT_EQ(nt.LanGroup(), "ORVIX");
  EXPECT_EQ(nt.UserName(), "Administrator");
  EXPECT_EQ(nt.LogonDomain(), "CORP");
  EXPECT_EQ(nt.OtherDomains(), "LAB");
  EXPECT_EQ(nt.LogonServer(), "\\\\DC1");
  EXPECT_EQ(nt.LanRoot(), "C:\\WINDOWS");
  EXPECT_EQ(nt.OsVersion(), "5.2");
  EXPECT_EQ(nt.LoggedOnUsers(), "1");
  m.machine().setValue("Platform", "400");
  const restore::WorkStationInfo other(m.machine());
  for (const std::string& v : {other.Platform(), other.ComputerName(), other.LanGroup(), other.UserName(),
                               other.LogonServer(), other.OsVersion()})
    EXPECT_EQ(v, "");
}

}  // namespace
}  // namespace vrel::test
