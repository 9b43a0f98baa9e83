#include "restore/tests/Module1Fixture.h"

#include <algorithm>

namespace vrel::restore::test {
namespace {

constexpr const char* kKey = "Software\\Tremarc\\Test";

using Strings = std::vector<std::string>;

TEST_F(Module1Test, EnumRegistrySubKeysShapes) {
  createKey(kKey);
  EXPECT_EQ(mod.EnumRegistrySubKeys(Hive::LocalMachine, kKey), Strings{""}) << "no subkeys: one empty name";
  EXPECT_TRUE(mod.EnumRegistrySubKeys(Hive::LocalMachine, "Software\\None").empty()) << "no key: no array";
  for (const char* name : {"beta", "Alpha", "_x", "Gamma"}) createKey(std::string(kKey) + "\\" + name);
  EXPECT_EQ(mod.EnumRegistrySubKeys(Hive::LocalMachine, kKey), (Strings{"Alpha", "beta", "Gamma", "_x"}))
      << "Windows order: names compared upper-cased";
  const Strings top = mod.EnumRegistrySubKeys(Hive::LocalMachine, "");
  EXPECT_TRUE(std::any_of(top.begin(), top.end(), [](const std::string& n) { return iequals(n, "Software"); }))
      << "an empty path lists the root";
}

TEST_F(Module1Test, EnumRegistryValuesShapes) {
  createKey(kKey);
  const RegValueTable none = mod.EnumRegistryValues(Hive::LocalMachine, kKey);
  ASSERT_EQ(none[0].size(), 1u);
  ASSERT_EQ(none[1].size(), 1u);
  EXPECT_TRUE(none[0][0].isEmpty()) << "Empty, not empty text";
  EXPECT_TRUE(none[1][0].isEmpty());

  const RegValueTable missing = mod.EnumRegistryValues(Hive::LocalMachine, "Software\\None");
  EXPECT_TRUE(missing[0].empty() && missing[1].empty()) << "no key: no table";

  setValue(kKey, RegValue::text("Root Path", "C:\\Orvix"));
  setValue(kKey, RegValue::dword("Count", 0xFFFFFFFF));
  setValue(kKey, RegValue::binary("Blob", {9, 8}));
  setValue(kKey, RegValue::text("Expand", "%X%", kRegExpandSz));
  setValue(kKey, RegValue::multi("Multi", {"a", "b"}));
  setValue(kKey, RegValue::text("", "default"));
  setValue(kKey, RegValue::binary("Empty", {}, kRegSz));
  const RegValueTable t = mod.EnumRegistryValues(Hive::LocalMachine, kKey);
  const std::vector<RegVariant> names{"Root Path", "Count", "Blob", "Expand", "Multi", "", "Empty"};
  const std::vector<RegVariant> values{
      "C:\\Orvix", std::int32_t{-1}, Bytes{9, 8}, Bytes{'%', 'X', '%', 0}, Bytes{'a', 0, 'b', 0, 0}, "default", ""};
  EXPECT_EQ(t[0], names);
  EXPECT_EQ(t[1], values);
}

struct LimitRow {
  const char* name;
  RegValue big;          // stored between "First" and "Last"
  std::size_t expected;  // columns listed
};
void PrintTo(const LimitRow& r, std::ostream* os) {
  *os << r.name;
}

const LimitRow kLimitRows[] = {
    {"Name259Fits", RegValue::text(std::string(259, 'n'), "x"), 3},
    {"Name260EndsTheList", RegValue::text(std::string(260, 'n'), "x"), 1},
    {"Data4096Fits", RegValue::binary("Big", Bytes(4096, 1)), 3},
    {"Data4097EndsTheList", RegValue::binary("Big", Bytes(4097, 1)), 1},
    {"Text4095CharactersFits", RegValue::text("Big", std::string(4095, 't')), 3},
    {"Text4096CharactersEndsTheList", RegValue::text("Big", std::string(4096, 't')), 1},
};

class EnumLimitRows : public Module1Test, public ::testing::WithParamInterface<LimitRow> {};

TEST_P(EnumLimitRows, OversizeEntryEndsEnumerationAtItsIndex) {
  const LimitRow& r = GetParam();
  createKey(kKey);
  setValue(kKey, RegValue::text("First", "1"));
  setValue(kKey, r.big);
  setValue(kKey, RegValue::text("Last", "3"));
  const RegValueTable t = mod.EnumRegistryValues(Hive::LocalMachine, kKey);
  ASSERT_EQ(t[0].size(), r.expected);
  ASSERT_EQ(t[1].size(), r.expected);
  EXPECT_EQ(t[0][0], RegVariant("First"));
  if (r.expected == 3) {
    EXPECT_EQ(t[0][1].asText(), r.big.name);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, EnumLimitRows, ::testing::ValuesIn(kLimitRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Module1Test, DeleteRegistryTreeOnKeyWithoutSubkeysRemovesValuesAndKey) {
  createKey(kKey);
  createKey("Software\\Tremarc\\Sibling");
  setValue(kKey, RegValue::text("A", "1"));
  setValue(kKey, RegValue::dword("B", 2));
  log.setDebug(true);
  mod.DeleteRegistryTree(Hive::LocalMachine, kKey);
  EXPECT_FALSE(keyExists(kKey));
  EXPECT_TRUE(keyExists("Software\\Tremarc\\Sibling"));
  EXPECT_EQ(logLines(), Strings{"debug - entering DeleteRegistryTree for path=Software\\Tremarc\\Test"});
}

TEST_F(Module1Test, DeleteRegistryTreeRemovesBranchDepthFirst) {
  for (const char* p : {"\\B\\Deep\\Deeper", "\\A", "\\B\\Other"}) createKey(kKey + std::string(p));
  setValue(kKey + std::string("\\B\\Deep"), RegValue::text("V", "x"));
  log.setDebug(true);
  mod.DeleteRegistryTree(Hive::LocalMachine, kKey);
  EXPECT_FALSE(keyExists(kKey));
  EXPECT_TRUE(keyExists("Software\\Tremarc"));
  const std::string e = "debug - entering DeleteRegistryTree for path=Software\\Tremarc\\Test";
  EXPECT_EQ(logLines(), (Strings{e, e + "\\A", e + "\\B", e + "\\B\\Deep", e + "\\B\\Deep\\Deeper", e + "\\B\\Other"}));
}

TEST_F(Module1Test, DeleteRegistryTreeGivesUpOnUndeletableSubkeyAfterOnePass) {
  const std::string locked = kKey + std::string("\\B\\Locked");
  createKey(locked);
  createKey(kKey + std::string("\\B\\Other"));
  createKey(kKey + std::string("\\C"));
  setValue(locked, RegValue::text("Keep", "1"));
  setValue(kKey, RegValue::text("Top", "1"));
  ASSERT_EQ(m.registry().setDenyWrite(Hive::LocalMachine, locked, true), kRegOk);
  log.setDebug(true);
  mod.DeleteRegistryTree(Hive::LocalMachine, kKey);
  EXPECT_TRUE(keyExists(locked));
  EXPECT_EQ(mod.GetRegistryValue(Hive::LocalMachine, locked, "Keep", 1, ""), "1");
  EXPECT_FALSE(keyExists(kKey + std::string("\\B\\Other")));
  EXPECT_FALSE(keyExists(kKey + std::string("\\C")));
  EXPECT_EQ(mod.GetRegistryValue(Hive::LocalMachine, kKey, "Top", 1, "gone"), "gone");
  const std::string e = "debug - entering DeleteRegistryTree for path=";
  const std::string k = kKey;
  EXPECT_EQ(logLines(),
            (Strings{
                e + k,
                e + k + "\\B",
                e + locked,
                "debug - error in DeleteRegistryTree: cannot delete " + locked + ": Access is denied.",
                e + k + "\\B\\Other",
                "debug - error in DeleteRegistryTree: cannot delete " + k + "\\B: a subkey could not be deleted.",
                e + k + "\\C",
                "debug - error in DeleteRegistryTree: cannot delete " + k + ": a subkey could not be deleted.",
            }));
}

TEST_F(Module1Test, DeleteRegistryTreeOutsideDebugRunsEndsWhereTheWalkEnds) {
  // A whole branch goes at once, its siblings stay, and nothing is logged.
  for (int i = 0; i < 300; ++i) {
    const std::string key = kKey + std::string("\\Cache\\") + std::to_string(i);
    createKey(key + "\\Greeting");
    setValue(key, RegValue::text("Alias", "user" + std::to_string(i)));
  }
  createKey("Software\\Tremarc\\Sibling");
  mod.DeleteRegistryTree(Hive::LocalMachine, kKey);
  EXPECT_FALSE(keyExists(kKey));
  EXPECT_TRUE(keyExists("Software\\Tremarc\\Sibling"));

  // A branch holding a key that cannot be deleted: what the walk leaves.
  const std::string locked = kKey + std::string("\\B\\Locked");
  createKey(locked);
  createKey(kKey + std::string("\\B\\Other"));
  setValue(locked, RegValue::text("Keep", "1"));
  setValue(kKey, RegValue::text("Top", "1"));
  ASSERT_EQ(m.registry().setDenyWrite(Hive::LocalMachine, locked, true), kRegOk);
  mod.DeleteRegistryTree(Hive::LocalMachine, kKey);
  EXPECT_EQ(mod.GetRegistryValue(Hive::LocalMachine, locked, "Keep", 1, ""), "1");
  EXPECT_FALSE(keyExists(kKey + std::string("\\B\\Other")));
  EXPECT_EQ(mod.GetRegistryValue(Hive::LocalMachine, kKey, "Top", 1, "gone"), "gone");
  EXPECT_TRUE(logLines().empty());
}

TEST_F(Module1Test, DeleteRegistryTreeOnMissingKeyOrEmptyPathDeletesNothing) {
  createKey(kKey);
  log.setDebug(true);
  mod.DeleteRegistryTree(Hive::LocalMachine, "Software\\None");
  mod.DeleteRegistryTree(Hive::LocalMachine, "");
  EXPECT_TRUE(keyExists(kKey));
  EXPECT_EQ(logLines(), (Strings{"debug - entering DeleteRegistryTree for path=Software\\None",
                                 "debug - entering DeleteRegistryTree for path=",
                                 "debug - error in DeleteRegistryTree: no key path given"}));
}

}  // namespace
}  // namespace vrel::restore::test
