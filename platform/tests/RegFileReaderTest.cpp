// Key lines, headers, encodings and limits of .reg files.
#include "platform/registry/RegFileReader.h"
#include "platform/tests/RegFileTestSupport.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

RegFileContent readOk(const Bytes& file) {
  RegFileContent content;
  std::string error;
  EXPECT_TRUE(RegFileReader().read(file, content, error)) << error;
  return content;
}

struct KeyCase {
  const char* name;
  const char* body;  // after the header line (line 2 on)
  std::vector<std::string> ops;
  std::vector<std::size_t> problems;
};

const KeyCase kKeyCases[] = {
    {"LongAndShortRootNamesInAnyCase",
     "[HKLM\\Software\\A]\n[hkey_current_user\\X]\n[HKCR\\.txt]\n[HKU\\S-1]\n[HKCC\\Y]\n[HKEY_LOCAL_MACHINE]\n",
     {"key HKLM\\Software\\A", "key HKCU\\X", "key HKCR\\.txt", "key HKU\\S-1", "key HKCC\\Y", "key HKLM"},
     {}},
    {"ValuesGoToTheLastKey",
     "[HKLM\\A]\n\"a\"=\"1\"\n[HKLM\\B]\n\"b\"=\"2\"\n",
     {"key HKLM\\A", "set HKLM\\A [a] 1: 31 00 00 00", "key HKLM\\B", "set HKLM\\B [b] 1: 32 00 00 00"},
     {}},
    {"SingleTrailingBackslashAccepted", "[HKEY_LOCAL_MACHINE\\Software\\A\\]\n", {"key HKLM\\Software\\A"}, {}},
    {"EmptyPartsInsideThePathArePassedOver",
     "[HKEY_LOCAL_MACHINE\\a\\\\b]\n\"v\"=\"x\"\n[HKLM\\\\a\\\\\\b\\\\]\n[-HKLM\\a\\\\b]\n",
     {"key HKLM\\a\\b", "set HKLM\\a\\b [v] 1: 78 00 00 00", "key HKLM\\a\\b", "delete HKLM\\a\\b"},
     {}},
    {"UnknownRootAndItsValues", "[HKEY_CURRENT_USERS\\x]\n\"v\"=\"x\"\n[HKEY_DYN_DATA\\y]\n[Software\\z]\n", {}, {2, 3, 4, 5}},
    {"BlankAfterTheBracket", "[ HKEY_LOCAL_MACHINE\\x]\n[\tHKLM\\y]\n", {}, {2, 3}},
    {"NoClosingBracket", "[HKEY_LOCAL_MACHINE\\x\n\"v\"=\"x\"\n", {}, {2, 3}},
    {"LastBracketEndsTheName", "[HKEY_LOCAL_MACHINE\\a]b] ;text after\n", {"key HKLM\\a]b"}, {}},
    {"TrailingBlankStaysInTheName", "[HKEY_LOCAL_MACHINE\\a ]\n", {"key HKLM\\a "}, {}},
    {"BlanksBeforeTheBracket", "  \t[HKLM\\a]\n", {"key HKLM\\a"}, {}},
    {"BranchDeletionClosesTheKey",
     "[HKLM\\a]\n[-HKEY_LOCAL_MACHINE\\a\\b]\n\"v\"=\"x\"\n[HKLM\\c]\n\"w\"=-\n",
     {"key HKLM\\a", "delete HKLM\\a\\b", "key HKLM\\c", "unset HKLM\\c [w]"},
     {4}},
    {"RootDeletionIsRefused", "[-HKEY_LOCAL_MACHINE]\n[-HKCU\\]\n", {}, {2, 3}},
    {"DeletionWithABlankIsInvalid", "[- HKEY_LOCAL_MACHINE\\a]\n[ -HKLM\\a]\n[-]\n", {}, {2, 3, 4}},
    {"ValueBeforeAnyKey", "\"a\"=\"b\"\n@=-\n[HKLM\\k]\n", {"key HKLM\\k"}, {2, 3}},
    {"InvalidKeyThenValidKey",
     "[HKXX\\a\\b]\n\"v\"=\"x\"\n[HKLM\\c]\n\"w\"=dword:2\n",
     {"key HKLM\\c", "set HKLM\\c [w] 4: 02 00 00 00"},
     {2, 3}},
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class RegFileReaderKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(RegFileReaderKeys, Utf16File) {
  const KeyCase& c = GetParam();
  const RegFileContent content = readOk(utf16File(std::string("Windows Registry Editor Version 5.00\r\n") + c.body));
  EXPECT_EQ(opTexts(content.ops), c.ops);
  EXPECT_EQ(problemLines(content.problems), c.problems);
}

INSTANTIATE_TEST_SUITE_P(Cases, RegFileReaderKeys, ::testing::ValuesIn(kKeyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RegFileReader, KeyNamesUpTo255CharactersPerSegment) {
  const std::string ok(255, 'k'), tooLong(256, 'k');
  const RegFileContent content =
      readOk(utf16File("Windows Registry Editor Version 5.00\r\n[HKLM\\" + ok + "\\a]\r\n[HKLM\\a\\" + tooLong + "]\r\n"));
  EXPECT_EQ(opTexts(content.ops), std::vector<std::string>{"key HKLM\\" + ok + "\\a"});
  EXPECT_EQ(problemLines(content.problems), std::vector<std::size_t>{3});
}

TEST(RegFileReader, ProblemTextsNameTheCause) {
  const RegFileContent content = readOk(utf16File(
      "Windows Registry Editor Version 5.00\r\n\"a\"=\"b\"\r\n[HKXX\\x\\y]\r\n\"v\"=\"w\"\r\nbogus \x01line\xc3\xa9\r\n"));
  ASSERT_EQ(content.problems.size(), 4u);
  EXPECT_EQ(content.problems[0].message, "a value line before any key line; skipped");
  EXPECT_EQ(content.problems[1].message,
            "the key \"HKXX\\x\\y\" has an unknown root key or an empty key name; skipped");
  EXPECT_EQ(content.problems[2].message, "a value under the invalid key line 3; skipped");
  EXPECT_EQ(content.problems[3].message, "not a key, value or comment line: \"bogus \\x01line\\xE9\"; skipped");
  // Long lines are quoted in part, so a message stays short.
  const RegFileContent longLine =
      readOk(ansiFile("REGEDIT4\r\n[HKLM\\a]\r\n" + std::string(100, 'z') + "\r\n"));
  ASSERT_EQ(longLine.problems.size(), 1u);
  EXPECT_EQ(longLine.problems[0].message,
            "not a key, value or comment line: \"" + std::string(57, 'z') + "...\"; skipped");
}

TEST(RegFileReader, StringsFollowTheFileEncoding) {
  // REGEDIT4 text is Windows-1252: e9 is e-acute, 80 the euro sign.
  RegFileContent ansi = readOk(ansiFile("REGEDIT4\r\n[HKLM\\a]\r\n\"\xe9t\xe9\"=\"caf\xe9 \x80\"\r\n"));
  ASSERT_EQ(ansi.ops.size(), 2u);
  EXPECT_EQ(ansi.ops[1].value.name, "\xc3\xa9t\xc3\xa9");
  EXPECT_EQ(ansi.ops[1].value.data, sz("caf\xc3\xa9 \xe2\x82\xac"));
  // The same header in a UTF-16 file reads UTF-16, surrogate pairs included.
  RegFileContent wide = readOk(utf16File("REGEDIT4\r\n[HKLM\\a]\r\n\"\xce\xa9\"=\"\xf0\x9f\x98\x80\"\r\n"));
  ASSERT_EQ(wide.ops.size(), 2u);
  EXPECT_EQ(wide.ops[1].value.name, "\xce\xa9");
  EXPECT_EQ(wide.ops[1].value.data, sz("\xf0\x9f\x98\x80"));
  // And a 5.00 header without a byte-order mark is ANSI text, as on Windows.
  RegFileContent five = readOk(ansiFile("Windows Registry Editor Version 5.00\r\n[HKLM\\a]\r\n\"x\"=\"\xe9\"\r\n"));
  ASSERT_EQ(five.ops.size(), 2u);
  EXPECT_EQ(five.ops[1].value.data, sz("\xc3\xa9"));
}

TEST(RegFileReader, StringTypedHexDataIsTerminatedAndWidened) {
  const char* body =
      "[HKLM\\a]\r\n\"e\"=hex(2):25,50,00\r\n\"m\"=hex(7):4c,69\r\n\"s\"=hex(1):e9\r\n\"o\"=hex(1):41,00,42\r\n"
      "\"b\"=hex:e9\r\n\"n\"=hex(0):e9\r\n";
  const RegFileContent ansi = readOk(ansiFile(std::string("REGEDIT4\r\n") + body));
  EXPECT_EQ(opTexts(ansi.ops), (std::vector<std::string>{
                                   "key HKLM\\a", "set HKLM\\a [e] 2: 25 00 50 00 00 00",
                                   "set HKLM\\a [m] 7: 4c 00 69 00 00 00", "set HKLM\\a [s] 1: e9 00 00 00",
                                   "set HKLM\\a [o] 1: 41 00 00 00 42 00 00 00", "set HKLM\\a [b] 3: e9",
                                   "set HKLM\\a [n] 0: e9"}));
  const RegFileContent wide = readOk(utf16File(std::string("Windows Registry Editor Version 5.00\r\n") + body));
  EXPECT_EQ(opTexts(wide.ops), (std::vector<std::string>{
                                   "key HKLM\\a", "set HKLM\\a [e] 2: 25 50 00", "set HKLM\\a [m] 7: 4c 69 00 00",
                                   "set HKLM\\a [s] 1: e9", "set HKLM\\a [o] 1: 41 00 42",
                                   "set HKLM\\a [b] 3: e9", "set HKLM\\a [n] 0: e9"}));
}

TEST(RegFileReader, AnyLineBreakStyleAndNoFinalBreak) {
  const RegFileContent content =
      readOk(ansiFile("  REGEDIT4\r[HKLM\\a]\n\"x\"=dword:1\r\n\r\r\"y\"=hex:01,\\\r  02\r\"z\"=\"no break\""));
  EXPECT_EQ(opTexts(content.ops), (std::vector<std::string>{"key HKLM\\a", "set HKLM\\a [x] 4: 01 00 00 00",
                                                            "set HKLM\\a [y] 3: 01 02",
                                                            "set HKLM\\a [z] 1: " + hexOf(sz("no break"))}));
  EXPECT_TRUE(content.problems.empty());
  EXPECT_EQ(content.truncated, "");
}

// Files cut off at their end keep what was read up to the cut, as the
// registry editor keeps it, and say where they were cut.
struct CutOffCase {
  const char* name;
  Bytes file;
  std::vector<std::string> ops;
  const char* truncated;
};

const std::string kHead5 = "Windows Registry Editor Version 5.00\r\n[HKLM\\a]\r\n\"v\"=\"x\"\r\n";

Bytes withBytes(Bytes file, std::initializer_list<std::uint8_t> tail) {
  file.insert(file.end(), tail);
  return file;
}

const CutOffCase kCutOff[] = {
    {"OddUtf16Length", withBytes(utf16File(kHead5), {'x'}), {"key HKLM\\a", "set HKLM\\a [v] 1: 78 00 00 00"},
     "the file ends in the middle of a UTF-16 character (it holds an odd number of bytes, 117): the file is cut off"},
    {"HalfASurrogatePair", withBytes(utf16File(kHead5 + "\"w\"=\"y"), {0x3D, 0xD8}),
     {"key HKLM\\a", "set HKLM\\a [v] 1: 78 00 00 00"},
     "the file ends in the middle of a UTF-16 character (the first half of a surrogate pair): the file is cut off"},
    {"InsideAContinuedHexValue", utf16File(kHead5 + "\"b\"=hex:01,02,\\\r\n  03,\\\r\n"),
     {"key HKLM\\a", "set HKLM\\a [v] 1: 78 00 00 00", "set HKLM\\a [b] 3: 01 02 03"},
     "the file ends inside the value that starts on line 4 (its last line ends with a backslash): the file is cut off"},
    {"InsideAnAnsiHexStringValue", ansiFile("REGEDIT4\r\n[HKLM\\a]\r\n\"e\"=hex(2):41,\\"),
     {"key HKLM\\a", "set HKLM\\a [e] 2: 41 00 00 00"},
     "the file ends inside the value that starts on line 3 (its last line ends with a backslash): the file is cut off"},
    {"InsideAStringWithoutLineBreak", utf16File(kHead5 + "\"s\"=\"half"),
     {"key HKLM\\a", "set HKLM\\a [v] 1: 78 00 00 00"},
     "the file ends inside line 4, which has no line break and is skipped: the file is cut off"},
};

void PrintTo(const CutOffCase& c, std::ostream* os) { *os << c.name; }

class RegFileReaderCutOff : public ::testing::TestWithParam<CutOffCase> {};

TEST_P(RegFileReaderCutOff, KeepsWhatWasReadAndSaysWhereItWasCut) {
  const RegFileContent content = readOk(GetParam().file);
  EXPECT_EQ(opTexts(content.ops), GetParam().ops);
  EXPECT_EQ(content.truncated, GetParam().truncated);
}

INSTANTIATE_TEST_SUITE_P(Cases, RegFileReaderCutOff, ::testing::ValuesIn(kCutOff),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RegFileReader, ValueNamesUpTo16383Characters) {
  const std::string ok(16383, 'v'), tooLong(16384, 'v');
  const RegFileContent content = readOk(utf16File("Windows Registry Editor Version 5.00\r\n[HKLM\\a]\r\n\"" + ok +
                                                  "\"=dword:1\r\n\"" + tooLong + "\"=dword:2\r\n"));
  EXPECT_EQ(opTexts(content.ops), (std::vector<std::string>{"key HKLM\\a", "set HKLM\\a [" + ok + "] 4: 01 00 00 00"}));
  EXPECT_EQ(problemLines(content.problems), std::vector<std::size_t>{4});
}

// The header decides how wide the characters of string-typed hex data are,
// whatever the file's own encoding.
TEST(RegFileReader, TheHeaderDecidesTheWidthOfHexStrings) {
  const RegFileContent five =
      readOk(ansiFile("Windows Registry Editor Version 5.00\r\n[HKLM\\a]\r\n\"e\"=hex(2):41,00,42,00,00,00\r\n"));
  EXPECT_EQ(opTexts(five.ops), (std::vector<std::string>{"key HKLM\\a", "set HKLM\\a [e] 2: 41 00 42 00 00 00"}));
  const RegFileContent four = readOk(utf16File("REGEDIT4\r\n[HKLM\\a]\r\n\"e\"=hex(2):41,42,00\r\n"));
  EXPECT_EQ(opTexts(four.ops), (std::vector<std::string>{"key HKLM\\a", "set HKLM\\a [e] 2: 41 00 42 00 00 00"}));
}

struct BadFileCase {
  const char* name;
  Bytes file;
  const char* error;
};

const BadFileCase kBadFiles[] = {
    {"Empty", {}, "the file is empty"},
    {"LowerCaseHeader", ansiFile("regedit4\r\n[HKLM\\a]\r\n"), "not a registry file"},
    {"HeaderWithBlank", ansiFile("REGEDIT 4\r\n"), "not a registry file"},
    {"HeaderWithTrailingText", ansiFile("REGEDIT4 FOO\r\n"), "not a registry file"},
    {"Windows31Header", ansiFile("REGEDIT\r\nHKEY_CLASSES_ROOT\\x = y\r\n"), "not a registry file"},
    {"Version4Header", utf16File("Windows Registry Editor Version 4.00\r\n"), "not a registry file"},
    {"BlankLineBeforeHeader", ansiFile("\r\nREGEDIT4\r\n"), "not a registry file"},
    {"Utf16WithoutByteOrderMark", [] { Bytes b = utf16File("REGEDIT4\r\n"); return Bytes(b.begin() + 2, b.end()); }(),
     "without a byte-order mark"},
    {"Utf8ByteOrderMark", ansiFile("\xef\xbb\xbfWindows Registry Editor Version 5.00\r\n"), "UTF-8"},
    {"Utf16BigEndian", Bytes{0xFE, 0xFF, 0, 'W'}, "big-endian"},
    {"UnpairedSurrogate", [] { Bytes b = utf16File("Windows Registry Editor Version 5.00\r\n[HKLM\\a]\r\n\"v\"=\"");
                               b.insert(b.end(), {0x00, 0xD8, '"', 0}); return b; }(), "line 3 holds an unpaired surrogate"},
};

void PrintTo(const BadFileCase& c, std::ostream* os) { *os << c.name; }

class RegFileReaderBadFiles : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(RegFileReaderBadFiles, NothingIsReadAndTheErrorSaysWhy) {
  RegFileContent content;
  std::string error;
  EXPECT_FALSE(RegFileReader().read(GetParam().file, content, error));
  EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
  EXPECT_TRUE(content.ops.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, RegFileReaderBadFiles, ::testing::ValuesIn(kBadFiles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RegFileReader, OverLongLinesAndValuesAreSkippedWithinTheLimit) {
  const RegFileReader reader(64);
  const std::string longData = "\"big\"=hex:" + std::string(30, '0') + "," + std::string(30, '0');  // > 64 bytes
  const std::string file = "REGEDIT4\r\n[HKLM\\a]\r\n" + longData + "\r\n\"s\"=\"short\"\r\n"
                           "\"cont\"=hex:00,00,00,00,00,00,00,00,00,00,00,\\\r\n  00,00,00,00,00,00,00,00\r\n"
                           "\"wrap\"=hex:" + std::string(70, '1') + ",\\\r\n  01,\\\r\n  02\r\n\"after\"=dword:7\r\n";
  RegFileContent content;
  std::string error;
  ASSERT_TRUE(reader.read(ansiFile(file), content, error)) << error;
  EXPECT_EQ(opTexts(content.ops), (std::vector<std::string>{"key HKLM\\a", "set HKLM\\a [s] 1: " + hexOf(sz("short")),
                                                            "set HKLM\\a [after] 4: 07 00 00 00"}));
  // The over-long line, the value that grew past the limit, and the over-long
  // first line of a continued value (whose continuation lines are passed over).
  EXPECT_EQ(problemLines(content.problems), (std::vector<std::size_t>{3, 5, 7}));
}

TEST(RegFileReader, ProblemsBeyondAThousandAreCountedNotListed) {
  std::string file = "REGEDIT4\r\n[HKLM\\a]\r\n";
  for (int i = 0; i < 1500; ++i) file += "rubbish\r\n";
  file += "\"v\"=dword:1\r\n";
  const RegFileContent content = readOk(ansiFile(file));
  ASSERT_EQ(content.problems.size(), 1001u);
  EXPECT_EQ(content.problems[999].line, 1002u);
  EXPECT_EQ(content.problems[1000].line, 1003u);
  EXPECT_EQ(content.problems[1000].message, "and 500 more skipped lines from here on, not listed one by one");
  EXPECT_EQ(content.ops.size(), 2u);
}

TEST(RegFileReader, NulCharactersMakeALineInvalid) {
  std::string file = "REGEDIT4\r\n[HKLM\\a]\r\n\"x\"=\"a";
  file += '\0';
  file += "b\"\r\n[HKLM\\b";
  file += '\0';
  file += "]\r\n\"y\"=\"1\"\r\n";
  const RegFileContent content = readOk(ansiFile(file));
  EXPECT_EQ(opTexts(content.ops), std::vector<std::string>{"key HKLM\\a"});
  EXPECT_EQ(problemLines(content.problems), (std::vector<std::size_t>{3, 4, 5}));
}

}  // namespace
}  // namespace vrel::test
