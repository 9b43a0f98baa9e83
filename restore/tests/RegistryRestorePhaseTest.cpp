// The registry restore phase on real machines: an old server OLDSRV on
// D:\OldOrvix\ is backed up; the phase runs on a new server NEWSRV on
// C:\Orvix\ whose branch files lie in the program folder.
#include "restore/tests/support/RegistryDrill.h"
#include "restore/tests/support/RestoreFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <ostream>

namespace vrel::test {
namespace {

using standin::FailoverRole;
using standin::MailStoreKind;

constexpr const char* kSetup = "SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Properties";
constexpr const char* kRootKey = "Software\\Tremarc\\ZureVezuza\\1.0";
constexpr const char* kDoh = "SOFTWARE\\Tremarc\\Doh\\1.00";
constexpr const char* kVrel = "C:\\Vrel";

struct Drill {
  MailStoreKind kind = MailStoreKind::Exchange2000;
  FailoverRole failover = FailoverRole::None;
  std::string version = "4.0(3.15)";
  std::function<void(Registry&)> onNew = {};  // before the branch files are exported
  std::function<void(Registry&)> onOld = {};  // before the backup
};

class RegistryRestorePhaseTest : public ::testing::Test {
 protected:
  void prepare(const Drill& d) {
    standin::ProvisionOptions old;
    old.computerName = "OLDSRV";
    old.installRoot = "D:\\OldOrvix\\";
    old.mailStore = d.kind;
    old.failover = d.failover;
    std::string error;
    ASSERT_TRUE(standin::parseServerVersion(d.version, old.version, error)) << error;
    m_backup = std::make_unique<OldServerBackup>(old, [&d](Machine& m) {
      Registry& r = m.registry();
      if (d.onOld) d.onOld(r);
      putValue(r, kSetup, RegValue::text("SwitchFile", "Old.ini"));
      putValue(r, kSetup, RegValue::text("GUILanguageDefault", "DEU"));
      putValue(r, kSetup, RegValue::text("TUILanguageDefault", "FRA"));
      putValue(r, kSetup, RegValue::text("TTSLanguageDefault", "ESP"));
      putValue(r, kSetup, RegValue::dword("LocationType", 2));
      putValue(r, kDoh, RegValue::text("DalProgID", "OldDal.Dal.1"));
      putValue(r, kDoh, RegValue::text("MalProgID", "OldMal.Mal.1"));
      putValue(r, "Software\\Tremarc\\ZureVezuza\\1.0\\OldOnly", RegValue::text("Left", "behind"));
      putValue(r, "Software\\Tremarc\\TmLogMgr\\1.0", RegValue::text("OldOnly", "kept"));
    });
    m_new.scratch().activate();
    standin::ProvisionOptions fresh = old;
    fresh.computerName = "NEWSRV";
    fresh.installRoot = "C:\\Orvix\\";
    fresh.failover = FailoverRole::None;
    m_new.provision(fresh);
    if (d.onNew) d.onNew(m_new.machine().registry());
    m_form = &m_new.start();
    exportLocalBranches(m_new.machine(), m_new.files(), kVrel, d.kind == MailStoreKind::Domino);
    for (const char* b :
         {"SOFTWARE\\Tremarc\\Directory Connectors", "SOFTWARE\\Tremarc\\Notifier", "SOFTWARE\\Tremarc\\ZureVezuza",
          "SOFTWARE\\Tremarc\\Zurevezuza Setup", "Software\\Tremarc\\MALLn"})
      m_newBranches[b] = branchLines(reg(), b);

    restore::Program& p = m_new.program();
    m_form->control("txtTargetPath").caption = m_backup->folder();
    p.paths.installRoot = "C:\\Orvix\\";
    p.mailStoreKind = static_cast<std::int16_t>(d.kind);
    const standin::ServerVersion& v = fresh.version;
    p.module1.localVersionInfo = {static_cast<std::int16_t>(v.major),
                                  static_cast<std::int16_t>(v.minor),
                                  static_cast<std::int16_t>(v.rev),
                                  static_cast<std::int16_t>(v.build),
                                  d.version,
                                  false};
    m_form->run.newServerName = "NEWSRV";
    restore::PreservedValues& kept = m_form->run.preserved;
    kept.messageStoreAdminProgID = "kept.Admin.1";
    kept.directoryServerName = "kept-dir";
    kept.mailServerName = "kept-mail";
    kept.promptSet = "kept-prompts";
    kept.failureConversationPath = "C:\\Orvix\\kept\\";
    kept.dalProgID = "kept.Dal.1";
    kept.malProgID = "kept.Mal.1";
    kept.malEXServerName = "kept-malex";
    kept.idcProgID = "kept.Idc.1";
    kept.mailStoreType = "3";
    kept.msgStoreRes = "kept-res";
    kept.accessDbFileName = "C:\\Orvix\\Data\\kept.MDB";
    kept.ldapPort = 3268;
    ASSERT_TRUE(p.log.OpenLogFile(logPath(), false)) << p.log.lastError();
  }

  void runPhase() {
    m_form->RestoreRegistryFromBackup();
    m_lines = runLogLines(m_new.files(), logPath());
  }

  std::string logPath() const { return m_backup->folder() + "DisasterRecoveryRestore.log"; }
  Registry& reg() { return m_new.machine().registry(); }
  std::string text(const char* key, const char* name) { return textValue(reg(), key, name); }
  std::uint32_t dword(const char* key, const char* name) {
    RegValue v;
    EXPECT_EQ(reg().getValue(Hive::LocalMachine, key, name, v), kRegOk) << key << " " << name;
    return v.data.size() == 4 ? v.data[0] | v.data[1] << 8 | v.data[2] << 16 | std::uint32_t{v.data[3]} << 24 : 0;
  }
  bool logged(const std::string& line) const { return hasLine(m_lines, line); }

  RestoreMachine m_new;
  std::unique_ptr<OldServerBackup> m_backup;
  restore::frmMain* m_form = nullptr;
  std::map<std::string, std::vector<std::string>> m_newBranches;
  std::vector<std::string> m_lines;
};

std::string imports(const char* file) {
  return std::string("    Executing: regedit /s \"C:\\Vrel\\") + file + "\"";
}

TEST_F(RegistryRestorePhaseTest, LogsEveryStepInOrder) {
  prepare({});
  runPhase();
  const std::vector<std::string> expected = {
      "    Restoring original registry from backup",
      "    Old Orvix Install path=D:\\OldOrvix\\",
      "   Old switch file name =Old.ini",
      "    Old GUI Language default=DEU",
      "    Old TUI language default=FRA",
      "    Old TTS language default=ESP",
      "    Old location type=2",
      "    Restoring selected branches from new registry over restored registry from backup",
      imports("TempDirectoryConnectorsRegBranch.reg"),
      imports("TempNotifierRegBranch.reg"),
      imports("TempZureVezuzaRegBranch.reg"),
      imports("TempZureVezuzaSetupRegBranch.reg"),
      imports("TempTmLogMgrRegBranchFile.reg"),
      "    QXCA registry branch not in the local set, skipping",
      imports("TempMIUIntegrationBranchFile.reg"),
      "    tmDOM registry branch not in the local set, skipping",
      imports("TempMessageStoreMonitorBranchFile.reg"),
      imports("TempPermWizBranchFile.reg"),
      imports("TempRulerBranchFile.reg"),
      imports("TempTmSkinnyBranchFile.reg"),
      imports("TempArbiterPortConfigBranchFile.reg"),
      imports("TempToolsDepotBranchFile.reg"),
      imports("TempConfidentialMessagingRegBranch.reg"),
      "    restoring select keys to the registry",
      "    No TmCsNodeMgr branch found in restored registry",
      "    RegStore key found, removing",
  };
  EXPECT_EQ(m_lines, expected);
  EXPECT_EQ(m_form->control("chkRestoringOldRegistry").value, 1);
  EXPECT_TRUE(m_new.ui.boxes.empty());
}

TEST_F(RegistryRestorePhaseTest, LeavesTheNewMachinesIdentityOverTheOldConfiguration) {
  prepare({});
  runPhase();
  restore::Program& p = m_new.program();
  EXPECT_EQ(text(kRootKey, "Root Path"), "C:\\Orvix\\");
  EXPECT_EQ(text(kRootKey, "PrimaryServer"), "NEWSRV");
  EXPECT_EQ(p.paths.backedUpInstallPath, "D:\\OldOrvix\\");
  EXPECT_EQ(p.paths.installRoot, "C:\\Orvix\\");
  for (const char* b :
       {"SOFTWARE\\Tremarc\\Directory Connectors", "SOFTWARE\\Tremarc\\Notifier", "SOFTWARE\\Tremarc\\ZureVezuza"})
    EXPECT_EQ(branchLines(reg(), b), m_newBranches[b]) << b << " is the new machine's, whatever the backup held";

  // The setup branch is the new machine's but for the backed-up switch and
  // language settings and the new machine's LDAP port and mail store type.
  std::vector<std::string> setup = m_newBranches["SOFTWARE\\Tremarc\\Zurevezuza Setup"];
  for (std::string& line : setup) {
    auto replace = [&](const std::string& from, const std::string& to) {
      if (line == from) line = to;
    };
    replace("\\1.0\\Properties | SwitchFile | 1 | Default.ini", "\\1.0\\Properties | SwitchFile | 1 | Old.ini");
    replace("\\1.0\\Properties | GUILanguageDefault | 1 | ENU", "\\1.0\\Properties | GUILanguageDefault | 1 | DEU");
    replace("\\1.0\\Properties | TUILanguageDefault | 1 | ENU", "\\1.0\\Properties | TUILanguageDefault | 1 | FRA");
    replace("\\1.0\\Properties | TTSLanguageDefault | 1 | ENU", "\\1.0\\Properties | TTSLanguageDefault | 1 | ESP");
    replace("\\1.0\\Properties | LocationType | 4 | 01000000", "\\1.0\\Properties | LocationType | 4 | 02000000");
    replace("\\1.0\\Properties | LDAPPortNumber | 4 | 85010000", "\\1.0\\Properties | LDAPPortNumber | 4 | c40c0000");
  }
  EXPECT_EQ(branchLines(reg(), "SOFTWARE\\Tremarc\\Zurevezuza Setup"), setup);

  EXPECT_EQ(text("Software\\Tremarc\\TmLogMgr\\1.0", "OldOnly"), "kept") << "TmLogMgr is imported over the backup's";
  EXPECT_EQ(text("Software\\Tremarc\\TmLogMgr\\1.0", "Help Web Server"), "NEWSRV");
  EXPECT_FALSE(reg().keyExists(Hive::LocalMachine, "SOFTWARE\\Tremarc\\RegStore"));
  EXPECT_EQ(text("Software\\Tremarc\\TmRepDir\\1.0", "History File Path"), "D:\\OldOrvix\\History")
      << "branches that are not put back stay the backup's, for the path rewriting";
  EXPECT_TRUE(m_new.files().fileExists("C:\\Vrel\\SubscriberInfo.mdb"));
}

TEST_F(RegistryRestorePhaseTest, WritesEveryPreservedValueWhereItBelongs) {
  prepare({.kind = MailStoreKind::Exchange2000, .version = "5.0(0.1)"});
  runPhase();
  struct Row {
    const char* key;
    const char* name;
    const char* value;
  };
  const Row rows[] = {
      {"Software\\Tremarc\\DalDb\\1.00", "TmDsAdminProgID", "kept.Admin.1"},
      {kDoh, "Directory Server Name", "kept-dir"},
      {kDoh, "Mail Server Name", "kept-mail"},
      {"Software\\Tremarc\\SystemParameters\\1.0", "PromptSet", "kept-prompts"},
      {"Software\\Tremarc\\FailureConv\\1.0", "Failure Conversations Prompt Directory", "C:\\Orvix\\kept\\"},
      {kDoh, "DalProgID", "kept.Dal.1"},
      {kDoh, "MalProgID", "kept.Mal.1"},
      {"Software\\Tremarc\\MalEX\\1.0", "ServerName", "kept-malex"},
      {"SOFTWARE\\Tremarc\\SystemParameters\\1.0", "IDCProgID", "kept.Idc.1"},
      {"SOFTWARE\\Tremarc\\SystemParameters\\1.0", "MailStore Type", "3"},
      {"SOFTWARE\\Tremarc\\ResourceLoader\\1.0\\Variables", "MSGSTORERES", "kept-res"},
      {"SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Private", "MailStore Type", "3"},
      {"SOFTWARE\\Tremarc\\QxMessageAgingSvc\\1.0", "AccessDbFileName", "C:\\Orvix\\Data\\kept.MDB"},
  };
  for (const Row& r : rows) EXPECT_EQ(text(r.key, r.name), r.value) << r.key << " " << r.name;
  EXPECT_EQ(dword(kSetup, "LDAPPortNumber"), 3268u);
}

struct ConditionCase {
  const char* name;
  std::string version;  // installed version
  bool emptyProgIDs;
  const char* dal;        // DalProgID after the phase
  const char* agingFile;  // AccessDbFileName after the phase
};
void PrintTo(const ConditionCase& c, std::ostream* os) {
  *os << c.name;
}

class PreservedConditions : public RegistryRestorePhaseTest, public ::testing::WithParamInterface<ConditionCase> {};

TEST_P(PreservedConditions, KeepOrReplaceTheRestoredValue) {
  const ConditionCase& c = GetParam();
  prepare({.version = "5.0(0.1)"});
  m_new.program().module1.localVersionInfo.Build = c.version == "5.0(0.1)" ? 1 : 0;
  if (c.emptyProgIDs) m_form->run.preserved.dalProgID = m_form->run.preserved.malProgID = "";
  runPhase();
  EXPECT_EQ(text(kDoh, "DalProgID"), c.dal);
  EXPECT_EQ(text(kDoh, "MalProgID"), c.emptyProgIDs ? "OldMal.Mal.1" : "kept.Mal.1");
  EXPECT_EQ(text("SOFTWARE\\Tremarc\\QxMessageAgingSvc\\1.0", "AccessDbFileName"), c.agingFile);
}

INSTANTIATE_TEST_SUITE_P(Rows, PreservedConditions,
                         ::testing::Values(ConditionCase{"ProgIDsWritten", "5.0(0.1)", false, "kept.Dal.1",
                                                         "C:\\Orvix\\Data\\kept.MDB"},
                                           ConditionCase{"EmptyProgIDsLeaveTheBackups", "5.0(0.1)", true,
                                                         "OldDal.Dal.1", "C:\\Orvix\\Data\\kept.MDB"},
                                           ConditionCase{"AgingFileNotWrittenBefore5_0_0_1", "5.0(0.0)", false,
                                                         "kept.Dal.1", "D:\\OldOrvix\\Data\\MDBCertificate.MDB"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryRestorePhaseTest, DominoBringsBackTheNewMalBranchInsteadOfTheExchangeServerName) {
  prepare({.kind = MailStoreKind::Domino});
  runPhase();
  EXPECT_TRUE(logged(imports(kMalLnBranchFile)));
  EXPECT_EQ(branchLines(reg(), "Software\\Tremarc\\MALLn"), m_newBranches["Software\\Tremarc\\MALLn"]);
  EXPECT_EQ(text("Software\\Tremarc\\MALLn\\1.0", "ServerName"), "CN=NEWSRV/O=Orvix");
  EXPECT_FALSE(reg().keyExists(Hive::LocalMachine, "Software\\Tremarc\\MalEX\\1.0"))
      << "the Exchange server name is not written on Domino";
  EXPECT_TRUE(logged(imports("TempTMDOMRegBranchFile.reg"))) << "Domino servers have the TMDOM branch";
}

TEST_F(RegistryRestorePhaseTest, ExchangeDoesNotImportALeftOverMalBranchFile) {
  prepare({});
  std::string malLn =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Tremarc\\MALLn\\1.0]\r\n\"ServerName\"=\"stale\"\r\n\r\n";
  ASSERT_TRUE(m_new.files().writeAll("C:\\Vrel\\TempMalLnBranchFile.reg", malLn));
  runPhase();
  EXPECT_FALSE(logged(imports(kMalLnBranchFile)));
  EXPECT_FALSE(reg().keyExists(Hive::LocalMachine, "Software\\Tremarc\\MALLn"));
  EXPECT_EQ(text("Software\\Tremarc\\MalEX\\1.0", "ServerName"), "kept-malex");
}

struct FailoverCase {
  const char* name;
  FailoverRole role;
  std::uint32_t primary;  // "Primary" as the backup holds it
  bool flag;
  const char* line;
};
void PrintTo(const FailoverCase& c, std::ostream* os) {
  *os << c.name;
}

class FailoverBranch : public RegistryRestorePhaseTest, public ::testing::WithParamInterface<FailoverCase> {};

TEST_P(FailoverBranch, IsDetectedAndRemoved) {
  const FailoverCase& c = GetParam();
  prepare({.failover = c.role, .onOld = [&c](Registry& r) {
             if (c.role != FailoverRole::None)
               putValue(r, "SOFTWARE\\Tremarc\\TmCsNodeMgr\\1.0", RegValue::dword("Primary", c.primary));
           }});
  m_form->run.failover = !c.flag;
  runPhase();
  EXPECT_EQ(m_form->run.failover, c.flag);
  EXPECT_TRUE(logged(c.line));
  EXPECT_FALSE(reg().keyExists(Hive::LocalMachine, "SOFTWARE\\Tremarc\\TmCsNodeMgr"));
}

INSTANTIATE_TEST_SUITE_P(
    Roles, FailoverBranch,
    ::testing::Values(FailoverCase{"Primary", FailoverRole::Primary, 1, true,
                                   "    Primary failover server detected, removing TmCsNodeMgr branch in registry"},
                      FailoverCase{"Secondary", FailoverRole::Secondary, 0, false,
                                   "    Secondary failover server detected, removing TmCsNodeMgr branch in registry"},
                      FailoverCase{"OnlyOneMeansPrimary", FailoverRole::Secondary, 2, false,
                                   "    Secondary failover server detected, removing TmCsNodeMgr branch in registry"},
                      FailoverCase{"None", FailoverRole::None, 0, false,
                                   "    No TmCsNodeMgr branch found in restored registry"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryRestorePhaseTest, RulerMissingOnTheNewMachineKeepsTheBackupsRuler) {
  prepare({.onNew = [](Registry& r) { r.deleteTree(Hive::LocalMachine, "Software\\Tremarc\\Ruler"); }});
  runPhase();
  EXPECT_TRUE(logged("    ruler registry branch not in the local set, skipping"));
  EXPECT_FALSE(logged(imports("TempRulerBranchFile.reg")));
  EXPECT_EQ(text("Software\\Tremarc\\Ruler\\1.0", "RulesFile"), "D:\\OldOrvix\\Support\\Routing.rul");
}

// Damaged "OrvixReg.reg" files the reader can tell apart: each is left
// unimported with one error line that quotes the damage printably, and the
// phase runs on with the new machine's values.
struct DamagedRegCase {
  const char* name;
  std::string file;
  std::string reason;
};
void PrintTo(const DamagedRegCase& c, std::ostream* os) {
  *os << c.name;
}

std::string utf16Reg(std::string_view utf8) {
  const Bytes w = utf8ToUtf16le(utf8, false);
  return "\xFF\xFE" + std::string(w.begin(), w.end());
}

const std::string kDamagedHead = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tremarc\\X]\r\n";

class DamagedBackupRegistry : public RegistryRestorePhaseTest,
                              public ::testing::WithParamInterface<DamagedRegCase> {};

TEST_P(DamagedBackupRegistry, IsReportedAsAnErrorAndThePhaseGoesOn) {
  // Neither the backup nor the new machine carries the setup values: the
  // reads give empty text and 0.
  prepare({.onNew = [](Registry& r) {
    for (const char* v :
         {"SwitchFile", "GUILanguageDefault", "TUILanguageDefault", "TTSLanguageDefault", "LocationType"})
      r.deleteValue(Hive::LocalMachine, kSetup, v);
  }});
  const std::string orvixReg = m_backup->folder() + "OrvixReg.reg";
  ASSERT_TRUE(m_new.files().writeAll(orvixReg, GetParam().file));
  runPhase();
  EXPECT_TRUE(logged("(error) could not import " + orvixReg + ": " + GetParam().reason))
      << ::testing::PrintToString(m_lines);
  EXPECT_FALSE(reg().keyExists(Hive::LocalMachine, "SOFTWARE\\Tremarc\\X")) << "nothing of the file is imported";
  EXPECT_TRUE(logged("    Old Orvix Install path=C:\\Orvix\\")) << "the registry still holds the new machine's";
  EXPECT_TRUE(logged("   Old switch file name ="));
  EXPECT_TRUE(logged("    Old location type=0"));
  EXPECT_EQ(m_lines.back(), "    RegStore key found, removing") << "the phase runs to its end";
  EXPECT_EQ(text(kRootKey, "Root Path"), "C:\\Orvix\\");
  EXPECT_EQ(m_new.program().log.errorCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedBackupRegistry,
    ::testing::Values(
        DamagedRegCase{"EndsInsideAContinuedValue", kDamagedHead + "\"B\"=hex:01,\\\r\n",
                       "the file ends inside the value that starts on line 4 (its last line ends with a "
                       "backslash): the file is cut off"},
        DamagedRegCase{"CutAtAnEvenOffsetInsideAString", utf16Reg(kDamagedHead + "\"A\"=\"1\"\r\n\"Name\"=\"Orv"),
                       "the file ends inside line 5, which has no line break and is skipped: the file is cut off"},
        DamagedRegCase{"CutInsideACharacter", utf16Reg(kDamagedHead + "\"A\"=\"1\"\r\n") + "\x22",
                       "the file ends in the middle of a UTF-16 character (it holds an odd number of bytes, 183): "
                       "the file is cut off"},
        DamagedRegCase{"NotARegistryFileAtAll", std::string("PK\x03\x04\x14\0\x08\0\r\nrest", 14),
                       "not a registry file: its first line \"PK\\x03\\x04\\x14\\x00\\x08\\x00\" is not "
                       "\"Windows Registry Editor Version 5.00\" or \"REGEDIT4\" (it looks like UTF-16 text without a "
                       "byte-order mark)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryRestorePhaseTest, AnErrorIsTrappedAndTheNextStepRuns) {
  prepare({});
  ASSERT_TRUE(m_new.files().deleteFile("C:\\Windows\\System32\\regedit.exe", true));
  runPhase();
  EXPECT_TRUE(logged("(error) in cmbRestore routine:File not found number=53"));
  ASSERT_FALSE(m_new.ui.boxes.empty());
  EXPECT_EQ(m_new.ui.boxes.front().text, "Error in cmbRestore routine:File not found");
  EXPECT_EQ(m_new.ui.boxes.front().buttons, restore::MsgBoxStyle::OKOnly);
  EXPECT_TRUE(logged("    Old Orvix Install path=C:\\Orvix\\")) << "the next statement ran";
  EXPECT_EQ(m_lines.back(), "    RegStore key found, removing");
}

TEST_F(RegistryRestorePhaseTest, LocationTypeOutOfRangeIsAnOverflowAndKeepsTheNewValue) {
  prepare({});
  // The backup's type is out of the 16-bit range.
  const std::string orvixReg = m_backup->folder() + "OrvixReg.reg";
  ASSERT_TRUE(m_new.files().writeAll(orvixReg, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\" +
                                                   std::string(kSetup) +
                                                   "]\r\n\"LocationType\"=dword:00010000\r\n\r\n"));
  runPhase();
  EXPECT_TRUE(logged("(error) in cmbRestore routine:Overflow number=6"));
  EXPECT_TRUE(logged("    Old location type=0"));
  EXPECT_EQ(dword(kSetup, "LocationType"), 1u) << "the new machine's type stays";
}

TEST_F(RegistryRestorePhaseTest, AnUnknownNewInstallPathDoesNotWipeTheRootPath) {
  prepare({});
  m_new.program().paths.installRoot.clear();
  runPhase();
  EXPECT_TRUE(logged("(error) the new install path is not known, \"Root Path\" is left as it is"));
  EXPECT_EQ(text(kRootKey, "Root Path"), "C:\\Orvix\\") << "the new machine's branch brought it back";
  EXPECT_EQ(text(kRootKey, "PrimaryServer"), "NEWSRV");
}

}  // namespace
}  // namespace vrel::test
