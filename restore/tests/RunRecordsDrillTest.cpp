// The run's records beyond its log, after a whole restore of an old server
// onto a new machine: the leftover scan finds the old names planted where
// the restore does not replace them, and the JSON report beside the log
// fits its schema and tells what the log and the machine tell.
#include "platform/data/ServerFunctions.h"
#include "platform/data/SqlInstance.h"
#include "restore/tests/support/JsonSchemaCheck.h"
#include "restore/tests/support/RegistryDrill.h"
#include "restore/tests/support/RestoreFixture.h"
#include "standin/server/Populate.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace vrel::test {
namespace {

constexpr const char* kPlantedKey = "SOFTWARE\\Tremarc\\Planted";

QJsonObject readJson(const std::string& hostPath) {
  QFile file(QString::fromStdString(hostPath));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << hostPath;
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
  return doc.object();
}

std::vector<std::string> strings(const QJsonArray& array) {
  std::vector<std::string> out;
  for (const QJsonValue& v : array) out.push_back(v.toString().toStdString());
  return out;
}

class RunRecordsDrill : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ProvisionOptions o;
    o.computerName = "ORVIXOLD";
    o.installRoot = "E:\\Orvix\\";
    m_old = std::make_unique<OldServerBackup>(o, [](Machine& old) {
      populateOrFail(old, 8);
      // Old names where no fix-up looks: a registry value of its own key
      // and a setup parameter of the database.
      putValue(old.registry(), kPlantedKey, RegValue::text("Note", "share \\\\orvixold\\notes under E:\\Orvix\\Notes"));
      std::string error;
      sql::Database db;
      ASSERT_TRUE(db.open(data::SqlInstance(old).databaseFile("OrvixDB"), false, error)) << error;
      ASSERT_TRUE(data::registerServerFunctions(db.handle(), error)) << error;
      ASSERT_TRUE(db.exec("INSERT INTO OrvixSetupParameters (Name, Value) VALUES ('PlantedNote', 'kept on ORVIXOLD')",
                          &error))
          << error;
    });
    m_backup = m_old->folder();
    m_new.scratch().activate();
    standin::ProvisionOptions n;
    n.computerName = "ORVIXNEW";
    n.installRoot = "D:\\Program Files\\Orvix\\";
    m_new.provision(n);
  }

  std::optional<restore::ProgramEnd> restore() {
    restore::frmMain& form = m_new.start();
    if (auto end = m_new.event([&] { form.Form_Load(); })) return end;
    m_new.ui.folders.push_back(m_backup);
    if (auto end = m_new.event([&] { form.cmdBrowse_Click(); })) return end;
    return m_new.event([&] { form.cmdRestore_Click(); });
  }

  std::unique_ptr<OldServerBackup> m_old;
  std::string m_backup;
  RestoreMachine m_new;
};

TEST_F(RunRecordsDrill, TheScanFindsThePlantedOldNamesAndTheReportFitsItsSchema) {
  ASSERT_EQ(restore(), std::nullopt);
  const std::vector<std::string> lines = runLogLines(m_new.files(), m_backup + "DisasterRecoveryRestore.log");

  // The hits close the log, after the finishing line.
  const auto finished = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("Finished disaster reocovery restore at: ", 0) == 0;
  });
  ASSERT_NE(finished, lines.end());
  const std::vector<std::string> tail(finished + 1, lines.end());
  const std::vector<std::string> planted = {
      "(warning) leftover of the old server name \"ORVIXOLD\": registry HKEY_LOCAL_MACHINE\\" + std::string(kPlantedKey) +
          " value \"Note\"",
      "(warning) leftover of the old install root \"E:\\Orvix\": registry HKEY_LOCAL_MACHINE\\" +
          std::string(kPlantedKey) + " value \"Note\"",
      "(warning) leftover of the old server name \"ORVIXOLD\": OrvixDB table OrvixSetupParameters, column Value, 1 "
      "row(s)",
  };
  for (const std::string& want : planted) EXPECT_TRUE(hasLine(tail, want)) << want << "\n" << testing::PrintToString(tail);
  for (const std::string& line : tail) EXPECT_EQ(line.rfind("(warning) leftover of the old ", 0), 0u) << line;

  // The report: beside the log, whole, and fitting its schema.
  const std::string host = m_new.files().paths().toHost(m_backup + "DisasterRecoveryRestore.json");
  const QJsonObject report = readJson(host);
  const QJsonObject schema = readJson(VREL_SOURCE_DIR "/docs/run-report.schema.json");
  EXPECT_EQ(schemaViolations(report, schema), std::vector<std::string>{});
  EXPECT_FALSE(m_new.files().exists(m_backup + "DisasterRecoveryRestore.json.vrel-tmp"));

  // Its phases in the run's order, each closed; the scan comes last.
  std::vector<std::string> phases;
  for (const QJsonValue& p : report["phases"].toArray()) {
    phases.push_back(p["name"].toString().toStdString());
    EXPECT_FALSE(p["end"].toString().isEmpty()) << phases.back();
  }
  const std::vector<std::string> order = {"start", "registry restore", "database restore", "database fix-ups",
                                          "file restores", "resynchronise and restart", "leftover scan"};
  auto at = phases.begin();
  for (const std::string& name : order) {
    at = std::find(at, phases.end(), name);
    EXPECT_NE(at, phases.end()) << "missing or out of order: " << name;
  }

  // Its error and warning lines are the log's.
  std::vector<std::string> logErrors, logWarnings;
  for (const std::string& line : lines) {
    if (ifind(line, "(error)") != std::string::npos) logErrors.push_back(line);
    if (ifind(line, "(warning)") != std::string::npos) logWarnings.push_back(line);
  }
  EXPECT_EQ(strings(report["errors"].toArray()), logErrors);
  EXPECT_EQ(strings(report["warnings"].toArray()), logWarnings);
  const QJsonArray leftovers = report["leftovers"].toArray();
  EXPECT_EQ(static_cast<std::size_t>(leftovers.size()), tail.size());

  // What changed: the restored database's rows, the registry the backup
  // brought (the planted value among them), and counts that match the lists.
  const QJsonObject counts = report["counts"].toObject();
  EXPECT_EQ(counts["registryValues"].toInt(), report["registryValues"].toArray().size());
  EXPECT_EQ(counts["files"].toInt(), report["files"].toArray().size());
  bool subscribersWritten = false;
  for (const QJsonValue& t : report["tables"].toArray())
    subscribersWritten |= t["table"].toString() == "OrvixDB.Subscriber" && t["rowsWritten"].toInt() > 0;
  EXPECT_TRUE(subscribersWritten);
  bool plantedValue = false;
  for (const QJsonValue& v : report["registryValues"].toArray())
    plantedValue |= v["key"].toString().endsWith("\\Planted", Qt::CaseInsensitive) && v["before"].isNull() &&
                    v["name"].toString() == "Note";
  EXPECT_TRUE(plantedValue);
}

}  // namespace
}  // namespace vrel::test
