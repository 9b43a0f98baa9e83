// Exports in the exact form the Windows registry editor writes.
#include "platform/registry/RegFileReader.h"
#include "platform/registry/RegFileWriter.h"
#include "platform/tests/RegFileTestSupport.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

using KeyDump = Registry::KeyDump;

Bytes exportOf(const std::vector<KeyDump>& keys, std::string_view root = "HKEY_CURRENT_USER") {
  RegFileWriter w;
  w.addKeys(root, keys);
  return w.finish();
}

// The text of an export without its byte-order mark, for readable failures.
std::string textOf(const Bytes& file) {
  if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xFE) return "<no byte-order mark>";
  return utf16leToUtf8(file.data() + 2, file.size() - 2);
}

const std::string B = "Software\\Wine\\reg_test";

// Keys and values as the Windows reg export tests set them up, and the file
// Windows writes for them (hex wrapping included).
TEST(RegFileWriter, WritesWhatWindowsWrites) {
  const std::vector<KeyDump> keys = {
      {B, {RegValue::dword("DWORD", 0x100), RegValue::text("String", "Your text here...")}},
      {B + "\\Subkey1",
       {RegValue::binary("Binary", {0x11, 0x22, 0x33, 0x44}), RegValue::binary("Undefined hex", {'%', 'P', 'A', 'T', 'H', '%', 0}, 0x100)}},
      {B + "\\Subkey2a", {RegValue::text("double\"quote", "\"Hello, World!\""), RegValue::dword("single'quote", 8)}},
      {B + "\\Subkey2a\\Subkey2b",
       {RegValue::text("", "Default value name"), RegValue::multi("Multiple strings", {"Line1", "Line2", "Line3"})}},
      {B + "\\Subkey3a", {RegValue::text("Backslash", "Use \\\\ to escape a backslash")}},
      {B + "\\Subkey3a\\Subkey3b", {}},
      {B + "\\Subkey3a\\Subkey3b\\Subkey3c",
       {RegValue::text("String expansion", "%HOME%\\%PATH%", kRegExpandSz),
        RegValue::binary("Zero data type", {'V', 'a', 'l', 'u', 'e', 0}, kRegNone)}},
      {B + "\\Subkey4", {RegValue::dword("", 0x12345678), RegValue::binary("43981", {'V', 'a', 'l', 'u', 'e', 0}, 0xabcd)}},
  };
  const std::string k = "[HKEY_CURRENT_USER\\" + B;
  const std::string expected =
      "Windows Registry Editor Version 5.00\r\n\r\n" + k + "]\r\n\"DWORD\"=dword:00000100\r\n"
      "\"String\"=\"Your text here...\"\r\n\r\n" + k + "\\Subkey1]\r\n\"Binary\"=hex:11,22,33,44\r\n"
      "\"Undefined hex\"=hex(100):25,50,41,54,48,25,00\r\n\r\n" + k + "\\Subkey2a]\r\n"
      "\"double\\\"quote\"=\"\\\"Hello, World!\\\"\"\r\n\"single'quote\"=dword:00000008\r\n\r\n" + k +
      "\\Subkey2a\\Subkey2b]\r\n@=\"Default value name\"\r\n"
      "\"Multiple strings\"=hex(7):4c,00,69,00,6e,00,65,00,31,00,00,00,4c,00,69,00,6e,\\\r\n"
      "  00,65,00,32,00,00,00,4c,00,69,00,6e,00,65,00,33,00,00,00,00,00\r\n\r\n" + k + "\\Subkey3a]\r\n"
      "\"Backslash\"=\"Use \\\\\\\\ to escape a backslash\"\r\n\r\n" + k + "\\Subkey3a\\Subkey3b]\r\n\r\n" + k +
      "\\Subkey3a\\Subkey3b\\Subkey3c]\r\n"
      "\"String expansion\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,5c,00,25,00,50,\\\r\n"
      "  00,41,00,54,00,48,00,25,00,00,00\r\n\"Zero data type\"=hex(0):56,61,6c,75,65,00\r\n\r\n" + k +
      "\\Subkey4]\r\n@=dword:12345678\r\n\"43981\"=hex(abcd):56,61,6c,75,65,00\r\n\r\n";
  const Bytes out = exportOf(keys);
  EXPECT_EQ(textOf(out), expected);
  EXPECT_EQ(out, utf16File(expected));
}

TEST(RegFileWriter, EmptyKeyAndEmptyData) {
  EXPECT_EQ(textOf(exportOf({{B, {}}})),
            "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" + B + "]\r\n\r\n");
  const std::vector<KeyDump> keys = {{"", {RegValue::binary("a", {}, kRegNone), RegValue::binary("b", {}, kRegSz),
                                           RegValue::binary("c", {}, kRegExpandSz), RegValue::binary("d", {}),
                                           RegValue::binary("e", {}, kRegDword), RegValue::binary("f", {}, kRegMultiSz),
                                           RegValue::binary("g", {}, 0xabcd)}}};
  EXPECT_EQ(textOf(exportOf(keys, "HKEY_LOCAL_MACHINE")),
            "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex(0):\r\n\"b\"=\"\"\r\n"
            "\"c\"=hex(2):\r\n\"d\"=hex:\r\n\"e\"=hex(4):\r\n\"f\"=hex(7):\r\n\"g\"=hex(abcd):\r\n\r\n");
}

struct StringCase {
  const char* name;
  Bytes data;
  const char* line;  // the value line written for it
};

const StringCase kStrings[] = {
    {"Plain", sz("C:\\Orvix \"x\""), "\"v\"=\"C:\\\\Orvix \\\"x\\\"\""},
    {"SurrogatePair", sz("\xf0\x9f\x98\x80"), "\"v\"=\"\xf0\x9f\x98\x80\""},
    {"EmptyData", {}, "\"v\"=\"\""},
    {"JustTheTerminator", sz(""), "\"v\"=\"\""},
    {"EmbeddedNul", {'a', 0, 0, 0, 'b', 0, 0, 0}, "\"v\"=hex(1):61,00,00,00,62,00,00,00"},
    {"NoTerminator", {'a', 0, 'b', 0}, "\"v\"=hex(1):61,00,62,00"},
    {"OddSize", {'a', 0, 0}, "\"v\"=hex(1):61,00,00"},
    {"LineBreaksEscaped", sz("a\r\nb\\n"), "\"v\"=\"a\\r\\nb\\\\n\""},
    {"UnpairedSurrogate", {0x00, 0xD8, 'a', 0, 0, 0}, "\"v\"=hex(1):00,d8,61,00,00,00"},
};

void PrintTo(const StringCase& c, std::ostream* os) { *os << c.name; }

class RegFileWriterStrings : public ::testing::TestWithParam<StringCase> {};

TEST_P(RegFileWriterStrings, QuotedOnlyWhenItReadsBackTheSame) {
  const std::string text = textOf(exportOf({{"", {RegValue::binary("v", GetParam().data, kRegSz)}}}));
  EXPECT_EQ(text, std::string("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER]\r\n") +
                      GetParam().line + "\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, RegFileWriterStrings, ::testing::ValuesIn(kStrings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RegFileWriter, DwordsOfAnotherSizeAndOtherTypesAreHex) {
  const std::vector<KeyDump> keys = {{"", {RegValue::binary("d", {1, 2, 3}, kRegDword),
                                           RegValue::binary("q", {1, 0, 0, 0, 0, 0, 0, 0}, kRegQword),
                                           RegValue::binary("be", {0, 0, 0, 1}, kRegDwordBigEndian),
                                           RegValue::binary("line\r\n\"x\\", {7})}}};
  EXPECT_EQ(textOf(exportOf(keys)),
            "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER]\r\n\"d\"=hex(4):01,02,03\r\n"
            "\"q\"=hex(b):01,00,00,00,00,00,00,00\r\n\"be\"=hex(5):00,00,00,01\r\n\"line\\r\\n\\\"x\\\\\"=hex:07\r\n\r\n");
}

// Hex lines break once they reach 77 characters; continuation lines are
// indented by two blanks and carry 25 bytes. Whatever the name and size, the
// reader gets the value back unchanged.
TEST(RegFileWriter, WrappedHexReadsBackForAnyNameAndSize) {
  for (std::size_t nameLen = 0; nameLen <= 90; nameLen += 7) {
    for (std::size_t size = 0; size <= 130; size += 3) {
      Bytes data(size);
      for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 37 + nameLen);
      const RegValue v = RegValue::binary(std::string(nameLen, 'n'), data, 0x1234);
      const Bytes file = exportOf({{"K", {v}}});
      const std::string text = textOf(file);
      std::size_t pos = 0;
      for (std::size_t nl; (nl = text.find("\\\r\n", pos)) != std::string::npos; pos = nl + 3) {
        const std::size_t lineStart = text.rfind('\n', nl) + 1;
        EXPECT_GE(nl - lineStart, 77u) << text;
        EXPECT_LE(nl - lineStart, std::max<std::size_t>(79, nameLen + 3 + 10 + 3)) << text;
        if (text.compare(nl + 3, 2, "  ") != 0) ADD_FAILURE() << "continuation not indented: " << text;
      }
      RegFileContent back;
      std::string error;
      ASSERT_TRUE(RegFileReader().read(file, back, error)) << error;
      ASSERT_EQ(back.ops.size(), 2u) << text;
      EXPECT_EQ(back.ops[1].value.name, v.name);
      EXPECT_EQ(back.ops[1].value.type, v.type);
      EXPECT_EQ(back.ops[1].value.data, v.data) << text;
      EXPECT_TRUE(back.problems.empty());
    }
  }
}

}  // namespace
}  // namespace vrel::test
