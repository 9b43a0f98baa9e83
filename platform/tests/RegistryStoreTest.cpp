#include "platform/Registry.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace vrel {
namespace {

constexpr Hive HKLM = Hive::LocalMachine;

class RegistryStoreTest : public ::testing::Test {
 protected:
  test::ScratchMachine m;
  Registry& reg = m.registry();
};

TEST_F(RegistryStoreTest, KeysAndValuesIgnoreCaseAndKeepSpelling) {
  ASSERT_EQ(reg.createKey(HKLM, "Software\\Tremarc\\ZureVezuza\\1.0"), kRegOk);
  EXPECT_TRUE(reg.keyExists(HKLM, "SOFTWARE\\tremarc\\zurevezuza\\1.0"));
  EXPECT_TRUE(reg.keyExists(HKLM, "Software\\Tremarc\\"));  // trailing backslash accepted
  ASSERT_EQ(reg.setValue(HKLM, "software\\TREMARC\\ZureVezuza\\1.0", RegValue::text("Root Path", "C:\\Orvix")),
            kRegOk);
  RegValue v;
  ASSERT_EQ(reg.getValue(HKLM, "Software\\Tremarc\\ZureVezuza\\1.0", "ROOT PATH", v), kRegOk);
  EXPECT_EQ(v.name, "Root Path");
  EXPECT_EQ(regDataAsText(v.data), "C:\\Orvix");
  std::vector<std::string> kids;
  ASSERT_EQ(reg.subKeys(HKLM, "SOFTWARE\\TREMARC", kids), kRegOk);
  EXPECT_EQ(kids, std::vector<std::string>{"ZureVezuza"});
}

TEST_F(RegistryStoreTest, SetValueNeverCreatesKeys) {
  EXPECT_EQ(reg.setValue(HKLM, "Software\\Missing", RegValue::dword("x", 1)), kRegNotFound);
  EXPECT_FALSE(reg.keyExists(HKLM, "Software\\Missing"));
}

TEST_F(RegistryStoreTest, BadPathsAreRefused) {
  EXPECT_EQ(reg.createKey(HKLM, "Software\\\\Empty"), kRegBadPath);
  EXPECT_EQ(reg.createKey(HKLM, "\\Software"), kRegBadPath);
  EXPECT_FALSE(reg.keyExists(HKLM, "Software\\\\Empty"));
}

TEST_F(RegistryStoreTest, SubkeysListInUpperCaseOrderAndValuesInCreationOrder) {
  for (const char* k : {"b", "_x", "A", "c"}) reg.createKey(HKLM, std::string("Software\\T\\") + k);
  std::vector<std::string> kids;
  reg.subKeys(HKLM, "Software\\T", kids);
  EXPECT_EQ(kids, (std::vector<std::string>{"A", "b", "c", "_x"}));

  reg.setValue(HKLM, "Software\\T", RegValue::dword("zeta", 1));
  reg.setValue(HKLM, "Software\\T", RegValue::dword("alpha", 2));
  reg.setValue(HKLM, "Software\\T", RegValue::dword("ZETA", 3));  // overwrite keeps its place
  std::vector<RegValue> vals;
  reg.values(HKLM, "Software\\T", vals);
  ASSERT_EQ(vals.size(), 2u);
  EXPECT_EQ(vals[0].name, "ZETA");
  EXPECT_EQ(vals[0].data, RegValue::dword("", 3).data);
  EXPECT_EQ(vals[1].name, "alpha");
}

TEST_F(RegistryStoreTest, DeleteKeyRefusesKeysWithChildrenAndDeleteTreeRemovesBranch) {
  reg.createKey(HKLM, "Software\\T\\Child");
  reg.setValue(HKLM, "Software\\T\\Child", RegValue::dword("v", 1));
  EXPECT_NE(reg.deleteKey(HKLM, "Software\\T"), kRegOk);
  EXPECT_EQ(reg.deleteTree(HKLM, "Software\\T"), kRegOk);
  EXPECT_FALSE(reg.keyExists(HKLM, "Software\\T"));
  EXPECT_FALSE(reg.keyExists(HKLM, "Software\\T\\Child"));
  EXPECT_EQ(reg.deleteTree(HKLM, "Software\\T"), kRegNotFound);
}

TEST_F(RegistryStoreTest, ApplyIsAllOrNothing) {
  reg.createKey(HKLM, "Software\\Locked");
  reg.setDenyWrite(HKLM, "Software\\Locked", true);
  const std::vector<RegOp> ops = {
      {RegOp::SetValue, HKLM, "Software\\New", RegValue::text("a", "b")},
      {RegOp::SetValue, HKLM, "Software\\Locked", RegValue::text("a", "b")},
  };
  EXPECT_EQ(reg.apply(ops), kRegAccessDenied);
  EXPECT_FALSE(reg.keyExists(HKLM, "Software\\New"));
}

TEST_F(RegistryStoreTest, BatchesKeepValueOrderAndFollowKeysThatComeAndGo) {
  const std::string key = "Software\\Tremarc\\Batch";
  ASSERT_EQ(reg.createKey(HKLM, key), kRegOk);
  ASSERT_EQ(reg.setValue(HKLM, key, RegValue::text("A", "1")), kRegOk);
  ASSERT_EQ(reg.setValue(HKLM, key, RegValue::text("B", "1")), kRegOk);
  auto set = [&](const std::string& path, const char* name, const char* data) {
    return RegOp{RegOp::SetValue, HKLM, path, RegValue::text(name, data)};
  };
  const std::vector<RegOp> ops = {
      set(key, "b", "2"),                                 // an update keeps its place
      set(key, "C", "1"),                                 // a new value goes last
      {RegOp::DeleteValue, HKLM, key, RegValue::text("A", "")},
      set(key, "A", "2"),                                 // deleted and set again: last
      set(key + "\\New\\Deeper", "X", "1"),              // keys made on the way
      set(key + "\\NEW", "Y", "1"),                        // the same key in another case
      {RegOp::DeleteTree, HKLM, key + "\\New", {}},
      set(key + "\\New", "Z", "1"),                        // made again after its branch went
  };
  ASSERT_EQ(reg.apply(ops), kRegOk);
  std::vector<RegValue> values;
  ASSERT_EQ(reg.values(HKLM, key, values), kRegOk);
  std::vector<std::string> order;
  for (const RegValue& v : values) order.push_back(v.name + "=" + regDataAsText(v.data));
  EXPECT_EQ(order, (std::vector<std::string>{"b=2", "C=1", "A=2"}));
  ASSERT_EQ(reg.values(HKLM, key + "\\New", values), kRegOk);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].name, "Z");
  EXPECT_FALSE(reg.keyExists(HKLM, key + "\\New\\Deeper"));
  // A later value outside a batch still goes after the batch's.
  ASSERT_EQ(reg.setValue(HKLM, key, RegValue::text("D", "1")), kRegOk);
  ASSERT_EQ(reg.values(HKLM, key, values), kRegOk);
  EXPECT_EQ(values.back().name, "D");
}

TEST_F(RegistryStoreTest, AliasedHivesShareKeys) {
  reg.createKey(Hive::ClassesRoot, "VrelDomSvr.VrelDom\\CLSID");
  EXPECT_TRUE(reg.keyExists(HKLM, "SOFTWARE\\Classes\\VrelDomSvr.VrelDom\\CLSID"));
  reg.createKey(Hive::CurrentUser, "Software\\Profile");
  std::vector<std::string> users;
  reg.subKeys(Hive::Users, "", users);
  ASSERT_FALSE(users.empty());
  EXPECT_TRUE(reg.keyExists(Hive::Users, users[0] + "\\Software\\Profile"));
}

TEST_F(RegistryStoreTest, DumpBranchIsDepthFirstInWindowsOrder) {
  reg.createKey(HKLM, "Software\\D\\b\\x");
  reg.createKey(HKLM, "Software\\D\\A");
  reg.setValue(HKLM, "Software\\D\\A", RegValue::text("", "default"));
  std::vector<Registry::KeyDump> dump;
  ASSERT_EQ(reg.dumpBranch(HKLM, "Software\\D", dump), kRegOk);
  std::vector<std::string> paths;
  for (auto& k : dump) paths.push_back(k.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"Software\\D", "Software\\D\\A", "Software\\D\\b", "Software\\D\\b\\x"}));
  ASSERT_EQ(dump[1].values.size(), 1u);
  EXPECT_EQ(dump[1].values[0].name, "");
}

TEST_F(RegistryStoreTest, SeveralProcessesWriteWithoutLosingValues) {
  reg.createKey(HKLM, "Software\\Shared");
  constexpr int kChildren = 4, kEach = 50;
  for (int c = 0; c < kChildren; ++c) {
    if (fork() == 0) {
      std::string err;
      auto mm = Machine::open(m.root(), err);
      int bad = mm ? 0 : 1;
      for (int i = 0; mm && i < kEach; ++i) {
        std::vector<RegOp> ops = {{RegOp::SetValue, HKLM, "Software\\Shared",
                                   RegValue::dword("v" + std::to_string(c) + "_" + std::to_string(i), i)}};
        if (mm->registry().apply(ops) != kRegOk) bad = 1;
      }
      _exit(bad);
    }
  }
  for (int c = 0; c < kChildren; ++c) {
    int status = 0;
    wait(&status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::vector<RegValue> vals;
  reg.values(HKLM, "Software\\Shared", vals);
  EXPECT_EQ(vals.size(), static_cast<std::size_t>(kChildren * kEach));
}

}  // namespace
}  // namespace vrel
