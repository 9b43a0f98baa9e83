// Value lines of .reg files, each case read from a REGEDIT4 (ANSI) file and
// from a 5.00 (UTF-16) file, which must agree for everything but string
// data in hex form.
#include "platform/registry/RegFileReader.h"
#include "platform/tests/RegFileTestSupport.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

const std::string K = "HKCU\\Software\\T";

std::string set(const std::string& name, std::uint32_t type, const Bytes& data) {
  return "set " + K + " [" + name + "] " + std::to_string(type) + ": " + hexOf(data);
}
std::string unset(const std::string& name) { return "unset " + K + " [" + name + "]"; }

struct ValueCase {
  const char* name;
  const char* body;                   // lines after the key line (line 3 on)
  std::vector<std::string> ops;       // after the key's own "key" op
  std::vector<std::size_t> problems;  // line numbers
};

const ValueCase kCases[] = {
    {"String", "\"Name\"=\"Value\"\n", {set("Name", kRegSz, sz("Value"))}, {}},
    {"EmptyString", "\"e\"=\"\"\n", {set("e", kRegSz, sz(""))}, {}},
    {"QuoteAndBackslashEscapes", "\"a\\\"b\\\\c\"=\"x\\\"y\\\\z\"\n", {set("a\"b\\c", kRegSz, sz("x\"y\\z"))}, {}},
    {"LineBreakEscapes", "\"n\"=\"a\\nb\\rc\"\n", {set("n", kRegSz, sz("a\nb\rc"))}, {}},
    {"UnknownEscapeKeepsTheBackslash", "\"p\"=\"C:\\Temp\\x\"\n", {set("p", kRegSz, sz("C:\\Temp\\x"))}, {}},
    {"NulEscapeStaysAsWritten",
     "\"z\"=\"a\\0b\"\n\"n\\0\"=\"1\"\n",
     {set("z", kRegSz, sz("a\\0b")), set("n\\0", kRegSz, sz("1"))},
     {}},
    {"EqualsAndSemicolonInsideQuotes", "\"With=Eq\"=\"v;x #y\"\n", {set("With=Eq", kRegSz, sz("v;x #y"))}, {}},
    {"DefaultValueBothSpellings", "@=\"One\"\n\"\"=\"Two\"\n", {set("", kRegSz, sz("One")), set("", kRegSz, sz("Two"))}, {}},
    {"DefaultValueDeletion", "@=-\n", {unset("")}, {}},
    {"ValueDeletionForms",
     "\"a\"=-\n\"b\"=  -\n\"c\"=- ;comment\n\"d\"=-\"x\"\n\"e\"=- #x\n",
     {unset("a"), unset("b"), unset("c")},
     {6, 7}},
    {"Dwords",
     "\"a\"=dword:00000017\n\"b\"=dword:1\n\"c\"=dword:  0000abcd  ;c\n\"d\"=dword:FFFFFFFF\n",
     {set("a", kRegDword, {0x17, 0, 0, 0}), set("b", kRegDword, {1, 0, 0, 0}), set("c", kRegDword, {0xcd, 0xab, 0, 0}),
      set("d", kRegDword, {0xff, 0xff, 0xff, 0xff})},
     {}},
    {"BadDwords",
     "\"a\"=dword:\n\"b\"=dword:123456789\n\"c\"=dword:000000001\n\"d\"=dword:0x12\n\"e\"=dword:12 34\n"
     "\"f\"=dword:1234#5\n\"g\"=DWORD:1\n\"h\"=dword:hello\n",
     {},
     {3, 4, 5, 6, 7, 8, 9, 10}},
    {"Binary", "\"b\"=hex:aa,BB,c,11\n", {set("b", kRegBinary, {0xaa, 0xbb, 0x0c, 0x11})}, {}},
    {"BlanksBetweenHexBytes", "\"b\"=hex:11, 22,\t33\n", {set("b", kRegBinary, {0x11, 0x22, 0x33})}, {}},
    {"HexContinuation", "\"b\"=hex:11,22,\\\n  33,44\n", {set("b", kRegBinary, {0x11, 0x22, 0x33, 0x44})}, {}},
    {"ContinuationPassesOverBlankAndCommentLines",
     "\"b\"=hex:11,\\\n\n  ;c\n\t22,  \\  ;c\n  33\n",
     {set("b", kRegBinary, {0x11, 0x22, 0x33})},
     {}},
    {"ContinuationRightAfterTheType", "\"b\"=hex(0):\\\n  25,00\n", {set("b", kRegNone, {0x25, 0})}, {}},
    {"TrailingCommaEndsTheValue",
     "\"b\"=hex:11,22,\n\"n\"=\"v\"\n",
     {set("b", kRegBinary, {0x11, 0x22}), set("n", kRegSz, sz("v"))},
     {}},
    {"BackslashWithoutCommaIsInvalid", "\"b\"=hex:11,22\\\n\"n\"=\"v\"\n", {set("n", kRegSz, sz("v"))}, {3}},
    {"ContinuationIntoAValueLineDropsBoth",
     "\"b\"=hex:11,\\\n\"n\"=\"v\"\n\"m\"=\"w\"\n",
     {set("m", kRegSz, sz("w"))},
     {3}},
    {"ContinuationIntoAHashLineDropsBoth", "\"b\"=hex:11,\\\n#c\n\"m\"=\"w\"\n", {set("m", kRegSz, sz("w"))}, {3}},
    {"BadHexBytes",
     "\"a\"=hex:100\n\"b\"=hex:11,,22\n\"c\"=hex:,11\n\"d\"=hex:11 22\n\"e\"=hex:1g\n\"f\"=hex:11\\22\n"
     "\"g\"=hex:11 #c\n\"h\"=hex:11,\\\\\n",
     {},
     {3, 4, 5, 6, 7, 8, 9, 10}},
    {"HexCommentAfterData", "\"a\"=hex:11 ;c\n\"b\"=hex:22,;c\n", {set("a", kRegBinary, {0x11}), set("b", kRegBinary, {0x22})}, {}},
    {"HexTypeCodes",
     "\"n\"=hex(0):56,61\n\"q\"=hex(b):01,02,03,04,05,06,07,08\n\"d\"=hex(4):01,00,00,00\n\"u\"=hex(abcd):01\n"
     "\"m\"=hex(ffffffff):01\n\"z\"=hex(000000003):01\n",
     {set("n", kRegNone, {0x56, 0x61}), set("q", kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}),
      set("d", kRegDword, {1, 0, 0, 0}), set("u", 0xabcd, {1}), set("m", 0xffffffff, {1}), set("z", kRegBinary, {1})},
     {}},
    {"BadHexTypeCodes",
     "\"a\"=hex(100000000):01\n\"b\"=hex(0x2):01\n\"c\"=hex(x2):01\n\"d\"=hex(2:01\n\"e\"=hex():01\n\"f\"=HEX:01\n",
     {},
     {3, 4, 5, 6, 7, 8}},
    {"EmptyHexData",
     "\"a\"=hex:\n\"b\"=hex(2):\n\"c\"=hex(1):\n\"d\"=hex(4):\n",
     {set("a", kRegBinary, {}), set("b", kRegExpandSz, {}), set("c", kRegSz, {}), set("d", kRegDword, {})},
     {}},
    {"Blanks",
     "  \"a\"  =  \"v\"  \n\t@\t=\tdword:\t00000008\t\n\"  b  \"=\"  c  \"\n",
     {set("a", kRegSz, sz("v")), set("", kRegDword, {8, 0, 0, 0}), set("  b  ", kRegSz, sz("  c  "))},
     {}},
    {"CommentsAndGarbage", ";comment\n  ;\"x\"=\"y\"\n#hash\ngarbage\n\"a\"=\"v\"\n", {set("a", kRegSz, sz("v"))}, {5, 6}},
    {"TextAfterTheString",
     "\"a\"=\"x\"y\"\n\"b\"=\"x\" ;c\n\"c\"=\"x\"#c\n\"d\"=\"x\"\"y\"\n",
     {set("b", kRegSz, sz("x"))},
     {3, 5, 6}},
    {"BrokenNamesAndData",
     "\"abc=\"v\n\"a\" \"b\"\n@\"x\"\n\"a\"=\n\"b\"=str:\"x\"\n\"c\"=Asd\n\"d\"=\"open\n\"e\\\n",
     {},
     {3, 4, 5, 6, 7, 8, 9, 10}},
    {"StringsDoNotContinue", "\"a\"=\"x \\\ny\"\n\"b\"=dword:1\\\n2\n", {}, {3, 4, 5, 6}},
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

class RegFileReaderValues : public ::testing::TestWithParam<ValueCase> {};

void expectCase(const ValueCase& c, const Bytes& file) {
  RegFileContent content;
  std::string error;
  ASSERT_TRUE(RegFileReader().read(file, content, error)) << error;
  std::vector<std::string> expected{"key " + K};
  expected.insert(expected.end(), c.ops.begin(), c.ops.end());
  EXPECT_EQ(opTexts(content.ops), expected);
  EXPECT_EQ(problemLines(content.problems), c.problems);
}

TEST_P(RegFileReaderValues, AnsiRegedit4File) {
  const ValueCase& c = GetParam();
  expectCase(c, ansiFile(std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n") + c.body));
}

TEST_P(RegFileReaderValues, Utf16Version5File) {
  const ValueCase& c = GetParam();
  expectCase(c, utf16File(std::string("Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n") +
                          c.body));
}

INSTANTIATE_TEST_SUITE_P(Cases, RegFileReaderValues, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vrel::test
