// standin backup: the backup folder of a provisioned, populated server, read
// back the way a restore reads it.
#include "platform/data/DatabaseRestore.h"
#include "platform/data/Session.h"
#include "platform/registry/RegImport.h"
#include "standin/server/Backup.h"
#include "standin/server/Populate.h"
#include "standin/server/Provision.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

constexpr const char* kFolder = "C:\\DR\\Backup";
constexpr const char* kOrvixDb = "Provider=SQLOLEDB;Data Source=(local);Initial Catalog=OrvixDB;Integrated Security=SSPI";
constexpr const char* kMailboxes = "C:\\MailStore\\MailStore_ORVIX01";

class BackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ProvisionOptions options;
    options.installationGuid = "6B1C3F00-0000-4000-8000-000000000001";
    standin::ProvisionResult provisioned;
    std::string error;
    ASSERT_TRUE(standin::provisionServer(old.machine(), options, provisioned, error)) << error;
    standin::PopulateOptions populate;
    populate.subscribers = 3;
    populate.maxMessagesPerMailbox = 2;
    standin::PopulateResult populated;
    ASSERT_TRUE(standin::populateServer(old.machine(), populate, populated, error)) << error;
  }

  long long count(Machine& m, const std::string& connection, const std::string& sql) {
    return data::Session::open(m, connection)->query(sql).rows.at(0).at(0).intValue();
  }
  std::vector<std::string> names(const std::string& folder) {
    std::vector<DirEntry> entries;
    old.files().list(folder, entries);
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.name);
    std::sort(out.begin(), out.end());
    return out;
  }

  ScratchMachine old;
  standin::BackupReport report;
  std::string error;
};

TEST_F(BackupTest, WritesEveryItemOfTheBackupFolder) {
  ASSERT_TRUE(standin::backupServer(old.machine(), kFolder, report, error)) << error;
  for (const char* item : {"OrvixDBBackUp.sql", "ReportDBBackup.sql", "OrvixReg.reg", "BackedUpVersionInfo.txt",
                           "SubscriberInfo.mdb", "messages", "routing.rul", "Stream Files", "DefaultConfig",
                           "EMSDatabase"})
    EXPECT_TRUE(old.files().exists(winJoin(kFolder, item))) << item;
  EXPECT_EQ(report.skipped, std::vector<std::string>{"MDBCertificate.MDB: no certificate database"})
      << "a 4.0 server has no aging-service certificates";

  std::string version;
  ASSERT_TRUE(old.files().readAll("C:\\DR\\Backup\\BackedUpVersionInfo.txt", version));
  EXPECT_EQ(version, "[VersionInfo]\r\nMajor=4\r\nMinor=0\r\nBuild=15\r\nRev=3\r\n");
  EXPECT_EQ(names("C:\\DR\\Backup\\Stream Files"), names("C:\\Orvix\\Stream Files"));
  EXPECT_EQ(names("C:\\DR\\Backup\\EMSDatabase"), names("C:\\Orvix\\ToolsDepot\\EventMonitoring\\database"));
}

TEST_F(BackupTest, DatabaseImagesAndTheRegistryExportRestoreOntoAnotherMachine) {
  ASSERT_TRUE(standin::backupServer(old.machine(), kFolder, report, error)) << error;
  ScratchMachine fresh;
  ASSERT_TRUE(fresh.files().createFolder("C:\\In"));
  for (const char* item : {"OrvixDBBackUp.sql", "ReportDBBackup.sql", "OrvixReg.reg"}) {
    std::string bytes;
    ASSERT_TRUE(old.files().readAll(winJoin(kFolder, item), bytes));
    ASSERT_TRUE(fresh.files().writeAll(winJoin("C:\\In", item), bytes));
  }
  ASSERT_TRUE(data::restoreDatabase(fresh.machine(), "OrvixDB", "C:\\In\\OrvixDBBackUp.sql"));
  ASSERT_TRUE(data::restoreDatabase(fresh.machine(), "ReportDB", "C:\\In\\ReportDBBackup.sql"));
  const char* subscribers = "SELECT count(*) FROM Subscriber";
  EXPECT_EQ(count(fresh.machine(), kOrvixDb, subscribers), count(old.machine(), kOrvixDb, subscribers));
  EXPECT_EQ(count(fresh.machine(), kOrvixDb, subscribers), 7);

  std::string text;
  ASSERT_TRUE(fresh.files().readAll("C:\\In\\OrvixReg.reg", text));
  std::vector<RegFileProblem> problems;
  ASSERT_TRUE(importRegFile(fresh.registry(), Bytes(text.begin(), text.end()), problems, error)) << error;
  EXPECT_TRUE(problems.empty());
  RegValue root;
  ASSERT_EQ(fresh.registry().getValue(Hive::LocalMachine, "Software\\Tremarc\\ZureVezuza\\1.0", "Root Path", root),
            kRegOk);
  EXPECT_EQ(regDataAsText(root.data), "C:\\Orvix\\");
}

TEST_F(BackupTest, SubscriberInfoAndMessagesNameEveryMailbox) {
  ASSERT_TRUE(standin::backupServer(old.machine(), kFolder, report, error)) << error;
  auto mdb = data::Session::open(old.machine(), "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\DR\\Backup\\SubscriberInfo.mdb");
  const data::Rowset rows = mdb->query("SELECT Alias, OldMailboxDN, NewMailboxDN FROM Subscribers");
  ASSERT_EQ(rows.rows.size(), 7u);
  for (const auto& row : rows.rows) {
    EXPECT_EQ(row[1].toString(), "/o=Orvix/ou=ORVIX01/cn=Recipients/cn=" + row[0].toString());
    EXPECT_TRUE(row[2].isNull());
  }

  const std::vector<std::string> mailboxes = names(kMailboxes);
  ASSERT_FALSE(mailboxes.empty());
  std::vector<std::string> expected;
  for (const std::string& alias : mailboxes) {
    expected.push_back(alias + ".PST");
    std::string pst;
    ASSERT_TRUE(old.files().readAll("C:\\DR\\Backup\\messages\\" + alias + ".PST", pst));
    EXPECT_EQ(pst.rfind("VRELPST1\r\n", 0), 0u);
    for (const std::string& message : names(winJoin(kMailboxes, alias))) {
      std::string body;
      ASSERT_TRUE(old.files().readAll(winJoin(winJoin(kMailboxes, alias), message), body));
      EXPECT_NE(pst.find("Message: " + message + " " + std::to_string(body.size()) + "\r\n" + body + "\r\n"),
                std::string::npos);
    }
  }
  EXPECT_EQ(names("C:\\DR\\Backup\\messages"), expected);
}

TEST_F(BackupTest, AnAliasThatIsNoFileNameWritesNoMailboxFile) {
  data::Session::open(old.machine(), kOrvixDb)
      ->execute("INSERT INTO Subscriber (Alias, AddressID) VALUES ('..\\escape', 'x')");
  ASSERT_TRUE(old.files().createFolder("C:\\MailStore\\escape"));
  ASSERT_TRUE(standin::backupServer(old.machine(), kFolder, report, error)) << error;
  EXPECT_FALSE(old.files().exists("C:\\DR\\escape.PST"));
  EXPECT_NE(std::find(report.skipped.begin(), report.skipped.end(),
                      "messages: the alias '..\\escape' cannot name a file"),
            report.skipped.end());
}

TEST(BackupWithoutServerTest, FailsWhenTheMachineHasNoServerDatabase) {
  ScratchMachine bare;
  standin::BackupReport report;
  std::string error;
  EXPECT_FALSE(standin::backupServer(bare.machine(), kFolder, report, error));
  EXPECT_EQ(error, "the server has no database OrvixDB");
  EXPECT_TRUE(report.written.empty());
}

TEST(BackupTextTest, VersionFileReadsBackAsTheRestoreReadsTheRegistry) {
  struct Row {
    const char* name;
    std::uint32_t version, build;
    const char* text;
  } rows[] = {
      {"4.0(3.15)", 0x00040000, 0x0003000F, "[VersionInfo]\r\nMajor=4\r\nMinor=0\r\nBuild=15\r\nRev=3\r\n"},
      {"5.0(0.1)", 0x00050000, 0x00000001, "[VersionInfo]\r\nMajor=5\r\nMinor=0\r\nBuild=1\r\nRev=0\r\n"},
      {"4.0(4.175)", 0x00040000, 0x000400AF, "[VersionInfo]\r\nMajor=4\r\nMinor=0\r\nBuild=175\r\nRev=4\r\n"},
      {"hex digit stops decimal", 0x0012000A, 0x0000FFFF, "[VersionInfo]\r\nMajor=12\r\nMinor=0\r\nBuild=65535\r\nRev=0\r\n"},
      {"none", 0, 0, "[VersionInfo]\r\nMajor=0\r\nMinor=0\r\nBuild=0\r\nRev=0\r\n"},
  };
  for (const Row& r : rows) EXPECT_EQ(standin::versionInfoText(r.version, r.build), r.text) << r.name;
}

TEST(BackupTextTest, MailboxDnAndFileNames) {
  EXPECT_EQ(standin::mailboxDn("cn=jq,cn=Recipients,ou=ORVIX01,o=Orvix"), "/o=Orvix/ou=ORVIX01/cn=Recipients/cn=jq");
  EXPECT_EQ(standin::mailboxDn("cn=jq, cn=Recipients, ou=S, o=O"), "/o=O/ou=S/cn=Recipients/cn=jq");
  EXPECT_EQ(standin::mailboxDn("CN=Jane Quinn/O=Orvix"), "CN=Jane Quinn/O=Orvix") << "Domino names stay";
  EXPECT_EQ(standin::mailboxDn(""), "");
  for (const char* bad : {"", ".", "..", "a\\b", "a/b", "c:x", "a*", "trailing.", "trailing "})
    EXPECT_FALSE(standin::isPlainFileName(bad)) << bad;
  for (const char* good : {"jquinn", "o'malley", "Zoë", "a.b"}) EXPECT_TRUE(standin::isPlainFileName(good)) << good;
}

}  // namespace
}  // namespace vrel::test
