// The message restore's own procedures on a provisioned server: the mailbox
// DN of an address, the old/new mailbox pairing written to
// "SubscriberInfo.mdb" and "Mailboxes.txt", and the reading of ExMerge's
// summary line.
#include "platform/data/DatabaseBackup.h"
#include "platform/data/Session.h"
#include "restore/messages/BuildSubscriberTable.h"
#include "restore/messages/ExMergeLog.h"
#include "restore/tests/ProvisionedRun.h"
#include "standin/server/AccessSchemas.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

using Strings = std::vector<std::string>;
using data::Variant;

constexpr const char* kMdb = "C:\\Vrel\\SubscriberInfo.mdb";
constexpr const char* kMailboxes = "C:\\Vrel\\Mailboxes.txt";

class MessageRestore : public ProvisionedRun {
 protected:
  restore::Program& start(standin::MailStoreKind kind = standin::MailStoreKind::Exchange2000) {
    begin(server(kind, {5, 0, 1, 0}));
    return rm.program();
  }
  // The log entries written since the mark.
  Strings since(std::size_t mark) {
    const Strings all = entries();
    return Strings(all.begin() + static_cast<std::ptrdiff_t>(std::min(mark, all.size())), all.end());
  }
};

TEST_F(MessageRestore, MailboxDnOfAnAddress) {
  restore::Program& p = start();
  const struct {
    const char* raw;
    const char* dn;
    Strings lines;
  } cases[] = {
      {"cn=jsmith,cn=Recipients,ou=Site1,o=Org", "/o=Org/ou=Site1/cn=Recipients/cn=jsmith", {}},
      {"CN=jsmith,CN=Recipients,OU=Site1,O=Org", "/O=Org/OU=Site1/CN=Recipients/CN=jsmith", {}},
      {"abc", "", {"(error) empty string passed to strFormatMailboxDNString function"}},
      {"cn=jsmith,cn=Recipients,o=Org", "",
       {"(error) in strFormatMailboxDNString:the address has no \",ou=\" part",
        "    strRawAddressID=cn=jsmith,cn=Recipients,o=Org"}},
      {"jsmith@example.com", "",
       {"(error) in strFormatMailboxDNString:the address has no \",cn=\" part", "    strRawAddressID=jsmith@example.com"}},
  };
  for (const auto& c : cases) {
    const std::size_t mark = entries().size();
    EXPECT_EQ(restore::strFormatMailboxDNString(p.log, c.raw), c.dn) << c.raw;
    EXPECT_EQ(since(mark), c.lines) << c.raw;
  }
}

TEST_F(MessageRestore, ExMergeSummaryLine) {
  restore::Program& p = start();
  const std::string folder = kBackup;
  const std::string failed3 = "(error)  3 mailboxes not restored properly.  Check the exMerge.log file at: " + folder +
                              " for more details";
  const std::string garbage = "(error) in parseforerrorsinexmergelogs:Invalid procedure call or argument";
  std::string utf16 = "\xFF\xFE";
  for (const char c : std::string("[10:00:00] start\r\n[10:02:11] 7 mailboxes processed. 2 mailboxes failed\r\nend\r\n"))
    utf16 += std::string(1, c) + '\0';
  const struct {
    const char* name;
    std::optional<std::string> log;
    Strings lines;
  } cases[] = {
      {"clean", "[10:00:00] start\r\n[10:02:11] 12 mailboxes processed. 0 mailboxes failed\r\n[10:02:12] end\r\n",
       {"     12 mailboxes successfully restored"}},
      {"three failed", "[10:02:11] 12 mailboxes processed. 3 mailboxes failed\nlast\n",
       {"     12 mailboxes successfully restored", failed3}},
      {"missing", std::nullopt, {"(error) No ExMerge.log file generated.  restore of messages failed"}},
      {"summary on the last line", "[10:00:00] start\r\n[10:02:11] 12 mailboxes processed. 3 mailboxes failed",
       {garbage, "     0 mailboxes successfully restored", garbage, garbage, garbage}},
      {"one line", "[10:02:11] 12 mailboxes processed. 3 mailboxes failed\r\n",
       {garbage, "     0 mailboxes successfully restored", garbage, garbage, garbage}},
      {"counts past the largest long stay at it",
       "[10:02:11] 99999999999999999999999 mailboxes processed. 92233720368547758070 mailboxes failed\nend\n",
       {"     9223372036854775807 mailboxes successfully restored",
        "(error)  9223372036854775807 mailboxes not restored properly.  Check the exMerge.log file at: " + folder +
            " for more details"}},
      {"unicode", utf16,
       {"     7 mailboxes successfully restored",
        "(error)  2 mailboxes not restored properly.  Check the exMerge.log file at: " + folder + " for more details"}},
  };
  for (const auto& c : cases) {
    rm.files().deleteFile(folder + "ExMerge.log", true);
    if (c.log) {
      ASSERT_TRUE(rm.files().writeAll(folder + "ExMerge.log", *c.log));
    }
    const std::size_t mark = entries().size();
    restore::parseforerrorsinexmergelogs(p, folder);
    EXPECT_EQ(since(mark), c.lines) << c.name;
  }
}

TEST_F(MessageRestore, MailboxPairsGoIntoTheTableAndTheList) {
  restore::Program& p = start(standin::MailStoreKind::Exchange55);
  Machine& m = rm.machine();
  auto db = data::Session::open(m, "Driver={SQL Server};server=;database=OrvixDB");
  struct Sub {
    const char* id;
    const char* alias;
    const char* address;  // null: not in SQL
    const char* oldDn;
  };
  const Sub subs[] = {
      {"{0A000000-0000-0000-0000-000000000001}", "O'Neil", "cn=O'Neil,cn=Recipients,ou=\"Site 1\",o=Org",
       "/o=Org/ou=Old/cn=Recipients/cn=O'Neil"},
      {"{0A000000-0000-0000-0000-000000000002}", "nodn", "cn=nodn,cn=Recipients,ou=Site1,o=Org", nullptr},
      {"{0A000000-0000-0000-0000-000000000003}", "gone", nullptr, "/o=Org/ou=Old/cn=Recipients/cn=gone"},
      {"{0A000000-0000-0000-0000-000000000004}", "noaddr", "x", "/o=Org/ou=Old/cn=Recipients/cn=noaddr"},
  };
  for (const Sub& s : subs)
    if (s.address)
      db->execute("INSERT INTO Subscriber (SubscriberObjectID, Alias, AddressID) VALUES (?, ?, ?)",
                  {Variant(s.id), Variant(s.alias), Variant(s.address)});
  db->execute("UPDATE Subscriber SET AddressID='cn=EAdmin,cn=Recipients,ou=Site1,o=Org' WHERE Alias='EAdmin'");
  std::string error;
  ASSERT_TRUE(data::createDatabaseFile(m, kMdb, error)) << error;
  auto mdb = data::Session::open(m, std::string("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + kMdb);
  mdb->execute(standin::subscriberInfoMdbSchemaSql());
  // The example administrator is found by alias: its old object ID is not
  // the new machine's.
  mdb->execute("INSERT INTO Subscribers (SubscriberObjectID, Alias, OldMailboxDN) VALUES (?, ?, ?)",
               {Variant("{0B000000-0000-0000-0000-000000000000}"), Variant("EAdmin"),
                Variant("/o=Org/ou=Old/cn=Recipients/cn=EAdmin")});
  for (const Sub& s : subs)
    mdb->execute("INSERT INTO Subscribers (SubscriberObjectID, Alias, OldMailboxDN) VALUES (?, ?, ?)",
                 {Variant(s.id), Variant(s.alias), s.oldDn ? Variant(s.oldDn) : Variant::null()});
  mdb.reset();
  ASSERT_TRUE(rm.files().writeAll(kMailboxes, "stale line\r\n"));

  for (int run = 0; run < 2; ++run) {
    const std::size_t mark = entries().size();
    ASSERT_TRUE(restore::BuildSubscriberTable(p, "1A2B", "0F0F"));
    const Strings lines = since(mark);
    EXPECT_EQ(lines.front(), "    Building subscriber table of MailboxDNs");
    EXPECT_EQ(lines.back(), "    finished building subscriber table and mailboxes.txt file");
    for (const std::string expected :
         {"(error) didn't find subscriber in SQL table by ObjectID={0A000000-0000-0000-0000-000000000003}",
          "(error) no properly formatted MailboxDN string could be derived from:x"})
      EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
    std::string list;
    ASSERT_TRUE(rm.files().readAll(kMailboxes, list));
    // Exchange 5.5 DNs lose their quotes; a subscriber without an old DN
    // gets its new one in the table but no line.
    EXPECT_EQ(list,
              "/o=Org/ou=Old/cn=Recipients/cn=EAdmin\t/o=Org/ou=Site1/cn=Recipients/cn=EAdmin\r\n"
              "/o=Org/ou=Old/cn=Recipients/cn=O'Neil\t/o=Org/ou=Site 1/cn=Recipients/cn=O'Neil\r\n");
  }
  {
    auto check = data::Session::open(m, std::string("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + kMdb);
    const auto rows = check->query("SELECT NewMailboxDN FROM Subscribers WHERE Alias='nodn'").rows;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].toString(), "/o=Org/ou=Site1/cn=Recipients/cn=nodn");
  }

  ASSERT_TRUE(rm.files().deleteFile(kMdb, true));
  EXPECT_FALSE(restore::BuildSubscriberTable(p, "1A2B", "0F0F"));
}

}  // namespace
}  // namespace vrel::test
