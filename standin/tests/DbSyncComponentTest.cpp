// The directory synchronisation component rewrites the global subscriber
// table from the subscribers: each subscriber's global row is replaced, the
// rows it was told to fail are left alone, and global rows of other
// locations stay.
#include "platform/data/Connection.h"
#include "standin/server/DirectoryComponents.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <gtest/gtest.h>

namespace vrel {
namespace {

struct Events : standin::DbSyncEvents {
  void Progress(std::int32_t current, std::int32_t total) override {
    progress += std::to_string(current) + "/" + std::to_string(total) + " ";
  }
  void LogInfo(std::int32_t code, const std::string& text, std::int32_t value) override {
    if (code == standin::kSyncSqlWriteFailed) failed += text + "@" + std::to_string(value) + " ";
  }
  std::string progress, failed;
};

TEST(DbSyncComponent, ReplacesEachSubscribersGlobalRowAsOneByOneAndLeavesTheFailedOnes) {
  test::ScratchMachine scratch;
  Machine& m = scratch.machine();
  standin::ProvisionOptions o;
  o.computerName = "ORVIX01";
  standin::ProvisionResult r;
  std::string error;
  ASSERT_TRUE(standin::provisionServer(m, o, r, error)) << error;

  constexpr const char* kA = "0000000A-0000-0000-0000-000000000001";
  constexpr const char* kB = "0000000B-0000-0000-0000-000000000002";
  constexpr const char* kC = "0000000C-0000-0000-0000-00000000000C";
  data::Connection cn(m);
  cn.open(standin::localDatabaseConnection("OrvixDB"));
  cn.execute("DELETE FROM Subscriber");
  cn.execute("DELETE FROM GlobalSubscriber");
  // The first subscriber fails; B has two rows (the later one wins); C is
  // spelled in lower case with braces, which names the same GUID.
  const char* subscribers[][2] = {{kA, "anna"}, {kB, "ben"}, {"{0000000c-0000-0000-0000-00000000000c}", "cleo"},
                                  {kB, "ben2"}};
  for (const auto& [id, alias] : subscribers)
    cn.execute("INSERT INTO Subscriber (SubscriberObjectID, Alias, IsSubscriber, SubscriberType) VALUES (?, ?, 1, 1)",
               {data::Variant(id), data::Variant(alias)});
  const char* globals[][2] = {{kA, "old anna"}, {kC, "old cleo"}, {kC, "old cleo again"},
                              {"0000000F-0000-0000-0000-00000000000F", "remote"}};
  for (const auto& [id, alias] : globals)
    cn.execute("INSERT INTO GlobalSubscriber (SubscriberObjectID, Alias) VALUES (?, ?)",
               {data::Variant(id), data::Variant(alias)});
  cn.close();
  m.setValue("DbSyncErrors", "1");

  std::unique_ptr<standin::DbSync> sync;
  ASSERT_EQ(standin::createDbSync(m, standin::kDbSyncProgId, sync).hr, 0);
  Events events;
  sync->Advise(&events);
  std::string server, database;
  const standin::ComResult result = sync->SyncCommit(server, database, 0, 0, 0);
  EXPECT_EQ(result.hr, 0) << result.description;

  EXPECT_EQ(events.progress, "1/4 2/4 3/4 4/4 ");
  EXPECT_EQ(events.failed, "anna@1 ");
  EXPECT_EQ(test::queryRows(m, "SELECT Alias FROM GlobalSubscriber ORDER BY Alias"),
            (std::vector<std::string>{"ben2", "cleo", "old anna", "remote"}));
  EXPECT_EQ(m.value("DirectorySyncedSubscribers"), "4");

  // Without shared IDs or failures every subscriber's row is replaced.
  cn.open(standin::localDatabaseConnection("OrvixDB"));
  cn.execute("DELETE FROM Subscriber WHERE Alias = 'ben'");
  cn.execute("INSERT INTO GlobalSubscriber (SubscriberObjectID, Alias) VALUES (?, 'stale ben')", {data::Variant(kB)});
  cn.close();
  m.setValue("DbSyncErrors", "0");
  events = Events();
  EXPECT_EQ(sync->SyncCommit(server, database, 0, 0, 0).hr, 0);
  EXPECT_EQ(events.progress, "1/3 2/3 3/3 ");
  EXPECT_EQ(events.failed, "");
  EXPECT_EQ(test::queryRows(m, "SELECT Alias FROM GlobalSubscriber ORDER BY Alias"),
            (std::vector<std::string>{"anna", "ben2", "cleo", "remote"}));
}

}  // namespace
}  // namespace vrel
