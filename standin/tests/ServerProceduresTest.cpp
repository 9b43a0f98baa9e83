// The OrvixDB stored procedures on a provisioned server, called through the
// data layer as the restore program calls them: commands with named, typed
// parameters, a recordset opened on the command where the caller opens one.
#include "platform/data/AdoError.h"
#include "platform/data/Command.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "standin/server/ServerProcedures.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <functional>

namespace vrel::test {
namespace {

using data::adGUID;
using data::adInteger;
using data::adVarWChar;
using data::Command;
using data::Variant;

// The subscriber being deleted (jsmith, primary handler H1), the one taking
// over (admin2, H2), an undeletable one, and the objects that refer to them.
constexpr const char* kS1 = "11111111-0000-4000-8000-000000000001";
constexpr const char* kS2 = "11111111-0000-4000-8000-000000000002";
constexpr const char* kSU = "11111111-0000-4000-8000-000000000003";
constexpr const char* kH1 = "22222222-0000-4000-8000-000000000001";
constexpr const char* kH2 = "22222222-0000-4000-8000-000000000002";
constexpr const char* kH3 = "22222222-0000-4000-8000-000000000003";
constexpr const char* kMissing = "99999999-0000-4000-8000-000000000009";

constexpr const char* kRows = R"(
INSERT INTO Subscriber (SubscriberObjectID, Alias, SubscriberType, Undeletable, CallHandlerObjectID) VALUES
  ('11111111-0000-4000-8000-000000000001', 'jsmith', 1, 0, '22222222-0000-4000-8000-000000000001'),
  ('11111111-0000-4000-8000-000000000002', 'admin2', 1, 0, '22222222-0000-4000-8000-000000000002'),
  ('11111111-0000-4000-8000-000000000003', 'keeper', 1, 1, NULL);
INSERT INTO GlobalSubscriber (SubscriberObjectID, Alias) VALUES
  ('11111111-0000-4000-8000-000000000001', 'jsmith'), ('11111111-0000-4000-8000-000000000002', 'admin2');
INSERT INTO CallHandler (CallHandlerObjectID, Alias, IsPrimary, ExitAction, ExitObjectID, ExitObjectIDType) VALUES
  ('22222222-0000-4000-8000-000000000001', 'ch_jsmith', 1, 2, '22222222-0000-4000-8000-000000000002', 2),
  ('22222222-0000-4000-8000-000000000002', 'ch_admin2', 1, 1, NULL, NULL);
INSERT INTO CallHandler (CallHandlerObjectID, Alias, IsPrimary, AdministratorObjectID, AdministratorObjectIDType,
    RecipientObjectID, RecipientObjectIDType, AfterMessageAction, AfterMessageObjectID, AfterMessageObjectIDType,
    ExitAction, ExitObjectID, ExitObjectIDType) VALUES
  ('22222222-0000-4000-8000-000000000003', 'Operator', 0, '11111111-0000-4000-8000-000000000001', 1,
   '11111111-0000-4000-8000-000000000001', 1, 2, '22222222-0000-4000-8000-000000000001', 2,
   2, '11111111-0000-4000-8000-000000000001', 1);
INSERT INTO MessagingRule (MessagingRuleObjectID, ParentObjectID, Action, DestinationObjectID, DestinationObjectIDType)
  VALUES ('33333333-0000-4000-8000-000000000001', '22222222-0000-4000-8000-000000000001', 2,
          '22222222-0000-4000-8000-000000000001', 2),
         ('33333333-0000-4000-8000-000000000003', '22222222-0000-4000-8000-000000000003', 2,
          '22222222-0000-4000-8000-000000000001', 2);
INSERT INTO MenuEntry (MenuEntryObjectID, ParentObjectID, TouchtoneKey, Action, DestinationObjectID,
    DestinationObjectIDType) VALUES
  ('44444444-0000-4000-8000-000000000001', '22222222-0000-4000-8000-000000000001', '1', 2,
   '11111111-0000-4000-8000-000000000001', 1),
  ('44444444-0000-4000-8000-000000000003', '22222222-0000-4000-8000-000000000003', '3', 2,
   '11111111-0000-4000-8000-000000000001', 1);
INSERT INTO DTMFAccessID (DTMFAccessID, ParentObjectID) VALUES
  ('7001', '22222222-0000-4000-8000-000000000001'), ('7002', '22222222-0000-4000-8000-000000000002');
INSERT INTO NameLookupHandler (NameLookupHandlerObjectID, Alias, AdministratorObjectID, AdministratorObjectIDType,
    ExitAction, ExitObjectID, ExitObjectIDType) VALUES
  ('55555555-0000-4000-8000-000000000001', 'dir', '11111111-0000-4000-8000-000000000001', 1,
   2, '11111111-0000-4000-8000-000000000001', 1);
INSERT INTO InterviewHandler (InterviewHandlerObjectID, Alias, AdministratorObjectID, AdministratorObjectIDType,
    RecipientObjectID, RecipientObjectIDType) VALUES
  ('66666666-0000-4000-8000-000000000001', 'survey', '11111111-0000-4000-8000-000000000001', 1,
   '11111111-0000-4000-8000-000000000001', 1);
INSERT INTO DistributionList (SystemDListObjectID, Alias, AdministratorObjectID, AdministratorObjectIDType) VALUES
  ('77777777-0000-4000-8000-000000000001', 'sales', '11111111-0000-4000-8000-000000000001', 1);
INSERT INTO DistributionListMember (SystemDListObjectID, MemberObjectID, MemberObjectIDType) VALUES
  ('77777777-0000-4000-8000-000000000001', '11111111-0000-4000-8000-000000000001', 1),
  ('77777777-0000-4000-8000-000000000001', '11111111-0000-4000-8000-000000000002', 1);
INSERT INTO PersonalDlist (ParentAlias, Alias) VALUES ('jsmith', 'friends'), ('admin2', 'team');
INSERT INTO NotificationDevice (ParentAlias, DeviceName) VALUES ('JSMITH', 'Pager'), ('admin2', 'Pager');
)";

data::Parameter guidArg(const char* name, const std::string& id) {
  return Command::createParameter(name, adGUID, data::adParamInput, 0, Variant("{" + id + "}"));
}
data::Parameter intArg(const char* name, int v) {
  return Command::createParameter(name, adInteger, data::adParamInput, 0, Variant(v));
}
data::Parameter textArg(const char* name, const char* v) {
  return Command::createParameter(name, adVarWChar, data::adParamInput, 0, Variant(v));
}

data::AdoError raised(const std::function<void()>& f) {
  try {
    f();
  } catch (const data::AdoError& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return data::AdoError(0, "", "");
}

class ServerProceduresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::registerServerProcedures();
    standin::registerServerProcedures();  // a second registration changes nothing
    standin::ProvisionOptions o;
    o.installationGuid = "99999999-8888-4777-8666-555555555555";
    provisionOrFail(m(), o);
    cn.open(standin::localDatabaseConnection("OrvixDB"));
    cn.execute(kRows);
  }
  void TearDown() override { cn.close(); }
  Machine& m() { return scratch.machine(); }
  std::vector<std::string> rows(const std::string& sql) { return queryRows(m(), sql); }
  long count(const std::string& sql) { return queryCount(m(), "SELECT COUNT(*) FROM " + sql); }

  // Executes the procedure without a recordset; the records affected.
  long execute(const char* name, const std::vector<data::Parameter>& args) {
    Command cmd;
    cmd.setActiveConnection(cn);
    cmd.setCommandType(data::adCmdStoredProc);
    cmd.setCommandText(name);
    for (const auto& a : args) cmd.parameters().append(a);
    return cmd.execute();
  }
  // Opens a recordset on the call as the deletion page does; the
  // "ReferencesChanged" it answers.
  long openAndRead(const char* name, const std::vector<data::Parameter>& args) {
    Command cmd;
    cmd.setActiveConnection(cn);
    cmd.setCommandType(data::adCmdStoredProc);
    cmd.setCommandText(name);
    for (const auto& a : args) cmd.parameters().append(a);
    data::Recordset rs;
    rs.setCursorLocation(data::adUseClient);
    rs.open(cmd, data::adOpenKeyset, data::adLockReadOnly);
    EXPECT_EQ(rs.recordCount(), 1);
    const long n = rs.fields("ReferencesChanged").value().toLong().value;
    rs.close();
    return n;
  }

  ScratchMachine scratch;
  data::Connection cn{scratch.machine()};
};

std::vector<data::Parameter> preDeleteArgs() {
  return {guidArg("@ObjectID", kS1),
          intArg("@ObjectType", 1),
          intArg("@CallerInputAction", 1),
          textArg("@CallerInputConversationName", "PHTransfer"),
          guidArg("@CallerInputDestObjectID", kS1),
          intArg("@CallerInputDestObjectIDType", 1),
          guidArg("@AfterMessageDestObjectID", kS2),
          intArg("@AfterMessageDestObjectIDType", 1),
          textArg("@AfterMessageConversationName", "PHTransfer"),
          intArg("@AfterMessageAction", 2),
          intArg("@AfterGreetingAction", 4),
          textArg("@AfterGreetingConversationName", "PHTransfer"),
          guidArg("@AfterGreetingDestObjectID", kS1),
          intArg("@AfterGreetingDestObjectIDType", 1),
          guidArg("@SubExitObjectID", kH2),
          guidArg("@NameLookupHandlerExitObjectID", kS1),
          intArg("@SubExitObjectIDType", 2),
          intArg("@NameLookupHandlerExitObjectIDType", 1),
          textArg("@SubExitConversationName", "PHTransfer"),
          textArg("@NameLookupHandlerExitConversationName", "PHTransfer"),
          intArg("@SubExitAction", 2),
          intArg("@NameLookupHandlerExitAction", 1)};
}

TEST_F(ServerProceduresTest, PreDeleteObjectRedirectsReferencesAndLeavesTheOwnHandlersRows) {
  EXPECT_EQ(openAndRead("sp_PreDeleteObject", preDeleteArgs()), 5);
  const std::string s2 = std::string("{") + kS2 + "}";
  const std::string h2 = std::string("{") + kH2 + "}";
  const std::string h1 = std::string("{") + kH1 + "}";
  const std::string s1 = std::string("{") + kS1 + "}";
  struct Row {
    const char* name;
    std::string sql;
    std::string expected;
  };
  const Row checks[] = {
      {"user input key: hang up, destination cleared",
       "SELECT Action, ConversationName, DestinationObjectID IS NULL, DestinationObjectIDType IS NULL FROM MenuEntry "
       "WHERE TouchtoneKey = '3'",
       "1|PHTransfer|1|1"},
      {"after message: go to the new subscriber",
       "SELECT AfterMessageAction, AfterMessageObjectID, AfterMessageObjectIDType FROM CallHandler WHERE Alias = "
       "'Operator'",
       "2|" + s2 + "|1"},
      {"after greeting: take a message, destination cleared",
       "SELECT Action, DestinationObjectID IS NULL FROM MessagingRule WHERE ParentObjectID = '" + std::string(kH3) +
           "'",
       "4|1"},
      {"handler exit: go to the new handler",
       "SELECT ExitAction, ExitObjectID, ExitObjectIDType FROM CallHandler WHERE Alias = 'Operator'", "2|" + h2 + "|2"},
      {"name lookup exit: hang up", "SELECT ExitAction, ExitObjectID IS NULL FROM NameLookupHandler", "1|1"},
      {"own handler's key untouched", "SELECT Action, DestinationObjectID FROM MenuEntry WHERE TouchtoneKey = '1'",
       "2|" + s1},
      {"own handler's rule untouched",
       "SELECT DestinationObjectID FROM MessagingRule WHERE ParentObjectID = '" + std::string(kH1) + "'", h1},
      {"own handler's exit untouched", "SELECT ExitObjectID FROM CallHandler WHERE Alias = 'ch_jsmith'", h2},
  };
  for (const Row& r : checks) EXPECT_EQ(rows(r.sql), std::vector<std::string>{r.expected}) << r.name;
}

TEST_F(ServerProceduresTest, PreDeleteObjectRefusesAnObjectThatDoesNotExist) {
  auto args = preDeleteArgs();
  args[0] = guidArg("@ObjectID", kMissing);
  EXPECT_NE(raised([&] { openAndRead("sp_PreDeleteObject", args); }).description.find("does not exist"),
            std::string::npos);
  EXPECT_EQ(count("MenuEntry WHERE Action = 2"), 2) << "nothing changed";
}

TEST_F(ServerProceduresTest, ChangeOwnerMovesEveryAdministeredObject) {
  EXPECT_EQ(openAndRead("sp_ChangeOwner", {guidArg("@PrevOwnerObjectID", kS1), guidArg("@NewOwnerObjectID", kS2),
                                           intArg("@NewOwnerObjectIDType", 1)}),
            4);
  for (const char* table : {"CallHandler", "NameLookupHandler", "InterviewHandler", "DistributionList"}) {
    EXPECT_EQ(
        count(std::string(table) + " WHERE AdministratorObjectID = '" + kS2 + "' AND AdministratorObjectIDType = 1"), 1)
        << table;
    EXPECT_EQ(count(std::string(table) + " WHERE AdministratorObjectID = '" + kS1 + "'"), 0) << table;
  }
}

TEST_F(ServerProceduresTest, ChangeRecipientMovesHandlersMessages) {
  execute("sp_ChangeRecipient", {guidArg("@PrevRecipientObjectID", kS1), guidArg("@NewRecipientObjectID", kS2),
                                 intArg("@NewRecipientObjectIDType", 1)});
  EXPECT_EQ(count(std::string("CallHandler WHERE RecipientObjectID = '") + kS2 + "'"), 1);
  EXPECT_EQ(count(std::string("InterviewHandler WHERE RecipientObjectID = '") + kS2 + "'"), 1);
  EXPECT_EQ(count(std::string("CallHandler WHERE RecipientObjectID = '") + kS1 + "'"), 0);
}

TEST_F(ServerProceduresTest, OwnerAndRecipientThatDoNotExistAreRefused) {
  struct Row {
    const char* name;
    const char* procedure;
    std::vector<data::Parameter> args;
    const char* message;
  };
  const Row cases[] = {
      {"missing owner",
       "sp_ChangeOwner",
       {guidArg("@PrevOwnerObjectID", kS1), guidArg("@NewOwnerObjectID", kMissing), intArg("@NewOwnerObjectIDType", 1)},
       "does not exist"},
      {"owner of a type without owners",
       "sp_ChangeOwner",
       {guidArg("@PrevOwnerObjectID", kS1), guidArg("@NewOwnerObjectID", kH2), intArg("@NewOwnerObjectIDType", 3)},
       "neither a subscriber"},
      {"missing recipient",
       "sp_ChangeRecipient",
       {guidArg("@PrevRecipientObjectID", kS1), guidArg("@NewRecipientObjectID", kMissing),
        intArg("@NewRecipientObjectIDType", 1)},
       "does not exist"},
  };
  for (const Row& r : cases) {
    const auto e = raised([&] { execute(r.procedure, r.args); });
    EXPECT_NE(e.description.find(r.message), std::string::npos) << r.name << ": " << e.description;
  }
  EXPECT_EQ(count(std::string("CallHandler WHERE AdministratorObjectID = '") + kS1 + "' AND RecipientObjectID = '" +
                  kS1 + "'"),
            1)
      << "nothing changed";
}

TEST_F(ServerProceduresTest, DeleteSubscriberRemovesItsObjectsAndClearsReferences) {
  execute("sp_DeleteSubscriber", {guidArg("@SubscriberObjectID", kS1), intArg("@DirectorySync", 0)});
  struct Row {
    const char* name;
    std::string where;
    long expected;
  };
  const std::string s1 = kS1;
  const std::string h1 = kH1;
  const Row checks[] = {
      {"subscriber", "Subscriber WHERE Alias = 'jsmith'", 0},
      {"other subscribers kept", "Subscriber WHERE Alias IN ('admin2', 'keeper')", 2},
      {"primary handler", "CallHandler WHERE CallHandlerObjectID = '" + h1 + "'", 0},
      {"its rules", "MessagingRule WHERE ParentObjectID = '" + h1 + "'", 0},
      {"its keys", "MenuEntry WHERE ParentObjectID = '" + h1 + "'", 0},
      {"its extension", "DTMFAccessID WHERE DTMFAccessID = '7001'", 0},
      {"other extension kept", "DTMFAccessID WHERE DTMFAccessID = '7002'", 1},
      {"membership", "DistributionListMember WHERE MemberObjectID = '" + s1 + "'", 0},
      {"other membership kept", "DistributionListMember WHERE MemberObjectID = '" + std::string(kS2) + "'", 1},
      {"global copy", "GlobalSubscriber WHERE SubscriberObjectID = '" + s1 + "'", 0},
      {"alias-owned rows (alias in another case too)", "PersonalDlist WHERE ParentAlias = 'jsmith'", 0},
      {"alias-owned device", "NotificationDevice WHERE ParentAlias = 'jsmith'", 0},
      {"others' alias-owned rows kept", "NotificationDevice WHERE ParentAlias = 'admin2'", 1},
      {"owner cleared", "CallHandler WHERE Alias = 'Operator' AND AdministratorObjectID IS NULL", 1},
      {"recipient cleared", "InterviewHandler WHERE RecipientObjectID IS NULL AND RecipientObjectIDType IS NULL", 1},
      {"go-to after message now hangs up",
       "CallHandler WHERE Alias = 'Operator' AND AfterMessageObjectID IS NULL AND AfterMessageAction = 1", 1},
      {"go-to key now hangs up", "MenuEntry WHERE TouchtoneKey = '3' AND DestinationObjectID IS NULL AND Action = 1",
       1},
      {"no reference left to the subscriber", "MessagingRule WHERE DestinationObjectID IN ('" + s1 + "', '" + h1 + "')",
       0},
  };
  for (const Row& r : checks) EXPECT_EQ(count(r.where), r.expected) << r.name;
}

TEST_F(ServerProceduresTest, DeleteSubscriberRefusesWhatItMayNotDelete) {
  struct Row {
    const char* name;
    const char* id;
    const char* message;
  };
  const Row cases[] = {
      {"missing", kMissing, "does not exist."},
      {"undeletable", kSU, "Subscriber keeper cannot be deleted."},
  };
  const long before = count("Subscriber");
  for (const Row& r : cases) {
    const auto e = raised([&] {
      execute("sp_DeleteSubscriber", {guidArg("@SubscriberObjectID", r.id), intArg("@DirectorySync", 0)});
    });
    EXPECT_NE(e.description.find(r.message), std::string::npos) << r.name << ": " << e.description;
  }
  EXPECT_EQ(count("Subscriber"), before);
  EXPECT_EQ(count("Subscriber WHERE Alias = 'keeper'"), 1);
}

TEST_F(ServerProceduresTest, InsertReplicationSetFailsOnlyWhenSwitchedTo) {
  const auto tables = rows("SELECT COUNT(*) FROM Subscriber UNION ALL SELECT COUNT(*) FROM OrvixSetupParameters");
  execute("sp_InsertReplicationSet", {});
  EXPECT_EQ(rows("SELECT COUNT(*) FROM Subscriber UNION ALL SELECT COUNT(*) FROM OrvixSetupParameters"), tables);
  cn.execute("INSERT INTO OrvixSetupParameters (Name, Value) VALUES (?, '0')",
             {Variant(standin::kFailReplicationSetParameter)});
  execute("sp_InsertReplicationSet", {});
  cn.execute("UPDATE OrvixSetupParameters SET Value = '1' WHERE Name = ?",
             {Variant(standin::kFailReplicationSetParameter)});
  EXPECT_EQ(raised([&] { execute("sp_InsertReplicationSet", {}); }).description,
            "The replication set could not be built.");
}

TEST_F(ServerProceduresTest, ExecuteSqlAnswersRowsAndUndoesAStatementWithout) {
  Command cmd;
  cmd.setActiveConnection(cn);
  cmd.setCommandType(data::adCmdStoredProc);
  cmd.setCommandText("sp_ExecuteSql");
  cmd.parameters().append(textArg("@stmt",
                                  "SELECT Alias FROM vw_Subscriber WHERE SubscriberType = 1 AND Alias "
                                  "LIKE 'j%' ORDER BY Alias"));
  data::Recordset rs;
  rs.open(cmd, data::adOpenStatic, data::adLockReadOnly);
  ASSERT_FALSE(rs.eof());
  EXPECT_EQ(rs.fields("Alias").value().toString(), "jsmith");
  rs.close();
  raised([&] { execute("sp_ExecuteSql", {textArg("@stmt", "UPDATE Subscriber SET Alias = 'gone'")}); });
  EXPECT_EQ(count("Subscriber WHERE Alias = 'gone'"), 0) << "rolled back";
  EXPECT_EQ(raised([&] { execute("sp_ExecuteSql", {textArg("@stmt", "  ")}); }).description,
            "The statement text is empty.");
}

}  // namespace
}  // namespace vrel::test
