// standin sql run as the command a person or a script types.
#include "platform/data/DatabaseBackup.h"
#include "platform/data/Session.h"
#include "platform/data/SqlInstance.h"
#include "platform/tests/ChildProcesses.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

class SqlCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m.activate();
    std::string error;
    data::SqlInstance sql(m.machine());
    ASSERT_TRUE(sql.createDatabase("OrvixDB", error)) << error;
    ASSERT_TRUE(sql.createDatabase("ReportDB", error)) << error;
    ASSERT_TRUE(data::createDatabaseFile(m.machine(), "C:\\Data\\Info.mdb", error)) << error;
    auto db = data::Session::open(m.machine(), "Driver={SQL Server};server=;database=OrvixDB");
    db->execute("CREATE TABLE T (Id INT, Name NVARCHAR(40) COLLATE SQLSRV, Data IMAGE, Made DATETIME, "
                "Tag UNIQUEIDENTIFIER COLLATE SQLGUID, Flag BIT)");
    db->execute("INSERT INTO T VALUES (1, 'a' || char(9) || 'b' || char(10) || 'c\\d', x'00FF', '1997-07-22 13:05:00', "
                "'0000000A-0000-0000-0000-000000000001', 1)");
    db->execute("INSERT INTO T VALUES (2, 'Zoë', NULL, NULL, NULL, 0)");
    data::Session::open(m.machine(), "Driver={SQL Server};server=;database=ReportDB")
        ->execute("CREATE TABLE R (V NVARCHAR(10)); INSERT INTO R VALUES ('report')");
    data::Session::open(m.machine(), "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Data\\Info.mdb")
        ->execute("CREATE TABLE Subscribers (Alias VARCHAR(64)); INSERT INTO Subscribers VALUES ('jq')");
  }

  ScratchMachine m;
};

TEST_F(SqlCommandTest, PrintsAHeaderLineAndOneTabSeparatedLinePerRow) {
  const ToolRun r = runTool("standin", "sql 'SELECT Id, Name, Data, Made, Tag, Flag, Id * 2 AS Twice FROM T ORDER BY Id'");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.output,
            "Id\tName\tData\tMade\tTag\tFlag\tTwice\n"
            "1\ta\\tb\\nc\\\\d\t0x00FF\t1997-07-22 13:05:00\t{0000000A-0000-0000-0000-000000000001}\t1\t2\n"
            "2\tZoë\tNULL\tNULL\tNULL\t0\t4\n");
}

TEST_F(SqlCommandTest, ChoosesTheDatabaseOrAccessFile) {
  struct Case {
    const char* name;
    std::string args;
    std::string output;
  } cases[] = {
      {"report database", "sql --db reportdb 'SELECT V FROM R'", "V\nreport\n"},
      {"access file by Windows path", "sql --db 'C:\\Data\\Info.mdb' 'SELECT Alias FROM Subscribers'", "Alias\njq\n"},
      {"access file by host path", "sql --db '" + m.root() + "/drive_c/Data/Info.mdb' 'SELECT count(*) AS N FROM Subscribers'",
       "N\n1\n"},
      {"no rows", "sql 'SELECT Id FROM T WHERE Id > 5'", "Id\n"},
      {"a change", "sql 'UPDATE T SET Flag = 1'", "(2 rows affected)\n"},
  };
  for (const Case& c : cases) {
    const ToolRun r = runTool("standin", c.args);
    EXPECT_EQ(r.exitCode, 0) << c.name << ": " << r.output;
    EXPECT_EQ(r.output, c.output) << c.name;
  }
}

TEST_F(SqlCommandTest, ReportsErrorsAndBadUse) {
  struct Case {
    const char* name;
    const char* args;
    int exitCode;
    const char* message;
  } cases[] = {
      {"bad statement", "sql 'SELECT * FROM NoSuchTable'", 1, "standin sql: "},
      {"missing database", "sql --db NoSuchDB 'SELECT 1'", 1, "NoSuchDB"},
      {"missing file", "sql --db 'C:\\Data\\None.mdb' 'SELECT 1'", 1, "Could not find file 'C:\\Data\\None.mdb'."},
      {"no statement", "sql", 2, "sql needs"},
      {"two statements", "sql 'SELECT 1' 'SELECT 2'", 2, "sql needs"},
      {"--db without value", "sql 'SELECT 1' --db", 2, "sql needs"},
  };
  for (const Case& c : cases) {
    const ToolRun r = runTool("standin", c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.name << ": " << r.output;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << c.name << ": " << r.output;
  }
}

TEST(SqlCommandHelpTest, HelpNamesEveryOption) {
  const ToolRun r = runTool("standin", "--help");
  EXPECT_EQ(r.exitCode, 0);
  for (const char* text : {"sql [--db DB] \"STATEMENT\"", "--db DB", "backup DIR"})
    EXPECT_NE(r.output.find(text), std::string::npos) << text;
}

}  // namespace
}  // namespace vrel::test
