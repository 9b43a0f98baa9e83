#include "restore/tests/Module1Fixture.h"

namespace vrel::restore::test {
namespace {

using Strings = std::vector<std::string>;

constexpr const char* kIni = "D:\\Backup\\BackedUpVersionInfo.txt";

TEST_F(Module1Test, VBGetPrivateProfileStringEdgeCases) {
  ASSERT_TRUE(m.files().writeAll(kIni, "[Version]\r\nMajor=4\r\nLong=" + std::string(200, 'L') + "\r\n"));
  EXPECT_EQ(mod.VBGetPrivateProfileString("Version", "Major", kIni), "4") << "one-character value";
  EXPECT_EQ(mod.VBGetPrivateProfileString("Version", "Minor", kIni), "") << "missing key";
  EXPECT_EQ(mod.VBGetPrivateProfileString("Other", "Major", kIni), "") << "missing section";
  EXPECT_EQ(mod.VBGetPrivateProfileString("Version", "Major", "D:\\Backup\\None.txt"), "") << "missing file";
  EXPECT_EQ(mod.VBGetPrivateProfileString("Version", "Long", kIni), std::string(126, 'L'))
      << "a 127-character buffer holds 126 and the terminator";
  EXPECT_TRUE(logLines().empty());
}

TEST_F(Module1Test, VBGetPrivateProfileStringLogsAFileThatCannotBeRead) {
  ASSERT_TRUE(m.files().createFolder(kIni));
  EXPECT_EQ(mod.VBGetPrivateProfileString("Version", "Major", kIni), "");
  EXPECT_EQ(logLines(), Strings{"(error) 75 (Path/File access error: D:\\Backup\\BackedUpVersionInfo.txt (Is a "
                                "directory)) in procedure VBGetPrivateProfileString of Module Module1"});
}

struct ReplaceRow {
  const char* name;
  const char* oldPath;
  const char* newPath;
  const char* text;
  const char* expected;
};
void PrintTo(const ReplaceRow& r, std::ostream* os) {
  *os << r.name;
}

const ReplaceRow kReplaceRows[] = {
    {"LeadingPathReplaced", "C:\\Orvix", "E:\\Orvix", "C:\\Orvix\\Logs\\a.log", "E:\\Orvix\\Logs\\a.log"},
    {"LeadingPathInOtherCase", "C:\\ORVIX", "E:\\New", "c:\\orvix\\Logs", "E:\\New\\Logs"},
    {"WholeTextIsTheOldPath", "C:\\Orvix", "E:\\New", "c:\\Orvix", "E:\\New"},
    {"InnerPathReplacedInPlace", "C:\\Orvix", "E:\\New", "\"C:\\Orvix\\x.exe\" -a", "\"E:\\New\\x.exe\" -a"},
    {"OnlyFirstOccurrence", "C:\\O", "E:\\N", "C:\\O\\a;C:\\O\\b", "E:\\N\\a;C:\\O\\b"},
    {"AbsentGivesEmptyText", "C:\\Orvix", "E:\\New", "D:\\Other\\x", ""},
    {"EmptyOldPathGivesEmptyText", "", "E:\\New", "C:\\Orvix\\x", ""},
};

class ReplacePathRows : public Module1Test, public ::testing::WithParamInterface<ReplaceRow> {};

TEST_P(ReplacePathRows, RewritesTheInstallPath) {
  const ReplaceRow& r = GetParam();
  EXPECT_EQ(mod.sReplacePathString(r.oldPath, r.newPath, r.text), r.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ReplacePathRows, ::testing::ValuesIn(kReplaceRows),
                         [](const auto& info) { return std::string(info.param.name); });

class ReplaceInRegistryTest : public Module1Test {
 protected:
  static constexpr const char* kKey = "Software\\Tremarc\\TmLogMgr\\1.0";
  void SetUp() override {
    Module1Test::SetUp();
    paths.backedUpInstallPath = "C:\\Orvix";
    paths.installRoot = "E:\\Orvix2";
    createKey(kKey);
  }
  std::string stored() {
    RegValue v;
    return m.registry().getValue(Hive::LocalMachine, kKey, "LogPath", v) == kRegOk ? regDataAsText(v.data) : "<none>";
  }
};

TEST_F(ReplaceInRegistryTest, RewritesAndLogsOldAndNewValue) {
  setValue(kKey, RegValue::text("LogPath", "c:\\orvix\\Logs"));
  mod.strReplaceZurevezuzaPathInRegistryKey(kKey, "LogPath");
  EXPECT_EQ(stored(), "E:\\Orvix2\\Logs");
  EXPECT_EQ(logLines(), (Strings{"    Updating registry key value for:Software\\Tremarc\\TmLogMgr\\1.0 LogPath",
                                 "        Old Value=c:\\orvix\\Logs", "        New Value= E:\\Orvix2\\Logs"}));
}

TEST_F(ReplaceInRegistryTest, OldPathAbsentSkipsAndWritesNothing) {
  setValue(kKey, RegValue::text("LogPath", "D:\\Elsewhere\\Logs"));
  mod.strReplaceZurevezuzaPathInRegistryKey(kKey, "LogPath");
  EXPECT_EQ(stored(), "D:\\Elsewhere\\Logs");
  EXPECT_EQ(logLines(),
            (Strings{"    Updating registry key value for:Software\\Tremarc\\TmLogMgr\\1.0 LogPath",
                     "        Old Value=D:\\Elsewhere\\Logs", "        old path not found in string, skipping..."}));
}

TEST_F(ReplaceInRegistryTest, MissingValueIsLoggedEmptyAndNotCreated) {
  mod.strReplaceZurevezuzaPathInRegistryKey(kKey, "LogPath");
  EXPECT_EQ(stored(), "<none>");
  EXPECT_EQ(logLines(), (Strings{"    Updating registry key value for:Software\\Tremarc\\TmLogMgr\\1.0 LogPath",
                                 "        Old Value=", "        old path not found in string, skipping..."}));
}

TEST_F(ReplaceInRegistryTest, UnknownBackedUpPathRewritesNothing) {
  paths.backedUpInstallPath.clear();
  setValue(kKey, RegValue::text("LogPath", "C:\\Orvix\\Logs"));
  mod.strReplaceZurevezuzaPathInRegistryKey(kKey, "LogPath");
  EXPECT_EQ(stored(), "C:\\Orvix\\Logs");
  EXPECT_EQ(logLines().back(), "        old path not found in string, skipping...");
}

TEST_F(ReplaceInRegistryTest, MissingKeyLogsNothing) {
  mod.strReplaceZurevezuzaPathInRegistryKey("Software\\Tremarc\\None", "LogPath");
  EXPECT_FALSE(keyExists("Software\\Tremarc\\None"));
  EXPECT_TRUE(logLines().empty());
}

TEST_F(ReplaceInRegistryTest, RefusedWriteIsAnErrorLine) {
  setValue(kKey, RegValue::text("LogPath", "C:\\Orvix\\Logs"));
  ASSERT_EQ(m.registry().setDenyWrite(Hive::LocalMachine, kKey, true), kRegOk);
  mod.strReplaceZurevezuzaPathInRegistryKey(kKey, "LogPath");
  EXPECT_EQ(stored(), "C:\\Orvix\\Logs");
  const Strings lines = logLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], "        New Value= E:\\Orvix2\\Logs");
  EXPECT_EQ(lines[3],
            "(error):5 (Access is denied.) in procedure strReplaceZurevezuzaPathInRegistryKey of Module Module1");
  EXPECT_EQ(log.errorCount(), 1);
}

TEST_F(Module1Test, MarkAllFilesReadWriteClearsEveryReadOnlyFileBelowTheFolder) {
  const Strings files{"D:\\Backup\\top.sql", "D:\\Backup\\Greetings\\a.wav", "D:\\Backup\\Greetings\\Sub\\b.wav",
                      "D:\\Backup\\Streams\\c.dat"};
  ASSERT_TRUE(m.files().createFolder("D:\\Backup\\Greetings\\Sub"));
  ASSERT_TRUE(m.files().createFolder("D:\\Backup\\Streams"));
  for (const auto& f : files) {
    ASSERT_TRUE(m.files().writeAll(f, "x"));
    ASSERT_TRUE(m.files().setReadOnly(f, true));
  }
  ASSERT_TRUE(m.files().writeAll("D:\\Backup\\plain.txt", "x"));
  // A read-only folder with read-only files would be read-only media, whose
  // files keep their attribute; an empty one shows that folders are left alone.
  ASSERT_TRUE(m.files().createFolder("D:\\Backup\\Empty"));
  ASSERT_TRUE(m.files().setReadOnly("D:\\Backup\\Empty", true));
  mod.MarkAllFilesReadWrite("d:\\backup");
  for (const auto& f : files) EXPECT_FALSE(m.files().isReadOnly(f)) << f;
  EXPECT_FALSE(m.files().isReadOnly("D:\\Backup\\plain.txt"));
  EXPECT_TRUE(m.files().isReadOnly("D:\\Backup\\Empty")) << "folders keep their attribute";
  mod.MarkAllFilesReadWrite("D:\\No\\Such\\Folder");  // nothing to do, nothing raised
}

}  // namespace
}  // namespace vrel::restore::test
