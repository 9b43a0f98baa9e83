#include "platform/Text.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "restore/tests/ProvisionedRun.h"
#include "standin/server/ProvisionOptions.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace vrel::test {
namespace {

using data::Variant;
using restore::ProgramEnd;
using standin::MailStoreKind;
using standin::ServerVersion;

constexpr ServerVersion kV5 = {5, 0, 1, 0};
constexpr ServerVersion kBeforeConfigCopy = {4, 0, 3, 121};
constexpr ServerVersion kConfigCopyOnly = {4, 0, 3, 122};
constexpr const char* kProgram = "C:\\Vrel\\";
constexpr const char* kConfigInfo = "C:\\Vrel\\ConfigInfo.mdb";
constexpr const char* kJet = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Vrel\\ConfigInfo.mdb";

const std::vector<std::string> kAlwaysExported = {
    "PreRestoreTMRegistryBranch.reg",
    "TempDirectoryConnectorsRegBranch.reg",
    "TempNotifierRegBranch.reg",
    "TempZureVezuzaRegBranch.reg",
    "TempZureVezuzaSetupRegBranch.reg",
    "TempTmLogMgrRegBranchFile.reg",
    "TempConfidentialMessagingRegBranch.reg",
    "TempToolsDepotBranchFile.reg",
    "TempMIUIntegrationBranchFile.reg",
    "TempMessageStoreMonitorBranchFile.reg",
    "TempPermWizBranchFile.reg",
    "TempRulerBranchFile.reg",
    "TempTmSkinnyBranchFile.reg",
    "TempArbiterPortConfigBranchFile.reg",
};

class BackupLocalConfigurationTest : public ProvisionedRun {
 public:
  data::Connection& sql() {
    if (!m_sql) {
      m_sql = std::make_unique<data::Connection>(rm.machine());
      m_sql->open(rm.program().connectionString);
    }
    return *m_sql;
  }

 protected:
  // The .reg files and .mdb files of the program folder.
  std::set<std::string> programFiles() {
    std::vector<DirEntry> all;
    EXPECT_TRUE(rm.files().list(kProgram, all));
    std::set<std::string> out;
    for (const auto& e : all)
      if (ifind(e.name, ".reg") != std::string::npos || ifind(e.name, ".mdb") != std::string::npos) out.insert(e.name);
    return out;
  }
  std::string read(const std::string& path) {
    std::string text;
    EXPECT_TRUE(rm.files().readAll(path, text)) << path;
    return text;
  }
  // A registry file's text (they are UTF-16LE).
  std::string regText(const std::string& file) {
    const std::string raw = read(kProgram + file);
    return utf16leToUtf8(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size());
  }
  // The rows of a Configuration table, one text per row, by NodeID.
  std::vector<std::string> configurationRows(const std::string& connectionString) {
    data::Recordset rs;
    rs.open("SELECT * FROM Configuration ORDER BY NodeID, NodeName", rm.machine(), connectionString,
            data::adOpenStatic);
    std::vector<std::string> out;
    for (; !rs.eof(); rs.moveNext()) {
      std::string row;
      for (long i = 0; i < rs.fieldCount(); ++i) {
        const Variant v = rs.fields(i).value();
        row += rs.fields(i).name() + "=" + (v.isNull() ? "<null>" : v.toString()) + ";";
      }
      out.push_back(row);
    }
    return out;
  }
  std::optional<ProgramEnd> backup(restore::frmMain& form) {
    return rm.event([&] { form.BackupLocalConfigurationData(); });
  }

 private:
  std::unique_ptr<data::Connection> m_sql;
};

TEST_F(BackupLocalConfigurationTest, SavesTheNewServerWithTheExactLines) {
  restore::frmMain& form = begin(server(MailStoreKind::Exchange2000, kV5));
  ASSERT_FALSE(backup(form));

  const auto cmd = [](const char* file, const char* branch) {
    return std::string("regedit /e \"C:\\Vrel\\") + file + "\" \"HKEY_LOCAL_MACHINE\\" + branch + "\"";
  };
  const std::vector<std::string> expected = {
      "    Backing up local configuration data",
      "  BackupConfigData PwDTMF",
      "    Opening ConfigInfo MDB file to hold local configuration data",
      "  BackupConfigData  7 records found in the configuration data table",
      "(warning) ParentNodeID column is null in the ConfigData table.",
      "    Backing up entire Tremarc registry tree with:" + cmd("PreRestoreTMRegistryBranch.reg", "SOFTWARE\\Tremarc"),
      "    Exporting DirectoryConnectors registry branch with: " +
          cmd("TempDirectoryConnectorsRegBranch.reg", "SOFTWARE\\Tremarc\\Directory Connectors"),
      "    Exporting Notifier registry branch with: " + cmd("TempNotifierRegBranch.reg", "SOFTWARE\\Tremarc\\Notifier"),
      "    Exporting ZureVezuza registry branch with: " +
          cmd("TempZureVezuzaRegBranch.reg", "SOFTWARE\\Tremarc\\ZureVezuza"),
      "    Exporting ZurevezuzaSetup registry branch with: " +
          cmd("TempZureVezuzaSetupRegBranch.reg", "SOFTWARE\\Tremarc\\Zurevezuza Setup"),
      "    Exporting TmLogMgr registry branch with: " +
          cmd("TempTmLogMgrRegBranchFile.reg", "SOFTWARE\\Tremarc\\TmLogMgr"),
      "    Exporting Confidential Messaging registry branch with: " +
          cmd("TempConfidentialMessagingRegBranch.reg", "Software\\Tremarc\\Conversations\\1.0\\ConfidentialMessaging"),
      "    Exporting QXCA registry branch with: " + cmd("TempQXCARegBranchFile.reg", "software\\tremarc\\QXCA"),
      "    Exporting tools depot registry branch with: " +
          cmd("TempToolsDepotBranchFile.reg", "software\\Tremarc\\ToolsDepot"),
      "    Exporting MIU Integrations registry branch with: " +
          cmd("TempMIUIntegrationBranchFile.reg", "software\\Tremarc\\MIU\\1.0\\Initialization\\Integrations"),
      "    TMDOM registry branch not found on local install, skipping.",
      "    Exporting message store monitor registry branch with: " +
          cmd("TempMessageStoreMonitorBranchFile.reg", "Software\\Tremarc\\MsgStoreMonitor"),
      "    Exporting permissions wizard registry branch with: " +
          cmd("TempPermWizBranchFile.reg", "Software\\Tremarc\\PermissionsWizard"),
      "    Exporting ruler registry branch with: " + cmd("TempRulerBranchFile.reg", "Software\\Tremarc\\Ruler"),
      "    Exporting TmSkinny registry branch with: " +
          cmd("TempTmSkinnyBranchFile.reg", "Software\\Tremarc\\TmSkinny"),
      "    Exporting arbiter port configuration registry branch with: " +
          cmd("TempArbiterPortConfigBranchFile.reg", "Software\\Tremarc\\Arbiter\\1.0\\Port Configuration"),
      "    Prompt Set Currently In Use=ENU",
      "    Failure Conversation Path=C:\\Orvix\\Localize\\FailureConv\\",
      "    New Message Store ProgID=TmDsADAdmin.TmDsAdmin.1",
      "    DOH Directory Server Name=ORVIX01",
      "    DOH Mail Server Name=ORVIX01",
      "    DAL Prog ID=TmDalDb.TmDal.1",
      "    MAL Prog ID=TmMalEx.TmMal.1",
      "    MalEXServerName=ORVIX01",
      std::string("    New IDCProgID=") + standin::idcProgIdOf(MailStoreKind::Exchange2000),
      "    New MailStoreType=3",
      "    New AccessDBFileName=C:\\Orvix\\Data\\MDBCertificate.MDB",
      "    new MSGSTORERES=EXCHANGE",
      "    No Exchange 55 DirConnector found, pulling LDAP port from Zurevezuza Setup.",
      "    new LDAP port= 389",
      "    Backing up Configuration data from OrvixDB.",
      "    Configuration data backup complete",
      "    Backing up ADDomain data from OrvixDB.",
      "    ADDomain data backup complete",
      "    Backing up the DominoAddressBook table",
      "    DominoAddressBook data backup complete",
  };
  EXPECT_EQ(entries(), expected);
  EXPECT_TRUE(form.ticked("chkBackingupCurrentRegistryValues"));

  const restore::PreservedValues& saved = form.run.preserved;
  EXPECT_EQ(saved.mailServerName, "ORVIX01");
  EXPECT_EQ(saved.msgStoreRes, "EXCHANGE");
  EXPECT_EQ(saved.ldapPort, 389);
  data::Recordset tpl;
  tpl.open("SELECT PwNT, PwDTMF FROM SubscriberTemplate", sql(), data::adOpenStatic);
  EXPECT_EQ(saved.pwDTMF, tpl.fields("PwDTMF").value().toString());
  EXPECT_EQ(saved.pwNT, tpl.fields("PwNT").value().toString());

  EXPECT_EQ(configurationRows(kJet), configurationRows(rm.program().connectionString));
  EXPECT_NE(ifind(regText("TempRulerBranchFile.reg"), "\\Tremarc\\Ruler\\1.0]"), std::string::npos);
  for (const char* bcp : {"ConfigDBBackup.txt", "ADDomainDBBackup.txt", "DominoAddressBookDBBackup.txt"})
    EXPECT_EQ(read(std::string(kBackup) + bcp).substr(0, 8), "VRELBCP1") << bcp;
}

struct ServerCase {
  friend void PrintTo(const ServerCase& c, std::ostream* os) { *os << c.name; }
  const char* name;
  MailStoreKind kind;
  ServerVersion version;
  std::vector<std::string> alsoExported;  // besides kAlwaysExported
  std::vector<std::string> absentLines;
  bool configInfo;  // ConfigInfo.mdb made, Configuration and ADDomain copied
  bool addressBookCopied;
  const char* ldapLine;
};

class ServerKindTest : public BackupLocalConfigurationTest, public ::testing::WithParamInterface<ServerCase> {};

TEST_P(ServerKindTest, ExportsWhatTheServerHas) {
  const ServerCase& c = GetParam();
  restore::frmMain& form = begin(server(c.kind, c.version));
  ASSERT_FALSE(backup(form));

  std::set<std::string> files(kAlwaysExported.begin(), kAlwaysExported.end());
  files.insert(c.alsoExported.begin(), c.alsoExported.end());
  files.insert("CleanConfigInfo.mdb");
  if (c.configInfo) files.insert("ConfigInfo.mdb");
  EXPECT_EQ(programFiles(), files);

  for (const auto& line : c.absentLines) EXPECT_TRUE(logged(line)) << line;
  EXPECT_EQ(rm.files().exists(std::string(kBackup) + "ConfigDBBackup.txt"), c.configInfo);
  EXPECT_EQ(rm.files().exists(std::string(kBackup) + "ADDomainDBBackup.txt"), c.configInfo);
  EXPECT_EQ(rm.files().exists(std::string(kBackup) + "DominoAddressBookDBBackup.txt"), c.addressBookCopied);
  EXPECT_EQ(logged("    Backing up Configuration data from OrvixDB."), c.configInfo);
  EXPECT_TRUE(logged(c.ldapLine));
  EXPECT_EQ(logged("    MalEXServerName=" + rm.machine().computerName()), c.kind != MailStoreKind::Domino);
  EXPECT_TRUE(errorLines().empty()) << errorLines().front();
}

INSTANTIATE_TEST_SUITE_P(
    Servers, ServerKindTest,
    ::testing::Values(ServerCase{"Domino_5_0",
                                 MailStoreKind::Domino,
                                 kV5,
                                 {"TempQXCARegBranchFile.reg", "TempTMDOMRegBranchFile.reg", "TempMalLnBranchFile.reg"},
                                 {},
                                 true,
                                 true,
                                 "    No Exchange 55 DirConnector found, pulling LDAP port from Zurevezuza Setup."},
                      ServerCase{
                          "Exchange55BeforeTheConfigurationCopy",
                          MailStoreKind::Exchange55,
                          kBeforeConfigCopy,
                          {},
                          {"    QXCA Registry branch not found on local install, skipping.",
                           "    TMDOM registry branch not found on local install, skipping."},
                          false,
                          false,
                          "    Exchange 55 directory connector found, pulling LDAP from DirSynchEx55 registry key"},
                      ServerCase{"Exchange2000WithoutTheAddressBookCopy",
                                 MailStoreKind::Exchange2000,
                                 kConfigCopyOnly,
                                 {},
                                 {"    QXCA Registry branch not found on local install, skipping."},
                                 true,
                                 false,
                                 "    No Exchange 55 DirConnector found, pulling LDAP port from Zurevezuza Setup."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BackupLocalConfigurationTest, RunningTwiceLeavesTheSameFiles) {
  restore::frmMain& form = begin(server(MailStoreKind::Exchange2000, kV5));
  ASSERT_FALSE(backup(form));
  const auto files = programFiles();
  std::map<std::string, std::string> regs;
  for (const auto& f : files)
    if (ifind(f, ".reg") != std::string::npos) regs[f] = read(kProgram + f);
  const auto rows = configurationRows(kJet);
  // A previous run's file of a branch the server no longer has, read-only.
  ASSERT_EQ(rm.machine().registry().deleteTree(Hive::LocalMachine, "Software\\Tremarc\\Ruler"), kRegOk);
  ASSERT_TRUE(rm.files().setReadOnly("C:\\Vrel\\TempRulerBranchFile.reg", true));
  regs.erase("TempRulerBranchFile.reg");
  // And a previous run's dump of a table whose dump now fails, read-only.
  const std::string domains = std::string(kBackup) + "ADDomainDBBackup.txt";
  sql().execute("DROP TABLE ADDomain");
  ASSERT_TRUE(rm.files().setReadOnly(domains, true));

  ASSERT_FALSE(backup(form));
  EXPECT_FALSE(rm.files().exists(domains)) << "the old dump must not survive to be loaded by the fix-ups";

  auto expectedFiles = files;
  expectedFiles.erase("TempRulerBranchFile.reg");
  EXPECT_EQ(programFiles(), expectedFiles) << "the old Ruler file must not survive to be imported later";
  for (const auto& [f, text] : regs)
    if (f != "PreRestoreTMRegistryBranch.reg") {
      EXPECT_EQ(read(kProgram + f), text) << f;
    }
  EXPECT_EQ(configurationRows(kJet), rows) << "the copy is made afresh, not appended to";
  EXPECT_TRUE(logged("    ruler Registry branch not found on local install, skipping."));
}

struct TemplateCase {
  friend void PrintTo(const TemplateCase& c, std::ostream* os) { *os << c.name; }
  const char* name;
  const char* sql;
};

class TemplateRowTest : public BackupLocalConfigurationTest, public ::testing::WithParamInterface<TemplateCase> {};

TEST_P(TemplateRowTest, NotExactlyOneDefaultTemplateOnlyLogsTheError) {
  restore::frmMain& form = begin(server(MailStoreKind::Exchange2000, kV5));
  sql().execute(GetParam().sql);
  ASSERT_FALSE(backup(form));
  EXPECT_EQ(errorLines(), std::vector<std::string>{
                              "(error) could not find entry for DefaultSubscriber in the SubscriberTemplate table."});
  EXPECT_FALSE(logged("  BackupConfigData PwDTMF"));
  EXPECT_EQ(form.run.preserved.pwDTMF, "");
  EXPECT_EQ(form.run.preserved.pwNT, "");
  EXPECT_TRUE(rm.files().exists("C:\\Vrel\\TempRulerBranchFile.reg")) << "the procedure goes on";
}

INSTANTIATE_TEST_SUITE_P(Rows, TemplateRowTest,
                         ::testing::Values(TemplateCase{"Missing", "DELETE FROM SubscriberTemplate"},
                                           TemplateCase{"Twice",
                                                        "INSERT INTO SubscriberTemplate (Alias, PwNT, PwDTMF) "
                                                        "VALUES ('DefaultTemplate', 'x', '1')"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LdapCase {
  friend void PrintTo(const LdapCase& c, std::ostream* os) { *os << c.name; }
  const char* name;
  MailStoreKind kind;
  std::function<void(Registry&)> change;
  std::int32_t port;
  const char* portLine;
};

class LdapPortTest : public BackupLocalConfigurationTest, public ::testing::WithParamInterface<LdapCase> {};

TEST_P(LdapPortTest, PortComesFromTheConnectorOrSetup) {
  restore::frmMain& form = begin(server(GetParam().kind, kV5));
  GetParam().change(rm.machine().registry());
  ASSERT_FALSE(backup(form));
  EXPECT_EQ(form.run.preserved.ldapPort, GetParam().port);
  EXPECT_TRUE(logged(GetParam().portLine));
}

constexpr const char* kSetupProperties = "SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Properties";
constexpr const char* kEx55Server = "SOFTWARE\\Tremarc\\Directory Connectors\\DirSynchEx55\\1.00\\Server";

INSTANTIATE_TEST_SUITE_P(
    Sources, LdapPortTest,
    ::testing::Values(
        LdapCase{"SetupValueMissingGives389", MailStoreKind::Exchange2000,
                 [](Registry& r) {
                   ASSERT_EQ(r.deleteValue(Hive::LocalMachine, kSetupProperties, "LDAPPortNumber"), kRegOk);
                 },
                 389, "    new LDAP port= 389"},
        LdapCase{"SetupValue", MailStoreKind::Exchange2000,
                 [](Registry& r) {
                   ASSERT_EQ(r.setValue(Hive::LocalMachine, kSetupProperties, RegValue::dword("LDAPPortNumber", 3268)),
                             kRegOk);
                 },
                 3268, "    new LDAP port= 3268"},
        LdapCase{"Exchange55ConnectorWins", MailStoreKind::Exchange55,
                 [](Registry& r) {
                   ASSERT_EQ(r.setValue(Hive::LocalMachine, kEx55Server, RegValue::dword("LDAP Port", 1389)), kRegOk);
                   ASSERT_EQ(r.setValue(Hive::LocalMachine, kSetupProperties, RegValue::dword("LDAPPortNumber", 3268)),
                             kRegOk);
                 },
                 1389, "    new LDAP port= 1389"},
        LdapCase{"Exchange55ConnectorWithoutPortGives389", MailStoreKind::Exchange55,
                 [](Registry& r) { ASSERT_EQ(r.deleteValue(Hive::LocalMachine, kEx55Server, "LDAP Port"), kRegOk); },
                 389, "    new LDAP port= 389"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BackupLocalConfigurationTest, NullColumnsAreWarnedAboutAndLeftUnset) {
  restore::frmMain& form = begin(server(MailStoreKind::Exchange2000, kV5));
  sql().execute("INSERT INTO Configuration (NodeValue, LastModifiedTime) VALUES ('orphan', '2024-05-06 07:08:09')");
  sql().execute("UPDATE Configuration SET msrepl_tran_version = NULL WHERE NodeValue = 'orphan'");
  ASSERT_FALSE(backup(form));

  std::vector<std::string> warnings;
  for (const auto& e : entries())
    if (e.find("(warning)") != std::string::npos) warnings.push_back(e);
  const std::vector<std::string> expected = {
      "(warning) ParentNodeID column is null in the ConfigData table.",  // the root node
      "(warning) NodeID column is null in the ConfigData table.",
      "(warning) NodeName column is null in the ConfigData table.",
      "(warning) NodeType column is null in the ConfigData table.",
      "(warning) ParentNodeID column is null in the ConfigData table.",
      "(warning) FullNodeName column is null in the ConfigData table.",
  };
  EXPECT_EQ(warnings, expected);
  EXPECT_EQ(configurationRows(kJet), configurationRows(rm.program().connectionString));
}

struct AbortCase {
  friend void PrintTo(const AbortCase& c, std::ostream* os) { *os << c.name; }
  const char* name;
  std::function<void(BackupLocalConfigurationTest&)> arrange;
  const char* logLine;
  const char* box;
};

class AbortTest : public BackupLocalConfigurationTest, public ::testing::WithParamInterface<AbortCase> {};

TEST_P(AbortTest, ShowsItsBoxAndEndsTheProgram) {
  restore::frmMain& form = begin(server(MailStoreKind::Exchange2000, kV5));
  GetParam().arrange(*this);

  EXPECT_EQ(backup(form), ProgramEnd::Aborted);

  ASSERT_EQ(rm.ui.boxes.size(), 1u);
  EXPECT_EQ(rm.ui.boxes[0].text, GetParam().box);
  EXPECT_EQ(rm.ui.boxes[0].buttons, restore::MsgBoxStyle::OKOnly);
  EXPECT_EQ(rm.ui.boxes[0].caption, "VrelRestore");
  EXPECT_EQ(entries().back(), GetParam().logLine);
  EXPECT_FALSE(rm.program().log.isOpen());
  EXPECT_FALSE(rm.files().exists("C:\\Vrel\\PreRestoreTMRegistryBranch.reg")) << "nothing after the abort";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AbortTest,
    ::testing::Values(
        AbortCase{"CleanCopyMissing",
                  [](BackupLocalConfigurationTest& t) {
                    ASSERT_TRUE(t.rm.files().deleteFile("C:\\Vrel\\CleanConfigInfo.mdb", true));
                  },
                  "(error) could not find \\CleanconfigInfo.MDB file in installation directory.  Aborting install.",
                  "CleanConfigInfo.MDB File not found - aborting restore."},
        AbortCase{"CopyCannotBeMade",
                  [](BackupLocalConfigurationTest& t) { ASSERT_TRUE(t.rm.files().createFolder(kConfigInfo)); },
                  "(error) could not find \\ConfigInfo.MDB file in installation directory.  Aborting install.",
                  "ConfigInfo.MDB File not found - aborting restore."},
        AbortCase{"ServerConfigurationEmpty",
                  [](BackupLocalConfigurationTest& t) { t.sql().execute("DELETE FROM Configuration"); },
                  "(error) configuration table is empty - exiting",
                  "The Configuration table on the local server is empty - this indicates an invalid local install - "
                  "restore is aborting."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BackupLocalConfigurationTest, PasswordsAreNeverLoggedOrWrittenToTheProgramFolder) {
  restore::frmMain& form = begin(server(MailStoreKind::Domino, kV5));
  const std::string dtmf = "739184265013";
  const std::string nt = "Nt-Secret-Pw-5521";
  sql().execute("UPDATE SubscriberTemplate SET PwDTMF = ?, PwNT = ?", {Variant(dtmf), Variant(nt)});
  rm.program().log.setDebug(true);
  ASSERT_FALSE(backup(form));
  ASSERT_EQ(form.run.preserved.pwDTMF, dtmf);
  ASSERT_EQ(form.run.preserved.pwNT, nt);

  auto holds = [&](const std::string& raw) {
    const std::string wide = utf16leToUtf8(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size());
    for (const std::string& secret : {dtmf, nt})
      if (raw.find(secret) != std::string::npos || wide.find(secret) != std::string::npos) return true;
    return false;
  };
  EXPECT_FALSE(holds(read(kLog)));
  std::vector<DirEntry> all;
  ASSERT_TRUE(rm.files().list(kProgram, all));
  for (const auto& e : all)
    if (!e.isFolder) {
      EXPECT_FALSE(holds(read(kProgram + e.name))) << e.name;
    }
}

}  // namespace
}  // namespace vrel::test
