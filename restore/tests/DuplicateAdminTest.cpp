// Merging the duplicate example administrator accounts on a provisioned
// server: which account pairs are merged, every reference that moves from
// "EAdmin" to "EAdministrator", the primary call handler, and the clean-up
// of extensions without a number or a handler.
#include "platform/data/Session.h"
#include "restore/accounts/CleanupDuplicateAdminAccounts.h"
#include "restore/tests/ProvisionedRun.h"

#include <gtest/gtest.h>

#include <memory>

namespace vrel::test {
namespace {

using data::Variant;
using Strings = std::vector<std::string>;

constexpr const char* kNewAdmin = "{A0000000-0000-0000-0000-00000000000A}";
constexpr const char* kNewAdminHandler = "{A0000000-0000-0000-0000-0000000000CA}";
constexpr const char* kRule = "{B0000000-0000-0000-0000-00000000000B}";
constexpr const char* kOtherRule = "{B0000000-0000-0000-0000-0000000000BB}";

// The tables the clean-up may change, each as the query that lists it.
const Strings kTables = {
    "SELECT Alias, Undeletable, SubscriberObjectID, CallHandlerObjectID FROM Subscriber",
    "SELECT Alias, IsPrimary, AdministratorObjectID, RecipientObjectID FROM CallHandler",
    "SELECT Alias, AdministratorObjectID, RecipientObjectID FROM InterviewHandler",
    "SELECT Alias, AdministratorObjectID FROM NameLookupHandler",
    "SELECT Alias, AdministratorObjectID FROM DistributionList",
    "SELECT MessagingRuleObjectID, DestinationObjectID FROM MessagingRule",
    "SELECT MenuEntryObjectID, DestinationObjectID FROM MenuEntry",
    "SELECT DTMFAccessID, ParentObjectID FROM DTMFAccessID",
};

class DuplicateAdminTest : public ProvisionedRun {
 protected:
  void SetUp() override {
    begin(server(standin::MailStoreKind::Exchange2000, {}));
    m_db = data::Session::open(rm.machine(), rm.program().connectionString);
    m_systemId = value("SELECT Value FROM OrvixSetupParameters WHERE Name = '@SystemId'");
    m_oldAdmin = value("SELECT SubscriberObjectID FROM Subscriber WHERE Alias = 'EAdmin'");
    m_subscriber = value("SELECT SubscriberObjectID FROM Subscriber WHERE Alias = 'ESubscriber'");
    m_subscriberHandler = value("SELECT CallHandlerObjectID FROM CallHandler WHERE Alias = 'ch_ESubscriber'");
  }

  std::string value(const std::string& sql, const std::vector<Variant>& params = {}) {
    const auto rows = m_db->query(sql, params).rows;
    if (rows.empty()) return "<none>";
    return rows.at(0).at(0).isNull() ? "<null>" : rows.at(0).at(0).toString();
  }
  void exec(const std::string& sql, const std::vector<Variant>& params = {}) { m_db->execute(sql, params); }

  // The newer installation's administrator, with or without its primary
  // call handler, and objects that point at the older "EAdmin".
  void addAdministrator(bool withPrimaryHandler) {
    exec(
        "INSERT INTO Subscriber (SubscriberObjectID, Alias, UID, Undeletable, IsSubscriber, SubscriberType) "
        "VALUES (?, 'EAdministrator', 'EAdministrator', 1, 1, 1)",
        {Variant(kNewAdmin)});
    if (withPrimaryHandler)
      exec(
          "INSERT INTO CallHandler (CallHandlerObjectID, Alias, IsPrimary, AdministratorObjectID, "
          "RecipientObjectID) VALUES (?, 'ch_EAdministrator', 0, NULL, NULL)",
          {Variant(kNewAdminHandler)});
  }
  void addReferencesToEAdmin() {
    const Variant e(m_oldAdmin), s(m_subscriber);
    exec(
        "INSERT INTO CallHandler (Alias, IsPrimary, AdministratorObjectID, RecipientObjectID) "
        "VALUES ('Owned', 0, ?, ?)",
        {e, s});
    exec(
        "INSERT INTO CallHandler (Alias, IsPrimary, AdministratorObjectID, RecipientObjectID) "
        "VALUES ('Received', 0, ?, ?)",
        {s, e});
    exec("INSERT INTO InterviewHandler (Alias, AdministratorObjectID, RecipientObjectID) VALUES ('Interview', ?, ?)",
         {e, e});
    exec("INSERT INTO NameLookupHandler (Alias, AdministratorObjectID) VALUES ('Lookup', ?)", {e});
    exec("INSERT INTO MessagingRule (MessagingRuleObjectID, Alias, DestinationObjectID) VALUES (?, 'Standard', ?)",
         {Variant(kRule), e});
    exec("INSERT INTO MessagingRule (MessagingRuleObjectID, Alias, DestinationObjectID) VALUES (?, 'Off', ?)",
         {Variant(kOtherRule), s});
    exec("INSERT INTO MenuEntry (TouchtoneKey, DestinationObjectID) VALUES ('1', ?)", {e});
    const Variant handler(m_subscriberHandler);
    exec("INSERT INTO DTMFAccessID (DTMFAccessID, ParentObjectID) VALUES ('1001', ?)", {handler});
    exec("INSERT INTO DTMFAccessID (DTMFAccessID, ParentObjectID) VALUES (NULL, ?)", {handler});
    exec("INSERT INTO DTMFAccessID (DTMFAccessID, ParentObjectID) VALUES ('1002', NULL)");
    exec("INSERT INTO DTMFAccessID (DTMFAccessID, ParentObjectID) VALUES (NULL, NULL)");
  }

  Strings snapshot() {
    Strings out;
    for (const std::string& sql : kTables)
      for (const auto& row : m_db->query(sql).rows) {
        std::string line;
        for (const Variant& v : row) line += (v.isNull() ? std::string("<null>") : v.toString()) + "|";
        out.push_back(line);
      }
    return out;
  }
  Strings cleanUp() {
    const std::size_t before = entries().size();
    restore::CleanupDuplicateAdminAccounts(rm.program(), m_systemId);
    const Strings all = entries();
    return Strings(all.begin() + static_cast<long>(before), all.end());
  }
  std::string owner(const char* table, const char* alias) {
    return value(std::string("SELECT AdministratorObjectID FROM ") + table + " WHERE Alias = ?", {Variant(alias)});
  }
  std::string recipient(const char* table, const char* alias) {
    return value(std::string("SELECT RecipientObjectID FROM ") + table + " WHERE Alias = ?", {Variant(alias)});
  }
  Strings mergeLines() const {
    return {"    Both EAdmin and EAdministrator objects found, cleaning up and removing EAdmin account references",
            "    ObjectID for EADmin=" + m_oldAdmin, std::string("    ObjectID for EADministrator=") + kNewAdmin};
  }

  std::shared_ptr<data::Session> m_db;
  std::string m_systemId, m_oldAdmin, m_subscriber, m_subscriberHandler;
};

struct AccountsRow {
  const char* name;
  const char* eadminAlias;  // the older account's alias; nullptr: it is gone
  bool administrator;       // "EAdministrator" present
  bool merged;
};

TEST_F(DuplicateAdminTest, OnlyAPairOfAccountsIsMerged) {
  const AccountsRow rows[] = {
      {"OnlyEAdmin", "EAdmin", false, false},
      {"OnlyEAdministrator", nullptr, true, false},
      {"Neither", nullptr, false, false},
      {"EAdminWithAnotherSystemId", "EAdmin1234", true, false},
  };
  addReferencesToEAdmin();
  for (const AccountsRow& r : rows) {
    SCOPED_TRACE(r.name);
    exec("DELETE FROM Subscriber WHERE Alias LIKE 'EAdmin%'");
    if (r.eadminAlias)
      exec("INSERT INTO Subscriber (SubscriberObjectID, Alias, UID, Undeletable) VALUES (?, ?, ?, 1)",
           {Variant(m_oldAdmin), Variant(r.eadminAlias), Variant(r.eadminAlias)});
    if (r.administrator) addAdministrator(true);
    const Strings before = snapshot();
    EXPECT_EQ(cleanUp(), Strings{});
    EXPECT_EQ(snapshot(), before) << "nothing changes";
  }
}

TEST_F(DuplicateAdminTest, EveryReferenceMovesToEAdministratorAndEAdminGoes) {
  addAdministrator(true);
  addReferencesToEAdmin();
  Strings expected = mergeLines();
  const Strings steps = {
      "        Updating administrator link for handler with alias=Owned",
      "        Updating recipient link for handler with alias=ch_EAdmin",
      "        Updating recipient link for handler with alias=Received",
      "        Updating recipient link for interview handler with alias=Interview",
      "        Updating administrator link for interview handler with alias=Interview",
      "        Updating administrator link for distribution list with alias=allsubscribers",
      "        Updating administrator link for distribution list with alias=unaddressedmessages",
      "        Updating administrator link for distribution list with alias=systemeventmessages",
      std::string("        Updating destination object id for messaging rule with objectid=") + kRule,
  };
  expected.insert(expected.end(), steps.begin(), steps.end());
  EXPECT_EQ(cleanUp(), expected);

  EXPECT_EQ(value("SELECT count(*) FROM Subscriber WHERE Alias = 'EAdmin'"), "0");
  EXPECT_EQ(value("SELECT CallHandlerObjectID FROM Subscriber WHERE Alias = 'EAdministrator'"), kNewAdminHandler);
  EXPECT_EQ(owner("CallHandler", "ch_EAdministrator"), kNewAdmin);
  EXPECT_EQ(recipient("CallHandler", "ch_EAdministrator"), kNewAdmin);
  EXPECT_EQ(value("SELECT IsPrimary FROM CallHandler WHERE Alias = 'ch_EAdministrator'"), "True");
  EXPECT_EQ(owner("CallHandler", "Owned"), kNewAdmin) << "a single non-primary handler moves too";
  EXPECT_EQ(recipient("CallHandler", "Received"), kNewAdmin);
  EXPECT_EQ(owner("CallHandler", "ch_ESubscriber"), m_oldAdmin) << "a primary handler keeps its owner";
  EXPECT_EQ(owner("InterviewHandler", "Interview"), kNewAdmin);
  EXPECT_EQ(recipient("InterviewHandler", "Interview"), kNewAdmin);
  EXPECT_EQ(owner("NameLookupHandler", "Lookup"), kNewAdmin);
  EXPECT_EQ(owner("DistributionList", "systemeventmessages"), kNewAdmin);
  EXPECT_EQ(value("SELECT DestinationObjectID FROM MessagingRule WHERE Alias = 'Standard'"), kNewAdmin);
  EXPECT_EQ(value("SELECT DestinationObjectID FROM MessagingRule WHERE Alias = 'Off'"), m_subscriber);
  EXPECT_EQ(value("SELECT DestinationObjectID FROM MenuEntry"), kNewAdmin);
  EXPECT_EQ(value("SELECT count(*) FROM DTMFAccessID WHERE DTMFAccessID IS NULL OR ParentObjectID IS NULL"), "0");
  EXPECT_EQ(value("SELECT DTMFAccessID FROM DTMFAccessID WHERE ParentObjectID = ?", {Variant(m_subscriberHandler)}),
            "1001");
  EXPECT_EQ(errorLines(), Strings{});
}

TEST_F(DuplicateAdminTest, VariantsOfThePairStillMoveTheReferences) {
  const struct {
    const char* name;
    bool systemIdAlias;   // EAdmin is "EAdmin" + SystemID
    bool primaryHandler;  // "ch_EAdministrator" exists
  } rows[] = {{"EAdminWithSystemId", true, true}, {"NoPrimaryHandler", false, false}};
  addReferencesToEAdmin();
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    exec("DELETE FROM Subscriber WHERE Alias LIKE 'EAdmin%'");
    exec("DELETE FROM CallHandler WHERE Alias = 'ch_EAdministrator'");
    exec("UPDATE CallHandler SET AdministratorObjectID = ? WHERE Alias = 'Owned'", {Variant(m_oldAdmin)});
    const std::string eadmin = r.systemIdAlias ? "EAdmin" + m_systemId : "EAdmin";
    exec("INSERT INTO Subscriber (SubscriberObjectID, Alias, UID, Undeletable) VALUES (?, ?, ?, 1)",
         {Variant(m_oldAdmin), Variant(eadmin), Variant(eadmin)});
    addAdministrator(r.primaryHandler);
    const Strings logged = cleanUp();
    EXPECT_EQ(Strings(logged.begin(), logged.begin() + 3), mergeLines());
    EXPECT_EQ(hasLine(logged,
                      "(error) could not find primary call handler for example administrator account - be "
                      "sure to run dbRover 3.0.17 or later after restore and clean up broken links"),
              !r.primaryHandler);
    EXPECT_TRUE(hasLine(logged, "        Updating administrator link for handler with alias=Owned"));
    EXPECT_EQ(owner("CallHandler", "Owned"), kNewAdmin);
    EXPECT_EQ(value("SELECT count(*) FROM Subscriber WHERE Alias = ?", {Variant(eadmin)}), "0")
        << "the account found is the one deleted";
    EXPECT_EQ(value("SELECT CallHandlerObjectID FROM Subscriber WHERE Alias = 'EAdministrator'"),
              r.primaryHandler ? kNewAdminHandler : "<null>");
  }
}

TEST_F(DuplicateAdminTest, AFailingStepIsLoggedAndTheOthersRun) {
  addAdministrator(true);
  addReferencesToEAdmin();
  exec("DROP TABLE InterviewHandler");
  cleanUp();
  const Strings errors = errorLines();
  ASSERT_EQ(errors.size(), 1u) << "the table that cannot be opened, once for its two steps";
  for (const std::string& e : errors) {
    EXPECT_EQ(e.rfind("(error):", 0), 0u) << e;
    EXPECT_TRUE(e.ends_with(") in procedure CleanupDuplicateAdminAccounts of Form frmMain")) << e;
  }
  EXPECT_EQ(owner("DistributionList", "allsubscribers"), kNewAdmin);
  EXPECT_EQ(value("SELECT DestinationObjectID FROM MenuEntry"), kNewAdmin);
}

}  // namespace
}  // namespace vrel::test
