// The stand-in bcp run as a real child process: native copies out and in.
#include "platform/data/Session.h"
#include "platform/data/SqlInstance.h"
#include "platform/tests/ChildProcesses.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <functional>

namespace vrel::test {
namespace {

constexpr const char* kDb = "Provider=SQLOLEDB;Data Source=(local);Initial Catalog=OrvixDB;Integrated Security=SSPI";

class BcpToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m.activate();
    std::string error;
    ASSERT_TRUE(data::SqlInstance(m.machine()).createDatabase("OrvixDB", error)) << error;
    ASSERT_TRUE(m.files().createFolder("C:\\Backup Folder"));
    run("CREATE TABLE Sample (Id INT, Name NVARCHAR(50) COLLATE SQLSRV, Amount FLOAT, Data IMAGE, "
        "Tag UNIQUEIDENTIFIER COLLATE SQLGUID UNIQUE)");
    run("CREATE TABLE Narrow (Id INT)");
    run("INSERT INTO Sample VALUES (1, 'O''Brien \"quoted\"', 2.5, x'00FF0A0D09', 'A0000000-0000-0000-0000-000000000001')");
    run("INSERT INTO Sample VALUES (NULL, NULL, NULL, NULL, NULL)");
    run("INSERT INTO Sample VALUES (-9000000000, 'Zoë 名前' || char(9) || 'tab' || char(10) || 'line', -0.125, x'', "
        "'A0000000-0000-0000-0000-000000000003')");
    run("INSERT INTO Sample VALUES (4, '', 1e300, zeroblob(3), NULL)");
  }

  void run(const std::string& sql) { data::Session::open(m.machine(), kDb)->execute(sql); }
  // Every row with each value's type and SQL literal, in row order.
  std::string snapshot(const char* table = "Sample") {
    auto s = data::Session::open(m.machine(), kDb);
    std::string out;
    data::Statement st = s->prepare(std::string("SELECT * FROM ") + table + " ORDER BY rowid");
    while (sqlite3_step(st.get()) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(st.get()); ++c) {
        sqlite3_value* v = sqlite3_column_value(st.get(), c);
        sqlite3_stmt* q = nullptr;
        sqlite3_prepare_v2(s->db(), "SELECT typeof(?1) || ':' || quote(?1)", -1, &q, nullptr);
        sqlite3_bind_value(q, 1, v);
        sqlite3_step(q);
        out += reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
        out += '|';
        sqlite3_finalize(q);
      }
      out += '\n';
    }
    return out;
  }
  ToolRun bcp(const std::string& table, const char* dir, const std::string& file) {
    return runTool("bcp", "'OrvixDB.." + table + "' " + dir + " '" + file + "' -n -T");
  }

  ScratchMachine m;
};

TEST_F(BcpToolTest, OutThenInRestoresEveryValueWithItsTypeAndInAppends) {
  const std::string before = snapshot();
  const ToolRun out = bcp("Sample", "out", "C:\\Backup Folder\\SampleBackup.txt");
  ASSERT_EQ(out.exitCode, 0) << out.output;
  EXPECT_EQ(out.output, "\nStarting copy...\n\n4 rows copied.\n");

  run("DELETE FROM Sample");
  const ToolRun in = bcp("sample", "IN", "c:\\backup folder\\SAMPLEBACKUP.TXT");
  ASSERT_EQ(in.exitCode, 0) << in.output;
  EXPECT_EQ(in.output, "\nStarting copy...\n\n4 rows copied.\n");
  EXPECT_EQ(snapshot(), before);

  run("UPDATE Sample SET Tag = NULL");
  ASSERT_EQ(bcp("Sample", "in", "C:\\Backup Folder\\SampleBackup.txt").exitCode, 0);
  EXPECT_EQ(data::Session::open(m.machine(), kDb)->query("SELECT count(*) FROM Sample").rows[0][0].intValue(), 8);
}

TEST_F(BcpToolTest, RunsFromTheCommandLinesTheRestoreStarts) {
  const std::string before = snapshot();
  Processes processes(m.machine());
  for (const char* line : {"BCP OrvixDB..Sample out \"C:\\Backup Folder\\ConfigDBBackup.txt\" -n -T",
                           "BCP OrvixDB..Sample in \"C:\\Backup Folder\\ConfigDBBackup.txt\" -n -T"}) {
    long pid = 0;
    ASSERT_TRUE(processes.start(line, 1, pid)) << line;
    ASSERT_EQ(Processes::wait(pid, kWaitInfinite), WaitResult::Ended);
    if (std::string_view(line).find(" out ") != std::string_view::npos) run("DELETE FROM Sample");
  }
  EXPECT_EQ(snapshot(), before);
}

TEST_F(BcpToolTest, AnEmptyTableCopiesOutAndInAsNoRows) {
  ASSERT_EQ(bcp("Narrow", "out", "C:\\Backup Folder\\n.txt").exitCode, 0);
  const ToolRun in = bcp("Narrow", "in", "C:\\Backup Folder\\n.txt");
  EXPECT_EQ(in.exitCode, 0);
  EXPECT_NE(in.output.find("0 rows copied."), std::string::npos);
}

TEST_F(BcpToolTest, ARowTheTableRefusesImportsNothing) {
  ASSERT_EQ(bcp("Sample", "out", "C:\\Backup Folder\\s.txt").exitCode, 0);
  run("DELETE FROM Sample WHERE Id = 1");
  const std::string before = snapshot();  // row 3's Tag is still there: the third file row clashes
  const ToolRun in = bcp("Sample", "in", "C:\\Backup Folder\\s.txt");
  EXPECT_EQ(in.exitCode, 1);
  EXPECT_NE(in.output.find("UNIQUE"), std::string::npos) << in.output;
  EXPECT_EQ(snapshot(), before);
}

struct BadFile {
  const char* name;
  std::function<std::string(const std::string&)> damage;  // good file -> content
  const char* message;
};

class BcpBadFileTest : public BcpToolTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BcpBadFileTest, ImportsNothingAndSaysWhy) {
  ASSERT_EQ(bcp("Sample", "out", "C:\\Backup Folder\\s.txt").exitCode, 0);
  std::string good;
  ASSERT_TRUE(m.files().readAll("C:\\Backup Folder\\s.txt", good));
  ASSERT_TRUE(m.files().writeAll("C:\\Backup Folder\\bad.txt", GetParam().damage(good)));
  run("DELETE FROM Sample WHERE Id = 1");
  run("UPDATE Sample SET Tag = NULL");
  const std::string before = snapshot();

  const ToolRun in = bcp("Sample", "in", "C:\\Backup Folder\\bad.txt");
  EXPECT_EQ(in.exitCode, 1);
  EXPECT_NE(in.output.find(GetParam().message), std::string::npos) << in.output;
  EXPECT_EQ(snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BcpBadFileTest,
    ::testing::Values(
        BadFile{"LastByteCut", [](const std::string& g) { return g.substr(0, g.size() - 1); }, "Unexpected EOF"},
        BadFile{"HalfCut", [](const std::string& g) { return g.substr(0, g.size() / 2); }, "Unexpected EOF"},
        BadFile{"EndMarkerMissing", [](const std::string& g) { return g.substr(0, g.size() - 17); }, "Unexpected EOF"},
        BadFile{"FlippedByte",
                [](const std::string& g) {
                  std::string b = g;
                  b[20] ^= 0x01;
                  return b;
                },
                "BCP data-file"},
        BadFile{"Garbage", [](const std::string&) { return std::string("Id\tName\n1\tx\n"); }, "Invalid BCP host data-file"},
        BadFile{"Empty", [](const std::string&) { return std::string(); }, "Invalid BCP host data-file"},
        BadFile{"OtherTable", [](const std::string& g) { return g.substr(0, 8) + std::string("\x01\0\0\0", 4) + g.substr(12); },
                "holds 1 columns, the table 5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BcpToolTest, RefusesWhatItCannotDo) {
  struct Case {
    const char* name;
    std::string args;
    const char* message;
  } cases[] = {
      {"unknown table", "OrvixDB..NoSuch out 'C:\\Backup Folder\\x.txt' -n -T", "Invalid object name 'OrvixDB..NoSuch'"},
      {"missing file", "OrvixDB..Sample in 'C:\\Backup Folder\\none.txt' -n -T", "Unable to open BCP host data-file"},
      {"character format", "OrvixDB..Sample out 'C:\\Backup Folder\\x.txt' -c -T", "unsupported switch -c"},
      {"no direction", "OrvixDB..Sample 'C:\\Backup Folder\\x.txt' -n -T", "usage: bcp"},
      {"no table", "OrvixDB out 'C:\\Backup Folder\\x.txt' -n -T", "usage: bcp"},
  };
  for (const Case& c : cases) {
    const ToolRun r = runTool("bcp", c.args);
    EXPECT_EQ(r.exitCode, 1) << c.name;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << c.name << ": " << r.output;
  }
  EXPECT_FALSE(m.files().exists("C:\\Backup Folder\\x.txt"));
}

}  // namespace
}  // namespace vrel::test
