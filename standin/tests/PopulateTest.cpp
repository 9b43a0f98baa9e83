// standin populate on a provisioned scratch machine: every reference points
// at an object that exists, the files the rows name are there, and the same
// seed gives the same server.
#include "platform/Files.h"
#include "standin/server/Populate.h"
#include "standin/server/PopulatePlan.h"
#include "standin/server/ProvisionFiles.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <set>

namespace vrel::test {
namespace {

using standin::PopulateOptions;
using standin::ProvisionOptions;

constexpr const char* kGuid = "99999999-8888-4777-8666-555555555555";

standin::PopulateResult populateOrFail(Machine& m, int subscribers, std::uint64_t seed) {
  PopulateOptions o;
  o.subscribers = subscribers;
  o.seed = seed;
  standin::PopulateResult r;
  std::string error;
  EXPECT_TRUE(standin::populateServer(m, o, r, error)) << error;
  return r;
}

ProvisionOptions fixedInstall(standin::MailStoreKind kind = standin::MailStoreKind::Exchange2000) {
  ProvisionOptions o;
  o.installationGuid = kGuid;
  o.installRoot = "E:\\Orvix";
  o.mailStore = kind;
  return o;
}

class PopulatedServer : public ::testing::Test {
 protected:
  void SetUp() override {
    provisionOrFail(m(), fixedInstall());
    result = populateOrFail(m(), 50, 7);
  }
  Machine& m() { return scratch.machine(); }
  long orphans(const std::string& sql) { return queryCount(m(), "SELECT COUNT(*) FROM " + sql); }

  ScratchMachine scratch;
  standin::PopulateResult result;
};

TEST_F(PopulatedServer, CountsMatchTheDatabase) {
  EXPECT_EQ(result.subscribers, 50);
  EXPECT_EQ(queryCount(m(), "SELECT COUNT(*) FROM Subscriber"), 54);
  EXPECT_EQ(queryCount(m(), "SELECT COUNT(*) FROM GlobalSubscriber"), 54);
  EXPECT_EQ(queryCount(m(), "SELECT COUNT(*) FROM CallHandler"), result.callHandlers + 2);
  EXPECT_EQ(queryCount(m(), "SELECT COUNT(*) FROM DTMFAccessID"), result.extensions);
  EXPECT_EQ(queryCount(m(), "SELECT COUNT(*) FROM DistributionList"), result.lists + 3);
  EXPECT_GE(result.lists, 5);
  EXPECT_GT(queryCount(m(), "SELECT COUNT(*) FROM MessagingRule"), 50);
  EXPECT_GT(queryCount(m(), "SELECT COUNT(*) FROM NotificationDevice"), 50);
  EXPECT_GT(queryCount(m(), "SELECT COUNT(*) FROM PersonalDlist"), 0);
  EXPECT_GT(queryCount(m(), "SELECT COUNT(*) FROM InterviewHandler"), 0);
  EXPECT_EQ(queryCount(m(), "SELECT COUNT(*) FROM SubscriberActivity", "ReportDB"), 50);
  // All aliases are distinct, ignoring case.
  EXPECT_EQ(queryCount(m(), "SELECT COUNT(DISTINCT Alias) FROM Subscriber"), 54);
}

TEST_F(PopulatedServer, EveryReferenceNamesAnExistingObject) {
  const std::string subscriber = "(SELECT SubscriberObjectID FROM Subscriber)";
  const std::string handler = "(SELECT CallHandlerObjectID FROM CallHandler)";
  const std::string list = "(SELECT SystemDListObjectID FROM DistributionList)";
  auto destinationOk = [&](const std::string& id, const std::string& type) {
    return "((" + type + " = 1 AND " + id + " IN " + subscriber + ") OR (" + type + " = 2 AND " + id + " IN " +
           handler + "))";
  };
  const struct {
    const char* name;
    std::string orphanRows;
  } checks[] = {
      {"handler owners", "CallHandler WHERE NOT ((AdministratorObjectIDType = 1 AND AdministratorObjectID IN " +
                             subscriber + ") OR (AdministratorObjectIDType = 2 AND AdministratorObjectID IN " + list +
                             "))"},
      {"handler recipients", "CallHandler WHERE NOT (RecipientObjectIDType = 1 AND RecipientObjectID IN " +
                                 subscriber + ")"},
      {"after message", "CallHandler WHERE AfterMessageAction = 2 AND NOT " +
                            destinationOk("AfterMessageObjectID", "AfterMessageObjectIDType")},
      {"exits", "CallHandler WHERE ExitAction = 2 AND NOT " + destinationOk("ExitObjectID", "ExitObjectIDType")},
      {"primary handlers", "Subscriber WHERE CallHandlerObjectID IS NOT NULL AND CallHandlerObjectID NOT IN "
                           "(SELECT CallHandlerObjectID FROM CallHandler WHERE IsPrimary = 1)"},
      {"populated subscribers without handler", "Subscriber WHERE IsSubscriber = 1 AND CallHandlerObjectID IS NULL"},
      {"extension parents", "DTMFAccessID WHERE ParentObjectID NOT IN " + handler},
      {"rule parents", "MessagingRule WHERE ParentObjectID NOT IN " + handler},
      {"rule destinations", "MessagingRule WHERE Action = 2 AND NOT " +
                                destinationOk("DestinationObjectID", "DestinationObjectIDType")},
      {"rule destinations without go to", "MessagingRule WHERE Action <> 2 AND DestinationObjectID IS NOT NULL"},
      {"menu parents", "MenuEntry WHERE ParentObjectID NOT IN " + handler},
      {"menu destinations", "MenuEntry WHERE NOT " + destinationOk("DestinationObjectID", "DestinationObjectIDType")},
      {"list owners", "DistributionList WHERE AdministratorObjectID NOT IN " + subscriber},
      {"list members", "DistributionListMember WHERE SystemDListObjectID NOT IN " + list +
                           " OR MemberObjectID NOT IN " + subscriber},
      {"interview owners", "InterviewHandler WHERE AdministratorObjectID NOT IN " + subscriber +
                               " OR RecipientObjectID NOT IN " + subscriber},
      {"name lookup exits", "NameLookupHandler WHERE AdministratorObjectID NOT IN " + subscriber + " OR NOT " +
                                destinationOk("ExitObjectID", "ExitObjectIDType")},
      {"mailbox stores", "Subscriber WHERE MailboxStoreObjectID IS NOT NULL AND MailboxStoreObjectID NOT IN "
                         "(SELECT MailboxStoreObjectID FROM MailboxStore)"},
      {"locations", "Subscriber WHERE LocationObjectID NOT IN (SELECT LocationObjectID FROM Location)"},
      {"MWI owners", "NotificationMWI WHERE ParentAlias NOT IN (SELECT Alias FROM Subscriber)"},
      {"device owners", "NotificationDevice WHERE ParentAlias NOT IN (SELECT Alias FROM Subscriber)"},
      {"rule devices", "NotificationRule r WHERE NOT EXISTS (SELECT 1 FROM NotificationDevice d WHERE "
                       "d.ParentAlias = r.ParentAlias AND d.DeviceName = r.DeviceName)"},
      {"personal lists", "PersonalDlist WHERE ParentAlias NOT IN (SELECT Alias FROM Subscriber)"},
      {"global copies", "Subscriber WHERE SubscriberObjectID NOT IN (SELECT SubscriberObjectID FROM GlobalSubscriber)"},
  };
  for (const auto& c : checks) EXPECT_EQ(orphans(c.orphanRows), 0) << c.name;
  // Extensions are unique and every populated subscriber dials in.
  EXPECT_EQ(queryCount(m(), "SELECT COUNT(DISTINCT DTMFAccessID) FROM DTMFAccessID"),
            queryCount(m(), "SELECT COUNT(*) FROM DTMFAccessID"));
  EXPECT_EQ(orphans("Subscriber s WHERE IsSubscriber = 1 AND Alias NOT IN ('EAdmin', 'ESubscriber') AND NOT EXISTS "
                    "(SELECT 1 FROM DTMFAccessID x WHERE x.ParentObjectID = s.CallHandlerObjectID)"),
            0);
  // Object IDs are unique across the tables that hold objects.
  const auto ids = queryRows(m(), "SELECT SubscriberObjectID FROM Subscriber UNION ALL SELECT CallHandlerObjectID "
                                  "FROM CallHandler UNION ALL SELECT SystemDListObjectID FROM DistributionList "
                                  "UNION ALL SELECT MessagingRuleObjectID FROM MessagingRule");
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
}

TEST_F(PopulatedServer, StreamFilesAndMailboxesAreWhereTheRowsSay) {
  const Files& files = scratch.files();
  const auto paths = queryRows(m(), "SELECT StreamPath FROM Subscriber WHERE StreamPath IS NOT NULL UNION ALL "
                                    "SELECT StreamPath FROM CallHandler WHERE StreamPath IS NOT NULL UNION ALL "
                                    "SELECT StreamPath FROM MessagingRule UNION ALL SELECT StreamPath FROM "
                                    "DistributionList WHERE StreamPath IS NOT NULL UNION ALL "
                                    "SELECT StreamPath FROM NameLookupHandler");
  EXPECT_EQ(static_cast<int>(paths.size()), result.streamFiles);
  // Recorded names and greetings live in "Stream Files"; the directory
  // handler's greeting is kept with the system greetings of the language.
  const std::string systemGreeting = "E:\\Orvix\\Localize\\DefaultConfiguration\\ENU\\DirectoryHandler.wav";
  for (const std::string& p : paths) {
    if (p != systemGreeting) {
      EXPECT_EQ(p.rfind("E:\\Orvix\\Stream Files\\", 0), 0u) << p;
    }
    EXPECT_TRUE(files.fileExists(p)) << p;
  }
  std::vector<DirEntry> streams;
  ASSERT_TRUE(files.list("E:\\Orvix\\Stream Files", streams));
  EXPECT_EQ(static_cast<int>(streams.size()), result.streamFiles - 1);

  const std::string store = std::string(standin::kMailStoreFolder) + "\\MailStore_ORVIX01\\";
  int messages = 0;
  for (const std::string& alias : queryRows(m(), "SELECT Alias FROM Subscriber WHERE IsSubscriber = 1 AND "
                                                 "Alias NOT IN ('EAdmin', 'ESubscriber')")) {
    std::vector<DirEntry> box;
    ASSERT_TRUE(files.list(store + alias, box)) << alias;
    messages += static_cast<int>(box.size());
  }
  EXPECT_EQ(messages, result.messages);
  EXPECT_GT(messages, 0);
  std::string routing;
  ASSERT_TRUE(files.readAll("E:\\Orvix\\Support\\Routing.rul", routing));
  EXPECT_NE(routing.find("DialedNumber=50001"), std::string::npos);
}

TEST_F(PopulatedServer, RunsOnlyOnceOnAFreshServer) {
  PopulateOptions o;
  standin::PopulateResult r;
  std::string error;
  EXPECT_FALSE(standin::populateServer(m(), o, r, error));
  EXPECT_NE(error.find("populated already"), std::string::npos) << error;
  EXPECT_EQ(queryCount(m(), "SELECT COUNT(*) FROM Subscriber"), 54);
}

// All rows of the tables populate fills, in insertion order.
std::vector<std::string> dump(Machine& m) {
  std::vector<std::string> out;
  for (const char* table : {"Subscriber", "CallHandler", "DTMFAccessID", "MessagingRule", "MenuEntry",
                            "DistributionList", "DistributionListMember", "NotificationDevice", "PersonalDlist"})
    for (const std::string& row : queryRows(m, std::string("SELECT * FROM ") + table + " ORDER BY rowid"))
      out.push_back(std::string(table) + ": " + row);
  return out;
}

TEST(PopulateSeed, SameSeedSameServerOtherSeedOtherServer) {
  ScratchMachine a, b, c;
  for (ScratchMachine* s : {&a, &b, &c}) provisionOrFail(s->machine(), fixedInstall(standin::MailStoreKind::Domino));
  const auto ra = populateOrFail(a.machine(), 20, 42);
  const auto rb = populateOrFail(b.machine(), 20, 42);
  populateOrFail(c.machine(), 20, 43);
  EXPECT_EQ(dump(a.machine()), dump(b.machine()));
  EXPECT_NE(dump(a.machine()), dump(c.machine()));
  EXPECT_EQ(ra.messages, rb.messages);
  EXPECT_EQ(ra.streamFiles, rb.streamFiles);
  EXPECT_EQ(queryCount(a.machine(), "SELECT COUNT(*) FROM Subscriber WHERE SubscriberType = 3"), 23);
}

TEST(PopulateSeed, RefusesWithoutServerAndBadCounts) {
  ScratchMachine scratch;
  PopulateOptions o;
  standin::PopulateResult r;
  std::string error;
  EXPECT_FALSE(standin::populateServer(scratch.machine(), o, r, error));
  EXPECT_NE(error.find("provision"), std::string::npos) << error;
  provisionOrFail(scratch.machine(), ProvisionOptions{});
  for (int bad : {0, -1, standin::kMaxPopulateSubscribers + 1}) {
    o.subscribers = bad;
    EXPECT_FALSE(standin::populateServer(scratch.machine(), o, r, error)) << bad;
  }
  EXPECT_EQ(queryCount(scratch.machine(), "SELECT COUNT(*) FROM Subscriber"), 4);
}

}  // namespace
}  // namespace vrel::test

namespace vrel::test {
namespace {

// A large site's plan: past the thresholds every number stays unique, the
// recordings are spread out to the cap and only the first subscribers get
// mailboxes; a small one keeps one recording per object.
TEST(PopulatePlan, LargeSitesKeepUniqueNumbersAndCappedFiles) {
  standin::PopulateBase base;
  base.computer = "BIG";
  base.root = "E:\\Orvix\\";
  base.systemId = "S";
  base.storeAlias = "MailStore_BIG";
  base.storeId = base.locationId = base.adminId = base.adminHandlerId = base.allSubscribersListId = "X";
  for (const int subscribers : {40, 12000}) {
    PopulateOptions o;
    o.subscribers = subscribers;
    o.bothAdmins = true;
    const standin::PopulatePlan plan = standin::planPopulation(base, o);
    std::set<std::string> extensions, aliases, streams;
    std::size_t streamless = 0;
    for (const standin::PlannedRow& r : plan.orvixRows)
      for (const auto& [column, value] : r.row) {
        const std::string_view name(column);
        if (name == "DTMFAccessID" && !value.isNull()) {
          EXPECT_TRUE(extensions.insert(value.toString()).second) << value.toString();
        }
        if (name == "Alias" && std::string_view(r.table) == "Subscriber") {
          EXPECT_TRUE(aliases.insert(value.toString()).second);
        }
        if (name == "StreamPath") {
          if (value.isNull()) ++streamless;
          else streams.insert(value.toString());
        }
      }
    std::size_t mailboxes = 0;
    for (const std::string& f : plan.folders) mailboxes += f.rfind("C:\\MailStore\\", 0) == 0;
    std::size_t streamFiles = 0;
    for (const standin::PlannedFile& f : plan.files) streamFiles += streams.count(f.path);
    EXPECT_EQ(plan.counts.subscribers, subscribers + 1) << subscribers;
    EXPECT_EQ(aliases.size(), static_cast<std::size_t>(subscribers + 1));
    EXPECT_EQ(streamFiles, streams.size()) << "every stream path names a planned file";
    EXPECT_EQ(plan.counts.registryKeys, subscribers);
    if (subscribers < 1000) {
      EXPECT_EQ(streamless, 0u);
      EXPECT_EQ(mailboxes, static_cast<std::size_t>(subscribers));
    } else {
      EXPECT_GT(streamless, 0u);
      EXPECT_NEAR(static_cast<double>(streams.size()), standin::kMaxPopulateStreamFiles, 1500.0);
      EXPECT_EQ(mailboxes, static_cast<std::size_t>(standin::kMaxPopulateMailboxes));
      EXPECT_TRUE(extensions.count("100001") && extensions.count("500001")) << "six-digit extensions";
    }
  }
}

}  // namespace
}  // namespace vrel::test
