#include "platform/data/Command.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "platform/data/Session.h"
#include "platform/tests/DataTestMachine.h"

#include <filesystem>
#include <fstream>

namespace vrel::data {
namespace {

using test::raised;

class DataConnectionTest : public ::testing::Test {
 protected:
  test::DataTestMachine t;
  Connection cn{t.machine()};
};

TEST_F(DataConnectionTest, ConnectionStringsOfTheLocalServerOpen) {
  struct Row {
    const char* name;
    const char* text;
  };
  const Row rows[] = {
      {"restore program's string", test::kOrvixConnection.c_str()},
      {"odbc, empty server", "Driver={SQL Server};server=;database=OrvixDb"},
      {"keys in any case, order and spacing", " data source = orvix01 ;INITIAL CATALOG= ORVIXDB ; provider=sqloledb"},
      {"(local)", "Provider=SQLOLEDB;Data Source=(local);Initial Catalog=OrvixDB"},
      {"dot", "Provider=SQLOLEDB;Data Source=.;Initial Catalog=OrvixDB"},
      {"localhost, quoted", "Provider=SQLOLEDB;Data Source=\"LocalHost\";Initial Catalog='OrvixDB'"},
      {"odbc driver without braces", "DRIVER=SQL Server;SERVER=orvix01;DATABASE=orvixdb;Trusted_Connection=yes"},
  };
  for (const Row& r : rows) {
    Connection c(t.machine());
    EXPECT_EQ(raised([&] { c.open(r.text); }).number, 0) << r.name;
    EXPECT_TRUE(c.isOpen()) << r.name;
    if (c.isOpen()) {
      EXPECT_EQ(c.defaultDatabase(), "OrvixDB") << r.name << ": the file's spelling";
    }
  }
}

TEST_F(DataConnectionTest, BadConnectionStringsFailWithTheProvidersErrors) {
  struct Row {
    const char* name;
    const char* text;
    long number;
    const char* description;
  };
  const Row rows[] = {
      {"another server", "Provider=SQLOLEDB.1;Initial Catalog=OrvixDb;Data Source=OLDSERVER", -2147467259,
       "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or access denied."},
      {"a named instance", "Provider=SQLOLEDB.1;Initial Catalog=OrvixDb;Data Source=ORVIX01\\SQLEXPRESS", -2147467259,
       "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or access denied."},
      {"odbc, another server", "Driver={SQL Server};server=OLDSERVER;database=OrvixDb", -2147467259,
       "[Microsoft][ODBC SQL Server Driver][DBNETLIB]SQL Server does not exist or access denied."},
      {"missing database", "Provider=SQLOLEDB.1;Initial Catalog=ReportDB;Data Source=ORVIX01", -2147467259,
       "Cannot open database \"ReportDB\" requested by the login. The login failed."},
      {"odbc, missing database", "Driver={SQL Server};server=;database=ReportDB", -2147467259,
       "[Microsoft][ODBC SQL Server Driver][SQL Server]Cannot open database \"ReportDB\" requested by the login. "
       "The login failed."},
      {"database name with a path", "Provider=SQLOLEDB;Initial Catalog=../OrvixDB;Data Source=.", -2147467259,
       "Cannot open database \"../OrvixDB\" requested by the login. The login failed."},
      {"unknown provider", "Provider=Oracle.Thing;Data Source=x", 3706,
       "Provider cannot be found. It may not be properly installed."},
      {"dsn", "DSN=Orvix", -2147467259,
       "[Microsoft][ODBC Driver Manager] Data source name not found and no default driver specified"},
      {"jet, missing file", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Orvix\\ConfigInfo.mdb", -2147467259,
       "Could not find file 'C:\\Orvix\\ConfigInfo.mdb'."},
      {"segment without '='", "Provider=SQLOLEDB;garbage;Initial Catalog=OrvixDB", -2147217805,
       "Format of the initialization string does not conform to the OLE DB specification."},
      {"open quote", "Provider=SQLOLEDB;Data Source=\"ORVIX01", -2147217805,
       "Format of the initialization string does not conform to the OLE DB specification."},
  };
  for (const Row& r : rows) {
    Connection c(t.machine());
    const AdoError e = raised([&] { c.open(r.text); });
    EXPECT_EQ(e.number, r.number) << r.name;
    EXPECT_EQ(e.description, r.description) << r.name;
    EXPECT_FALSE(c.isOpen()) << r.name;
  }
  EXPECT_FALSE(SqlInstance(t.machine()).exists("ReportDB")) << "a failed open creates nothing";
}

TEST_F(DataConnectionTest, JetFilesOpenByTheirWindowsPathAndOnlyWhenTheyAreDatabases) {
  ASSERT_TRUE(t.scratch().files().createFolder("C:\\Orvix"));
  const std::string host = t.scratch().files().paths().toHost("C:\\Orvix\\ConfigInfo.mdb");
  // A Jet file is an SQLite file at its Windows path.
  std::string error;
  ASSERT_TRUE(SqlInstance(t.machine()).createDatabase("Scratch", error)) << error;
  std::filesystem::copy_file(SqlInstance(t.machine()).databaseFile("Scratch"), host);
  Connection jet(t.machine());
  jet.open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=c:\\orvix\\configinfo.MDB");
  EXPECT_EQ(jet.provider(), ProviderKind::Jet);
  jet.execute("CREATE TABLE Configuration (NodeID INTEGER, NodeName TEXT COLLATE SQLSRV)");
  EXPECT_EQ(jet.execute("INSERT INTO Configuration VALUES (1, 'Root')"), 1);

  ASSERT_TRUE(t.scratch().files().writeAll("C:\\Orvix\\Broken.mdb", "this is no database at all, not even close"));
  Connection broken(t.machine());
  const AdoError e = raised([&] { broken.open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Orvix\\Broken.mdb"); });
  EXPECT_EQ(e.description, "Unrecognized database format 'C:\\Orvix\\Broken.mdb'.");
  EXPECT_EQ(e.source, "Microsoft JET Database Engine");
}

TEST_F(DataConnectionTest, OpenConnectionsShowTheDatabaseInUseAndKeepARestoreOut) {
  SqlInstance server(t.machine());
  EXPECT_FALSE(server.isInUse("OrvixDB"));
  cn.open(test::kOrvixConnection);
  EXPECT_TRUE(server.isInUse("orvixdb")) << "any spelling of the name";
  std::string error;
  EXPECT_FALSE(server.holdExclusive("OrvixDB", error));
  EXPECT_EQ(error, "Exclusive access could not be obtained because the database is in use.");
  EXPECT_FALSE(server.dropDatabase("OrvixDB", error)) << "in use";

  {
    // A recordset keeps the database open after the connection object goes.
    auto other = std::make_unique<Connection>(t.machine());
    other->open("Driver={SQL Server};server=;database=OrvixDb");
    cn.close();
    Recordset rs;
    rs.open("SELECT 1 AS One", *other, adOpenStatic);
    other.reset();
    EXPECT_TRUE(server.isInUse("OrvixDB"));
    rs.close();
  }
  EXPECT_FALSE(server.isInUse("OrvixDB"));

  auto hold = server.holdExclusive("OrvixDB", error);
  ASSERT_TRUE(hold) << error;
  const AdoError e = raised([&] { cn.open(test::kOrvixConnection); });
  EXPECT_EQ(e.description, "Database 'OrvixDB' cannot be opened. It is in the middle of a restore.");
  hold.reset();
  cn.open(test::kOrvixConnection);
  EXPECT_TRUE(cn.isOpen());
}

// A closed connection may be taken again by the next open of the same
// database, as pooled sessions are; the next user must not be able to tell.
TEST_F(DataConnectionTest, ClosedConnectionsComeBackCleanAndNeverForAnotherFile) {
  SqlInstance server(t.machine());
  std::string error;
  cn.open(test::kOrvixConnection);
  t.createSubscribers(cn);
  cn.close();
  EXPECT_FALSE(server.isInUse("OrvixDB")) << "an idle connection does not hold the database";
  EXPECT_TRUE(server.holdExclusive("OrvixDB", error)) << error;

  // Work left uncommitted at close is gone.
  cn.open(test::kOrvixConnection);
  cn.beginTrans();
  cn.execute("DELETE FROM Subscriber");
  cn.close();
  cn.open(test::kOrvixConnection);
  Recordset rs;
  rs.open("SELECT COUNT(*) AS N FROM Subscriber", cn, adOpenStatic);
  EXPECT_EQ(rs.fields("N").value().toString(), "6");
  rs.close();
  cn.close();

  // A file renamed into place (as a restore does) is opened afresh.
  ASSERT_TRUE(server.createDatabase("Other", error)) << error;
  Connection other(t.machine());
  other.open("Driver={SQL Server};server=;database=Other");
  other.execute("CREATE TABLE OnlyInOther (X INT)");
  other.close();
  std::filesystem::rename(server.databaseFile("Other"), server.databaseFile("OrvixDB"));
  cn.open(test::kOrvixConnection);
  EXPECT_EQ(cn.execute("INSERT INTO OnlyInOther (X) VALUES (1)"), 1);
  EXPECT_NE(raised([&] { cn.execute("SELECT 1 FROM Subscriber"); }).description.find("Subscriber"), std::string::npos);
  cn.close();

  // So is a database dropped and made again.
  ASSERT_TRUE(server.dropDatabase("OrvixDB", error)) << error;
  ASSERT_TRUE(server.createDatabase("OrvixDB", error)) << error;
  cn.open(test::kOrvixConnection);
  EXPECT_NE(raised([&] { cn.execute("SELECT 1 FROM OnlyInOther"); }).description.find("OnlyInOther"),
            std::string::npos);
}

TEST_F(DataConnectionTest, CreatingDatabasesRefusesBadNamesAndDuplicates) {
  SqlInstance server(t.machine());
  std::string error;
  EXPECT_FALSE(server.createDatabase("orvixdb", error)) << "exists in another spelling";
  EXPECT_FALSE(server.createDatabase("..", error));
  EXPECT_FALSE(server.createDatabase("a/b", error));
  EXPECT_TRUE(server.createDatabase("ReportDB", error)) << error;
  EXPECT_EQ(server.databases().size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(t.machine().root() + "/a/b.mdf"));
}

TEST_F(DataConnectionTest, ServerCollationAndFunctionsWorkInSql) {
  cn.open(test::kOrvixConnection);
  t.createSubscribers(cn);
  Recordset rs;
  rs.open("SELECT COUNT(*) AS N FROM Subscriber WHERE Alias = 'EADMIN   '", cn);
  EXPECT_EQ(rs.fields("N").value().toLong().value, 1) << "case and trailing blanks ignored by '='";
  rs.close();
  rs.open("SELECT COUNT(*) AS N FROM Subscriber WHERE SubscriberObjectID = '{00000003-0000-0000-0000-0000000000aa}'",
          cn);
  EXPECT_EQ(rs.fields("N").value().toLong().value, 1) << "GUID text with braces, any case";
  rs.close();
  rs.open("SELECT COUNT(*) AS N FROM Subscriber WHERE Alias LIKE 'jsmith%'", cn);
  EXPECT_EQ(rs.fields("N").value().toLong().value, 2);
  rs.close();
  rs.open(
      "SELECT LEN('ab  ') AS L, ISNULL(NULL, 'x') AS I, CHARINDEX('MITH', 'jsmith') AS C, "
      "LENGTH(NEWID()) AS G, GETDATE() AS D",
      cn);
  EXPECT_EQ(rs.fields("L").value().toLong().value, 2);
  EXPECT_EQ(rs.fields("I").value().toString(), "x");
  EXPECT_EQ(rs.fields("C").value().toLong().value, 3);
  EXPECT_EQ(rs.fields("G").value().toLong().value, 36);
  EXPECT_EQ(rs.fields("D").value().toString().size(), 23u);
}

TEST_F(DataConnectionTest, ExecuteBindsValuesAndReportsRowsAndErrors) {
  cn.open(test::kOrvixConnection);
  t.createSubscribers(cn);
  const std::string evil = "x'; DELETE FROM Subscriber; --";
  EXPECT_EQ(cn.execute("UPDATE Subscriber SET FirstName = ? WHERE Alias = ?", {Variant(evil), Variant("o'malley")}), 1);
  EXPECT_EQ(cn.execute("UPDATE Subscriber SET Undeletable = 0"), 6) << "nothing deleted by the quoted value";
  Recordset rs;
  rs.open("SELECT FirstName FROM Subscriber WHERE Alias = 'O''Malley'", cn);
  EXPECT_EQ(rs.fields("FirstName").value().toString(), evil);

  AdoError e = raised([&] { cn.execute("DELETE FROM NoSuchTable"); });
  EXPECT_EQ(e.number, -2147217865);
  EXPECT_EQ(e.description, "Invalid object name 'NoSuchTable'.");
  EXPECT_EQ(e.source, "Microsoft OLE DB Provider for SQL Server");
  e = raised([&] { cn.execute("SELECT Nope FROM Subscriber"); });
  EXPECT_EQ(e.description, "Invalid column name 'Nope'.");
  e = raised([&] {
    cn.execute("INSERT INTO Subscriber (SubscriberObjectID) VALUES ('00000001-0000-0000-0000-0000000000aa')");
  });
  EXPECT_EQ(e.number, -2147217873) << "the same GUID in another spelling is a duplicate";
}

TEST_F(DataConnectionTest, TransactionsRollBackAndClosedConnectionsRefuseWork) {
  cn.open(test::kOrvixConnection);
  t.createSubscribers(cn);
  EXPECT_EQ(cn.beginTrans(), 1);
  cn.execute("DELETE FROM Subscriber");
  cn.rollbackTrans();
  Recordset rs;
  rs.open("Subscriber", cn, adOpenStatic);
  EXPECT_EQ(rs.recordCount(), 6);
  EXPECT_EQ(raised([&] { cn.commitTrans(); }).number, -2147168242);
  cn.close();
  EXPECT_EQ(raised([&] { cn.execute("SELECT 1"); }).number, 3709);
  EXPECT_EQ(raised([&] { rs.requery(); }).number, 3709) << "the recordset's connection was closed";
  EXPECT_EQ(raised([&] { cn.close(); }).number, 3704);
}

}  // namespace
}  // namespace vrel::data
