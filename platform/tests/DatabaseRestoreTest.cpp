// Database backup images and the restore that replaces a live database.
#include "platform/data/DatabaseRestore.h"
#include "platform/data/Session.h"
#include "platform/tests/DataTestMachine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/wait.h>
#include <unistd.h>

namespace vrel::data {
namespace {

constexpr const char* kImage = "C:\\Backup\\OrvixDBBackUp.sql";

class DatabaseRestoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Connection cn(t.machine());
    cn.open(test::kOrvixConnection);
    t.createSubscribers(cn);
    ASSERT_TRUE(t.scratch().files().createFolder("C:\\Backup"));
  }

  long long count(const std::string& sql) {
    auto s = Session::open(t.machine(), test::kOrvixConnection);
    return s->query(sql).rows.at(0).at(0).intValue();
  }
  long long subscribers() { return count("SELECT count(*) FROM Subscriber"); }
  void addSubscriber(const char* alias) {
    auto s = Session::open(t.machine(), test::kOrvixConnection);
    s->execute("INSERT INTO Subscriber (SubscriberObjectID, Alias) VALUES (NEWID(), ?)", {Variant(alias)});
  }
  std::string image() {
    std::string bytes;
    EXPECT_TRUE(t.scratch().files().readAll(kImage, bytes));
    return bytes;
  }
  // Files in the instance folder other than databases and their lock files.
  std::vector<std::string> strayFiles() {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(SqlInstance(t.machine()).folder())) {
      const std::string ext = e.path().extension().string();
      if (ext != ".mdf" && ext != ".users") out.push_back(e.path().filename().string());
    }
    return out;
  }

  test::DataTestMachine t;
};

TEST_F(DatabaseRestoreTest, RestoreReplacesTheLiveDatabaseWithTheBackedUpOne) {
  ASSERT_TRUE(backupDatabase(t.machine(), "orvixdb", kImage)) << "any spelling of the name";
  addSubscriber("added after the backup");
  {
    auto s = Session::open(t.machine(), test::kOrvixConnection);
    s->execute("CREATE TABLE AfterBackup (x INT)");
  }
  ASSERT_EQ(subscribers(), 7);

  const DatabaseImageStatus st = restoreDatabase(t.machine(), "OrvixDB", kImage);
  ASSERT_TRUE(st) << st.description;
  EXPECT_EQ(subscribers(), 6);
  EXPECT_EQ(count("SELECT count(*) FROM sqlite_master WHERE name = 'AfterBackup'"), 0);
  EXPECT_EQ(count("SELECT count(*) FROM Subscriber WHERE Alias = 'O''MALLEY'"), 1)
      << "collations work on the restored copy";
  EXPECT_TRUE(strayFiles().empty());
}

TEST_F(DatabaseRestoreTest, RestoreCreatesADatabaseThatDoesNotExistYet) {
  ASSERT_TRUE(backupDatabase(t.machine(), "OrvixDB", kImage));
  const DatabaseImageStatus st = restoreDatabase(t.machine(), "ReportDB", kImage);
  ASSERT_TRUE(st) << st.description;
  auto s = Session::open(t.machine(), "Driver={SQL Server};server=;database=ReportDB");
  EXPECT_EQ(s->query("SELECT count(*) FROM Subscriber").rows.at(0).at(0).intValue(), 6);
}

TEST_F(DatabaseRestoreTest, AnOpenConnectionKeepsTheRestoreOutWithTheExclusiveAccessError) {
  ASSERT_TRUE(backupDatabase(t.machine(), "OrvixDB", kImage));
  addSubscriber("kept");
  {
    Connection holder(t.machine());
    holder.open("Driver={SQL Server};server=;database=OrvixDb");
    const DatabaseImageStatus st = restoreDatabase(t.machine(), "OrvixDB", kImage);
    EXPECT_EQ(st.number, -2147218303);
    EXPECT_EQ(st.description,
              "[Microsoft][ODBC SQL Server Driver][SQL Server]Exclusive access could not be obtained because the "
              "database is in use.\n[Microsoft][ODBC SQL Server Driver][SQL Server]RESTORE DATABASE is "
              "terminating abnormally.");
    EXPECT_EQ(holder.execute("UPDATE Subscriber SET Extension = 1 WHERE Alias = 'kept'"), 1)
        << "the holder's database is still the live one";
  }
  EXPECT_EQ(subscribers(), 7);
  EXPECT_TRUE(strayFiles().empty());
  EXPECT_TRUE(restoreDatabase(t.machine(), "OrvixDB", kImage)) << "free again once the connection closed";
  EXPECT_EQ(subscribers(), 6);
}

TEST_F(DatabaseRestoreTest, AConnectionOfAnotherProcessKeepsTheRestoreOut) {
  ASSERT_TRUE(backupDatabase(t.machine(), "OrvixDB", kImage));
  addSubscriber("kept");
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const std::string root = t.machine().root();
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // The child opens its own machine: nothing of the parent's SQLite state
    // may be used across the fork. Its copy of the release pipe's write end
    // goes, so the parent closing its own ends the wait below.
    close(ready[0]);
    close(release[1]);
    char c = 'x';
    try {
      std::string error;
      auto machine = Machine::open(root, error);
      Connection cn(*machine);
      cn.open(test::kOrvixConnection);
      c = 'r';
      if (write(ready[1], &c, 1) != 1 || read(release[0], &c, 1) < 0) _exit(1);
      cn.close();
    } catch (...) {
      if (write(ready[1], &c, 1) != 1) _exit(1);
    }
    _exit(0);
  }
  close(ready[1]);
  close(release[0]);
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'r');
  EXPECT_EQ(restoreDatabase(t.machine(), "OrvixDB", kImage).number, kErrExclusiveAccess);
  close(release[1]);
  int status = 0;
  waitpid(pid, &status, 0);
  close(ready[0]);
  EXPECT_EQ(subscribers(), 7);
  EXPECT_TRUE(restoreDatabase(t.machine(), "OrvixDB", kImage)) << "free once the other process ended";
  EXPECT_EQ(subscribers(), 6);
}

TEST_F(DatabaseRestoreTest, BackupOfAMissingDatabaseFails) {
  const DatabaseImageStatus st = backupDatabase(t.machine(), "NoSuchDB", kImage);
  EXPECT_EQ(st.number, kErrBackupRestoreFailed);
  EXPECT_NE(st.description.find("'NoSuchDB'"), std::string::npos);
  EXPECT_FALSE(t.scratch().files().exists(kImage));
}

// Pages of a real database, damaged inside while the image around them is
// whole again: only reading the database itself can find this.
std::string cutPagesRewrapped(const std::string& good) {
  std::string_view pages;
  std::string reason;
  if (!readDatabaseImage(good, pages, reason)) return {};
  return makeDatabaseImage(pages.substr(0, pages.size() / 2));
}

struct BadImage {
  const char* name;
  std::function<std::string(const std::string&)> damage;  // good image -> file content
  const char* reason;
};

class DatabaseRestoreBadImageTest : public DatabaseRestoreTest, public ::testing::WithParamInterface<BadImage> {};

TEST_P(DatabaseRestoreBadImageTest, FailsWithAnotherNumberAndLeavesTheLiveDatabaseAlone) {
  ASSERT_TRUE(backupDatabase(t.machine(), "OrvixDB", kImage));
  addSubscriber("live only");
  ASSERT_TRUE(t.scratch().files().writeAll(kImage, GetParam().damage(image())));

  const DatabaseImageStatus st = restoreDatabase(t.machine(), "OrvixDB", kImage);
  EXPECT_EQ(st.number, kErrBackupRestoreFailed);
  EXPECT_NE(st.description.find(GetParam().reason), std::string::npos) << st.description;
  EXPECT_EQ(subscribers(), 7);
  EXPECT_TRUE(strayFiles().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Images, DatabaseRestoreBadImageTest,
    ::testing::Values(
        BadImage{"Truncated", [](const std::string& g) { return g.substr(0, g.size() - 100); }, "truncated"},
        BadImage{"HeaderOnly", [](const std::string& g) { return g.substr(0, kImageHeaderSize); }, "truncated"},
        BadImage{"Empty", [](const std::string&) { return std::string(); }, "not a database backup"},
        BadImage{"Garbage", [](const std::string& g) { return std::string(g.size(), 'x'); }, "not a database backup"},
        BadImage{"TrailingBytes", [](const std::string& g) { return g + "more"; }, "trailing data"},
        BadImage{"FlippedByte",
                 [](const std::string& g) {
                   std::string b = g;
                   b[b.size() - 7] ^= 0x20;
                   return b;
                 },
                 "checksum"},
        BadImage{"NoPages", [](const std::string&) { return makeDatabaseImage(""); }, "holds no database"},
        BadImage{"NotADatabaseInside", [](const std::string&) { return makeDatabaseImage("no pages here"); },
                 "incorrectly formed"},
        BadImage{"DamagedDatabaseInside", cutPagesRewrapped, "incorrectly formed"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DatabaseRestoreTest, AMissingImageIsADeviceError) {
  const DatabaseImageStatus st = restoreDatabase(t.machine(), "OrvixDB", "C:\\Backup\\Nothing.sql");
  EXPECT_EQ(st.number, kErrBackupRestoreFailed);
  EXPECT_NE(st.description.find("Cannot open backup device 'C:\\Backup\\Nothing.sql'"), std::string::npos);
  EXPECT_EQ(subscribers(), 6);
}

}  // namespace
}  // namespace vrel::data
