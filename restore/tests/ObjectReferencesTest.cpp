// Object references on a provisioned server: parsing reference strings,
// looking their objects up, repairing the two call-handler references of
// the SystemParameters branch, and the replication-set procedure.
#include "platform/data/Session.h"
#include "restore/aliases/ObjectReferences.h"
#include "restore/tests/ProvisionedRun.h"
#include "standin/server/ServerProcedures.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace vrel::test {
namespace {

using data::Variant;
using Strings = std::vector<std::string>;

constexpr const char* kSystemParameters = "SOFTWARE\\Tremarc\\SystemParameters\\1.0";
constexpr const char* kMissingId = "{0BAD0BAD-0BAD-0BAD-0BAD-0BAD0BAD0BAD}";

std::string reference(const char* code, const std::string& id) {
  return std::string("\x01\x07") + code + ":" + id;
}

class ObjectReferencesTest : public ProvisionedRun {
 protected:
  void SetUp() override {
    standin::registerServerProcedures();
    begin(server(standin::MailStoreKind::Exchange2000, {8, 0, 0, 0}));
    m_db = data::Session::open(rm.machine(), rm.program().connectionString);
    m_eadmin = value("SELECT SubscriberObjectID FROM Subscriber WHERE Alias = 'EAdmin'");
    m_handler = value("SELECT CallHandlerObjectID FROM CallHandler WHERE Alias = 'ch_ESubscriber'");
    m_list = value("SELECT SystemDListObjectID FROM DistributionList WHERE Alias = 'allsubscribers'");
    m_cos = value("SELECT COSObjectID FROM COS");
    // A call handler whose object ID is held twice.
    m_twice = value("SELECT CallHandlerObjectID FROM CallHandler WHERE Alias = 'ch_EAdmin'");
    m_db->execute("INSERT INTO CallHandler (CallHandlerObjectID, Alias, IsPrimary) VALUES (?, 'copy', 0)",
                  {Variant(m_twice)});
  }

  std::string value(const std::string& sql) { return m_db->query(sql).rows.at(0).at(0).toString(); }
  // The entries logged by one call.
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
  std::string m_eadmin, m_handler, m_list, m_cos, m_twice;
};

struct ParseRow {
  const char* name;
  std::string text;
  bool parses;
  int type;
  std::string id;
};

TEST_F(ObjectReferencesTest, OnlyWellFormedReferencesToTypesOneToThreeParse) {
  const ParseRow rows[] = {
      {"Subscriber", reference("01", "{ABC-123}"), true, 1, "{ABC-123}"},
      {"DistributionList", reference("02", "0123456789"), true, 2, "0123456789"},
      {"CallHandler", reference("03", "  spaced id  "), true, 3, "spaced id"},
      {"TenCharacters", reference("01", "ABCDE"), true, 1, "ABCDE"},
      {"NineCharacters", reference("01", "ABCD"), false, 0, ""},
      {"TypeFour", reference("04", "0123456789"), false, 0, ""},
      {"TypeZero", reference("00", "0123456789"), false, 0, ""},
      {"InterviewHandlerNotAccepted", reference("05", "0123456789"), false, 0, ""},
      {"NotNumeric", reference("0x", "0123456789"), false, 0, ""},
      {"SignedNumber", reference("+1", "0123456789"), false, 0, ""},
      {"BlankInCode", reference(" 1", "0123456789"), false, 0, ""},
      {"NoPrefix", "xx01:0123456789", false, 0, ""},
      {"NoColon", std::string("\x01\x07") + "01-0123456789", false, 0, ""},
      {"Binary", std::string("\x01\x07\x00\xFF\xFE\x80\x01\x07\x09\x00", 10) + std::string(40, '\xC3'), false, 0, ""},
      {"VeryLongGarbage", std::string(100000, 'Z'), false, 0, ""},
      {"Empty", "", false, 0, ""},
  };
  restore::ObjectReferences refs(rm.program());
  for (const ParseRow& r : rows) {
    int type = 99;
    std::string id = "stale";
    EXPECT_EQ(refs.bGetOBjectIDFromDOHObjectString(r.text, type, id), r.parses) << r.name;
    EXPECT_EQ(type, r.type) << r.name;
    EXPECT_EQ(id, r.id) << r.name;
  }
  EXPECT_TRUE(errorLines().empty());
}

struct ExistsRow {
  const char* name;
  int type;
  std::string id;
  bool exists;
  Strings logged;
};

TEST_F(ObjectReferencesTest, AnObjectExistsWhenItsTableHoldsItOnce) {
  const std::string shortId =
      "(error) in procedure bDoesObjectExist of Module1 - invalid value for strObjectID passed in.";
  const std::string badType =
      "(error) in procedure bDoesObjectExists of module Module1 - invalid value ObjectIDType passed in.";
  const ExistsRow rows[] = {
      {"Subscriber", 1, m_eadmin, true, {}},
      {"SubscriberWithoutBraces", 1, m_eadmin.substr(1, 36), true, {}},
      {"DistributionList", 2, m_list, true, {}},
      {"CallHandler", 3, m_handler, true, {}},
      {"ClassOfService", 8, m_cos, true, {}},
      {"HandlerAsSubscriber", 1, m_handler, false, {}},
      {"Missing", 1, kMissingId, false, {}},
      {"HeldTwice", 3, m_twice, false, {twiceLine()}},
      {"NineCharacters", 1, "123456789", false, {shortId}},
      {"TypeZero", 0, m_eadmin, false, {}},
      {"TypeWithoutTable", 4, m_eadmin, false, {badType}},
      {"TypeSeven", 7, m_eadmin, false, {badType}},
      {"QuotesInTheId", 1, "x' OR ''='", false, {}},
  };
  restore::ObjectReferences refs(rm.program());
  for (const ExistsRow& r : rows) {
    bool exists = !r.exists;
    EXPECT_EQ(loggedBy([&] { exists = refs.bDoesObjectExist(r.type, r.id); }), r.logged) << r.name;
    EXPECT_EQ(exists, r.exists) << r.name;
  }
}

struct RepairRow {
  const char* name;
  std::optional<std::string> current;  // nothing: the values are absent
  bool replaced;
  Strings logged;  // besides the opening line
};

TEST_F(ObjectReferencesTest, BrokenCallHandlerReferencesPointAtTheAdministrator) {
  restore::Module1& m = rm.program().module1;
  const std::string replacement = reference("01", m_eadmin);
  const RepairRow rows[] = {
      {"Absent", std::nullopt, false, {}},
      {"Empty", "", false, {}},
      {"TenCharacters", reference("04", "ABCDE"), false, {}},
      {"ExistingSubscriber", reference("01", m_eadmin), false, {}},
      {"ExistingCallHandler", reference("03", m_handler), false, {}},
      {"ExistingListWithoutBraces", reference("02", m_list.substr(1, 36)), false, {}},
      {"TypeFour", reference("04", m_handler), true, {}},
      {"Dangling", reference("01", kMissingId), true, {}},
      {"HeldTwice", reference("03", m_twice), true, {twiceLine(), twiceLine()}},
      {"Garbage", std::string(300, '#'), true, {}},
  };
  for (const RepairRow& r : rows) {
    for (const char* prefix : {"CallHandOwner", "CallHandRecip"}) {
      const std::string p = prefix;
      m.DeleteRegistryValue(Hive::LocalMachine, kSystemParameters, p + "ID");
      if (r.current) m.SetRegistryValue(Hive::LocalMachine, kSystemParameters, p + "ID", 1, *r.current);
      m.SetRegistryValue(Hive::LocalMachine, kSystemParameters, p + "Name", 1, "someone");
      m.SetRegistryValue(Hive::LocalMachine, kSystemParameters, p + "Type", 4, restore::RegVariant(3));
    }
    Strings expected = {"    Checking object replacement key values in systemParameters registry branch"};
    expected.insert(expected.end(), r.logged.begin(), r.logged.end());
    EXPECT_EQ(
        loggedBy([&] { restore::ObjectReferences(rm.program()).UpdateReplacementObjectMappingsInRegistry(m_eadmin); }),
        expected)
        << r.name;
    for (const char* prefix : {"CallHandOwner", "CallHandRecip"}) {
      const std::string p = prefix;
      const auto text = [&](const std::string& name) {
        return m.GetRegistryValue(Hive::LocalMachine, kSystemParameters, name, 1, "<absent>").asText();
      };
      EXPECT_EQ(text(p + "ID"), r.replaced ? replacement : r.current.value_or("<absent>")) << r.name << " " << p;
      EXPECT_EQ(text(p + "Name"), r.replaced ? "EAdmin" : "someone") << r.name << " " << p;
      EXPECT_EQ(m.GetRegistryValue(Hive::LocalMachine, kSystemParameters, p + "Type", 4, 0),
                restore::RegVariant(r.replaced ? 1 : 3))
          << r.name << " " << p;
    }
  }

  m.DeleteRegistryTree(Hive::LocalMachine, kSystemParameters);
  EXPECT_EQ(
      loggedBy([&] { restore::ObjectReferences(rm.program()).UpdateReplacementObjectMappingsInRegistry(m_eadmin); }),
      (Strings{"    Checking object replacement key values in systemParameters registry branch",
               "    Check for SystemParameters branch failed - skipping key update routine"}));
  EXPECT_FALSE(m.bRegistryKeyExists(Hive::LocalMachine, kSystemParameters)) << "the branch is not created";
}

TEST_F(ObjectReferencesTest, TheReplicationSetProcedureRunsAndItsFailureIsLogged) {
  restore::ObjectReferences refs(rm.program());
  const std::string calling = "    Calling sp_InsertReplicationSet proc for 8.x and later systems";
  EXPECT_EQ(loggedBy([&] { refs.CallInsertReplicationSetProc(); }), Strings{calling});
  m_db->execute("INSERT INTO OrvixSetupParameters (Name, Value) VALUES (?, '1')",
                {Variant(standin::kFailReplicationSetParameter)});
  EXPECT_EQ(loggedBy([&] { refs.CallInsertReplicationSetProc(); }),
            (Strings{calling,
                     "(error) in CallInsertReplicationSetProc on Module1:The replication set could not be "
                     "built."}));
  EXPECT_TRUE(rm.ui.boxes.empty());
}

}  // namespace
}  // namespace vrel::test
