// OrvixDB's views behave as their readers expect, the reference and object
// type lists name real columns, and the stored procedure list is well formed.
#include "standin/server/ObjectReferences.h"
#include "standin/server/OrvixSchema.h"
#include "standin/server/StoredProcedures.h"
#include "standin/tests/SchemaTestDb.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

#include <set>

namespace vrel {
namespace {

using test::SchemaTestDb;

// An administrator whose primary call handler has two extensions, and an
// operator handler without any.
constexpr const char* kViewRows = R"(
INSERT INTO Subscriber (SubscriberObjectID, Alias, SubscriberType, CallHandlerObjectID)
  VALUES ('6F9619FF-8B86-D011-B42D-00C04FC964FF', 'EAdministrator', 1, '0B4F3461-8DB9-4821-A7C3-DA130A240C16');
INSERT INTO CallHandler (CallHandlerObjectID, Alias, IsPrimary)
  VALUES ('0B4F3461-8DB9-4821-A7C3-DA130A240C16', 'ch_EAdministrator', 1);
INSERT INTO CallHandler (CallHandlerObjectID, Alias, TextName)
  VALUES ('47EA3A7C-884F-4362-8BA4-1858720B5803', 'Operator', 'Operator');
INSERT INTO DTMFAccessID (DTMFAccessID, ParentObjectID) VALUES ('5001', '0B4F3461-8DB9-4821-A7C3-DA130A240C16');
INSERT INTO DTMFAccessID (DTMFAccessID, ParentObjectID) VALUES ('5002', '0B4F3461-8DB9-4821-A7C3-DA130A240C16');
)";

class OrvixViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db.createSchema(standin::orvixDbObjects()));
    ASSERT_EQ(db.run(kViewRows), "");
  }
  SchemaTestDb db;
};

TEST_F(OrvixViewTest, CallHandlerViewListsAHandlerOncePerExtension) {
  EXPECT_EQ(db.count("SELECT COUNT(*) FROM vw_CallHandler WHERE Alias='ch_EAdministrator'"), 2);
  EXPECT_EQ(db.count("SELECT COUNT(*) FROM vw_CallHandler WHERE Alias='operator' AND DTMFAccessID IS NULL"), 1);
}

TEST_F(OrvixViewTest, ViewsCompareTextAndGuidsAsTheirTables) {
  EXPECT_EQ(db.count("SELECT COUNT(*) FROM vw_Subscriber WHERE Alias='EADMINISTRATOR '"), 1);
  EXPECT_EQ(
      db.count("SELECT COUNT(*) FROM vw_Subscriber WHERE SubscriberObjectID='{6f9619ff-8b86-d011-b42d-00c04fc964ff}'"),
      1);
  EXPECT_EQ(
      db.count(
          "SELECT COUNT(*) FROM vw_CallHandler WHERE CallHandlerObjectID='{0b4f3461-8db9-4821-a7c3-da130a240c16}'"),
      2);
}

TEST_F(OrvixViewTest, SubscriberSearchFindsASubscriberByItsHandlersExtension) {
  EXPECT_EQ(db.count("SELECT COUNT(*) FROM (SELECT vw_Subscriber.Alias FROM vw_CallHandler INNER JOIN vw_Subscriber ON "
                     "vw_CallHandler.CallHandlerObjectId = vw_Subscriber.CallHandlerObjectId WHERE "
                     "vw_Subscriber.SubscriberType IN (1,3)AND (vw_CallHandler.DTMFAccessID LIKE '5002') GROUP BY "
                     "vw_Subscriber.Alias)"),
            1);
}

TEST(OrvixReferencesTest, ObjectTypeTablesNameGuidIdColumns) {
  SchemaTestDb db;
  ASSERT_TRUE(db.createSchema(standin::orvixDbObjects()));
  for (const auto& type : standin::objectTypeTables()) {
    EXPECT_EQ(db.collation(type.table, type.idColumn), "SQLGUID") << type.table << "." << type.idColumn;
    EXPECT_EQ(standin::findObjectTypeTable(type.code), &type);
  }
  for (int code : {0, 4, 7, 9}) EXPECT_EQ(standin::findObjectTypeTable(code), nullptr) << code;
}

TEST(OrvixReferencesTest, NewObjectsGetFreshObjectIds) {
  SchemaTestDb db;
  ASSERT_TRUE(db.createSchema(standin::orvixDbObjects()));
  for (const auto& type : standin::objectTypeTables()) {
    const std::string table = type.table;
    ASSERT_EQ(db.run("INSERT INTO " + table + " DEFAULT VALUES; INSERT INTO " + table + " DEFAULT VALUES"), "")
        << table;
    EXPECT_EQ(db.count("SELECT COUNT(DISTINCT " + std::string(type.idColumn) + ") FROM " + table), 2) << table;
  }
}

TEST(OrvixReferencesTest, EveryReferenceNamesColumnsOfTheRightKind) {
  SchemaTestDb db;
  ASSERT_TRUE(db.createSchema(standin::orvixDbObjects()));
  for (const auto& ref : standin::objectReferences()) {
    const std::string where = std::string(ref.table) + "." + ref.column;
    const bool byAlias = ref.role == standin::ReferenceRole::AliasOwner;
    EXPECT_EQ(db.collation(ref.table, ref.column), byAlias ? "SQLSRV" : "SQLGUID") << where;
    if (ref.typeColumn) {
      EXPECT_EQ(db.collation(ref.table, ref.typeColumn), "BINARY") << where << " type";
    }
    if (ref.actionColumn) {
      EXPECT_EQ(db.collation(ref.table, ref.actionColumn), "BINARY") << where << " action";
    }
    if (ref.conversationColumn) {
      EXPECT_EQ(db.collation(ref.table, ref.conversationColumn), "SQLSRV") << where << " conversation";
    }
    // A conversation reference has both an action and a conversation column.
    EXPECT_EQ(ref.actionColumn == nullptr, ref.conversationColumn == nullptr) << where;
  }
}

TEST(OrvixProceduresTest, NamesAndParametersAreUniqueIgnoringCase) {
  std::set<std::string> names;
  for (const auto& proc : standin::orvixDbProcedures()) {
    EXPECT_TRUE(names.insert(foldCase(proc.name)).second) << proc.name;
    std::set<std::string> params;
    for (const auto& param : proc.parameters) {
      EXPECT_EQ(param.name[0], '@') << proc.name << " " << param.name;
      EXPECT_TRUE(params.insert(foldCase(param.name)).second) << proc.name << " " << param.name;
    }
  }
}

TEST(OrvixProceduresTest, LookupsIgnoreCase) {
  const auto* proc = standin::findOrvixDbProcedure("SP_DELETESUBSCRIBER");
  ASSERT_NE(proc, nullptr);
  EXPECT_STREQ(proc->name, "sp_DeleteSubscriber");
  const auto* param = standin::findParameter(*proc, "@subscriberobjectid");
  ASSERT_NE(param, nullptr);
  EXPECT_EQ(param->type, standin::ParameterType::Guid);
  EXPECT_EQ(standin::findParameter(*proc, "@ObjectID"), nullptr);
  EXPECT_EQ(standin::findOrvixDbProcedure("sp_DeleteSubscriber2"), nullptr);
}

}  // namespace
}  // namespace vrel
