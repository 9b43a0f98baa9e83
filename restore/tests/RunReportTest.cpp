// The pieces of the run's records: what counts as a leftover, the picture of
// the machine and its difference, and the report's JSON for awkward text.
#include "platform/Services.h"
#include "platform/Sqlite.h"
#include "platform/data/SqlInstance.h"
#include "restore/run/LeftoverScan.h"
#include "restore/run/RunReport.h"
#include "restore/tests/support/RegistryDrill.h"
#include "tests/support/ScratchMachine.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace vrel::test {
namespace {

using restore::LeftoverTerm;

TEST(LeftoverScan, HoldsLeftover) {
  struct Row {
    const char* name;
    const char* text;
    LeftoverTerm term;
    bool hit;
  };
  const Row rows[] = {
      {"plain", "\\\\ORVIXOLD\\share", {"old server name", "ORVIXOLD", "ORVIXNEW"}, true},
      {"any case", "on orvixold", {"old server name", "ORVIXOLD", "ORVIXNEW"}, true},
      {"absent", "on ORVIXNEW", {"old server name", "ORVIXOLD", "ORVIXNEW"}, false},
      {"only inside the new value", "D:\\Orvix2\\Logs", {"old install root", "D:\\Orvix", "D:\\Orvix2"}, false},
      {"inside the new value and alone", "D:\\Orvix2;D:\\Orvix\\x", {"old install root", "D:\\Orvix", "D:\\Orvix2"}, true},
      {"new value in other case", "d:\\orvix2\\x", {"old install root", "D:\\Orvix", "D:\\Orvix2"}, false},
  };
  for (const Row& r : rows) EXPECT_EQ(restore::holdsLeftover(r.text, r.term), r.hit) << r.name;
}

TEST(LeftoverScan, SkipsTermsTheNewMachineSharesOrLacks) {
  ScratchMachine m;
  putValue(m.registry(), "SOFTWARE\\Tremarc\\X", RegValue::text("Server", "SAME"));
  std::vector<std::string> problems;
  const auto hits = restore::scanForLeftovers(
      m.machine(), {{"old server name", "SAME", "same"}, {"old system ID", "", "1234"}}, problems);
  EXPECT_TRUE(hits.empty());
  const auto found = restore::scanForLeftovers(m.machine(), {{"old server name", "SAME", "OTHER"}}, problems);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].logLine(),
            "(warning) leftover of the old server name \"SAME\": registry HKEY_LOCAL_MACHINE\\SOFTWARE\\Tremarc\\X "
            "value \"Server\"");
  EXPECT_TRUE(problems.empty());
}

// The server databases are searched cell by cell: text in any case, a
// number by its digits, text beyond ASCII; one line per table and column.
TEST(LeftoverScan, FindsTermsInEveryKindOfCell) {
  ScratchMachine m;
  std::string error;
  data::SqlInstance instance(m.machine());
  ASSERT_TRUE(instance.createDatabase("OrvixDB", error)) << error;
  {
    sql::Database db;
    ASSERT_TRUE(db.open(instance.databaseFile("OrvixDB"), false, error)) << error;
    ASSERT_TRUE(db.exec("CREATE TABLE T (Id INTEGER, Server TEXT, Path TEXT, Amount REAL);"
                        "INSERT INTO T VALUES (40123, 'orvixold', 'E:\\Orvix\\a', 1.5),"
                        "(7, 'Grüße von OrvixOld', 'E:\\OrvixNew\\b', 40123.0),"
                        "(8, 'ORVIXNEW', NULL, 2.0)",
                        &error))
        << error;
  }
  std::vector<std::string> problems;
  const auto hits = restore::scanForLeftovers(m.machine(),
                                              {{"old server name", "ORVIXOLD", "ORVIXNEW"},
                                               {"old install root", "E:\\Orvix", "E:\\OrvixNew"},
                                               {"old system ID", "40123", "555"}},
                                              problems);
  std::vector<std::string> lines;
  for (const auto& h : hits) lines.push_back(h.logLine());
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "(warning) leftover of the old install root \"E:\\Orvix\": OrvixDB table T, column Path, 1 row(s)",
                       "(warning) leftover of the old server name \"ORVIXOLD\": OrvixDB table T, column Server, 2 row(s)",
                       "(warning) leftover of the old system ID \"40123\": OrvixDB table T, column Amount, 1 row(s)",
                       "(warning) leftover of the old system ID \"40123\": OrvixDB table T, column Id, 1 row(s)"}));
  EXPECT_TRUE(problems.empty());
}

// The run scans the databases on a second thread while it reads the
// registry and takes its picture: the two halves, run side by side, find
// what the whole scan finds, each in its own places.
TEST(LeftoverScan, HalvesRunSideBySideFindWhatTheWholeScanFinds) {
  ScratchMachine m;
  putValue(m.registry(), "SOFTWARE\\Tremarc\\X", RegValue::text("Server", "\\\\ORVIXOLD\\share"));
  std::string error;
  data::SqlInstance instance(m.machine());
  for (const char* name : {"OrvixDB", "ReportDB"}) {
    ASSERT_TRUE(instance.createDatabase(name, error)) << error;
    sql::Database db;
    ASSERT_TRUE(db.open(instance.databaseFile(name), false, error)) << error;
    ASSERT_TRUE(db.exec("CREATE TABLE T (Server TEXT); INSERT INTO T VALUES ('orvixold'), ('ORVIXNEW')", &error));
  }
  const std::vector<LeftoverTerm> terms = {{"old server name", "ORVIXOLD", "ORVIXNEW"}};
  std::vector<std::string> problems, databaseProblems;
  std::vector<restore::LeftoverHit> registryHits, databaseHits;
  {
    std::jthread databases(
        [&] { databaseHits = restore::scanDatabasesForLeftovers(m.machine(), terms, databaseProblems); });
    MachineSnapshot picture;
    EXPECT_TRUE(takeMachineSnapshot(m.machine(), picture, error)) << error;
    registryHits = restore::scanRegistryForLeftovers(m.machine(), terms, problems);
  }
  auto lines = [](const std::vector<restore::LeftoverHit>& hits) {
    std::vector<std::string> out;
    for (const auto& h : hits) out.push_back(h.logLine());
    return out;
  };
  EXPECT_EQ(lines(registryHits),
            (std::vector<std::string>{"(warning) leftover of the old server name \"ORVIXOLD\": registry "
                                      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tremarc\\X value \"Server\""}));
  EXPECT_EQ(lines(databaseHits),
            (std::vector<std::string>{
                "(warning) leftover of the old server name \"ORVIXOLD\": OrvixDB table T, column Server, 1 row(s)",
                "(warning) leftover of the old server name \"ORVIXOLD\": ReportDB table T, column Server, 1 row(s)"}));
  std::vector<std::string> joined = lines(registryHits);
  for (const std::string& l : lines(databaseHits)) joined.push_back(l);
  EXPECT_EQ(lines(restore::scanForLeftovers(m.machine(), terms, problems)), joined);
  EXPECT_TRUE(problems.empty());
  EXPECT_TRUE(databaseProblems.empty());
}

// Every kind of change between two pictures, and nothing else.
TEST(MachineSnapshot, DiffNamesEachChange) {
  ScratchMachine m;
  Machine& machine = m.machine();
  putValue(m.registry(), "SOFTWARE\\T", RegValue::text("Kept", "same"));
  putValue(m.registry(), "SOFTWARE\\T", RegValue::text("Changed", "old"));
  putValue(m.registry(), "SOFTWARE\\T", RegValue::dword("Gone", 7));
  std::string error;
  data::SqlInstance instance(machine);
  ASSERT_TRUE(instance.createDatabase("TestDB", error)) << error;
  {
    sql::Database db;
    ASSERT_TRUE(db.open(instance.databaseFile("TestDB"), false, error)) << error;
    ASSERT_TRUE(db.exec("CREATE TABLE T (id INTEGER, v TEXT); INSERT INTO T VALUES (1,'a'),(2,'b'),(3,'c')", &error));
  }
  ASSERT_TRUE(m.files().writeAll("C:\\keep.txt", "k"));
  ASSERT_TRUE(m.files().writeAll("C:\\change.txt", "1"));
  ASSERT_TRUE(m.files().writeAll("C:\\remove.txt", "r"));
  Services services(machine);
  ASSERT_TRUE(services.add({"Svc", "", ServiceState::Running}, error)) << error;

  MachineSnapshot before, after;
  ASSERT_TRUE(takeMachineSnapshot(machine, before, error)) << error;
  putValue(m.registry(), "SOFTWARE\\T", RegValue::text("Changed", "new"));
  putValue(m.registry(), "SOFTWARE\\T", RegValue::text("Added", "x"));
  ASSERT_EQ(m.registry().deleteValue(Hive::LocalMachine, "SOFTWARE\\T", "Gone"), kRegOk);
  {
    sql::Database db;
    ASSERT_TRUE(db.open(instance.databaseFile("TestDB"), false, error)) << error;
    ASSERT_TRUE(db.exec("UPDATE T SET v='B' WHERE id=2; DELETE FROM T WHERE id=3; INSERT INTO T VALUES (4,'d'),(5,'e')",
                        &error));
  }
  ASSERT_TRUE(m.files().writeAll("C:\\change.txt", "22"));
  ASSERT_TRUE(m.files().deleteFile("C:\\remove.txt", true));
  ASSERT_TRUE(m.files().writeAll("C:\\new.txt", "n"));
  ASSERT_TRUE(m.files().createFolder("D:\\Deep\\Er"));
  ASSERT_TRUE(m.files().writeAll("D:\\Deep\\Er\\nested.txt", "n"));
  ASSERT_TRUE(services.setState("Svc", ServiceState::Stopped, error)) << error;
  ASSERT_TRUE(takeMachineSnapshot(machine, after, error)) << error;

  const MachineChanges c = diffMachineSnapshots(before, after);
  std::vector<std::string> values;
  for (const auto& v : c.values)
    values.push_back(v.name + ": " + (v.had ? v.before : "-") + " -> " + (v.has ? v.after : "-"));
  EXPECT_EQ(values, (std::vector<std::string>{"Added: - -> x", "Changed: old -> new", "Gone: dword:7 -> -"}));
  ASSERT_EQ(c.tables.size(), 1u);
  EXPECT_EQ(c.tables[0].table, "TestDB.T");
  EXPECT_EQ(c.tables[0].written, 3u);  // (2,'B'), 4, 5
  EXPECT_EQ(c.tables[0].removed, 2u);  // (2,'b'), 3
  std::vector<std::string> files;
  for (const auto& f : c.files) files.push_back(f.path + " " + f.how);
  EXPECT_EQ(files, (std::vector<std::string>{"C:\\change.txt changed", "C:\\new.txt added", "C:\\remove.txt removed",
                                             "D:\\Deep\\Er\\nested.txt added"}));
  ASSERT_EQ(c.services.size(), 1u);
  EXPECT_EQ(c.services[0].before, 4);
  EXPECT_EQ(c.services[0].after, 1);
}

TEST(RunReport, JsonKeepsAwkwardTextAndClosesTheAbortedPhase) {
  restore::RunReport report;
  report.begin();
  report.beginPhase("registry restore");
  const std::string awkward = "(error) \"quoted\" back\\slash\ttab\x01 \xC3\xA4 \xFF";
  report.noteLine(awkward);
  report.noteLine("(warning) w");
  report.noteLine("plain");
  report.finish(true);
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(report.toJson()), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << report.toJson();
  const QJsonObject o = doc.object();
  EXPECT_EQ(o["outcome"].toString(), "aborted");
  EXPECT_EQ(o["errors"].toArray()[0].toString().toStdString(), "(error) \"quoted\" back\\slash\ttab\x01 \xC3\xA4 \xEF\xBF\xBD");
  EXPECT_EQ(o["warnings"].toArray().size(), 1);
  const QJsonObject phase = o["phases"].toArray()[0].toObject();
  EXPECT_EQ(phase["outcome"].toString(), "aborted");
  EXPECT_EQ(phase["errors"].toInt(), 1);
}

}  // namespace
}  // namespace vrel::test
