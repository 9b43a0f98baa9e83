#include "platform/data/Recordset.h"
#include "platform/tests/DataTestMachine.h"

#include <random>

namespace vrel::data {
namespace {

using test::raised;

class DataFindFilterTest : public ::testing::Test {
 protected:
  DataFindFilterTest() {
    cn.open(test::kOrvixConnection);
    t.createSubscribers(cn);
    cn.execute("UPDATE Subscriber SET Created = '2001-01-15 00:00:00' WHERE Extension >= 2002");
    rs.setCursorLocation(adUseClient);
    rs.open("Select * from Subscriber", cn, adOpenStatic, adLockOptimistic);
  }
  // The alias of the current row, or "EOF" / "BOF".
  std::string at() {
    if (rs.eof()) return "EOF";
    if (rs.bof()) return "BOF";
    return rs.fields("Alias").value().toString();
  }
  std::string findFromFirst(const std::string& criteria) {
    rs.moveFirst();
    rs.find(criteria);
    return at();
  }
  test::DataTestMachine t;
  Connection cn{t.machine()};
  Recordset rs;
};

TEST_F(DataFindFilterTest, FindOperatorsValuesAndWildcards) {
  struct Row {
    const char* name;
    const char* criteria;
    const char* found;
  };
  const Row rows[] = {
      {"equal, other case", "Alias='ESUBSCRIBER'", "ESubscriber"},
      {"equal ignores trailing blanks", "Alias = 'jsmith   '", "jsmith"},
      {"stored trailing blank", "FirstName = 'Setup'", "Installer"},
      {"quote inside", "Alias = 'O''Malley'", "o'malley"},
      {"not equal", "Alias <> 'EAdmin'", "ESubscriber"},
      {"less than, text", "Alias < 'F'", "EAdmin"},
      {"greater or equal, number", "Extension >= 2002", "JSmithers"},
      {"less or equal", "Extension <= 1000", "EAdmin"},
      {"greater than", "Extension > 2003", "o'malley"},
      {"number as text", "Extension = '2001'", "jsmith"},
      {"hash text", "Alias = #Installer#", "Installer"},
      {"hash date", "Created = #1/15/2001#", "JSmithers"},
      {"date before", "Created < #1/1/2000#", "EAdmin"},
      {"GUID in braces, any case", "SubscriberObjectID = '{00000005-0000-0000-0000-0000000000aa}'", "Installer"},
      {"GUID bare", "SubscriberObjectID='00000002-0000-0000-0000-0000000000AA'", "ESubscriber"},
      {"bracketed name", "[Alias] = 'jsmith'", "jsmith"},
      {"like prefix star", "Alias LIKE 'JS*'", "jsmith"},
      {"like prefix percent", "Alias like 'EAdmin%'", "EAdmin"},
      {"like both ends", "Alias LIKE '*SMITHER*'", "JSmithers"},
      {"like without wildcard", "Alias LIKE 'installer'", "Installer"},
      {"like underscore is literal", "Alias LIKE 'j_mith*'", "EOF"},
      {"no match", "Alias = 'nobody'", "EOF"},
      {"bit column", "IsPrimary = 0", "EAdmin"},
  };
  for (const Row& r : rows) EXPECT_EQ(findFromFirst(r.criteria), r.found) << r.name;
}

TEST_F(DataFindFilterTest, BadCriteriaRaise3001AndUnknownColumns3265) {
  const char* bad[] = {"Alias LIKE '*mith'",
                       "Alias LIKE 'j*th'",
                       "Alias = 'open",
                       "Alias == 'x'",
                       "Alias = 'a' AND Extension = 1",
                       "Alias",
                       "Extension = 'twelve'",
                       "Created = #32/1/2001#",
                       "Alias = Null",
                       "Created = #7/22/97 13:05:00.250#"};
  for (const char* c : bad) {
    rs.moveFirst();
    EXPECT_EQ(raised([&] { rs.find(c); }).number, 3001) << c;
  }
  rs.moveFirst();
  EXPECT_EQ(raised([&] { rs.find("Nope = 1"); }).number, 3265);
}

TEST_F(DataFindFilterTest, FindSearchesFromTheCurrentRow) {
  rs.moveFirst();
  rs.find("FirstName = 'Example'");
  EXPECT_EQ(at(), "EAdmin") << "SkipRows 0 includes the current row";
  rs.find("FirstName = 'Example'", 1);
  EXPECT_EQ(at(), "ESubscriber") << "SkipRows 1 goes on from the next row";
  rs.find("FirstName = 'Example'", 1);
  EXPECT_EQ(at(), "EOF");
  EXPECT_EQ(raised([&] { rs.find("FirstName = 'Example'"); }).number, 3021) << "no current row at EOF";
  rs.moveLast();
  rs.find("FirstName = 'Example'", 0, adSearchBackward);
  EXPECT_EQ(at(), "ESubscriber");
  rs.find("Alias = 'jsmith'", 1, adSearchBackward);
  EXPECT_EQ(at(), "BOF") << "no match searching back";

  Recordset fwd;
  fwd.open("Select Alias from Subscriber", cn);
  fwd.moveNext();
  fwd.find("Alias = 'jsmith'");
  EXPECT_EQ(fwd.fields("Alias").value().toString(), "jsmith") << "forward-only cursors find forwards";
  EXPECT_EQ(raised([&] { fwd.find("Alias = 'EAdmin'", 0, adSearchBackward); }).number, -2147217884);
}

TEST_F(DataFindFilterTest, OptimizeGivesTheSameResultsAsAScan) {
  cn.execute(
      "CREATE TABLE Big (ID INTEGER PRIMARY KEY, Code VARCHAR(20) COLLATE SQLSRV, ObjectID UNIQUEIDENTIFIER "
      "COLLATE SQLGUID, N INT)");
  std::mt19937 rng(7);
  cn.beginTrans();
  for (int i = 0; i < 400; ++i) {
    const int k = static_cast<int>(rng() % 60);
    char code[32], guid[40];
    std::snprintf(code, sizeof code, "%s%d%s", k % 2 ? "ab" : "AB", k % 25, k % 3 ? "" : "  ");
    std::snprintf(guid, sizeof guid, "%08x-0000-0000-0000-%012d", k % 30, 0);
    cn.execute("INSERT INTO Big (Code, ObjectID, N) VALUES (?, ?, ?)",
               {Variant(code), Variant(guid), k % 7 ? Variant(k % 11) : Variant::null()});
  }
  cn.commitTrans();
  Recordset plain, fast;
  for (Recordset* r : {&plain, &fast}) {
    r->setCursorLocation(adUseClient);
    r->open("SELECT * FROM Big", cn, adOpenStatic, adLockOptimistic);
  }
  for (const char* f : {"Code", "ObjectID", "N"}) fast.fields(f).setOptimize(true);
  EXPECT_TRUE(fast.fields("code").optimize());
  // Edits after the index was built must reach it.
  fast.moveFirst();
  fast.fields("Code") = "edited";
  fast.update();
  plain.moveFirst();
  plain.fields("Code") = "edited";
  plain.update();

  for (int trial = 0; trial < 300; ++trial) {
    const int k = static_cast<int>(rng() % 64);
    std::string criteria;
    char guid[64];
    switch (trial % 4) {
      case 0:
        criteria = "Code = '" + std::string(k % 2 ? "aB" : "Ab") + std::to_string(k % 26) + "'";
        break;
      case 1:
        std::snprintf(guid, sizeof guid, "ObjectID = '{%08X-0000-0000-0000-000000000000}'", k % 31);
        criteria = guid;
        break;
      case 2:
        criteria = "N = " + std::to_string(k % 12);
        break;
      default:
        criteria = "Code = 'edited'";
        break;
    }
    const long skip = static_cast<long>(rng() % 3);
    for (Recordset* r : {&plain, &fast}) {
      r->moveFirst();
      for (int i = 0; i < k; ++i) r->moveNext();
      r->find(criteria, skip);
    }
    ASSERT_EQ(plain.eof(), fast.eof()) << criteria;
    if (!plain.eof()) {
      ASSERT_EQ(plain.fields("ID").value(), fast.fields("ID").value()) << criteria;
    }
  }

  Recordset server;
  server.open("SELECT * FROM Big", cn, adOpenKeyset);
  EXPECT_EQ(raised([&] { server.fields("Code").setOptimize(true); }).number, 3265) << "client cursors only";
}

TEST_F(DataFindFilterTest, FilterCombinesClausesAndClears) {
  struct Row {
    const char* name;
    const char* filter;
    long count;
    const char* first;
  };
  const Row rows[] = {
      {"one clause", "FirstName = 'example'", 2, "EAdmin"},
      {"and", "FirstName='Example' AND Extension > 1000", 1, "ESubscriber"},
      {"or", "Alias = 'jsmith' OR Alias = 'INSTALLER'", 2, "jsmith"},
      {"and-groups or'ed", "(FirstName = 'Example' AND Extension = 1001) OR (Alias LIKE 'JS%' AND Extension = 2002)", 2,
       "ESubscriber"},
      {"or of ors", "(Alias = 'EAdmin' OR Alias = 'jsmith') OR Extension = 2004", 3, "EAdmin"},
      {"and of ands", "(Extension > 1000 AND Extension < 2004) AND FirstName <> 'John'", 3, "ESubscriber"},
      {"guid, as the clean-up writes it",
       "SubscriberObjectID='{00000001-0000-0000-0000-0000000000AA}' AND IsPrimary='0'", 1, "EAdmin"},
      {"nothing matches", "Alias = 'nobody'", 0, "EOF"},
  };
  for (const Row& r : rows) {
    rs.setFilter(r.filter);
    EXPECT_EQ(rs.recordCount(), r.count) << r.name;
    EXPECT_EQ(at(), r.first) << r.name;
    EXPECT_EQ(rs.filter(), r.filter) << r.name;
    rs.setFilter("");
    EXPECT_EQ(rs.recordCount(), 6) << r.name << ": cleared";
    EXPECT_EQ(at(), "EAdmin") << r.name << ": cleared, at the first row";
  }
  rs.setFilter("Alias = 'nobody'");
  EXPECT_TRUE(rs.bof() && rs.eof());
}

TEST_F(DataFindFilterTest, FilterRefusesAnOrGroupAndedWithAClause) {
  for (const char* f :
       {"(Alias = 'a' OR Alias = 'b') AND Extension = 1", "Extension = 1 AND (Alias = 'a' OR Alias = 'b')",
        "(Alias = 'a' OR Alias = 'b') AND (Extension = 1 OR Extension = 2)", "(Alias = 'a'", "Alias LIKE 'a*b'",
        "Alias = 'a' AND"}) {
    rs.setFilter("Extension = 1000");
    EXPECT_EQ(raised([&] { rs.setFilter(f); }).number, 3001) << f;
    EXPECT_EQ(rs.recordCount(), 1) << f << ": the old filter stays";
  }
  EXPECT_EQ(raised([&] { rs.setFilter("Nope = 1"); }).number, 3265);
}

TEST_F(DataFindFilterTest, FilterParenthesesNestAtMost64Deep) {
  const auto nested = [](int depth) {
    return std::string(static_cast<std::size_t>(depth), '(') + "Alias = 'EAdmin'" +
           std::string(static_cast<std::size_t>(depth), ')');
  };
  rs.setFilter(nested(64));
  EXPECT_EQ(rs.recordCount(), 1);
  // Deeper is refused, however deep, and the old filter stays.
  for (int depth : {65, 100000}) {
    EXPECT_EQ(raised([&] { rs.setFilter(nested(depth)); }).number, 3001) << depth;
    EXPECT_EQ(rs.recordCount(), 1) << depth;
  }
}

TEST_F(DataFindFilterTest, FilteredRowsAreTheCursorForMovesFindAndEdits) {
  rs.fields("Alias").setOptimize(true);
  rs.setFilter("Extension >= 2000");
  rs.find("Alias = 'EAdmin'");
  EXPECT_EQ(at(), "EOF") << "hidden rows are not found, even through the index";
  rs.moveFirst();
  rs.find("Alias = 'Installer'");
  EXPECT_EQ(at(), "Installer");
  rs.fields("Extension") = 1;
  rs.update();
  EXPECT_EQ(rs.recordCount(), 4) << "an edited row stays until the filter is set again";
  rs.setFilter("Extension >= 2000");
  EXPECT_EQ(rs.recordCount(), 3);
}

}  // namespace
}  // namespace vrel::data
