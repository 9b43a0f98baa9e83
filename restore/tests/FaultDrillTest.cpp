// Fault drills: the disaster-recovery drill of RestoreDrillTest with a fault
// injected into the run. For every fault the run log is complete up to its
// last entry, the backup folder is unchanged, and the machine ends as it
// should: restored, put back by the abort path, or restored by a second run
// after the fault is gone (the first run's log, read by Browse, says so).
#include "platform/Services.h"
#include "platform/Sqlite.h"
#include "platform/data/Connection.h"
#include "platform/data/SqlInstance.h"
#include "platform/registry/RegImport.h"
#include "restore/tests/support/RegistryDrill.h"
#include "restore/tests/support/RestoreFixture.h"
#include "standin/server/Populate.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>

namespace vrel::test {
namespace {

namespace fs = std::filesystem;
using restore::MsgResult;
using restore::ProgramEnd;

constexpr const char* kRunLog = "DisasterRecoveryRestore.log";

// The restore process dying at a point of the run: nothing of the program
// runs after it (no trap catches it, no abort path, no closing box).
struct Killed {};

// Every table of a database with all its rows, as text.
std::string databaseContent(Machine& m, const char* database) {
  const std::string file = data::SqlInstance(m).databaseFile(database);
  if (file.empty()) return "<no database>";
  std::vector<std::string> tables;
  {
    sql::Database db;
    std::string error;
    if (!db.open(file, false, error)) return "<unreadable: " + error + ">";
    sql::Statement st(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
    while (st.step() == SQLITE_ROW) tables.push_back(st.text(0));
  }
  std::string out;
  for (const std::string& table : tables) {
    out += "[" + table + "]\n";
    for (const std::string& row : queryRows(m, "SELECT * FROM [" + table + "]", database)) out += row + "\n";
  }
  return out;
}

std::string tremarcTree(Machine& m) {
  Bytes out;
  if (exportRegBranch(m.registry(), Hive::LocalMachine, "SOFTWARE\\Tremarc", out) != kRegOk) return "<missing>";
  return std::string(out.begin(), out.end());
}

// The files of a host folder and their content, the run's log and report and
// ExMerge's log left out (the run writes them there by design).
std::map<std::string, std::string> folderContent(const std::string& host) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(host)) {
    if (!e.is_regular_file() || e.path().filename() == kRunLog ||
        e.path().filename() == "DisasterRecoveryRestore.json" || e.path().filename() == "ExMerge.log") continue;
    std::ifstream in(e.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    out[fs::relative(e.path(), host).string()] = text.str();
  }
  return out;
}

// What happens to the run, and what must hold afterwards.
enum class Outcome {
  Restored,          // the run ends normally with the machine restored
  PutBack,           // the abort path leaves the machine as before the run
  SecondRunRestores,  // after the fault is gone a second run restores it
  FreshInstall,      // Browse then tells the operator to reinstall first
};

class FaultDrill;

struct FaultCase {
  const char* name;
  std::function<void(FaultDrill&)> before;  // sets the fault up
  const char* killAt;                       // the progress box whose tick kills the run, or null
  std::optional<ProgramEnd> end;            // how the first run ends (nullopt: normally)
  Outcome outcome;
  const char* logged;  // an entry the first run's log must hold, or null
  std::function<void(FaultDrill&)> clear;   // removes the fault before a second run
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class FaultDrill : public ::testing::TestWithParam<FaultCase> {
 public:
  void SetUp() override {
    standin::ProvisionOptions o;
    o.computerName = "ORVIXOLD";
    o.installRoot = "E:\\Orvix\\";
    m_old = std::make_unique<OldServerBackup>(o, [](Machine& old) {
      populateOrFail(old, 12);
    });
    m_backup = m_old->folder();
    m_new.scratch().activate();
    standin::ProvisionOptions n;
    n.computerName = "ORVIXNEW";
    n.installRoot = "D:\\Program Files\\Orvix\\";
    m_new.provision(n);
    m_backupHost = m_new.files().paths().toHost(m_backup.substr(0, m_backup.size() - 1));
    m_backupBefore = folderContent(m_backupHost);
    m_registryBefore = tremarcTree(machine());
    m_orvixBefore = databaseContent(machine(), "OrvixDB");
    m_reportBefore = databaseContent(machine(), "ReportDB");
  }

  void TearDown() override {
    if (!m_movedBackup.empty() && fs::exists(m_movedBackup)) fs::rename(m_movedBackup, m_backupHost);
  }

  // Start-up, the backup folder, report data ticked, then the restore button.
  std::optional<ProgramEnd> restore() {
    restore::frmMain& form = m_new.start();
    if (auto end = m_new.event([&] { form.Form_Load(); })) return end;
    m_new.ui.folders.push_back(m_backup);
    if (auto end = m_new.event([&] { form.cmdBrowse_Click(); })) return end;
    EXPECT_TRUE(form.control("cmdRestore").enabled);
    form.control("chkRestoreReportData").value = 1;
    return m_new.event([&] { form.cmdRestore_Click(); });
  }

  // Runs fn once, the first time the progress box is ticked.
  void onTick(const char* box, std::function<void()> fn) {
    m_new.ui.onEvents = [this, box, fn, done = false]() mutable {
      if (done || !m_new.program().log.isOpen() || m_new.form().control(box).value != 1) return;
      done = true;
      fn();
    };
  }

  // What the operator does after a run that died: the services go back up.
  void restartServices() {
    Services services(machine());
    std::vector<ServiceInfo> all;
    std::string error;
    ASSERT_TRUE(services.list(all, error)) << error;
    for (const ServiceInfo& s : all) services.setState(s.name, ServiceState::Running, error);
  }

  void moveBackupAway() {
    m_movedBackup = m_backupHost + ".away";
    fs::rename(m_backupHost, m_movedBackup);
  }
  void bringBackupBack() {
    fs::rename(m_movedBackup, m_backupHost);
    m_movedBackup.clear();
  }

  Machine& machine() { return m_new.machine(); }
  std::string logText() {
    std::string raw;
    m_new.files().readAll(m_backup + kRunLog, raw);
    return raw;
  }

  // The restored state: the backed-up databases made to name the new
  // server, the backed-up configuration under the new machine's identity.
  void expectRestored() {
    EXPECT_EQ(regText(machine(), "Software\\Tremarc\\ZureVezuza\\1.0", "Root Path"), "D:\\Program Files\\Orvix\\");
    EXPECT_EQ(regText(machine(), "Software\\Tremarc\\ZureVezuza\\1.0", "PrimaryServer"), "ORVIXNEW");
    EXPECT_GT(queryCount(machine(), "SELECT COUNT(*) FROM Subscriber"), 12);
    EXPECT_EQ(queryCount(machine(), "SELECT COUNT(*) FROM Location WHERE HomeServer='ORVIXNEW'"), 1);
    EXPECT_FALSE(m_new.files().fileExists("C:\\Vrel\\PreRestoreOrvixDB.img")) << "the run's images are gone";
    if (m_new.files().fileExists(m_backup + "routing.rul") && !machine().driveFull('D')) {
      EXPECT_TRUE(m_new.files().fileExists("D:\\Program Files\\Orvix\\Support\\Routing.rul"));
    }
  }
  void expectAsBefore() {
    EXPECT_EQ(tremarcTree(machine()), m_registryBefore);
    EXPECT_EQ(databaseContent(machine(), "OrvixDB"), m_orvixBefore);
    EXPECT_EQ(databaseContent(machine(), "ReportDB"), m_reportBefore);
  }
  // Every entry whole: the file ends with a line break and every line after
  // the header carries its date (runLogLines checks that).
  void expectCompleteLog() {
    const std::string raw = logText();
    ASSERT_FALSE(raw.empty());
    EXPECT_TRUE(raw.ends_with("\r\n"));
    EXPECT_GT(runLogLines(m_new.files(), m_backup + kRunLog).size(), 1u);
  }

  std::unique_ptr<OldServerBackup> m_old;
  std::string m_backup;      // Windows path, ends in a backslash
  std::string m_backupHost;  // host path, no trailing separator
  std::string m_movedBackup;
  RestoreMachine m_new;
  std::unique_ptr<data::Connection> m_held;
  std::map<std::string, std::string> m_backupBefore;
  std::string m_registryBefore, m_orvixBefore, m_reportBefore;
};

TEST_P(FaultDrill, LeavesACompleteLogAnUnchangedBackupAndAWayToTheRestoredState) {
  const FaultCase& c = GetParam();
  if (c.before) c.before(*this);
  if (c.killAt) onTick(c.killAt, [] { throw Killed{}; });
  std::optional<ProgramEnd> end;
  bool killed = false;
  try {
    end = restore();
  } catch (const Killed&) {
    killed = true;
  }
  m_new.ui.onEvents = nullptr;
  EXPECT_EQ(killed, c.killAt != nullptr);
  if (!killed) {
    EXPECT_EQ(end, c.end);
  }
  if (!m_movedBackup.empty()) bringBackupBack();

  expectCompleteLog();
  EXPECT_EQ(folderContent(m_backupHost), m_backupBefore) << "the backup folder changed";
  if (c.logged) {
    EXPECT_TRUE(hasLine(runLogLines(m_new.files(), m_backup + kRunLog), c.logged)) << logText();
  }
  m_held.reset();

  switch (c.outcome) {
    case Outcome::Restored: expectRestored(); return;
    case Outcome::PutBack: expectAsBefore(); return;
    case Outcome::FreshInstall: {
      restartServices();
      restore::frmMain& form = m_new.start();
      m_new.event([&] { form.Form_Load(); });
      m_new.ui.folders.push_back(m_backup);
      m_new.event([&] { form.cmdBrowse_Click(); });
      EXPECT_TRUE(m_new.ui.shown("Reinstall Orvix (a fresh installation) and then run the restore again"))
          << ::testing::PrintToString(m_new.ui.texts());
      return;
    }
    case Outcome::SecondRunRestores: {
      if (c.clear) c.clear(*this);
      if (killed) restartServices();
      const std::size_t boxesBefore = m_new.ui.boxes.size();
      EXPECT_EQ(restore(), std::nullopt) << ::testing::PrintToString(m_new.ui.texts());
      if (killed) {
        ASSERT_GT(m_new.ui.boxes.size(), boxesBefore);
        EXPECT_TRUE(m_new.ui.shown("The databases were not replaced yet. Restart the Orvix services"));
      }
      expectRestored();
      expectCompleteLog();
      EXPECT_EQ(folderContent(m_backupHost), m_backupBefore);
      return;
    }
  }
}

const FaultCase kFaults[] = {
    {"KilledWhileSavingTheNewConfiguration", nullptr, "chkBackingupCurrentRegistryValues", {},
     Outcome::SecondRunRestores, nullptr, nullptr},
    {"KilledBeforeTheRegistryImport", nullptr, "chkRestoringOldRegistry", {}, Outcome::SecondRunRestores, nullptr,
     nullptr},
    {"KilledBeforeTheDatabaseRestore", nullptr, "chkRestoringOrvixDB", {}, Outcome::SecondRunRestores, nullptr,
     nullptr},
    {"KilledInTheDatabaseFixUps", nullptr, "chkModifyingSQLTables", {}, Outcome::FreshInstall, nullptr, nullptr},
    {"KilledWhileRestoringFiles", nullptr, "chkRestoringGreetings", {}, Outcome::FreshInstall, nullptr, nullptr},
    {"BackupDriveFullMidRun",
     [](FaultDrill& d) { d.onTick("chkRestoringOldRegistry", [&d] { d.machine().setDriveFull('Z', true); }); },
     nullptr, {}, Outcome::Restored, "    Backing up local configuration data", nullptr},
    // The run goes on past the files it cannot write, and its log names each;
    // the registry and the databases are restored.
    {"InstallRootDriveFull", [](FaultDrill& d) { d.machine().setDriveFull('D', true); }, nullptr, {},
     Outcome::Restored, "(error) in cmbRestore routine:Disk full number=61", nullptr},
    {"BackupFolderDisappears",
     [](FaultDrill& d) {
       d.m_new.ui.answer("SQL is unable to gain full access", MsgResult::No);
       d.onTick("chkRestoringOldRegistry", [&d] { d.moveBackupAway(); });
     },
     nullptr, ProgramEnd::Aborted, Outcome::PutBack,
     "user elected to abort.  Restoring original TM registry branch and exiting...", nullptr},
    {"OrvixDBHeldOpen",
     [](FaultDrill& d) {
       d.m_held = std::make_unique<data::Connection>(d.machine());
       d.m_held->open(standin::localDatabaseConnection("OrvixDB"));
       d.m_new.ui.answer("Failed to gain exclusive access to SQL", MsgResult::Cancel);
     },
     nullptr, ProgramEnd::Aborted, Outcome::PutBack,
     "user elected to abort.  Restoring original TM registry branch and exiting...", nullptr},
    // The abort comes after OrvixDB was restored: both databases and the
    // registry go back to what they were before the run.
    {"ReportDBHeldOpen",
     [](FaultDrill& d) {
       d.m_held = std::make_unique<data::Connection>(d.machine());
       d.m_held->open(standin::localDatabaseConnection("ReportDB"));
       d.m_new.ui.answer("Failed to gain exclusive access to SQL", MsgResult::Cancel);
     },
     nullptr, ProgramEnd::Aborted, Outcome::PutBack, "    OrvixDB database put back as it was before the restore",
     nullptr},
    {"DirectorySynchroniserCrashes", [](FaultDrill& d) { d.machine().setValue("DbSyncCrash", "1"); }, nullptr, {},
     Outcome::Restored, "(error) OrvixDirSync.exe ended abnormally - the directory synchronisation did not complete",
     nullptr},
};

INSTANTIATE_TEST_SUITE_P(Faults, FaultDrill, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vrel::test
