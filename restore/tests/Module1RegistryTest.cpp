#include "restore/run/VbError.h"
#include "restore/tests/Module1Fixture.h"

#include <optional>

namespace vrel::restore::test {
namespace {

constexpr const char* kKey = "Software\\Tremarc\\Test";

Bytes filled(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i);
  return b;
}

struct GetRow {
  const char* name;
  std::optional<RegValue> stored;  // under kKey, name "V"
  long type;
  RegVariant expected;  // "dflt" is the default passed
};
void PrintTo(const GetRow& r, std::ostream* os) {
  *os << r.name;
}

const GetRow kGetRows[] = {
    {"TextValue", RegValue::text("V", "C:\\Orvix"), 1, "C:\\Orvix"},
    {"MissingValueGivesDefault", std::nullopt, 1, "dflt"},
    {"EmptyTextValue", RegValue::text("V", ""), 1, ""},
    {"TextWithoutAnyDataIsEmptyNotACrash", RegValue::binary("V", {}, kRegSz), 1, ""},
    {"TextStoredWithoutTerminatorLosesLastCharacter", RegValue::binary("V", {'a', 0, 'b', 0}, kRegSz), 1, "a"},
    {"Text1023CharactersFits", RegValue::text("V", std::string(1023, 'x')), 1, std::string(1023, 'x')},
    {"Text1024CharactersGivesDefault", RegValue::text("V", std::string(1024, 'x')), 1, "dflt"},
    {"TextMeasuredInAnsiBytes", RegValue::text("V", std::string(1021, 'x') + "\xC3\x9F\xC3\x9F"), 1,
     std::string(1021, 'x') + "\xC3\x9F\xC3\x9F"},
    {"TextOutsideCodePageBecomesQuestionMark",
     RegValue::text("V",
                    "a\xE4\xB8\xAD"
                    "b"),
     1, "a?b"},
    {"ExpandStringReadAsText", RegValue::text("V", "%SystemRoot%", kRegExpandSz), 1, "%SystemRoot%"},
    {"Binary", RegValue::binary("V", {1, 2, 3}), 3, Bytes{1, 2, 3}},
    {"BinaryEmpty", RegValue::binary("V", {}), 3, Bytes{}},
    {"Binary32768Fits", RegValue::binary("V", filled(32768)), 3, filled(32768)},
    {"Binary32769GivesDefault", RegValue::binary("V", filled(32769)), 3, "dflt"},
    {"TextReadAsBinaryIsAnsiWithTerminator", RegValue::text("V", "ab"), 3, Bytes{'a', 'b', 0}},
    {"Dword", RegValue::dword("V", 0x00040000), 4, std::int32_t{0x00040000}},
    {"DwordHighBitIsNegative", RegValue::dword("V", 0xFFFFFFFF), 4, std::int32_t{-1}},
    {"ShortDataFillsLowBytes", RegValue::binary("V", {0x34, 0x12}), 4, std::int32_t{0x1234}},
    {"LongTextAsDwordGivesDefault", RegValue::text("V", "12345"), 4, "dflt"},
};

class GetRegistryValueRows : public Module1Test, public ::testing::WithParamInterface<GetRow> {};

TEST_P(GetRegistryValueRows, ReadsWithTheBufferLimits) {
  const GetRow& r = GetParam();
  createKey(kKey);
  if (r.stored) setValue(kKey, *r.stored);
  const RegVariant got = mod.GetRegistryValue(Hive::LocalMachine, kKey, "v", r.type, "dflt");
  EXPECT_EQ(got, r.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, GetRegistryValueRows, ::testing::ValuesIn(kGetRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Module1Test, GetRegistryValueOnMissingKeyGivesDefaultOfAnyKind) {
  EXPECT_EQ(mod.GetRegistryValue(Hive::LocalMachine, "Software\\None", "V", 1, RegVariant()), RegVariant());
  EXPECT_EQ(mod.GetRegistryValue(Hive::LocalMachine, "Software\\None", "V", 4, std::int32_t{7}), std::int32_t{7});
}

TEST_F(Module1Test, GetRegistryValueRaisesForUnsupportedTypeOnExistingKey) {
  createKey(kKey);
  setValue(kKey, RegValue::text("V", "x", kRegExpandSz));
  try {
    mod.GetRegistryValue(Hive::LocalMachine, kKey, "V", 2, "dflt");
    FAIL() << "no error raised";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number, 1001);
    EXPECT_EQ(e.description, "Unsupported value type");
  }
  // The key is opened first: a missing key answers with the default.
  EXPECT_EQ(mod.GetRegistryValue(Hive::LocalMachine, "Software\\None", "V", 2, "dflt"), "dflt");
}

TEST_F(Module1Test, GetRegistryValueUnderHkeyUsers) {
  ASSERT_EQ(m.registry().createKey(Hive::Users, "S-1-5-21\\Software"), kRegOk);
  ASSERT_EQ(m.registry().setValue(Hive::Users, "S-1-5-21\\Software", RegValue::text("P", "x")), kRegOk);
  EXPECT_EQ(mod.GetRegistryValue(static_cast<Hive>(0x80000003), "S-1-5-21\\Software", "P", 1, ""), "x");
  EXPECT_TRUE(mod.bRegistryKeyExists(Hive::Users, "S-1-5-21\\Software\\"));
  EXPECT_FALSE(mod.bRegistryKeyExists(Hive::LocalMachine, "S-1-5-21\\Software"));
}

struct SetRow {
  const char* name;
  long type;
  RegVariant value;
  std::optional<RegValue> expected;  // nothing: no value written
};
void PrintTo(const SetRow& r, std::ostream* os) {
  *os << r.name;
}

const SetRow kSetRows[] = {
    {"Text", 1, "C:\\New Root", RegValue::text("V", "C:\\New Root")},
    {"NumberAsText", 1, std::int32_t{42}, RegValue::text("V", "42")},
    {"Binary", 3, Bytes{0, 255, 7}, RegValue::binary("V", {0, 255, 7})},
    {"BinaryEmpty", 3, Bytes{}, RegValue::binary("V", {})},
    {"BinaryFromTextWritesNothing", 3, "abc", std::nullopt},
    {"Dword", 4, std::int32_t{-2}, RegValue::dword("V", 0xFFFFFFFE)},
    {"DwordFromNumericText", 4, " 12 ", RegValue::dword("V", 12)},
    {"DwordRoundsHalfToEven", 4, "2.5", RegValue::dword("V", 2)},
    {"DwordFromEmptyIsZero", 4, RegVariant(), RegValue::dword("V", 0)},
    {"DwordFromWordsWritesNothing", 4, "twelve", std::nullopt},
    {"DwordOutOfRangeWritesNothing", 4, "4294967296", std::nullopt},
    {"OtherTypeWritesNothing", 2, "x", std::nullopt},
};

class SetRegistryValueRows : public Module1Test, public ::testing::WithParamInterface<SetRow> {};

TEST_P(SetRegistryValueRows, WritesTheWindowsData) {
  const SetRow& r = GetParam();
  createKey(kKey);
  mod.SetRegistryValue(Hive::LocalMachine, kKey, "V", r.type, r.value);
  RegValue got;
  const RegStatus st = m.registry().getValue(Hive::LocalMachine, kKey, "V", got);
  if (!r.expected) {
    EXPECT_EQ(st, kRegNotFound);
    return;
  }
  ASSERT_EQ(st, kRegOk);
  EXPECT_EQ(got.type, r.expected->type);
  EXPECT_EQ(got.data, r.expected->data);
}

INSTANTIATE_TEST_SUITE_P(Rows, SetRegistryValueRows, ::testing::ValuesIn(kSetRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Module1Test, WritesAndDeletionsNeverCreateKeysNorFail) {
  mod.SetRegistryValue(Hive::LocalMachine, "Software\\Tremarc\\None", "V", 1, "x");
  EXPECT_FALSE(keyExists("Software\\Tremarc\\None"));
  EXPECT_FALSE(keyExists("Software\\Tremarc"));
  createKey(kKey);
  setValue(kKey, RegValue::text("V", "keep"));
  ASSERT_EQ(m.registry().setDenyWrite(Hive::LocalMachine, kKey, true), kRegOk);
  mod.SetRegistryValue(Hive::LocalMachine, kKey, "V", 1, "changed");
  mod.DeleteRegistryValue(Hive::LocalMachine, kKey, "V");
  mod.DeleteRegistryKey(Hive::LocalMachine, kKey);
  EXPECT_EQ(mod.GetRegistryValue(Hive::LocalMachine, kKey, "V", 1, ""), "keep");
  EXPECT_TRUE(keyExists(kKey));
  EXPECT_TRUE(logLines().empty());
}

TEST_F(Module1Test, DeleteRegistryValueAndKey) {
  createKey(std::string(kKey) + "\\Child");
  setValue(kKey, RegValue::text("A", "1"));
  setValue(kKey, RegValue::text("B", "2"));
  mod.DeleteRegistryValue(Hive::LocalMachine, kKey, "a");
  EXPECT_EQ(mod.GetRegistryValue(Hive::LocalMachine, kKey, "A", 1, "gone"), "gone");
  EXPECT_EQ(mod.GetRegistryValue(Hive::LocalMachine, kKey, "B", 1, "gone"), "2");
  mod.DeleteRegistryKey(Hive::LocalMachine, kKey);
  EXPECT_TRUE(keyExists(kKey)) << "a key with subkeys stays";
  mod.DeleteRegistryKey(Hive::LocalMachine, std::string(kKey) + "\\child");
  EXPECT_FALSE(keyExists(std::string(kKey) + "\\Child"));
  mod.DeleteRegistryKey(Hive::LocalMachine, kKey);
  EXPECT_FALSE(keyExists(kKey));
}

}  // namespace
}  // namespace vrel::restore::test
