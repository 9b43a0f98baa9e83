// The disaster-recovery drill: an old server is provisioned, populated and
// backed up; a new server with another name and install root is provisioned;
// the restore program runs on the new one from start-up through the
// database restore, and the result is inspected.
#include "platform/data/Connection.h"
#include "platform/registry/RegImport.h"
#include "restore/tests/support/RegistryDrill.h"
#include "restore/tests/support/RestoreFixture.h"
#include "standin/server/Backup.h"
#include "standin/server/Populate.h"
#include "standin/server/ProvisionDatabases.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace vrel::test {
namespace {

using restore::MsgResult;
using restore::ProgramEnd;

constexpr const char* kSetupProperties = "SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Properties";

std::string branchExport(Machine& m, const std::string& path) {
  Bytes out;
  if (exportRegBranch(m.registry(), Hive::LocalMachine, path, out) != kRegOk) return "<missing>";
  return std::string(out.begin(), out.end());
}

class RestoreDrill : public ::testing::Test {
 protected:
  // The old server: ORVIXOLD on E:, German defaults, a primary failover node,
  // populated, backed up into a host folder that both machines see as Z:.
  void SetUp() override {
    standin::ProvisionOptions o;
    o.computerName = "ORVIXOLD";
    o.installRoot = "E:\\Orvix\\";
    o.language = "DEU";
    o.failover = standin::FailoverRole::Primary;
    m_old = std::make_unique<OldServerBackup>(o, [](Machine& old) {
      standin::PopulateOptions po;
      po.subscribers = 12;
      standin::PopulateResult pr;
      std::string error;
      ASSERT_TRUE(standin::populateServer(old, po, pr, error)) << error;
      old.registry().setValue(Hive::LocalMachine, kSetupProperties, RegValue::text("SwitchFile", "Old.ini"));
      old.registry().setValue(Hive::LocalMachine, kSetupProperties, RegValue::dword("LocationType", 2));
    });
    m_backup = m_old->folder();

    m_new.scratch().activate();
    standin::ProvisionOptions n;
    n.computerName = "ORVIXNEW";
    n.installRoot = "D:\\Program Files\\Orvix\\";
    m_new.provision(n);
    for (const char* branch : {"SOFTWARE\\Tremarc\\Directory Connectors", "SOFTWARE\\Tremarc\\TmLogMgr",
                               "SOFTWARE\\Tremarc\\Notifier", "SOFTWARE\\Tremarc\\ZureVezuza"})
      m_before[branch] = branchExport(m_new.machine(), branch);
    m_before["whole"] = branchExport(m_new.machine(), "SOFTWARE\\Tremarc");
  }

  // Start-up, the backup folder, then the restore button.
  std::optional<ProgramEnd> restore(const std::string& commandLine = {}) {
    restore::frmMain& form = m_new.start(commandLine);
    if (auto end = m_new.event([&] { form.Form_Load(); })) return end;
    m_new.ui.folders.push_back(m_backup);
    if (auto end = m_new.event([&] { form.cmdBrowse_Click(); })) return end;
    EXPECT_TRUE(form.control("cmdRestore").enabled);
    return m_new.event([&] { form.cmdRestore_Click(); });
  }

  // The run log's entries after its header, without their date prefix.
  std::vector<std::string> log() { return runLogLines(m_new.files(), m_backup + "DisasterRecoveryRestore.log"); }

  std::unique_ptr<OldServerBackup> m_old;
  std::string m_backup;  // ends in a backslash
  RestoreMachine m_new;
  std::map<std::string, std::string> m_before;
};

TEST_F(RestoreDrill, RestoresTheOldServerOntoTheNewMachine) {
  ASSERT_EQ(restore(), std::nullopt);
  Machine& m = m_new.machine();

  // The phases' lines, in order.
  const std::vector<std::string> lines = log();
  const std::vector<std::string> expected = {
      "Starting disaster reocovery Restore at: ",
      "    New Orvix Install path=D:\\Program Files\\Orvix\\",
      "    Stopping TmMsgStoreMonitorSvr service",
      "    Stopping the WWW service",
      "    Backing up local configuration data",
      "    Backing up entire Tremarc registry tree with:",
      "    Exporting DirectoryConnectors registry branch with: ",
      "    Restoring original registry from backup",
      "    Old Orvix Install path=E:\\Orvix\\",
      "   Old switch file name =Old.ini",
      "    Old location type=2",
      "    Restoring selected branches from new registry over restored registry from backup",
      "    restoring select keys to the registry",
      "    Primary failover server detected, removing TmCsNodeMgr branch in registry",
      "    RegStore key found, removing",
      "    Restoring OrvixDB database from backed up copy.  Path=" + m_backup + "OrvixDBbackup.SQL",
      "    User elected not to restore reports data",
      "    No alias mapping file selected.",
      "    Starting TmCsGateway",
      "Finished disaster reocovery restore at: ",
  };
  std::size_t at = 0;
  for (const std::string& want : expected) {
    while (at < lines.size() && lines[at].rfind(want, 0) != 0) ++at;
    ASSERT_LT(at, lines.size()) << "missing or out of order: " << want;
  }

  // The registry: the backed-up configuration with the new machine's
  // install path, server name, connectors and logging branch.
  EXPECT_EQ(regText(m, "Software\\Tremarc\\ZureVezuza\\1.0", "Root Path"), "D:\\Program Files\\Orvix\\");
  EXPECT_EQ(regText(m, "Software\\Tremarc\\ZureVezuza\\1.0", "PrimaryServer"), "ORVIXNEW");
  EXPECT_EQ(branchExport(m, "SOFTWARE\\Tremarc\\Directory Connectors"),
            m_before["SOFTWARE\\Tremarc\\Directory Connectors"]);
  EXPECT_EQ(branchExport(m, "SOFTWARE\\Tremarc\\TmLogMgr"), m_before["SOFTWARE\\Tremarc\\TmLogMgr"]);
  EXPECT_EQ(regText(m, kSetupProperties, "SwitchFile"), "Old.ini");
  EXPECT_EQ(regText(m, kSetupProperties, "GUILanguageDefault"), "DEU");
  EXPECT_EQ(regDword(m, kSetupProperties, "LocationType"), 2);
  EXPECT_FALSE(m.registry().keyExists(Hive::LocalMachine, "SOFTWARE\\Tremarc\\TmCsNodeMgr"));
  EXPECT_FALSE(m.registry().keyExists(Hive::LocalMachine, "SOFTWARE\\Tremarc\\RegStore"));

  // The old databases are in place, made to name the new server.
  EXPECT_GT(queryCount(m, "SELECT COUNT(*) FROM Subscriber"), 12);
  EXPECT_EQ(queryCount(m, "SELECT COUNT(*) FROM Location WHERE HomeServer='ORVIXNEW'"), 1);

  // The closing messages: the count is the log's "(error)" lines.
  long errors = 0;
  for (const std::string& line : lines) errors += ifind(line, "(error)") != std::string::npos;
  ASSERT_GE(m_new.ui.boxes.size(), 4u);
  const std::string closing = std::to_string(errors) + " error(s) encountered.";
  EXPECT_TRUE(m_new.ui.shown(closing)) << closing;
  EXPECT_TRUE(m_new.ui.shown("The backup was done on a system configured for failover."));
  EXPECT_TRUE(m_new.ui.shown("It's strongly reccomended that you now run dbRover"));
  EXPECT_FALSE(m_new.form().control("cmdRestore").enabled);
  EXPECT_TRUE(m_new.form().control("cmdExit").enabled);
}

TEST_F(RestoreDrill, CancelOnAHeldDatabaseLeavesTheNewRegistryAsItWas) {
  // Another connection holds the new server's database open.
  data::Connection held(m_new.machine());
  held.open(standin::localDatabaseConnection("OrvixDB"));
  m_new.ui.answer("Failed to gain exclusive access to SQL", MsgResult::Cancel);

  EXPECT_EQ(restore(), ProgramEnd::Aborted);
  EXPECT_TRUE(m_new.ui.shown("Failed to gain exclusive access to SQL"));
  EXPECT_TRUE(m_new.ui.shown("Vrel process aborted."));
  EXPECT_EQ(branchExport(m_new.machine(), "SOFTWARE\\Tremarc"), m_before["whole"]);
  const std::vector<std::string> lines = log();
  ASSERT_FALSE(lines.empty());
  bool aborted = false;
  for (const std::string& line : lines)
    aborted |= line == "user elected to abort.  Restoring original TM registry branch and exiting...";
  EXPECT_TRUE(aborted);
}

TEST_F(RestoreDrill, RetryAfterTheConnectionIsClosedRestoresTheDatabase) {
  auto held = std::make_unique<data::Connection>(m_new.machine());
  held->open(standin::localDatabaseConnection("OrvixDB"));
  // The first question is answered after the other application let go.
  m_new.ui.answer("Failed to gain exclusive access to SQL", MsgResult::OK, 1);
  m_new.ui.onBox = [&](const ShownBox& box) {
    if (ifind(box.text, "Failed to gain exclusive access") != std::string::npos) held.reset();
  };
  EXPECT_EQ(restore(), std::nullopt);
  bool retried = false;
  for (const std::string& line : log()) retried |= line == "    User elected to try SQL restore again.";
  EXPECT_TRUE(retried);
  EXPECT_GT(queryCount(m_new.machine(), "SELECT COUNT(*) FROM Subscriber"), 12);
}

TEST_F(RestoreDrill, JustRestoreDBRestoresTheDatabasesAndEndsWithoutRestart) {
  EXPECT_EQ(restore("JustRestoreDB"), ProgramEnd::Normal);
  EXPECT_TRUE(m_new.ui.shown("SQL table(s) have been restored - program will now exit"));
  EXPECT_EQ(queryCount(m_new.machine(), "SELECT COUNT(*) FROM Location WHERE HomeServer='ORVIXOLD'"), 1);
  // No registry phase ran: the new machine's install path is untouched and
  // the failover branch of the backup never arrived.
  EXPECT_EQ(branchExport(m_new.machine(), "SOFTWARE\\Tremarc\\ZureVezuza"), m_before["SOFTWARE\\Tremarc\\ZureVezuza"]);
  for (const std::string& line : log()) EXPECT_EQ(line.find("    Starting "), std::string::npos) << line;
}

TEST_F(RestoreDrill, JustRestoreDBGoesOnToTheReportDatabaseAfterAFailedOrvixDB) {
  data::Connection held(m_new.machine());
  held.open(standin::localDatabaseConnection("OrvixDB"));
  EXPECT_EQ(restore("JustRestoreDB"), ProgramEnd::Normal);
  const std::vector<std::string> lines = log();
  bool failed = false;
  for (const std::string& line : lines) failed |= line.rfind("(error) in cmbRestore routine:", 0) == 0;
  EXPECT_TRUE(failed);
  EXPECT_TRUE(hasLine(lines, "    User elected not to restore reports data"));
  EXPECT_EQ(queryCount(m_new.machine(), "SELECT COUNT(*) FROM Location WHERE HomeServer='ORVIXOLD'"), 0);
}

TEST_F(RestoreDrill, BackupFolderTurningReadOnlyMidRunLosesNothing) {
  const std::string folder = m_backup.substr(0, m_backup.size() - 1);
  const std::string reg = m_backup + "OrvixReg.reg";
  std::string regBefore;
  ASSERT_TRUE(m_new.files().readAll(reg, regBefore));
  std::size_t linesWhenReadOnly = 0;
  m_new.ui.onEvents = [&] {
    if (linesWhenReadOnly || !m_new.program().log.isOpen() ||
        m_new.form().control("chkBackingupCurrentRegistryValues").value == 0)
      return;
    linesWhenReadOnly = log().size();
    ASSERT_TRUE(m_new.files().setReadOnly(folder, true));
  };
  EXPECT_EQ(restore(), std::nullopt);
  m_new.files().setReadOnly(folder, false);
  ASSERT_GT(linesWhenReadOnly, 0u);

  // The log holds every entry written before the folder turned read-only,
  // and at most the one entry whose file handle was already open; the run
  // itself went on to its end.
  const std::vector<std::string> lines = log();
  EXPECT_GE(lines.size(), linesWhenReadOnly);
  EXPECT_LE(lines.size(), linesWhenReadOnly + 1);
  EXPECT_TRUE(m_new.ui.shown("error(s) encountered.  Press OK to view log file now."));
  EXPECT_GT(queryCount(m_new.machine(), "SELECT COUNT(*) FROM Subscriber"), 12);
  std::string regAfter;
  ASSERT_TRUE(m_new.files().readAll(reg, regAfter));
  EXPECT_EQ(regAfter, regBefore);
}

TEST(RestoreRefusals, EmptyFolderAndNoToAWarningChangeNothing) {
  RestoreMachine m;
  standin::ProvisionOptions o;
  m.provision(o);
  restore::frmMain& form = m.start();
  EXPECT_EQ(m.event([&] { form.cmdRestore_Click(); }), std::nullopt);
  EXPECT_EQ(m.ui.texts(),
            std::vector<std::string>{"You need to specify the location of the disaster recovery backup files first"});

  form.control("txtTargetPath").caption = "C:\\Backup\\";
  m.ui.answer("There is no way to recover", MsgResult::No);
  EXPECT_EQ(m.event([&] { form.cmdRestore_Click(); }), std::nullopt);
  EXPECT_EQ(m.ui.boxes.back().text, "There is no way to recover from this operation!  Are you sure you want to proceed?");
  EXPECT_FALSE(m.files().exists("C:\\Backup\\DisasterRecoveryRestore.log"));
  EXPECT_EQ(form.control("chkShuttingDown").value, 0);
}

}  // namespace
}  // namespace vrel::test
