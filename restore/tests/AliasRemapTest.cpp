// Remapping subscriber aliases from a mapping file on a provisioned server:
// the header rules, the outcome of every kind of data line, the subscriber
// information file and message files that follow a renamed subscriber, and
// the failures that must leave a line's data as it was.
#include "platform/data/DatabaseBackup.h"
#include "platform/data/Session.h"
#include "restore/aliases/RemapSubscriberAliases.h"
#include "restore/tests/ProvisionedRun.h"
#include "standin/server/AccessSchemas.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <memory>

namespace vrel::test {
namespace {

using data::Variant;
using Strings = std::vector<std::string>;

constexpr const char* kMap = "C:\\Maps\\AliasMap.CSV";
constexpr const char* kMessages = "D:\\Backup\\Messages\\";
constexpr const char* kSubscriberInfo = "C:\\Vrel\\SubscriberInfo.mdb";
constexpr const char* kStart = "    Starting remapping of subscriber aliases";
constexpr const char* kFound =
    "        Local subscriber found matching that alias - changing references in the database";
constexpr const char* kTaken =
    "(error)   a user record with that alias already exists in the subscriber table. Skipping remap for that alias.";
constexpr const char* kBadHeader =
    "(error) first line of alias remapping file is not valid - exiting replacement routine";
constexpr const char* kNoColumns =
    "(error) could not find both new and old alias columns in the alias mapping file - exiting map routine.";

// The tables that name a subscriber by alias, as "table.column".
const Strings kAliasColumns = {"Subscriber.UID",
                               "Subscriber.Alias",
                               "GlobalSubscriber.Alias",
                               "PersonalDlist.ParentAlias",
                               "NotificationMWI.ParentAlias",
                               "NotificationDevice.ParentAlias",
                               "NotificationRule.ParentAlias"};

std::string searching(const std::string& oldAlias, const std::string& newAlias) {
  return "    Searching for subscriber alias=" + oldAlias + " and replacing with new alias=" + newAlias;
}

std::string refused(const std::string& alias, const std::string& why) {
  return "(error) the alias " + alias + " cannot name a message file (" + why +
         ") - skipping remap for that alias, nothing was changed.";
}

std::string takenBox(const std::string& oldAlias, const std::string& newAlias) {
  return "Unable to remap old alias=" + oldAlias + " to new alias=" + newAlias +
         "\r\nThere is another subscriber record with that alias already.";
}

// Line by line, so a difference names the line it is in.
void expectLines(const Strings& actual, const Strings& expected) {
  const auto at = [](const Strings& lines, std::size_t i) { return i < lines.size() ? lines[i] : "<no line>"; };
  for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i)
    EXPECT_EQ(at(actual, i), at(expected, i)) << "line " << i;
}

std::string replaceAll(std::string text, const std::string& what, const std::string& with) {
  for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += with.size())
    text.replace(at, what.size(), with);
  return text;
}

class AliasRemapTest : public ProvisionedRun {
 protected:
  void SetUp() override {
    begin(server(standin::MailStoreKind::Exchange2000, {}));
    ASSERT_TRUE(rm.files().createFolder("C:\\Maps"));
    ASSERT_TRUE(rm.files().createFolder(kMessages));
    m_db = data::Session::open(rm.machine(), rm.program().connectionString);
  }

  // Subscribers with one row in every table that names them by alias.
  void subscribers(const Strings& aliases) {
    m_db->execute("BEGIN");
    for (const std::string& a : aliases) {
      const Variant alias(a);
      m_db->execute("INSERT INTO Subscriber (Alias, UID, IsSubscriber, SubscriberType) VALUES (?, ?, 1, 1)",
                    {alias, alias});
      m_db->execute("INSERT INTO GlobalSubscriber (SubscriberObjectID, Alias) VALUES (NEWID(), ?)", {alias});
      for (const char* table : {"PersonalDlist", "NotificationMWI", "NotificationDevice", "NotificationRule"})
        m_db->execute(std::string("INSERT INTO ") + table + " (ParentAlias) VALUES (?)", {alias});
    }
    m_db->execute("COMMIT");
  }

  // How many rows of each alias column hold the alias (exact spelling):
  // "1111111" for a subscriber that owns a row in every table.
  std::string footprint(const std::string& alias) {
    std::string out;
    for (const std::string& tc : kAliasColumns) {
      const std::size_t dot = tc.find('.');
      const std::string sql =
          "SELECT count(*) FROM " + tc.substr(0, dot) + " WHERE " + tc.substr(dot + 1) + " = ? COLLATE BINARY";
      out += m_db->query(sql, {Variant(alias)}).rows.at(0).at(0).toString();
    }
    return out;
  }

  void writeMap(const std::string& content) { ASSERT_TRUE(rm.files().writeAll(kMap, content)); }

  void subscriberInfo(const Strings& aliases) {
    std::string error;
    ASSERT_TRUE(data::createDatabaseFile(rm.machine(), kSubscriberInfo, error)) << error;
    auto mdb = data::Session::open(rm.machine(),
                                   std::string("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + kSubscriberInfo);
    mdb->execute(standin::subscriberInfoMdbSchemaSql());
    mdb->execute("BEGIN");
    for (const std::string& a : aliases)
      mdb->execute("INSERT INTO Subscribers (SubscriberObjectID, Alias) VALUES (NEWID(), ?)", {Variant(a)});
    mdb->execute("COMMIT");
  }
  Strings subscriberInfoAliases() {
    auto mdb = data::Session::open(rm.machine(),
                                   std::string("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + kSubscriberInfo);
    Strings out;
    for (const auto& row : mdb->query("SELECT Alias FROM Subscribers ORDER BY rowid").rows)
      out.push_back(row.at(0).toString());
    return out;
  }

  void messageFile(const std::string& alias) {
    ASSERT_TRUE(rm.files().writeAll(std::string(kMessages) + alias + ".PST", "messages of " + alias));
  }
  // The content of a file of the Messages folder, or "<none>".
  std::string messages(const std::string& name) {
    std::string text;
    return rm.files().readAll(std::string(kMessages) + name, text) ? text : "<none>";
  }
  Strings messageFolder() {
    std::vector<DirEntry> entries;
    rm.files().list(kMessages, entries);
    Strings names;
    for (const DirEntry& e : entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
  }

  // Runs the remapping; the entries it logged.
  Strings remap(bool restoreMessages, const std::string& path = kMap) {
    const std::size_t before = entries().size();
    restore::RemapSubscriberAliases(rm.program(), {path, kBackup, restoreMessages});
    const Strings all = entries();
    return Strings(all.begin() + static_cast<long>(before), all.end());
  }

  std::shared_ptr<data::Session> m_db;
};

struct HeaderRow {
  const char* name;
  const char* path;     // the mapping file's path
  const char* content;  // nullptr: no file; "{old}" / "{new}" stand for the row's aliases
  Strings logged;       // after the start line; "{old}" / "{new}" as above
};

TEST_F(AliasRemapTest, TheHeaderDecidesWhetherTheLinesAreRead) {
  const HeaderRow rows[] = {
      {"OldColumnFirst", kMap, "OLD_ALIAS,NEW_ALIAS\r\n{old},{new}\r\n", {"=", kFound}},
      {"NewColumnFirst", kMap, "NEW_ALIAS,OLD_ALIAS\r\n{new},{old}\r\n", {"=", kFound}},
      {"AnyCaseWithBlanks", kMap, " old_alias , New_Alias \r\n {old} , {new} \r\n", {"=", kFound}},
      {"FurtherColumns",
       kMap,
       "DisplayName,OLD_ALIAS,Extension,NEW_ALIAS,Notes\r\nA B,{old},12,{new},x\r\n",
       {"=", kFound}},
      {"RightMostNameCounts", kMap, "OLD_ALIAS,NEW_ALIAS,OLD_ALIAS\r\nnobody,{new},{old}\r\n", {"=", kFound}},
      {"ByteOrderMark", kMap, "\xEF\xBB\xBFOLD_ALIAS,NEW_ALIAS\r\n{old},{new}\r\n", {"=", kFound}},
      {"EmptyPath", "", nullptr, {"(error) alias mapping file is empty"}},
      {"TwoCharacterPath", "C:", nullptr, {"(error) alias mapping file is empty"}},
      {"MissingFile", "C:\\Maps\\none.csv", nullptr, {"(error) alias mapping file not found:C:\\Maps\\none.csv"}},
      {"EmptyFile", kMap, "", {kBadHeader}},
      {"NineCharacters", kMap, "OLD,NEW,X\r\n{old},{new}\r\n", {kBadHeader}},
      {"NoComma", kMap, "OLD_ALIAS;NEW_ALIAS\r\n{old};{new}\r\n", {kBadHeader}},
      {"OnlyOldColumn", kMap, "OLD_ALIAS,DisplayName\r\n{old},{new}\r\n", {kNoColumns}},
      {"QuotedNames", kMap, "\"OLD_ALIAS\",\"NEW_ALIAS\"\r\n{old},{new}\r\n", {kNoColumns}},
  };
  int n = 0;
  for (const HeaderRow& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string oldAlias = "old" + std::to_string(++n);
    const std::string newAlias = "new" + std::to_string(n);
    subscribers({oldAlias});
    rm.files().deleteFile(kMap, true);
    if (r.content) writeMap(replaceAll(replaceAll(r.content, "{old}", oldAlias), "{new}", newAlias));
    Strings expected = {kStart};
    for (const std::string& line : r.logged) expected.push_back(line == "=" ? searching(oldAlias, newAlias) : line);
    EXPECT_EQ(remap(false, r.path), expected);
    const bool renamed = r.logged.size() == 2;
    EXPECT_EQ(footprint(oldAlias), renamed ? "0000000" : "1111111");
    EXPECT_EQ(footprint(newAlias), renamed ? "1111111" : "0000000");
  }
  EXPECT_TRUE(rm.ui.boxes.empty());
}

struct LineRow {
  const char* name;
  std::string line;
  Strings logged;
};

TEST_F(AliasRemapTest, EveryLineGetsItsOwnOutcomeInFileOrder) {
  subscribers({"ann", "bob", "carl", "dave", "erin", "fay", "gus", "hal", "o'brien", "twin", "twin", "kim"});
  const std::string fayKept = "    Searching for subscriber alias=fay and replacing with new alias=";
  const LineRow rows[] = {
      {"BlankLine", "", {}},
      {"OneCharacter", "x", {}},
      {"BlanksOnly", "     ", {}},
      {"FewerFieldsThanColumns", "ann", {}},
      {"EmptyNewAlias", "ann,", {}},
      {"EmptyOldAlias", " ,zed", {}},
      {"CaseOnly", "ann,ANN", {}},
      {"Rename", "ann,anne", {searching("ann", "anne"), kFound}},
      {"ExtraColumns", "bob,robert,ignored,more", {searching("bob", "robert"), kFound}},
      {"ChainFirst", "carl,carlos", {searching("carl", "carlos"), kFound}},
      {"ChainSecond", "carlos,charles", {searching("carlos", "charles"), kFound}},
      {"SwapFirst", "dave,erin", {searching("dave", "erin"), kTaken}},
      {"SwapSecond", "erin,dave", {searching("erin", "dave"), kTaken}},
      {"TargetTakenInOtherCase", "gus,HAL", {searching("gus", "HAL"), kTaken}},
      {"NoSuchSubscriber",
       "nobody,somebody",
       {searching("nobody", "somebody"), "(warning)    No subscriber found with that alias"}},
      {"TwoSubscribers",
       "twin,twins",
       {searching("twin", "twins"), "(error) more than one subscriber found with that alias - skipping"}},
      {"SingleQuote", "o'brien,obrien", {searching("o'brien", "obrien"), kFound}},
      {"ParentFolder",
       "fay,..\\x",
       {fayKept + "..\\x", refused("..\\x", "it holds the character \\, which a file name cannot hold")}},
      {"Subfolder",
       "fay,a/b",
       {fayKept + "a/b", refused("a/b", "it holds the character /, which a file name cannot hold")}},
      {"DotDot", "fay,..", {fayKept + "..", refused("..", "it names a folder, not a file")}},
      {"Device", "fay,con", {fayKept + "con", refused("con", "it is the name of a device")}},
      {"ControlCharacter", "fay,f\x01y", {fayKept + "f<0x01>y", refused("f<0x01>y", "it holds a control character")}},
      {"OldAliasLeavesTheFolder",
       "..\\fay,fay2",
       {searching("..\\fay", "fay2"), refused("..\\fay", "it holds the character \\, which a file name cannot hold")}},
      {"QuotedFields",
       "\"gus\",\"gustav\"",
       {searching("\"gus\"", "\"gustav\""),
        refused("\"gus\"", "it holds the character \", which a file name cannot hold")}},
      {"CommaInsideQuotes",
       "\"hal,x\",hal2",
       {searching("\"hal", "x\""), refused("\"hal", "it holds the character \", which a file name cannot hold")}},
      // The file and the log are in the ANSI code page, the database in Unicode.
      {"Accented", "kim,k\xE9vin", {searching("kim", "k\xE9vin"), kFound}},
  };
  // Lines end in CR LF, LF and CR by turns.
  const char* ends[] = {"\r\n", "\n", "\r"};
  std::string file = "OLD_ALIAS,NEW_ALIAS\r\n";
  Strings expected = {kStart};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    file += rows[i].line + ends[i % 3];
    expected.insert(expected.end(), rows[i].logged.begin(), rows[i].logged.end());
  }
  writeMap(file);
  expectLines(remap(true), expected);

  const std::pair<const char*, const char*> outcomes[] = {
      {"ann", "0000000"},         {"anne", "1111111"},   {"bob", "0000000"},     {"robert", "1111111"},
      {"carl", "0000000"},        {"carlos", "0000000"}, {"charles", "1111111"}, {"dave", "1111111"},
      {"erin", "1111111"},        {"gus", "1111111"},    {"hal", "1111111"},     {"twin", "2222222"},
      {"o'brien", "0000000"},     {"obrien", "1111111"}, {"fay", "1111111"},     {"kim", "0000000"},
      {"k\xC3\xA9vin", "1111111"}};
  for (const auto& [alias, rowsHeld] : outcomes) EXPECT_EQ(footprint(alias), rowsHeld) << alias;
  EXPECT_EQ(rm.ui.texts(), (Strings{takenBox("dave", "erin"), takenBox("erin", "dave"), takenBox("gus", "HAL")}));
  EXPECT_TRUE(messageFolder().empty()) << "no refused alias touched a file";
}

struct FilesRow {
  const char* name;
  bool restoreMessages;
  const char* subscriberInfo;  // "ok", "none" or "garbage"
  bool filesFollow;
};

class AliasRemapFilesTest : public AliasRemapTest, public ::testing::WithParamInterface<FilesRow> {};

TEST_P(AliasRemapFilesTest, SubscriberInfoAndMessageFilesFollowTheRenamedSubscriber) {
  const FilesRow& r = GetParam();
  subscribers({"ann", "bob", "carl", "dave"});
  const Strings info = {"ann", "bob", "carl", "eve"};  // dave has no row
  if (std::string(r.subscriberInfo) == "ok") subscriberInfo(info);
  if (std::string(r.subscriberInfo) == "garbage") {
    ASSERT_TRUE(rm.files().writeAll(kSubscriberInfo, "not a database"));
  }
  for (const char* alias : {"ann", "carl", "dave"}) messageFile(alias);  // bob has no messages
  writeMap("OLD_ALIAS,NEW_ALIAS\r\nann,anne\r\nbob,robert\r\ncarl,carlos\r\ncarlos,charles\r\ndave,david\r\n");

  const Strings logged = remap(r.restoreMessages);

  for (const auto& [from, to] : {std::pair{"ann", "anne"}, {"bob", "robert"}, {"carl", "charles"}, {"dave", "david"}})
    EXPECT_EQ(footprint(to), "1111111") << "the database is renamed in every case: " << from;
  const std::string connecting =
      "        Attempting to connect to Access using connection string:Provider=Microsoft.Jet.OLEDB.4.0;Data "
      "Source=C:\\Vrel\\SubscriberInfo.mdb";
  const std::string failed =
      "    Failed to update subscriber information MDB file - messages for subscribers witch changed aliases may "
      "fail";
  const std::string noBobMessages =
      "(warning) - message backup file could not be found using alias of: bob.  This user may not have had "
      "messages to back up.";
  EXPECT_EQ(hasLine(logged, connecting), r.restoreMessages && std::string(r.subscriberInfo) != "none");
  EXPECT_EQ(hasLine(logged, failed), r.restoreMessages && std::string(r.subscriberInfo) == "garbage");
  EXPECT_EQ(hasLine(logged, noBobMessages), r.filesFollow);
  if (r.filesFollow) {
    EXPECT_EQ(subscriberInfoAliases(), (Strings{"anne", "robert", "charles", "eve"}));
    EXPECT_EQ(messageFolder(), (Strings{"ann.OLD", "ann.PST", "anne.PST", "carl.OLD", "carl.PST", "carlos.OLD",
                                        "carlos.PST", "charles.PST", "dave.PST"}))
        << "dave has no subscriber information row, so no copy";
    EXPECT_EQ(messages("anne.PST"), "messages of ann");
    EXPECT_EQ(messages("ann.OLD"), "messages of ann");
    EXPECT_EQ(messages("charles.PST"), "messages of carl") << "the chain carries the messages along";
  } else {
    EXPECT_EQ(messageFolder(), (Strings{"ann.PST", "carl.PST", "dave.PST"}));
    if (std::string(r.subscriberInfo) == "ok") {
      EXPECT_EQ(subscriberInfoAliases(), info);
    }
  }
  const bool errorBox = r.restoreMessages && std::string(r.subscriberInfo) == "garbage";
  EXPECT_EQ(rm.ui.boxes.size(), errorBox ? 1u : 0u);
  if (errorBox) {
    EXPECT_TRUE(rm.ui.boxes[0].text.ends_with(") in procedure RemapSubscriberAliases of Module Module1"));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, AliasRemapFilesTest,
                         ::testing::Values(FilesRow{"MessagesRestored", true, "ok", true},
                                           FilesRow{"MessagesNotRestored", false, "ok", false},
                                           FilesRow{"NoSubscriberInfo", true, "none", false},
                                           FilesRow{"UnreadableSubscriberInfo", true, "garbage", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AliasRemapTest, AFailingLineChangesNothingAndTheNextLineStillRuns) {
  subscribers({"ann", "bob"});
  subscriberInfo({"ann", "bob"});
  messageFile("ann");
  // A table the rename must reach is gone: the line's changes before it are undone.
  m_db->execute("DROP TABLE NotificationRule");
  writeMap("OLD_ALIAS,NEW_ALIAS\r\nann,anne\r\nbob,bob2\r\n");
  const Strings logged = remap(true);
  ASSERT_EQ(rm.ui.boxes.size(), 2u);
  const std::string& box = rm.ui.boxes[0].text;
  EXPECT_EQ(box.rfind("Error ", 0), 0u) << box;
  EXPECT_NE(box.find("NotificationRule"), std::string::npos) << box;
  EXPECT_TRUE(box.ends_with(") in procedure RemapSubscriberAliases of Module Module1")) << box;
  EXPECT_TRUE(hasLine(logged, "(error) " + box)) << "the run's error count sees the failure";
  EXPECT_TRUE(hasLine(logged, searching("bob", "bob2")));
  for (const char* alias : {"ann", "bob"})
    EXPECT_EQ(m_db->query("SELECT (SELECT count(*) FROM Subscriber WHERE UID = ?1 AND Alias = ?1) || "
                          "(SELECT count(*) FROM GlobalSubscriber WHERE Alias = ?1) || "
                          "(SELECT count(*) FROM NotificationDevice WHERE ParentAlias = ?1)",
                          {Variant(alias)})
                  .rows.at(0)
                  .at(0)
                  .toString(),
              "111")
        << alias << " keeps every row: the line's changes were undone";
  EXPECT_EQ(subscriberInfoAliases(), (Strings{"ann", "bob"}));
  EXPECT_EQ(messageFolder(), Strings{"ann.PST"});

  // Without the server database there is nothing to do: one box, not one per line.
  rm.ui.boxes.clear();
  rm.program().connectionString =
      "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=NoSuchDb;Data "
      "Source=" +
      rm.program().computerName;
  remap(true);
  EXPECT_EQ(rm.ui.boxes.size(), 1u);
}

TEST_F(AliasRemapTest, TenThousandLinesAreAllApplied) {
  constexpr int kLines = 10000;
  Strings aliases;
  std::string file = "\xEF\xBB\xBFNEW_ALIAS,OLD_ALIAS\r\n";
  for (int i = 0; i < kLines; ++i) {
    aliases.push_back("user" + std::to_string(i));
    file += "member" + std::to_string(i) + "," + aliases.back() + "\r\n";
  }
  subscribers(aliases);
  subscriberInfo(aliases);
  writeMap(file);
  const auto started = std::chrono::steady_clock::now();
  const Strings logged = remap(true);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  std::cout << "[ measured ] " << kLines << " mapping lines in " << ms << " ms\n";
  EXPECT_EQ(logged.size(), 1u + 1u + 3u * kLines) << "start, Access, and per line: search, found, no messages";
  EXPECT_EQ(m_db->query("SELECT count(*) FROM Subscriber WHERE UID LIKE 'member%' AND Alias = UID")
                .rows.at(0)
                .at(0)
                .toString(),
            std::to_string(kLines));
  EXPECT_EQ(footprint("member9999"), "1111111");
  EXPECT_EQ(subscriberInfoAliases().back(), "member9999");
}

}  // namespace
}  // namespace vrel::test
