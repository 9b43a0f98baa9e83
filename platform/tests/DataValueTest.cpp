#include "platform/data/Collation.h"
#include "platform/data/OleDate.h"
#include "platform/data/ServerFunctions.h"
#include "platform/data/SqlValue.h"
#include "platform/data/Variant.h"
#include "platform/Sqlite.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace vrel::data {
namespace {

TEST(DataValueTest, ToStringFollowsCStr) {
  struct Row {
    const char* name;
    Variant value;
    const char* text;
  };
  const Row rows[] = {
      {"empty", Variant(), ""},
      {"null gives empty text", Variant::null(), ""},
      {"true", Variant(true), "True"},
      {"long", Variant(-42), "-42"},
      {"wide", Variant(5000000000LL), "5000000000"},
      {"fraction", Variant(2.5), "2.5"},
      {"huge", Variant(1e20), "1E+20"},
      {"guid braced upper", Variant::guid("6f9619ff-8b86-d011-b42d-00c04fc964ff"),
       "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
      {"date and time", Variant::date(oleFromParts({1997, 7, 22, 13, 5, 9, 0})), "7/22/1997 1:05:09 PM"},
      {"midnight date", Variant::date(oleFromParts({2026, 12, 7, 0, 0, 0, 0})), "12/7/2026"},
  };
  for (const Row& r : rows) EXPECT_EQ(r.value.toString(), r.text) << r.name;
}

TEST(DataValueTest, ToLongRoundsHalvesToEvenAndReportsVbErrors) {
  struct Row {
    const char* name;
    Variant value;
    std::int32_t result;
    int error;
  };
  const Row rows[] = {
      {"half down to even", Variant(2.5), 2, 0},
      {"half up to even", Variant(3.5), 4, 0},
      {"text number", Variant(" 12 "), 12, 0},
      {"hex text", Variant("&H10"), 16, 0},
      {"true is -1", Variant(true), -1, 0},
      {"empty is 0", Variant(), 0, 0},
      {"null", Variant::null(), 0, 94},
      {"not a number", Variant("12abc"), 0, 13},
      {"overflow", Variant(3e9), 0, 6},
      {"wide overflow", Variant(5000000000LL), 0, 6},
      {"guid", Variant::guid("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"), 0, 13},
  };
  for (const Row& r : rows) {
    const auto c = r.value.toLong();
    EXPECT_EQ(c.error, r.error) << r.name;
    if (!r.error) {
      EXPECT_EQ(c.value, r.result) << r.name;
    }
  }
}

TEST(DataValueTest, GuidsAreNormalizedOrLeftAsText) {
  std::string out;
  EXPECT_TRUE(normalizeGuid(" {6f9619ff-8b86-d011-b42d-00c04fc964ff} ", out));
  EXPECT_EQ(out, "6F9619FF-8B86-D011-B42D-00C04FC964FF");
  EXPECT_FALSE(normalizeGuid("6F9619FF8B86D011B42D00C04FC964FF", out)) << "no dashes";
  EXPECT_FALSE(normalizeGuid("{6F9619FF-8B86-D011-B42D-00C04FC964FG}", out)) << "not hex";
  EXPECT_FALSE(normalizeGuid("6F9619FF08B86-D011-B42D-00C04FC964F", out)) << "a digit for a dash";
  EXPECT_FALSE(normalizeGuid("6F9619FF-8B86-D011-B42D-00C04FC964-F", out)) << "a dash for a digit";
  EXPECT_FALSE(normalizeGuid("6F9619FF-8B86-D011-B42D-00C04FC964F\xC3", out)) << "a byte past ASCII";
  EXPECT_TRUE(normalizeGuid("abcdef01-2345-6789-abcd-ef0123456789", out));
  EXPECT_EQ(out, "ABCDEF01-2345-6789-ABCD-EF0123456789");
  EXPECT_EQ(Variant::guid("not a guid").kind(), VarKind::String);
  const Variant g = Variant::guid("{6f9619ff-8b86-d011-b42d-00c04fc964ff}");
  EXPECT_EQ(g.text(), "6F9619FF-8B86-D011-B42D-00C04FC964FF");
  EXPECT_EQ(g.toString(), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
  EXPECT_EQ(g, Variant::guid("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
}

// A value handed over to a column is converted exactly as a copied one.
TEST(DataValueTest, AValueHandedOverConvertsAsACopiedOne) {
  const std::string longText(40, 'x');
  const Variant values[] = {Variant(), Variant::null(), Variant(true), Variant(7), Variant(2.5), Variant("12"),
                            Variant(longText), Variant("{6f9619ff-8b86-d011-b42d-00c04fc964ff}"),
                            Variant::guid("6F9619FF-8B86-D011-B42D-00C04FC964FF"), Variant::date(45000.5),
                            Variant::bytes(Bytes{1, 2})};
  const DataTypeEnum types[] = {adEmpty, adVariant, adVarWChar, adInteger, adBigInt, adDouble,
                                adBoolean, adGUID, adDBTimeStamp, adVarBinary};
  for (const Variant& v : values) {
    for (DataTypeEnum t : types) {
      Variant handed = v;
      const auto copied = convertForType(v, t);
      const auto moved = convertForType(std::move(handed), t);
      ASSERT_EQ(copied.has_value(), moved.has_value()) << v.toString() << " as " << t;
      if (copied) {
        EXPECT_EQ(*copied, *moved) << v.toString() << " as " << t;
      }
    }
  }
}

TEST(DataValueTest, GuidColumnsCompareByTheCanonicalFormAndOtherTextWithoutCase) {
  sql::Database db;
  std::string error;
  ASSERT_TRUE(db.open(":memory:", true, error)) << error;
  ASSERT_TRUE(registerServerFunctions(db.handle(), error)) << error;
  ASSERT_TRUE(db.exec(std::string("CREATE TABLE t(g TEXT COLLATE ") + kGuidCollation + " UNIQUE)"));
  ASSERT_TRUE(db.exec("INSERT INTO t VALUES ('{6f9619ff-8b86-d011-b42d-00c04fc964ff}'), ('not a guid'), "
                      "('00000000-0000-0000-0000-000000000001'), ('Zeta')"));
  EXPECT_FALSE(db.exec("INSERT INTO t VALUES (' 6F9619FF-8B86-D011-B42D-00C04FC964FF ')"))
      << "braces, blanks and case make no new GUID";
  EXPECT_FALSE(db.exec("INSERT INTO t VALUES ('NOT A GUID')")) << "other text compares without case";
  sql::Statement order(db, "SELECT g FROM t ORDER BY g");
  std::vector<std::string> sorted;
  while (order.step() == SQLITE_ROW) sorted.push_back(order.text(0));
  EXPECT_EQ(sorted, (std::vector<std::string>{"00000000-0000-0000-0000-000000000001",
                                              "{6f9619ff-8b86-d011-b42d-00c04fc964ff}", "not a guid", "Zeta"}));

  // Pairs compared directly: where they differ, and text that only looks
  // like a GUID up to a bad character after the difference.
  struct Pair {
    const char* a;
    const char* b;
    int sign;
  };
  const Pair pairs[] = {
      {"{00000000-0000-0000-0000-00000000000a}", "00000000-0000-0000-0000-00000000000B", -1},
      {"10000000-0000-0000-0000-000000000000", "0FFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF", 1},
      {"{ABCDEF01-2345-6789-ABCD-EF0123456789}", " abcdef01-2345-6789-abcd-ef0123456789 ", 0},
      {"00000000-0000-0000-0000-00000000000G", "00000000-0000-0000-0000-000000000001", 1},
      {"00000000-0000-0000-0000-000000000001", "00000000-0000-0000-0000-00000000000g", -1},
      {"00000000+0000-0000-0000-000000000000", "00000000-0000-0000-0000-000000000000", -1},
      // 36 bytes each, the shape GUIDs are stored in, GUIDs or not.
      {"{6F9619FF-8B86-D011-B42D-00C04FC964}", "6F9619FF-8B86-D011-B42D-00C04FC964FF", 1},
      {"6f9619ff-8b86-d011-b42d-00c04fc964fg", "6F9619FF-8B86-D011-B42D-00C04FC964FF", 1},
      {"6F9619FF-8B86-D011-B42D-00C04FC964é", "6F9619FF-8B86-D011-B42D-00C04FC964É", 0},
      {"6F9619FF-8B86-D011-B42D-00C04FC964F ", "6F9619FF-8B86-D011-B42D-00C04FC964F0", -1},
      {"6F9619FF-8B86-D011-B42D-00C04FC964F ", "6F9619FF-8B86-D011-B42D-00C04FC964F\x1f", -1},
      {"aaaaaaaa-0000-0000-0000-000000000000", "BBBBBBBB-0000-0000-0000-000000000000", -1},
  };
  for (const Pair& p : pairs) {
    sql::Statement cmp(db, std::string("SELECT CASE WHEN ?1 = ?2 COLLATE ") + kGuidCollation + " THEN 0 WHEN ?1 < ?2 COLLATE " +
                               kGuidCollation + " THEN -1 ELSE 1 END");
    cmp.bind(1, p.a);
    cmp.bind(2, p.b);
    ASSERT_EQ(cmp.step(), SQLITE_ROW);
    EXPECT_EQ(cmp.int64(0), p.sign) << p.a << " vs " << p.b;
  }
}

TEST(DataValueTest, DatesReadUsAndIsoFormsAndRefuseNonsense) {
  const double d = oleFromParts({1997, 7, 22, 0, 0, 0, 0});
  EXPECT_EQ(parseUsDate("7/22/97"), d);
  EXPECT_EQ(parseUsDate("07/22/1997"), d);
  EXPECT_EQ(parseUsDate("1997-07-22"), d);
  EXPECT_EQ(parseUsDate("7/22/97 1:05 PM"), oleFromParts({1997, 7, 22, 13, 5, 0, 0}));
  EXPECT_EQ(parseUsDate("1/1/29"), oleFromParts({2029, 1, 1, 0, 0, 0, 0})) << "two-digit years below 30";
  EXPECT_FALSE(parseUsDate("2/30/1997")) << "no such day";
  EXPECT_FALSE(parseUsDate("7/22/97 13:05:00.250")) << "criteria refuse milliseconds";
  EXPECT_EQ(isoDateText(oleFromParts({2001, 2, 3, 4, 5, 6, 789})), "2001-02-03 04:05:06.789");
  EXPECT_EQ(parseIsoDate("2001-02-03 04:05:06.789"), oleFromParts({2001, 2, 3, 4, 5, 6, 789}));
}

TEST(DataValueTest, CollationIgnoresCaseAndTrailingBlanksOnly) {
  struct Row {
    const char* name;
    const char* a;
    const char* b;
    int sign;
  };
  const Row rows[] = {
      {"case", "ADMIN", "admin", 0},
      {"trailing blanks", "abc   ", "abc", 0},
      {"leading blanks count", " abc", "abc", -1},
      {"tab is no blank", "abc\t", "abc", 1},
      {"latin-1 case", "ÉCOLE", "école", 0},
      {"accents count", "ecole", "école", -1},
      {"order", "Adam", "adams", -1},
  };
  for (const Row& r : rows) {
    const int c = compareText(r.a, r.b);
    EXPECT_EQ((c > 0) - (c < 0), r.sign) << r.name;
    EXPECT_EQ(-compareText(r.b, r.a) > 0, r.sign > 0) << r.name << " (symmetry)";
    EXPECT_EQ(collationKey(r.a) == collationKey(r.b), r.sign == 0) << r.name << " (key)";
  }
}

TEST(DataValueTest, SqlLikeFollowsSqlServer) {
  struct Row {
    const char* name;
    const char* pattern;
    const char* value;
    bool match;
  };
  const Row rows[] = {
      {"prefix any case", "EAdmin%", "eadministrator", true},
      {"one character", "j_mith", "JSmith", true},
      {"set", "[jk]smith", "ksmith", true},
      {"negated set", "[^j]smith", "jsmith", false},
      {"range", "user[0-9]", "user7", true},
      {"value's trailing blanks ignored", "abc", "abc  ", true},
      {"pattern's trailing blank kept", "abc ", "abc", false},
      {"star is literal", "a*", "abc", false},
      {"non-ascii case", "é%", "École", true},
  };
  for (const Row& r : rows) EXPECT_EQ(sqlLike(r.pattern, r.value), r.match) << r.name;
  EXPECT_TRUE(sqlLike("100!%", "100%", U'!'));
  EXPECT_FALSE(sqlLike("100!%", "1000", U'!'));
}

}  // namespace
}  // namespace vrel::data
