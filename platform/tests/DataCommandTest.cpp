#include "platform/data/Command.h"
#include "platform/data/Procedures.h"
#include "platform/data/Recordset.h"
#include "platform/tests/DataTestMachine.h"

namespace vrel::data {
namespace {

using test::raised;

// A procedure in the shape of the server's deletion helpers: renames the
// subscriber of an object ID, reports how many rows it changed and returns
// the subscribers left.
void registerTestProcedure() {
  ProcedureDefinition def;
  def.name = "sp_TestRename";
  def.database = "OrvixDB";
  def.parameters = {{"@ObjectID", adGUID},
                    {"@NewAlias", adVarWChar},
                    ProcedureParameter::withDefault("@Mode", adInteger, Variant(1)),
                    {"@Changed", adInteger, adParamOutput}};
  def.body = [](ProcedureCall& call) {
    if (call.param("@NewAlias").toString().empty()) call.raise("The new alias must not be empty.");
    const long n = call.execute("UPDATE Subscriber SET Alias = ?, Extension = ? WHERE SubscriberObjectID = ?",
                                {call.param("@NewAlias"), call.param("@Mode"), call.param("@ObjectID")});
    call.setOutput("@Changed", Variant(static_cast<int>(n)));
    call.setReturnValue(n ? 0 : 1);
    call.setResult(call.query("SELECT Alias FROM Subscriber ORDER BY Alias"));
  };
  registerProcedure(std::move(def));
}

class DataCommandTest : public ::testing::Test {
 protected:
  DataCommandTest() {
    registerTestProcedure();
    cn.open(test::kOrvixConnection);
    t.createSubscribers(cn);
    cmd.setActiveConnection(cn);
    cmd.setCommandType(adCmdStoredProc);
    cmd.setCommandText("sp_TestRename");
  }
  ~DataCommandTest() override { unregisterProcedure("sp_TestRename", "OrvixDB"); }
  std::string aliasOf(int n) {
    Recordset r;
    r.open("SELECT Alias FROM Subscriber WHERE Extension = " + std::to_string(n), cn, adOpenStatic);
    return r.eof() ? "" : r.fields("Alias").value().toString();
  }
  test::DataTestMachine t;
  Connection cn{t.machine()};
  Command cmd;
};

TEST_F(DataCommandTest, ParametersSetByNameAfterAnImplicitRefresh) {
  cmd.parameters()["@ObjectID"].setValue("{00000003-0000-0000-0000-0000000000aa}");
  cmd.parameters()["@newalias"].setValue("john.smith");
  EXPECT_EQ(cmd.parameters().count(), 5) << "@RETURN_VALUE and the four declared";
  EXPECT_EQ(cmd.execute(), 1);
  EXPECT_EQ(aliasOf(1), "john.smith") << "the default of @Mode";
  EXPECT_EQ(cmd.parameters()["@Changed"].value(), Variant(1));
  EXPECT_EQ(cmd.parameters()["@RETURN_VALUE"].value(), Variant(0));
  EXPECT_EQ(raised([&] { cmd.parameters()["@Nope"]; }).number, 3265);
}

TEST_F(DataCommandTest, AppendedParametersAndARecordsetOnTheCommand) {
  cmd.parameters().append(
      Command::createParameter("@ObjectID", adGUID, adParamInput, 0, Variant("00000001-0000-0000-0000-0000000000AA")));
  cmd.parameters().append(Command::createParameter("@NewAlias", adVarWChar, adParamInput, 0, Variant("Admin'1")));
  cmd.parameters().append(Command::createParameter("@Mode", adInteger, adParamInput, 0, Variant(7)));
  Recordset rs;
  rs.setCursorLocation(adUseClient);
  rs.open(cmd, adOpenKeyset, adLockReadOnly);
  EXPECT_EQ(aliasOf(7), "Admin'1") << "a quote passes as data";
  EXPECT_EQ(rs.recordCount(), 6);
  EXPECT_EQ(rs.fields("Alias").value().toString(), "Admin'1");
  EXPECT_EQ(raised([&] { rs.fields("Alias") = "x"; }).number, 3251) << "a procedure's rows are read-only";
  rs.close();
}

TEST_F(DataCommandTest, BadCallsFailWithTheServersMessages) {
  struct Row {
    const char* name;
    std::vector<Parameter> params;
    long number;
    const char* description;
  };
  const Row rows[] = {
      {"missing parameter",
       {Command::createParameter("@NewAlias", adVarWChar, adParamInput, 0, Variant("x"))},
       -2147217904,
       "Procedure 'sp_TestRename' expects parameter '@ObjectID', which was not supplied."},
      {"unknown parameter",
       {Command::createParameter("@ObjectID", adGUID, adParamInput, 0, Variant("00000001-0000-0000-0000-0000000000AA")),
        Command::createParameter("@Bogus", adInteger, adParamInput, 0, Variant(1))},
       -2147217900,
       "@Bogus is not a parameter for procedure sp_TestRename."},
      {"text that is no GUID",
       {Command::createParameter("@ObjectID", adGUID, adParamInput, 0, Variant("")),
        Command::createParameter("@NewAlias", adVarWChar, adParamInput, 0, Variant("x"))},
       -2147217900,
       "Error converting data type nvarchar to uniqueidentifier."},
      {"raised by the body",
       {Command::createParameter("@ObjectID", adGUID, adParamInput, 0, Variant("00000001-0000-0000-0000-0000000000AA")),
        Command::createParameter("@NewAlias", adVarWChar, adParamInput, 0, Variant(""))},
       -2147467259,
       "The new alias must not be empty."},
  };
  for (const Row& r : rows) {
    cmd.parameters().clear();
    for (const Parameter& p : r.params) cmd.parameters().append(p);
    const AdoError e = raised([&] { cmd.execute(); });
    EXPECT_EQ(e.number, r.number) << r.name;
    EXPECT_EQ(e.description, r.description) << r.name;
  }
  EXPECT_EQ(aliasOf(1000), "EAdmin") << "nothing changed";
  cmd.setCommandText("sp_Missing");
  cmd.parameters().clear();
  EXPECT_EQ(raised([&] { cmd.execute(); }).description, "Could not find stored procedure 'sp_Missing'.");
}

TEST_F(DataCommandTest, ConnectionAndRecordsetCallProceduresByName) {
  EXPECT_EQ(
      cn.execute("dbo.SP_TESTRENAME", {Variant("00000002-0000-0000-0000-0000000000AA"), Variant("ESub2"), Variant(9)},
                 adCmdStoredProc),
      1);
  EXPECT_EQ(aliasOf(9), "ESub2") << "arguments by position";
  Recordset rs;
  const AdoError e = raised([&] { rs.open("sp_TestRename", cn, adOpenStatic, adLockReadOnly, adCmdStoredProc); });
  EXPECT_EQ(e.number, -2147217904);
  EXPECT_FALSE(rs.isOpen());
}

TEST_F(DataCommandTest, TextCommandsBindPositionalParameters) {
  Command text;
  text.setActiveConnection(cn);
  text.setCommandType(adCmdText);
  text.setCommandText("UPDATE Subscriber SET FirstName = ? WHERE Alias = ?");
  text.parameters().append(
      Command::createParameter("", adVarWChar, adParamInput, 0, Variant("Mary'); DROP TABLE x;--")));
  text.parameters().append(Command::createParameter("", adVarWChar, adParamInput, 0, Variant("O'MALLEY")));
  EXPECT_EQ(text.execute(), 1);
  Recordset rs;
  rs.open("SELECT FirstName FROM Subscriber WHERE Extension = 2004", cn);
  EXPECT_EQ(rs.fields("FirstName").value().toString(), "Mary'); DROP TABLE x;--");
  Command unbound;
  EXPECT_EQ(raised([&] { unbound.execute(); }).number, 3001);
  unbound.setCommandText("SELECT 1");
  EXPECT_EQ(raised([&] { unbound.execute(); }).number, 3709) << "no connection";
}

}  // namespace
}  // namespace vrel::data
