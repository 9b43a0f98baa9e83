// .reg import and export against a real machine registry.
#include "platform/registry/RegImport.h"
#include "platform/tests/RegFileTestSupport.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

constexpr Hive HKLM = Hive::LocalMachine;

// A branch as text lines, so two registries compare with readable failures.
std::vector<std::string> branchLines(Registry& reg, Hive hive, std::string_view path) {
  std::vector<Registry::KeyDump> keys;
  EXPECT_EQ(reg.dumpBranch(hive, path, keys), kRegOk) << path;
  std::vector<std::string> lines;
  for (const auto& k : keys) {
    lines.push_back("[" + k.path + "]");
    for (const auto& v : k.values) lines.push_back(v.name + "=" + std::to_string(v.type) + ": " + hexOf(v.data));
  }
  return lines;
}

std::string textOf(const Bytes& file) { return utf16leToUtf8(file.data() + 2, file.size() - 2); }

class RegFileImportTest : public ::testing::Test {
 protected:
  void put(std::string_view path, const RegValue& v) {
    ASSERT_EQ(reg.createKey(HKLM, path), kRegOk);
    ASSERT_EQ(reg.setValue(HKLM, path, v), kRegOk);
  }
  bool import(Registry& target, const Bytes& file) {
    problems.clear();
    error.clear();
    return importRegFile(target, file, problems, error);
  }

  ScratchMachine m;
  Registry& reg = m.registry();
  std::vector<RegFileProblem> problems;
  std::string error;
};

TEST_F(RegFileImportTest, ExportThenImportGivesTheSameBranch) {
  const std::string t = "Software\\Tremarc";
  Bytes big(300);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  put(t, RegValue::text("", "default"));
  put(t, RegValue::text("Root Path", "C:\\Program Files\\Orvix \"x\""));
  put(t, RegValue::text("ExpandPath", "%SystemRoot%\\x", kRegExpandSz));
  put(t, RegValue::multi("List", {"a", "b b", ""}));
  put(t, RegValue::dword("Flag", 0xdeadbeef));
  put(t, RegValue::binary("Qword", {1, 2, 3, 4, 5, 6, 7, 8}, kRegQword));
  put(t, RegValue::binary("Blob", big));
  put(t, RegValue::binary("Nothing", {}, kRegNone));
  put(t, RegValue::binary("Odd type", {9}, 0xabcd));
  put(t, RegValue::text("Empty sz", ""));
  put(t, RegValue::binary("Two strings", sz(std::string_view("a\r\nb\0c", 6)), kRegSz));
  put(t + "\\Sub Key\\\xc3\xa9t\xc3\xa9 ]x", RegValue::text("na\"me=\\", "\xe2\x82\xac\xf0\x9f\x98\x80"));
  ASSERT_EQ(reg.createKey(HKLM, t + "\\Empty"), kRegOk);

  Bytes file;
  ASSERT_EQ(exportRegBranch(reg, HKLM, "SOFTWARE\\Tremarc", file), kRegOk);
  EXPECT_TRUE(textOf(file).starts_with(
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tremarc]\r\n@=\"default\"\r\n"));
  ScratchMachine other;
  ASSERT_TRUE(import(other.registry(), file)) << error;
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(branchLines(other.registry(), HKLM, t), branchLines(reg, HKLM, t));
  Bytes again;
  ASSERT_EQ(exportRegBranch(other.registry(), HKLM, "SOFTWARE\\Tremarc", again), kRegOk);
  EXPECT_EQ(again, file);
}

TEST_F(RegFileImportTest, StringDataWithoutTerminatorGainsOneAsOnWindows) {
  put("Software\\T", RegValue::binary("e", {'a', 0}, kRegExpandSz));
  Bytes file;
  ASSERT_EQ(exportRegBranch(reg, HKLM, "Software\\T", file), kRegOk);
  EXPECT_NE(textOf(file).find("\"e\"=hex(2):61,00\r\n"), std::string::npos);
  ScratchMachine other;
  ASSERT_TRUE(import(other.registry(), file)) << error;
  RegValue v;
  ASSERT_EQ(other.registry().getValue(HKLM, "Software\\T", "e", v), kRegOk);
  EXPECT_EQ(v.data, (Bytes{'a', 0, 0, 0}));
}

TEST_F(RegFileImportTest, MissingBranchIsNotExported) {
  Bytes file{1, 2, 3};
  EXPECT_EQ(exportRegBranch(reg, HKLM, "Software\\Nowhere", file), kRegNotFound);
  EXPECT_EQ(file, (Bytes{1, 2, 3}));
}

TEST_F(RegFileImportTest, WholeRegistryExportHoldsTheTwoRealRootsOnly) {
  ASSERT_EQ(reg.createKey(Hive::CurrentUser, "Software\\Mine"), kRegOk);
  ASSERT_EQ(reg.setValue(Hive::CurrentUser, "Software\\Mine", RegValue::dword("x", 5)), kRegOk);
  ASSERT_EQ(reg.createKey(Hive::ClassesRoot, ".orv"), kRegOk);
  Bytes file;
  ASSERT_EQ(exportRegAll(reg, file), kRegOk);
  const std::string text = textOf(file);
  EXPECT_EQ(text.find("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n"), 0u);
  EXPECT_LT(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.orv]"), text.find("\r\n[HKEY_USERS]\r\n"));
  EXPECT_NE(text.find("\\Software\\Mine]\r\n\"x\"=dword:00000005\r\n"), std::string::npos);
  EXPECT_EQ(text.find("HKEY_CURRENT_USER"), std::string::npos);
  EXPECT_EQ(text.find("HKEY_CLASSES_ROOT"), std::string::npos);
  ScratchMachine other;
  ASSERT_TRUE(import(other.registry(), file)) << error;
  EXPECT_EQ(branchLines(other.registry(), HKLM, ""), branchLines(reg, HKLM, ""));
  EXPECT_EQ(branchLines(other.registry(), Hive::Users, ""), branchLines(reg, Hive::Users, ""));
}

TEST_F(RegFileImportTest, Regedit4FileWithAnsiCharacters) {
  ASSERT_TRUE(import(reg, ansiFile("REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\.orv]\r\n@=\"Caf\xe9 \x80\"\r\n"
                                   "\"Path\"=hex(2):25,50,41,54,48,25,00\r\n\r\n")))
      << error;
  RegValue v;
  ASSERT_EQ(reg.getValue(HKLM, "SOFTWARE\\Classes\\.orv", "", v), kRegOk);
  EXPECT_EQ(v.type, static_cast<std::uint32_t>(kRegSz));
  EXPECT_EQ(regDataAsText(v.data), "Caf\xc3\xa9 \xe2\x82\xac");
  ASSERT_EQ(reg.getValue(Hive::ClassesRoot, ".orv", "Path", v), kRegOk);
  EXPECT_EQ(v.data, sz("%PATH%"));
}

TEST_F(RegFileImportTest, UnusableFilesChangeNothingAndCutOffFilesImportWhatTheyHeld) {
  put("Software\\Tremarc", RegValue::text("Keep", "me"));
  put("Software\\Tremarc\\Big", RegValue::binary("Blob", Bytes(200, 0x5a)));
  Bytes good;
  ASSERT_EQ(exportRegBranch(reg, HKLM, "Software\\Tremarc", good), kRegOk);
  const std::string text = textOf(good);
  const std::size_t cut = 2 + 2 * (text.find(",\\\r\n") + 4);  // just after the first continuation line break
  ScratchMachine target;
  Registry& treg = target.registry();
  ASSERT_EQ(treg.createKey(HKLM, "Software\\Tremarc"), kRegOk);
  const auto before = branchLines(treg, HKLM, "");
  const Bytes badHeader = utf16File("Windows Registry Editor Version 5.0\r\n[HKLM\\Software\\X]\r\n");
  EXPECT_FALSE(import(treg, badHeader));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(branchLines(treg, HKLM, ""), before);

  // Cut inside the continued value: the bytes before the cut make the value.
  const Bytes truncatedEven(good.begin(), good.begin() + static_cast<long>(cut));
  std::string truncated;
  ASSERT_TRUE(importRegFile(treg, truncatedEven, problems, error, &truncated)) << error;
  EXPECT_NE(truncated.find("the file ends inside the value that starts on line"), std::string::npos) << truncated;
  RegValue blob;
  ASSERT_EQ(treg.getValue(HKLM, "Software\\Tremarc\\Big", "Blob", blob), kRegOk);
  EXPECT_GT(blob.data.size(), 0u);
  EXPECT_LT(blob.data.size(), 200u);
  // Cut inside the last character: everything before it is there.
  const Bytes truncatedOdd(good.begin(), good.end() - 1);
  ASSERT_TRUE(importRegFile(treg, truncatedOdd, problems, error, &truncated)) << error;
  EXPECT_NE(truncated.find("odd number of bytes"), std::string::npos) << truncated;
  EXPECT_EQ(branchLines(treg, HKLM, "Software\\Tremarc"), branchLines(reg, HKLM, "Software\\Tremarc"));
}

TEST_F(RegFileImportTest, ARefusedBatchChangesNothing) {
  ASSERT_EQ(reg.createKey(HKLM, "Software\\Locked"), kRegOk);
  ASSERT_EQ(reg.setDenyWrite(HKLM, "Software\\Locked", true), kRegOk);
  EXPECT_FALSE(import(reg, utf16File("Windows Registry Editor Version 5.00\r\n[HKLM\\Software\\Fresh]\r\n\"a\"=\"1\"\r\n"
                                     "[HKLM\\Software\\Locked]\r\n\"b\"=\"2\"\r\n")));
  EXPECT_EQ(error, "the registry refused the import: error 5 (access denied); nothing was changed");
  EXPECT_FALSE(reg.keyExists(HKLM, "Software\\Fresh"));
}

TEST_F(RegFileImportTest, SkippedLinesAreReportedAndTheRestApplied) {
  put("Software\\X\\Old", RegValue::text("v", "1"));
  put("Software\\Y", RegValue::text("gone", "1"));
  put("Software\\Y", RegValue::text("stays", "1"));
  ASSERT_TRUE(import(reg, utf16File("Windows Registry Editor Version 5.00\r\n\r\n[-HKEY_LOCAL_MACHINE\\Software\\X]\r\n"
                                    "[-HKEY_LOCAL_MACHINE\\Software\\NotThere]\r\n[HKEY_LOCAL_MACHINE\\Software\\Y]\r\n"
                                    "\"gone\"=-\r\n\"never\"=-\r\n\"new\"=dword:2\r\nrubbish\r\n\"bad\"=dword:x\r\n")))
      << error;
  EXPECT_EQ(problemLines(problems), (std::vector<std::size_t>{9, 10}));
  EXPECT_FALSE(reg.keyExists(HKLM, "Software\\X"));
  EXPECT_EQ(branchLines(reg, HKLM, "Software\\Y"),
            (std::vector<std::string>{"[Software\\Y]", "stays=1: " + hexOf(sz("1")), "new=4: 02 00 00 00"}));
}

}  // namespace
}  // namespace vrel::test
