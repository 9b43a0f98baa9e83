#include "platform/IniFile.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

namespace vrel {
namespace {

struct IniRow {
  const char* name;
  std::string text;  // file content as stored (bytes)
  const char* section;
  const char* key;
  const char* defaultText;
  std::size_t size;
  std::string expected;  // UTF-8
};
void PrintTo(const IniRow& r, std::ostream* os) {
  *os << r.name;
}

std::string utf16le(std::u16string_view s, bool bom = true) {
  std::string out = bom ? "\xFF\xFE" : "";
  for (char16_t c : s) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

const IniRow kRows[] = {
    {"PlainValue", "[Version]\r\nMajor=4\r\n", "Version", "Major", "", 127, "4"},
    {"NamesIgnoreCase", "[VERSION]\r\nmajor=4\r\n", "version", "MAJOR", "", 127, "4"},
    {"BlanksAroundNamesAndValues", "  [ Version ]  \r\n\t Major \t=  4 1  \r\n", " Version", "Major ", "", 127, "4 1"},
    {"DoubleQuotesRemoved", "[s]\r\nk=\"  a b \"\r\n", "s", "k", "", 127, "  a b "},
    {"SingleQuotesRemoved", "[s]\r\nk='x'\r\n", "s", "k", "", 127, "x"},
    {"MismatchedQuotesKept", "[s]\r\nk=\"x'\r\n", "s", "k", "", 127, "\"x'"},
    {"LoneQuoteKept", "[s]\r\nk=\"\r\n", "s", "k", "", 127, "\""},
    {"EmptyQuotesGiveEmptyText", "[s]\r\nk=\"\"\r\n", "s", "k", "d", 127, ""},
    {"FirstKeyWins", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "", 127, "1"},
    {"OnlyFirstSectionOfANameSearched", "[s]\r\na=1\r\n[t]\r\nk=2\r\n[S]\r\nk=3\r\n", "s", "k", "d", 127, "d"},
    {"FirstSectionWinsForItsKey", "[s]\r\nk=1\r\n[s]\r\nk=3\r\n", "s", "k", "", 127, "1"},
    {"CommentIsNoKey", "[s]\r\n;k=1\r\n", "s", ";k", "d", 127, "d"},
    {"CommentLineSkipped", "[s]\r\n; k=1\r\nk=2\r\n", "s", "k", "", 127, "2"},
    {"KeyWithoutEqualsGivesDefault", "[s]\r\nk\r\n", "s", "k", "d", 127, "d"},
    {"EmptyValueIsNotDefault", "[s]\r\nk=\r\n", "s", "k", "d", 127, ""},
    {"ValueKeepsLaterEquals", "[s]\r\nk=a=b\r\n", "s", "k", "", 127, "a=b"},
    {"MissingSectionGivesDefault", "[s]\r\nk=1\r\n", "t", "k", "d", 127, "d"},
    {"MissingKeyGivesDefault", "[s]\r\nk=1\r\n", "s", "j", "d", 127, "d"},
    {"KeyBeforeAnySectionNotFound", "k=1\r\n[s]\r\n", "", "k", "d", 127, "d"},
    {"EmptyKeyNameGivesDefault", "[s]\r\n=1\r\n", "s", "", "d", 127, "d"},
    {"CutToSizeLessOne", "[s]\r\nk=abcdef\r\n", "s", "k", "", 4, "abc"},
    {"QuotesRemovedBeforeCut", "[s]\r\nk=\"abcdef\"\r\n", "s", "k", "", 4, "abc"},
    {"SizeZeroGivesNothing", "[s]\r\nk=abc\r\n", "s", "k", "", 0, ""},
    {"SizeOneGivesNothing", "[s]\r\nk=abc\r\n", "s", "k", "", 1, ""},
    {"DefaultLosesTrailingBlanks", "", "s", "k", "  d  ", 127, "  d"},
    {"DefaultIsCutToo", "", "s", "k", "defgh", 3, "de"},
    {"UnixLineEndsAndDosEof", "[s]\nk=1\n\x1A", "s", "k", "", 127, "1"},
    {"BracketWithoutCloseIsAKeyLine", "[s]\r\n[k=1\r\n", "s", "[k", "", 127, "1"},
    {"SectionNameUpToLastBracket", "[a]b]\r\nk=1\r\n", "a]b", "k", "", 127, "1"},
    {"AnsiTextDecoded", "[s]\r\nk=caf\xE9 \x80\r\n", "s", "k", "", 127, "caf\xC3\xA9 \xE2\x82\xAC"},
    {"Utf8WithBom", "\xEF\xBB\xBF[s]\r\nk=caf\xC3\xA9\r\n", "s", "k", "", 127, "caf\xC3\xA9"},
    {"Utf16LittleEndianWithBom", utf16le(u"[s]\r\nk=caf\u00E9\r\n"), "S", "K", "", 127, "caf\xC3\xA9"},
    {"Utf16OutsideCodePageBecomesQuestionMark", utf16le(u"[s]\r\nk=a\u4E2Db\r\n"), "s", "k", "", 127, "a?b"},
    {"Utf16WithoutBomIsReadAsAnsi", utf16le(u"[s]\r\nk=1\r\n", false), "s", "k", "d", 127, "d"},
};

class IniFileRows : public ::testing::TestWithParam<IniRow> {};

TEST_P(IniFileRows, ReadsAsTheWindowsProfileReader) {
  const IniRow& r = GetParam();
  test::ScratchMachine m;
  ASSERT_TRUE(m.files().createFolder("C:\\Cfg"));
  ASSERT_TRUE(m.files().writeAll("C:\\Cfg\\Test.ini", r.text));
  FileStatus st;
  EXPECT_EQ(getPrivateProfileString(m.files(), r.section, r.key, r.defaultText, r.size, "c:\\cfg\\TEST.INI", &st),
            r.expected);
  EXPECT_TRUE(st) << st.description;
}

INSTANTIATE_TEST_SUITE_P(Rows, IniFileRows, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IniFile, MissingFileOrFolderGivesDefaultAndSaysSo) {
  test::ScratchMachine m;
  FileStatus st;
  EXPECT_EQ(getPrivateProfileString(m.files(), "s", "k", "dflt", 127, "C:\\Nowhere.ini", &st), "dflt");
  EXPECT_EQ(st.number, 53);
  EXPECT_EQ(getPrivateProfileString(m.files(), "s", "k", "", 127, "C:\\No\\Folder.ini", &st), "");
  EXPECT_TRUE(st.number == 53 || st.number == 76) << st.number;
}

TEST(IniFile, UnreadableFileGivesDefaultAndAnError) {
  test::ScratchMachine m;
  ASSERT_TRUE(m.files().createFolder("C:\\Folder.ini"));
  FileStatus st;
  EXPECT_EQ(getPrivateProfileString(m.files(), "s", "k", "dflt", 127, "C:\\Folder.ini", &st), "dflt");
  EXPECT_EQ(st.number, 75);
}

}  // namespace
}  // namespace vrel
