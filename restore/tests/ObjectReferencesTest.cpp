// Object references on a provisioned server: parsing reference strings,
// looking their objects up, repairing the two call-handler references of
// the SystemParameters branch, and the replication-set procedure.
#include "platform/data/Session.h"
#include "restore/aliases/ObjectReferences.h"
#include "restore/tests/ProvisionedRun.h"
#include "standin/server/ServerProcedures.h"

#include <gtest/gtest.h>

#include <optional>

namespace vrel::test {
namespace {

using Strings = std::vector<std::string>;

constexpr const char* kKey = "SOFTWARE\\Tremarc\\SystemParameters\\1.0";
constexpr const char* kMissingId = "{0BAD0BAD-0BAD-0BAD-0BAD-0BAD0BAD0BAD}";
constexpr const char* kChecking = "    Checking object replacement key values in systemParameters registry branch";

std::string ref(const char* code, const std::string& id) {
  return std::string("\x01\x07") + code + ":" + id;
}

class ObjectReferencesTest : public ProvisionedRun {
 protected:
  void SetUp() override {
    standin::registerServerProcedures();
    begin(server(standin::MailStoreKind::Exchange2000, {8, 0, 0, 0}));
    m_db = data::Session::open(rm.machine(), rm.program().connectionString);
    m_admin = value("SELECT SubscriberObjectID FROM Subscriber WHERE Alias = 'EAdmin'");
    m_handler = value("SELECT CallHandlerObjectID FROM CallHandler WHERE Alias = 'ch_ESubscriber'");
    m_list = value("SELECT SystemDListObjectID FROM DistributionList WHERE Alias = 'allsubscribers'");
    // A call handler whose object ID is held twice.
    m_twice = value("SELECT CallHandlerObjectID FROM CallHandler WHERE Alias = 'ch_EAdmin'");
    m_db->execute("INSERT INTO CallHandler (CallHandlerObjectID, Alias) VALUES (?, 'copy')", {data::Variant(m_twice)});
  }
  std::string value(const char* sql) { return m_db->query(sql).rows.at(0).at(0).toString(); }
  template <class F>
  Strings loggedBy(F&& call) {
    const std::size_t before = entries().size();
    call();
    const Strings all = entries();
    return Strings(all.begin() + static_cast<long>(before), all.end());
  }
  std::string twiceLine() const {
    return "(error) in function bDoesObjectExists of Module1 - more than one row found value found in "
           "table=CallHandler for ObjectID=" +
           m_twice;
  }

  std::shared_ptr<data::Session> m_db;
  std::string m_admin, m_handler, m_list, m_twice;
};

TEST_F(ObjectReferencesTest, OnlyWellFormedReferencesToTypesOneToThreeParse) {
  restore::ObjectReferences refs(rm.program());
  const struct {
    const char* name;
    std::string text;
    int type;  // 0: does not parse
    std::string id;
  } rows[] = {
      {"Subscriber", ref("01", "{ABC-123}"), 1, "{ABC-123}"},
      {"CallHandlerTrimmed", ref("03", "  spaced id  "), 3, "spaced id"},
      {"TenCharacters", ref("02", "ABCDE"), 2, "ABCDE"},
      {"NineCharacters", ref("01", "ABCD"), 0, ""},
      {"TypeFour", ref("04", "0123456789"), 0, ""},
      {"TypeZero", ref("00", "0123456789"), 0, ""},
      {"NotNumeric", ref("0x", "0123456789"), 0, ""},
      {"SignedNumber", ref("+1", "0123456789"), 0, ""},
      {"NoPrefix", "xx01:0123456789", 0, ""},
      {"NoColon", std::string("\x01\x07") + "01-0123456789", 0, ""},
      {"Binary", std::string("\x01\x07\x00\xFF\xFE\x80\x01\x07\x09\x00", 10) + std::string(40, '\xC3'), 0, ""},
      {"VeryLongGarbage", std::string(100000, 'Z'), 0, ""},
  };
  for (const auto& r : rows) {
    int type = 99;
    std::string id = "stale";
    EXPECT_EQ(refs.bGetOBjectIDFromDOHObjectString(r.text, type, id), r.type != 0) << r.name;
    EXPECT_EQ(type, r.type) << r.name;
    EXPECT_EQ(id, r.id) << r.name;
  }
  EXPECT_TRUE(entries().empty());
}

TEST_F(ObjectReferencesTest, AnObjectExistsWhenItsTableHoldsItOnce) {
  restore::ObjectReferences refs(rm.program());
  const std::string badType =
      "(error) in procedure bDoesObjectExists of module Module1 - invalid value ObjectIDType passed in.";
  const struct {
    const char* name;
    int type;
    std::string id;
    bool exists;
    Strings logged;
  } rows[] = {
      {"Subscriber", 1, m_admin, true, {}},
      {"SubscriberWithoutBraces", 1, m_admin.substr(1, 36), true, {}},
      {"DistributionList", 2, m_list, true, {}},
      {"ClassOfService", 8, value("SELECT COSObjectID FROM COS"), true, {}},
      {"HandlerAsSubscriber", 1, m_handler, false, {}},
      {"Missing", 1, kMissingId, false, {}},
      {"HeldTwice", 3, m_twice, false, {twiceLine()}},
      {"NineCharacters",
       1,
       "123456789",
       false,
       {"(error) in procedure bDoesObjectExist of Module1 - invalid value for strObjectID passed in."}},
      {"TypeZero", 0, m_admin, false, {}},
      {"TypeWithoutTable", 4, m_admin, false, {badType}},
      {"QuotesInTheId", 1, "x' OR ''='", false, {}},
  };
  for (const auto& r : rows) {
    bool exists = !r.exists;
    EXPECT_EQ(loggedBy([&] { exists = refs.bDoesObjectExist(r.type, r.id); }), r.logged) << r.name;
    EXPECT_EQ(exists, r.exists) << r.name;
  }
}

TEST_F(ObjectReferencesTest, BrokenCallHandlerReferencesPointAtTheAdministrator) {
  restore::ObjectReferences refs(rm.program());
  restore::Module1& m = rm.program().module1;
  const struct {
    const char* name;
    std::optional<std::string> current;  // nothing: the values are absent
    bool replaced;
    Strings logged;  // after the opening line
  } rows[] = {
      {"Absent", std::nullopt, false, {}},
      {"TenCharacters", ref("04", "ABCDE"), false, {}},
      {"ExistingCallHandler", ref("03", m_handler), false, {}},
      {"ExistingListWithoutBraces", ref("02", m_list.substr(1, 36)), false, {}},
      {"TypeFour", ref("04", m_handler), true, {}},
      {"Dangling", ref("01", kMissingId), true, {}},
      {"HeldTwice", ref("03", m_twice), true, {twiceLine(), twiceLine()}},
      {"Garbage", std::string(300, '#'), true, {}},
  };
  const auto text = [&](const std::string& name) {
    return m.GetRegistryValue(Hive::LocalMachine, kKey, name, 1, "<absent>").asText();
  };
  for (const auto& r : rows) {
    for (const std::string p : {"CallHandOwner", "CallHandRecip"}) {
      m.DeleteRegistryValue(Hive::LocalMachine, kKey, p + "ID");
      if (r.current) m.SetRegistryValue(Hive::LocalMachine, kKey, p + "ID", 1, *r.current);
      m.SetRegistryValue(Hive::LocalMachine, kKey, p + "Name", 1, "someone");
      m.SetRegistryValue(Hive::LocalMachine, kKey, p + "Type", 4, restore::RegVariant(3));
    }
    Strings expected = {kChecking};
    expected.insert(expected.end(), r.logged.begin(), r.logged.end());
    EXPECT_EQ(loggedBy([&] { refs.UpdateReplacementObjectMappingsInRegistry(m_admin); }), expected) << r.name;
    for (const std::string p : {"CallHandOwner", "CallHandRecip"}) {
      EXPECT_EQ(text(p + "ID"), r.replaced ? ref("01", m_admin) : r.current.value_or("<absent>")) << r.name << p;
      EXPECT_EQ(text(p + "Name"), r.replaced ? "EAdmin" : "someone") << r.name << p;
      EXPECT_EQ(m.GetRegistryValue(Hive::LocalMachine, kKey, p + "Type", 4, {}),
                restore::RegVariant(r.replaced ? 1 : 3))
          << r.name << p;
    }
  }
  m.DeleteRegistryTree(Hive::LocalMachine, kKey);
  EXPECT_EQ(loggedBy([&] { refs.UpdateReplacementObjectMappingsInRegistry(m_admin); }),
            (Strings{kChecking, "    Check for SystemParameters branch failed - skipping key update routine"}));
  EXPECT_FALSE(m.bRegistryKeyExists(Hive::LocalMachine, kKey)) << "the branch is not created";
}

TEST_F(ObjectReferencesTest, TheReplicationSetProcedureRunsAndItsFailureIsLogged) {
  restore::ObjectReferences refs(rm.program());
  const std::string calling = "    Calling sp_InsertReplicationSet proc for 8.x and later systems";
  EXPECT_EQ(loggedBy([&] { refs.CallInsertReplicationSetProc(); }), Strings{calling});
  m_db->execute("INSERT INTO OrvixSetupParameters (Name, Value) VALUES (?, '1')",
                {data::Variant(standin::kFailReplicationSetParameter)});
  EXPECT_EQ(loggedBy([&] { refs.CallInsertReplicationSetProc(); }),
            (Strings{calling,
                     "(error) in CallInsertReplicationSetProc on Module1:The replication set could not be "
                     "built."}));
}

}  // namespace
}  // namespace vrel::test
