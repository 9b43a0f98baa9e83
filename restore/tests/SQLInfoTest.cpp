#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "platform/data/SqlInstance.h"
#include "restore/preserve/SQLInfo.h"
#include "standin/server/OrvixSchema.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vrel::restore {
namespace {

using data::Variant;

constexpr const char* kLogPath = "D:\\Backup\\DisasterRecoveryRestore.log";

class SQLInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    data::SqlInstance sql(m.machine());
    ASSERT_TRUE(sql.createDatabase("OrvixDB", err)) << err;
    db.open(kConn);
    for (const auto& o : standin::orvixDbObjects()) db.execute(o.sql);
    ASSERT_TRUE(m.files().createFolder("D:\\Backup"));
    ASSERT_TRUE(log.OpenLogFile(kLogPath, false));
    module1.localVersionInfo = {4, 0, 3, 15, "4.0(3.15)", false};
  }

  void freshInstall(const std::string& sysId) {
    db.execute("INSERT INTO OrvixSetupParameters(Name, Value) VALUES ('@SystemId', ?)", {Variant(sysId)});
    db.execute("INSERT INTO MailboxStore(Alias, DirectoryID, MailDatabase, mailDatabaseIndex) "
               "VALUES ('Store1', 'cn=Store1', 'Mailbox Store (NEW)', '3')");
    sub("EAdmin" + sysId, "EAdmin-uid", "new-eadmin-dn", nullptr);
    sub("ESubscriber", "ES-uid", "new-es-dn", "SMTP-NEW");
    sub("Installer", "installer-uid", "", nullptr);
    db.execute("INSERT INTO Location(Alias, UID, DirectoryID, HomeServer) VALUES ('default', 'loc-uid', 'loc-dn', 'ORVIXNEW')");
    for (const char* l : {"allsubscribers", "unaddressedmessages", "systemeventmessages"})
      db.execute("INSERT INTO DistributionList(Alias, UID, DirectoryID) VALUES (?, ?, ?)",
                 {Variant(l), Variant(std::string(l) + sysId), Variant(std::string("dn-") + l)});
  }
  void sub(const std::string& alias, const std::string& uid, const std::string& dn, const char* mta) {
    db.execute("INSERT INTO Subscriber(Alias, UID, DirectoryID, MailTransferAgent) VALUES (?, ?, ?, ?)",
               {Variant(alias), Variant(uid), Variant(dn), mta ? Variant(mta) : Variant::null()});
  }
  std::vector<std::string> logLines() {
    std::string text;
    m.files().readAll(kLogPath, text);
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i; (i = text.find("\r\n", start)) != std::string::npos; start = i + 2) {
      std::string line = text.substr(start, i - start);
      const std::size_t sep = line.find(": ");
      out.push_back(sep == std::string::npos ? line : line.substr(sep + 2));
    }
    return std::vector<std::string>(out.begin() + 9, out.end());  // past the header
  }
  bool logged(const std::string& line) {
    auto l = logLines();
    return std::find(l.begin(), l.end(), line) != l.end();
  }
  std::string one(const std::string& sql) {
    data::Recordset rs;
    rs.open(sql, db, data::adOpenStatic, data::adLockReadOnly);
    return rs.eof() ? "<none>" : rs.fields(0L).value().toString();
  }

  static constexpr const char* kConn =
      "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=OrvixDb;Data "
      "Source=STANDIN";
  test::ScratchMachine m;
  data::Connection db{m.machine()};
  RunLog log{m.files()};
  InstallPaths paths;
  Module1 module1{m.registry(), m.files(), log, paths};
  SQLInfo info{m.machine(), log, module1, kConn};
};

TEST_F(SQLInfoTest, GetReadsEveryIdentityOfTheFreshInstall) {
  freshInstall("1A");
  NewInstallSqlValues v;
  info.GetSQLInfo(v);
  EXPECT_EQ(v.newSystemId, "1A");
  EXPECT_EQ(v.mailStoreAlias, "Store1");
  EXPECT_EQ(v.mailDatabaseIndex, "3");
  EXPECT_EQ(v.mailTransferAgent, "SMTP-NEW") << "rows with a null agent are skipped";
  EXPECT_EQ(v.eadminDirectoryId, "new-eadmin-dn") << "EAdmin with the system ID is found by the second search";
  EXPECT_EQ(v.esubscriberDirectoryId, "new-es-dn");
  EXPECT_EQ(v.installerUid, "installer-uid");
  EXPECT_EQ(v.locationDirectoryId, "loc-dn");
  EXPECT_EQ(v.locationHomeServer, "ORVIXNEW");
  EXPECT_EQ(v.allSubscribersDirectoryId, "dn-allsubscribers");
  EXPECT_EQ(v.systemEventMessagesDirectoryId, "dn-systemeventmessages");
  const std::vector<std::string> expected = {
      "    New SystemID value=1A",
      std::string("    Connecting to SQL with string: ") + kConn,
      "    Getting data from MailboxStore table",
      "       MailboxStoreAlias=Store1",
      "       MailboxStoreDirectoryID=cn=Store1",
      "       MailboxStoreMailDatabaseIndex=3",
      "       MailboxStoreMAilDatabase=Mailbox Store (NEW)",
      "    Getting data from Subscriber table",
      "       MailTransferAgent=SMTP-NEW",
      "    Installer UID=installer-uid",
  };
  EXPECT_EQ(logLines(), expected);
}

TEST_F(SQLInfoTest, GetLogsWhatTheCleanInstallLacks) {
  NewInstallSqlValues v;
  info.GetSQLInfo(v);
  EXPECT_TRUE(logged("(error) could not find SystemID key in the OrvixSetupParameters table in SQL"));
  EXPECT_TRUE(logged("(error) the MailboxStore table is empty - the current installation is not valid and the "
                     "restore will not work properly"));
  EXPECT_TRUE(logged("      MailTransferAgent is empty"));
  EXPECT_TRUE(logged("(error) could not find Installer account in subscriber table."));
  EXPECT_TRUE(logged("(error) could not find new All Subscribers distribution list using alias=AllSubscribers"));
}

TEST_F(SQLInfoTest, SetWritesIdentitiesAndSystemIdAsHexNumber) {
  freshInstall("77");  // the restored database of the old system 77
  db.execute("INSERT INTO Location(Alias, UID, DirectoryID, HomeServer) VALUES ('Remote', 'r-uid', 'r-dn', 'OLD')");
  SetSqlInfoArgs a{"new-loc-dn", "new-eadmin", "new-es", "new-all", "new-un", "new-sys", "1A", "77", "new-loc-uid",
                   "ORVIXNEW"};
  info.SetSQLInfo(a);
  EXPECT_EQ(one("SELECT DirectoryID FROM Subscriber WHERE Alias='EAdmin77'"), "new-eadmin");
  EXPECT_EQ(one("SELECT ObjectChangedID FROM Subscriber WHERE Alias='EAdmin77'"), "1");
  EXPECT_EQ(one("SELECT DirectoryID FROM Location WHERE Alias='default'"), "new-loc-dn");
  EXPECT_EQ(one("SELECT UID FROM Location WHERE Alias='default'"), "new-loc-uid");
  EXPECT_EQ(one("SELECT DirectoryID FROM Location WHERE Alias='Remote'"), "r-dn") << "only the default moves";
  EXPECT_EQ(one("SELECT SystemID FROM Location WHERE Alias='Remote'"), "26");
  EXPECT_EQ(one("SELECT HomeServer FROM Location WHERE Alias='Remote'"), "ORVIXNEW");
  EXPECT_EQ(one("SELECT DirectoryID FROM DistributionList WHERE Alias='allsubscribers'"), "new-all");
  EXPECT_TRUE(logged("    EAdmin subscriber directory ID set to:new-eadmin"));
  EXPECT_TRUE(logged("    ESubscriber direcotry ID set to:new-es"));
  EXPECT_TRUE(logged("    Default Location object directory ID set to:new-loc-dn"));
  EXPECT_TRUE(logged("    SystemEventMessages DL directory ID set to:new-sys"));
  EXPECT_EQ(log.errorCount(), 0);
}

TEST_F(SQLInfoTest, SetKeepsTheOldSystemListAndDeletesItsDuplicate) {
  freshInstall("77");
  db.execute("INSERT INTO DistributionList(Alias, UID, DirectoryID) VALUES ('AllSubscribers', 'AllSubscribersNEW', 'x')");
  info.SetSQLInfo({"loc", "ea", "es", "all", "un", "sys", "1A", "77", "uid", "HS"});
  EXPECT_EQ(one("SELECT COUNT(*) FROM DistributionList WHERE Alias='allsubscribers'"), "1");
  EXPECT_EQ(one("SELECT UID FROM DistributionList WHERE Alias='allsubscribers'"), "allsubscribers77");
  EXPECT_TRUE(logged("    Removing DL reference in SQL.  UID=AllSubscribersNEW"));
}

TEST_F(SQLInfoTest, SetWithoutLocationsStillProcessesListsAndShortIdsAreReported) {
  freshInstall("77");
  db.execute("DELETE FROM Location");
  info.SetSQLInfo({"loc", "x", "es", "all", "un", "sys", "1A", "77", "uid", "HS"});
  EXPECT_TRUE(logged("(error) no location objects found!  The default setup may not have completed properly."));
  EXPECT_TRUE(logged("(error) the backed up database has a NULL value for the DirectoryID of the Example "
                     "Administrator object in the Subscriber table."));
  EXPECT_EQ(one("SELECT DirectoryID FROM Subscriber WHERE Alias='EAdmin77'"), "new-eadmin-dn") << "left as it was";
  EXPECT_EQ(one("SELECT DirectoryID FROM DistributionList WHERE Alias='allsubscribers'"), "all");
}

}  // namespace
}  // namespace vrel::restore
