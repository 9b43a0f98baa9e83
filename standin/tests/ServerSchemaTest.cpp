// The stand-in server's database schemas: every statement runs, creates the
// object it is listed under and nothing else, and the columns follow the
// server's conventions (collations, types a recordset can read).
#include "standin/server/AccessSchemas.h"
#include "standin/server/OrvixSchema.h"
#include "standin/server/ReportSchema.h"
#include "standin/tests/SchemaTestDb.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

#include <set>

namespace vrel {
namespace {

using standin::SchemaKind;
using standin::SchemaObject;
using test::SchemaTestDb;

struct SchemaCase {
  const char* name;
  std::span<const SchemaObject> (*objects)();
  const char* (*script)();
};
void PrintTo(const SchemaCase& row, std::ostream* os) {
  *os << row.name;
}

const SchemaCase kSchemas[] = {
    {"OrvixDB", standin::orvixDbObjects, standin::orvixDbSchemaSql},
    {"ReportDB", standin::reportDbObjects, standin::reportDbSchemaSql},
    {"ConfigInfoMdb", standin::configInfoMdbObjects, standin::configInfoMdbSchemaSql},
    {"SubscriberInfoMdb", standin::subscriberInfoMdbObjects, standin::subscriberInfoMdbSchemaSql},
    {"MdbCertificate", standin::mdbCertificateObjects, standin::mdbCertificateSchemaSql},
};

// The collation a column must carry, by its declared type.
std::string expectedCollation(const std::string& declaredType) {
  const std::string t = foldCase(declaredType);
  if (t.find("UNIQUEIDENTIFIER") != std::string::npos || t.find("GUID") != std::string::npos) return "SQLGUID";
  if (t.find("CHAR") != std::string::npos || t.find("TEXT") != std::string::npos) return "SQLSRV";
  return "BINARY";
}

class ServerSchemaTest : public ::testing::TestWithParam<SchemaCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(db.ok()); }
  std::span<const SchemaObject> objects() const { return GetParam().objects(); }

  SchemaTestDb db;
};

TEST_P(ServerSchemaTest, EveryStatementRunsOnItsOwnInListOrder) {
  for (const SchemaObject& object : objects()) EXPECT_EQ(db.run(object.sql), "") << object.name;
}

TEST_P(ServerSchemaTest, ScriptCreatesExactlyTheListedObjects) {
  ASSERT_EQ(db.run(GetParam().script()), "");
  std::set<std::pair<std::string, std::string>> listed;
  for (const SchemaObject& object : objects()) {
    EXPECT_TRUE(listed.emplace(standin::schemaKindName(object.kind), foldCase(object.name)).second)
        << "listed twice: " << object.name;
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM sqlite_master WHERE type='" + std::string(schemaKindName(object.kind)) +
                       "' AND name='" + object.name + "'"),
              1)
        << object.name;
  }
  EXPECT_EQ(db.count("SELECT COUNT(*) FROM sqlite_master WHERE name NOT LIKE 'sqlite_autoindex_%'"),
            static_cast<long long>(listed.size()));
}

TEST_P(ServerSchemaTest, TextAndGuidColumnsCompareAsTheServerDoes) {
  ASSERT_TRUE(db.createSchema(objects()));
  for (const SchemaObject& object : objects()) {
    if (object.kind != SchemaKind::Table) continue;
    for (const auto& column : db.columns(object.name))
      EXPECT_EQ(db.collation(object.name, column.name), expectedCollation(column.declaredType))
          << object.name << "." << column.name << " " << column.declaredType;
  }
}

TEST_P(ServerSchemaTest, EveryColumnHasADeclaredTypeForRecordsetFields) {
  ASSERT_TRUE(db.createSchema(objects()));
  for (const SchemaObject& object : objects()) {
    if (object.kind == SchemaKind::Index) continue;
    const auto columns = db.columns(object.name);
    EXPECT_FALSE(columns.empty()) << object.name;
    for (const auto& column : columns) EXPECT_FALSE(column.declaredType.empty()) << object.name << "." << column.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Databases, ServerSchemaTest, ::testing::ValuesIn(kSchemas),
                         [](const auto& info) { return std::string(info.param.name); });

// Rows the OrvixDB constraints must accept or refuse.
struct ConstraintRow {
  const char* name;
  const char* first;
  const char* second;
  bool secondAccepted;
};
void PrintTo(const ConstraintRow& row, std::ostream* os) {
  *os << row.name;
}

const ConstraintRow kConstraintRows[] = {
    // The restore reports a duplicated object ID; the stand-in must hold one.
    {"DuplicateObjectIdIsHeld",
     "INSERT INTO Subscriber (SubscriberObjectID, Alias) VALUES ('6F9619FF-8B86-D011-B42D-00C04FC964FF', 'a')",
     "INSERT INTO Subscriber (SubscriberObjectID, Alias) VALUES ('6F9619FF-8B86-D011-B42D-00C04FC964FF', 'b')", true},
    {"ExtensionIsUniqueIgnoringTrailingBlanks",
     "INSERT INTO DTMFAccessID (DTMFAccessID, ParentObjectID) VALUES ('5001', NULL)",
     "INSERT INTO DTMFAccessID (DTMFAccessID, ParentObjectID) VALUES ('5001 ', NULL)", false},
    {"OrphanedExtensionsWithoutNumberMayRepeat",
     "INSERT INTO DTMFAccessID (DTMFAccessID, ParentObjectID) VALUES (NULL, NULL)",
     "INSERT INTO DTMFAccessID (DTMFAccessID, ParentObjectID) VALUES (NULL, NULL)", true},
    {"SetupParameterNamesIgnoreCase", "INSERT INTO OrvixSetupParameters (Name, Value) VALUES ('@SystemId', '1A')",
     "INSERT INTO OrvixSetupParameters (Name, Value) VALUES ('@SYSTEMID', '2B')", false},
    {"ConfigurationNodeIdIsUnique", "INSERT INTO Configuration (NodeID, NodeName) VALUES (7, 'a')",
     "INSERT INTO Configuration (NodeID, NodeName) VALUES (7, 'b')", false},
    {"ConfigurationNodeIdMayBeNull", "INSERT INTO Configuration (NodeID, NodeName) VALUES (NULL, 'a')",
     "INSERT INTO Configuration (NodeID, NodeName) VALUES (NULL, 'b')", true},
};

class OrvixConstraintTest : public ::testing::TestWithParam<ConstraintRow> {};

TEST_P(OrvixConstraintTest, SecondRow) {
  SchemaTestDb db;
  ASSERT_TRUE(db.createSchema(standin::orvixDbObjects()));
  ASSERT_EQ(db.run(GetParam().first), "");
  EXPECT_EQ(db.run(GetParam().second).empty(), GetParam().secondAccepted);
}

INSTANTIATE_TEST_SUITE_P(Rows, OrvixConstraintTest, ::testing::ValuesIn(kConstraintRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vrel
