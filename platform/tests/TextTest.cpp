#include "platform/Text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>

namespace vrel {
namespace {

TEST(TextTest, CaseRulesFoldBeyondAscii) {
  EXPECT_TRUE(iequals("Software\\Tremarc", "SOFTWARE\\tremarc"));
  EXPECT_TRUE(iequals("Stra\xC3\xA4" "e", "STRA\xC3\x84" "E"));  // ä / Ä
  EXPECT_FALSE(iequals("abc", "abd"));
  EXPECT_EQ(ifind("C:\\Program Files\\Orvix", "program files"), 3u);
  EXPECT_EQ(ifind("abc", "x"), std::string::npos);
}

// ASCII text is searched in place, anchored on a character case does not
// change where the needle has one: every start offset, needle and text of a
// small alphabet gives what a search of the upper-cased texts gives.
TEST(TextTest, FindInAsciiAgreesWithAPlainSearchOfUpperCasedText) {
  std::uint32_t seed = 12345;
  auto pick = [&](std::size_t n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<std::size_t>((seed >> 16) % n);
  };
  const std::string alphabet = "aAbB:\\x";
  auto text = [&](std::size_t max) {
    std::string t(pick(max + 1), ' ');
    for (char& c : t) c = alphabet[pick(alphabet.size())];
    return t;
  };
  auto upper = [](std::string t) {
    for (char& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return t;
  };
  for (int round = 0; round < 4000; ++round) {
    const std::string hay = text(12);
    const std::string needle = text(4);
    const std::size_t from = pick(hay.size() + 2);
    const std::size_t expected = needle.empty() ? std::min(from, hay.size()) : upper(hay).find(upper(needle), from);
    ASSERT_EQ(ifind(hay, needle, from), expected) << "'" << hay << "' '" << needle << "' from " << from;
  }
  EXPECT_EQ(ifind("D:\\Apps\\e:\\orvix\\x.wav", "E:\\Orvix\\"), 8u);
  EXPECT_EQ(ifind("E:\\Orvi", "E:\\Orvix"), std::string::npos);
}

TEST(TextTest, FindBeyondAsciiReportsOffsetsOfTheOriginalText) {
  // U+0131 (two bytes) folds to "I" (one byte): offsets must still be the
  // original text's, and the start offset counts in it too.
  const std::string hay = "\xC4\xB1" "abc-\xC3\xA4" "abc";
  EXPECT_EQ(ifind(hay, "ABC"), 2u);
  EXPECT_EQ(ifind(hay, "ABC", 3), 8u);
  EXPECT_EQ(ifind(hay, "\xC3\x84" "ABC"), 6u);
  EXPECT_EQ(ifind(hay, "ABC", hay.size()), std::string::npos);
  // A long text is searched in one pass.
  std::string big(2'000'000, 'x');
  big += "\xC3\xA4needle";
  EXPECT_EQ(ifind(big, "NEEDLE"), 2'000'002u);
}

TEST(TextTest, WildcardsMatchLikeWindowsNames) {
  struct Row {
    const char* pattern;
    const char* name;
    bool match;
  } rows[] = {
      {"tm*.*", "TmSvc.exe", true},  {"tm*.*", "AvServer.exe", false}, {"tm*.*", "tm.exe", true},
      {"T?svc.EXE", "tmsvc.exe", true}, {"*", "anything", true},          {"a*b*c", "aXXbYYc", true},
      {"a*b*c", "aXXbYY", false},
  };
  for (const auto& r : rows) EXPECT_EQ(wildcardMatch(r.pattern, r.name), r.match) << r.pattern << " / " << r.name;
}

TEST(TextTest, AnsiCodePageRoundTripsAndMarksWhatItLacks) {
  const std::string utf8 = "\xE2\x82\xAC \xC3\xA9 \xE2\x80\x99";  // € é ’
  const std::string ansi = utf8ToAnsi(utf8);
  EXPECT_EQ(ansi, "\x80 \xE9 \x92");
  EXPECT_EQ(ansiToUtf8(ansi), utf8);
  EXPECT_EQ(utf8ToAnsi("\xE6\x97\xA5"), "?");  // a Japanese character
}

TEST(TextTest, Utf16KeepsSurrogatesAndRepairsBrokenInput) {
  const std::string clef = "\xF0\x9D\x84\x9E";  // U+1D11E
  const Bytes le = utf8ToUtf16le(clef, true);
  ASSERT_EQ(le.size(), 6u);
  EXPECT_EQ(utf16leToUtf8(le.data(), 4), clef);
  EXPECT_EQ(utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");  // lone surrogate
  EXPECT_EQ(utf16ToUtf8(utf8ToUtf16("\xC3")), "\xEF\xBF\xBD");  // truncated sequence
}

}  // namespace
}  // namespace vrel
