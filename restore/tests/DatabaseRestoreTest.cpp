// The database restore on real machines: a populated old server OLDSRV is
// backed up, and its databases replace those of a fresh server NEWSRV.
#include "platform/data/Connection.h"
#include "platform/data/DatabaseBackup.h"
#include "platform/data/Session.h"
#include "platform/data/SqlInstance.h"
#include "restore/tests/support/RegistryDrill.h"
#include "restore/tests/support/RestoreFixture.h"
#include "standin/server/Populate.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

namespace vrel::test {
namespace {

constexpr const char* kOrvixDb =
    "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=OrvixDb;Data "
    "Source=(local)";
constexpr const char* kReportDb =
    "Provider=SQLOLEDB;Data Source=(local);Initial Catalog=ReportDB;Integrated Security=SSPI";
constexpr const char* kSubscribers = "SELECT count(*) FROM Subscriber";
constexpr const char* kReportServer = "SELECT Value FROM ReportSetupParameters WHERE Name = '@PrimaryServer'";

class DatabaseRestoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ProvisionOptions o;
    o.computerName = "OLDSRV";
    o.installRoot = "D:\\OldOrvix\\";
    m_backup = std::make_unique<OldServerBackup>(o, [this](Machine& m) {
      standin::PopulateOptions po;
      po.subscribers = 5;
      po.maxMessagesPerMailbox = 0;
      standin::PopulateResult pr;
      std::string error;
      ASSERT_TRUE(standin::populateServer(m, po, pr, error)) << error;
      m_oldSubscribers = query(m, kOrvixDb, kSubscribers);
    });
    m_new.scratch().activate();
    o.computerName = "NEWSRV";
    o.installRoot = "C:\\Orvix\\";
    m_new.provision(o);
    m_form = &m_new.start();
    m_form->control("txtTargetPath").caption = m_backup->folder();
    ASSERT_TRUE(m_new.program().log.OpenLogFile(m_backup->folder() + "DisasterRecoveryRestore.log", false));
  }

  static std::string query(Machine& m, const char* connection, const char* sql) {
    return data::Session::open(m, connection)->query(sql).rows.at(0).at(0).toString();
  }
  std::string onNew(const char* connection, const char* sql) { return query(m_new.machine(), connection, sql); }
  std::vector<std::string> lines() {
    return runLogLines(m_new.files(), m_backup->folder() + "DisasterRecoveryRestore.log");
  }
  std::string orvixLine() const {
    return "    Restoring OrvixDB database from backed up copy.  Path=" + m_backup->folder() + "OrvixDBbackup.SQL";
  }
  std::string reportLine() const {
    return "    Restoring ReportDB database from backed up copy.  Path=" + m_backup->folder() + "ReportDBbackup.SQL";
  }
  void chooseReportData(bool chosen) { m_form->control("chkRestoreReportData").value = chosen ? 1 : 0; }

  RestoreMachine m_new;
  std::unique_ptr<OldServerBackup> m_backup;
  restore::frmMain* m_form = nullptr;
  std::string m_oldSubscribers;
};

struct ReportCase {
  const char* name;
  bool chosen;
  bool present;      // the backup holds ReportDBBackup.sql
  bool restored;     // ReportDB is the old server's afterwards
  const char* line;  // the second log line; null: the ReportDB restore line
};
void PrintTo(const ReportCase& c, std::ostream* os) {
  *os << c.name;
}

class ReportDatabase : public DatabaseRestoreTest, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(ReportDatabase, IsRestoredOnlyWhenChosenAndPresent) {
  const ReportCase& c = GetParam();
  chooseReportData(c.chosen);
  if (!c.present) {
    ASSERT_TRUE(m_new.files().deleteFile(m_backup->folder() + "ReportDBBackup.sql", true));
  }
  const int eventsBefore = m_new.ui.events;
  m_form->RestoreDatabases();

  EXPECT_EQ(onNew(kOrvixDb, kSubscribers), m_oldSubscribers) << "OrvixDB holds the old server's rows";
  EXPECT_EQ(onNew(kOrvixDb, "SELECT Alias FROM Servers"), "OLDSRV");
  EXPECT_EQ(onNew(kReportDb, kReportServer), c.restored ? "OLDSRV" : "NEWSRV");
  const std::vector<std::string> expected = {orvixLine(), c.line ? std::string(c.line) : reportLine()};
  EXPECT_EQ(lines(), expected);
  EXPECT_EQ(m_form->control("chkRestoringOrvixDB").value, 1);
  EXPECT_EQ(m_form->control("chkRestoringReportDB").value, c.restored ? 1 : 0);
  EXPECT_GT(m_new.ui.events, eventsBefore) << "the form repaints";
}

INSTANTIATE_TEST_SUITE_P(
    Options, ReportDatabase,
    ::testing::Values(ReportCase{"ChosenAndPresent", true, true, true, nullptr},
                      ReportCase{"NotChosen", false, true, false, "    User elected not to restore reports data"},
                      ReportCase{"ChosenButMissing", true, false, false,
                                 "    no ReportDB backup found in target directory, skipping restore attempt."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DatabaseRestoreTest, AHeldConnectionRaisesTheExclusiveAccessErrorAndChangesNothing) {
  const std::string before = onNew(kOrvixDb, kSubscribers);
  {
    data::Connection held(m_new.machine());
    held.open(kOrvixDb);
    try {
      m_form->RestoreDatabases();
      FAIL() << "the restore must raise";
    } catch (const restore::VbError& e) {
      EXPECT_EQ(e.number, -2147218303);
      EXPECT_EQ(e.number, data::kErrExclusiveAccess);
      EXPECT_FALSE(e.description.empty());
    }
    EXPECT_EQ(onNew(kOrvixDb, kSubscribers), before);
    EXPECT_EQ(lines(), std::vector<std::string>{orvixLine()});
  }
  // Once the connection is gone the retry starts again from the tick.
  m_form->RestoreDatabases();
  EXPECT_EQ(onNew(kOrvixDb, kSubscribers), m_oldSubscribers);
  EXPECT_EQ(lines().size(), 3u);
}

TEST_F(DatabaseRestoreTest, AHeldReportDatabaseFailsAfterOrvixDBWasRestored) {
  chooseReportData(true);
  data::SqlInstance sql(m_new.machine());
  std::string error;
  auto hold = sql.holdShared("ReportDB", error);
  ASSERT_TRUE(hold) << error;
  try {
    m_form->RestoreDatabases();
    FAIL() << "the restore must raise";
  } catch (const restore::VbError& e) {
    EXPECT_EQ(e.number, data::kErrExclusiveAccess);
  }
  EXPECT_EQ(onNew(kOrvixDb, kSubscribers), m_oldSubscribers);
  hold.reset();
  EXPECT_EQ(onNew(kReportDb, kReportServer), "NEWSRV");
}

TEST_F(DatabaseRestoreTest, ADamagedBackupRaisesTheRestoreFailure) {
  const std::string image = m_backup->folder() + "OrvixDBBackUp.sql";
  std::string bytes;
  ASSERT_TRUE(m_new.files().readAll(image, bytes));
  ASSERT_TRUE(m_new.files().writeAll(image, bytes.substr(0, bytes.size() / 2)));
  const std::string before = onNew(kOrvixDb, kSubscribers);
  try {
    m_form->RestoreDatabases();
    FAIL() << "the restore must raise";
  } catch (const restore::VbError& e) {
    EXPECT_EQ(e.number, data::kErrBackupRestoreFailed);
  }
  EXPECT_EQ(onNew(kOrvixDb, kSubscribers), before);
}

}  // namespace
}  // namespace vrel::test
