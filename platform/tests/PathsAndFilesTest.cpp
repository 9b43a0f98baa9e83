#include "platform/Files.h"
#include "platform/FolderCopy.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace vrel {
namespace {

class PathsAndFilesTest : public ::testing::Test {
 protected:
  test::ScratchMachine m;
  Files& files = m.files();
  const WinPaths& paths = files.paths();
};

TEST_F(PathsAndFilesTest, DrivesMapToFoldersAndComponentsResolveWithoutCase) {
  ASSERT_TRUE(files.createFolder("E:\\Program Files\\Orvix"));
  EXPECT_EQ(paths.toHost("e:\\PROGRAM FILES\\orvix\\new.txt"), m.root() + "/drive_e/Program Files/Orvix/new.txt");
  EXPECT_EQ(paths.toHost("Z:\\tmp"), "/tmp");
  EXPECT_EQ(paths.toWindows(m.root() + "/drive_e/Program Files"), "E:\\Program Files");
  EXPECT_EQ(paths.toWindows("/usr/bin"), "Z:\\usr\\bin");
  EXPECT_EQ(paths.toHost("\\\\server\\share\\x"), "") << "UNC paths name no drive";
}

TEST_F(PathsAndFilesTest, RelativePathsFollowTheCurrentFolder) {
  WinPaths::setCurrentFolder("C:\\Orvix\\Bin");
  EXPECT_EQ(paths.absolute("..\\Logs\\.\\a.log"), "C:\\Orvix\\Logs\\a.log");
  EXPECT_EQ(paths.absolute("\\Temp"), "C:\\Temp");
  EXPECT_EQ(paths.absolute("d:/x/y/"), "D:\\x\\y");
  EXPECT_EQ(winParent("C:\\a\\b.txt"), "C:\\a");
  EXPECT_EQ(winParent("C:\\a"), "C:\\");
  EXPECT_EQ(winJoin("C:\\a\\", "\\b"), "C:\\a\\b");
}

TEST_F(PathsAndFilesTest, ReadOnlyFilesRefuseChangesUnlessForced) {
  ASSERT_TRUE(files.writeAll("C:\\data.txt", "one"));
  ASSERT_TRUE(files.setReadOnly("C:\\DATA.TXT", true));
  EXPECT_TRUE(files.isReadOnly("c:\\data.txt"));
  EXPECT_EQ(files.writeAll("C:\\data.txt", "two").number, 75);
  EXPECT_EQ(files.append("C:\\data.txt", "two").number, 75);
  EXPECT_EQ(files.deleteFile("C:\\data.txt", false).number, 75);
  std::string text;
  ASSERT_TRUE(files.readAll("C:\\data.txt", text));
  EXPECT_EQ(text, "one") << "a refused write loses nothing";
  EXPECT_TRUE(files.deleteFile("C:\\data.txt", true));
  EXPECT_FALSE(files.exists("C:\\data.txt"));
}

TEST_F(PathsAndFilesTest, ReadOnlyFolderStandsForReadOnlyMedia) {
  ASSERT_TRUE(files.createFolder("F:\\Backup"));
  ASSERT_TRUE(files.writeAll("F:\\Backup\\OrvixReg.reg", "x"));
  ASSERT_TRUE(files.setReadOnly("F:\\Backup", true));
  EXPECT_EQ(files.writeAll("F:\\Backup\\new.txt", "x").number, 75);
  EXPECT_EQ(files.copyFile("F:\\Backup\\OrvixReg.reg", "F:\\Backup\\copy.reg", false).number, 75);
  EXPECT_FALSE(files.exists("F:\\Backup\\new.txt"));
  EXPECT_EQ(files.setReadOnly("F:\\Backup\\OrvixReg.reg", true).number, 75) << "attributes cannot change either";
  EXPECT_FALSE(files.isReadOnly("F:\\Backup\\OrvixReg.reg"));
}

TEST_F(PathsAndFilesTest, MissingFilesAndCopiesReportVbErrors) {
  std::string text;
  EXPECT_EQ(files.readAll("C:\\nope.txt", text).number, 53);
  ASSERT_TRUE(files.writeAll("C:\\a.txt", "a"));
  ASSERT_TRUE(files.writeAll("C:\\b.txt", "b"));
  EXPECT_EQ(files.copyFile("C:\\a.txt", "C:\\b.txt", false).number, 58);
  ASSERT_TRUE(files.copyFile("C:\\a.txt", "C:\\B.TXT", true));
  ASSERT_TRUE(files.readAll("C:\\b.txt", text));
  EXPECT_EQ(text, "a");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(files.list("C:\\", entries));
  std::size_t plain = 0;
  for (auto& e : entries)
    if (!e.isFolder) ++plain;
  EXPECT_EQ(plain, 2u) << "no temporary files left behind";
}

TEST_F(PathsAndFilesTest, CopiesCarryContentAndAttributesAndNeverTruncateTheirSource) {
  const std::string big(300000, 'x');
  const struct {
    const char* name;
    std::string content;
    bool readOnly;
  } rows[] = {{"empty", "", false}, {"small", "abc\r\n", false}, {"large", big + "end", false}, {"readonly", "ro", true}};
  for (const auto& r : rows) {
    const std::string from = std::string("C:\\src_") + r.name, to = std::string("C:\\dst_") + r.name;
    ASSERT_TRUE(files.writeAll(from, r.content));
    ASSERT_TRUE(files.writeAll(to, big)) << "a longer target is replaced, not overwritten in part";
    if (r.readOnly) {
      ASSERT_TRUE(files.setReadOnly(from, true));
    }
    ASSERT_TRUE(files.copyFile(from, to, true)) << r.name;
    std::string text;
    ASSERT_TRUE(files.readAll(to, text));
    EXPECT_EQ(text, r.content) << r.name;
    EXPECT_EQ(files.isReadOnly(to), r.readOnly) << r.name;
  }
  EXPECT_FALSE(files.copyFile("C:\\src_small", "c:\\SRC_SMALL", true)) << "a file onto itself";
  std::string text;
  ASSERT_TRUE(files.readAll("C:\\src_small", text));
  EXPECT_EQ(text, "abc\r\n");
  EXPECT_EQ(files.copyFile("C:\\Windows", "C:\\w", true).number, 53) << "a folder is no file to copy";
}

// Folder copies overwrite a target file whatever the case of its name, keep
// the target's other files, carry the read-only attribute, and report a file
// they cannot write without stopping the others; nothing is lost.
TEST_F(PathsAndFilesTest, FolderCopiesOverwriteWithoutRegardToCaseAndKeepTheRest) {
  for (const char* folder : {"E:\\src\\Sub\\Deeper", "F:\\dst\\sub"}) ASSERT_TRUE(files.createFolder(folder));
  const std::vector<std::pair<const char*, const char*>> sources = {{"E:\\src\\a.txt", "new a"},
                                                                    {"E:\\src\\ro.txt", "read-only"},
                                                                    {"E:\\src\\Sub\\b.txt", "new b"},
                                                                    {"E:\\src\\Sub\\Deeper\\c.txt", "new c"}};
  for (const auto& [path, text] : sources) ASSERT_TRUE(files.writeAll(path, text));
  ASSERT_TRUE(files.setReadOnly("E:\\src\\ro.txt", true));
  for (const char* path : {"F:\\dst\\A.TXT", "F:\\dst\\keep.txt", "F:\\dst\\sub\\B.TXT"})
    ASSERT_TRUE(files.writeAll(path, "old"));

  FolderCopyResult r = copyFolderTree(files, "E:\\src", "F:\\dst");
  EXPECT_TRUE(r.status) << r.status.description;
  EXPECT_EQ(r.filesCopied, 4);
  std::vector<DirEntry> top;
  ASSERT_TRUE(files.list("F:\\dst", top));
  std::vector<std::string> names;
  for (const DirEntry& e : top) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"A.TXT", "keep.txt", "ro.txt", "sub"})) << "no second a.txt beside A.TXT";
  const std::vector<std::pair<const char*, const char*>> expected = {{"F:\\dst\\A.TXT", "new a"},
                                                                     {"F:\\dst\\keep.txt", "old"},
                                                                     {"F:\\dst\\SUB\\b.txt", "new b"},
                                                                     {"F:\\dst\\sub\\Deeper\\c.txt", "new c"}};
  for (const auto& [path, text] : expected) {
    std::string got;
    EXPECT_TRUE(files.readAll(path, got)) << path;
    EXPECT_EQ(got, text) << path;
  }
  EXPECT_TRUE(files.isReadOnly("F:\\dst\\ro.txt"));

  // A read-only target is refused; the other files are copied all the same.
  ASSERT_TRUE(files.writeAll("E:\\src\\a.txt", "newer a"));
  r = copyFolderTree(files, "E:\\src", "F:\\dst");
  EXPECT_EQ(r.failures, 1);
  EXPECT_EQ(r.filesCopied, 3);
  EXPECT_EQ(r.status.number, 75);
  EXPECT_EQ(r.status.description, "Path/File access error: F:\\dst\\ro.txt");
  std::string got;
  ASSERT_TRUE(files.readAll("F:\\dst\\a.txt", got));
  EXPECT_EQ(got, "newer a");

  // Only the top folder's files, into a folder made for them.
  r = copyFolderFiles(files, "E:\\src\\Sub", "F:\\flat");
  EXPECT_TRUE(r.status);
  EXPECT_EQ(r.filesCopied, 1);
  EXPECT_TRUE(files.fileExists("F:\\flat\\b.txt"));
  EXPECT_FALSE(files.exists("F:\\flat\\Deeper"));

  // A full drive fails every file and changes none; a missing source makes
  // no target folder.
  ASSERT_TRUE(files.setReadOnly("F:\\dst\\ro.txt", false));
  ASSERT_TRUE(m.machine().setDriveFull('F', true));
  r = copyFolderTree(files, "E:\\src", "F:\\dst");
  EXPECT_EQ(r.filesCopied, 0);
  EXPECT_EQ(r.failures, 4);
  EXPECT_EQ(r.status.number, 61);
  ASSERT_TRUE(files.readAll("F:\\dst\\keep.txt", got));
  EXPECT_EQ(got, "old");
  ASSERT_TRUE(m.machine().setDriveFull('F', false));
  r = copyFolderTree(files, "E:\\missing", "F:\\none");
  EXPECT_EQ(r.status.number, 76);
  EXPECT_FALSE(files.exists("F:\\none"));
}

TEST_F(PathsAndFilesTest, DeferredWritesReplaceContentLikeFlushedOnes) {
  struct Row {
    const char* what;
    Files::Durability durability;
  } rows[] = {{"flushed", Files::Durability::Flush}, {"deferred", Files::Durability::Deferred}};
  for (const Row& r : rows) {
    const std::string path = std::string("C:\\") + r.what + ".txt";
    ASSERT_TRUE(files.writeAll(path, "one", r.durability)) << r.what;
    ASSERT_TRUE(files.writeAll(path, "two", r.durability)) << r.what;
    std::string text;
    ASSERT_TRUE(files.readAll(path, text));
    EXPECT_EQ(text, "two") << r.what;
    EXPECT_FALSE(std::filesystem::exists(paths.toHost(path) + ".vrel-tmp")) << r.what;
  }
  EXPECT_TRUE(files.syncDrive("C:\\"));
  EXPECT_EQ(files.syncDrive("C:\\no such folder").number, 53);
}

TEST_F(PathsAndFilesTest, MachineValuesAndSystemFolder) {
  EXPECT_EQ(m.machine().computerName(), "STANDIN");
  ASSERT_TRUE(m.machine().setValue("computername", "ORVIXNEW"));
  EXPECT_EQ(m.machine().value("ComputerName"), "ORVIXNEW");
  EXPECT_TRUE(files.folderExists("C:\\WINDOWS\\system32"));
  std::string err;
  auto again = Machine::open(m.root(), err);
  ASSERT_TRUE(again) << err;
  EXPECT_EQ(again->computerName(), "ORVIXNEW") << "values persist across opens";
}

TEST(MachineTest, MissingRootIsCreatedAndUnusableRootIsReported) {
  test::TempDir dir;
  std::string err;
  auto m = Machine::open(dir.path() + "/new/deeper", err);
  ASSERT_TRUE(m) << err;
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "/new/deeper/machine.db"));
  std::ofstream(dir.path() + "/file") << "x";
  EXPECT_FALSE(Machine::open(dir.path() + "/file/sub", err));
  EXPECT_FALSE(err.empty());
}

}  // namespace
}  // namespace vrel

namespace vrel {
namespace {

// A full disk refuses every kind of write on its drive with error 61, and
// only there; reading and deleting still work, and freeing it ends the fault.
TEST(FullDrive, RefusesWritesOnItsDriveOnly) {
  test::ScratchMachine m;
  Files& f = m.files();
  ASSERT_TRUE(f.createFolder("D:\\data"));
  ASSERT_TRUE(f.writeAll("D:\\data\\a.txt", "old"));
  ASSERT_TRUE(f.writeAll("C:\\x.txt", "x"));
  ASSERT_TRUE(m.machine().setDriveFull('d', true));
  EXPECT_TRUE(m.machine().driveFull('D'));
  const std::vector<std::pair<const char*, FileStatus>> writes = {
      {"writeAll", f.writeAll("D:\\data\\a.txt", "new")},
      {"append", f.append("D:\\data\\a.txt", "more")},
      {"copyFile", f.copyFile("C:\\x.txt", "D:\\data\\b.txt", true)},
      {"createFolder", f.createFolder("D:\\data\\sub")},
  };
  for (const auto& [what, st] : writes) {
    EXPECT_EQ(st.number, 61) << what;
    EXPECT_EQ(st.description, "Disk full") << what;
  }
  std::string text;
  ASSERT_TRUE(f.readAll("D:\\data\\a.txt", text));
  EXPECT_EQ(text, "old");
  EXPECT_FALSE(f.exists("D:\\data\\a.txt.vrel-tmp"));
  EXPECT_TRUE(f.writeAll("C:\\x.txt", "fine")) << "other drives still take writes";
  EXPECT_TRUE(f.createFolder("D:\\data")) << "a folder that exists is no write";
  EXPECT_TRUE(f.deleteFile("D:\\data\\a.txt", false));
  ASSERT_TRUE(m.machine().setDriveFull('D', false));
  EXPECT_TRUE(f.writeAll("D:\\data\\a.txt", "again"));
}

}  // namespace
}  // namespace vrel
