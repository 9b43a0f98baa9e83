#include "platform/FolderIndex.h"
#include "platform/Files.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vrel {
namespace {

namespace fs = std::filesystem;

void touch(const std::string& path) { std::ofstream(path) << "x"; }

struct Folder {
  test::TempDir tmp;
  std::string dir = tmp.path() + "/f";
  explicit Folder(std::initializer_list<const char*> names) {
    fs::create_directory(dir);
    for (const char* n : names) touch(dir + "/" + n);
  }
  std::string at(const std::string& name) const { return dir + "/" + name; }
};

TEST(FolderIndexTest, NamesMatchWithoutCaseAndTheExactSpellingWins) {
  Folder f{"Report.TXT", "Stra\xC3\xA4" "e.log", "dup", "DUP"};
  fs::create_directory(f.at("Data"));
  struct Row {
    const char* what;
    const char* query;
    const char* expected;
  } rows[] = {
      {"exact spelling", "Report.TXT", "Report.TXT"},
      {"other case", "report.txt", "Report.TXT"},
      {"folder", "DATA", "Data"},
      {"beyond ASCII, folded as iequals folds", "STRA\xC3\x84" "E.LOG", "Stra\xC3\xA4" "e.log"},
      {"exact wins among spellings (lower)", "dup", "dup"},
      {"exact wins among spellings (upper)", "DUP", "DUP"},
      {"missing", "nothing.txt", ""},
      {"a prefix is no match", "Report", ""},
  };
  FolderIndex index;
  for (const Row& r : rows) EXPECT_EQ(index.find(f.dir, r.query), r.expected) << r.what;
}

TEST(FolderIndexTest, ChangesMadeAfterTheFolderWasReadAreSeen) {
  // Every change is made right after the folder was read, mostly within the
  // same timestamp tick, without going through Files.
  auto create = [](const std::string& path) { ::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0644)); };
  struct Row {
    const char* what;
    std::vector<const char*> before;
    std::function<void(const Folder&)> change;
    const char* query;
    const char* expected;
  } rows[] = {
      {"created with a raw open", {}, [&](const Folder& f) { create(f.at("NewFile.dat")); }, "newfile.DAT",
       "NewFile.dat"},
      {"created by another process",
       {},
       [&](const Folder& f) {
         const pid_t pid = fork();
         if (pid == 0) {
           FolderIndex::shared().find(f.dir, "child");  // the child reads the folder too
           create(f.at("FromChild.txt"));
           _exit(0);
         }
         waitpid(pid, nullptr, 0);
       },
       "fromchild.TXT", "FromChild.txt"},
      {"folder made", {}, [](const Folder& f) { ::mkdir(f.at("Sub").c_str(), 0755); }, "SUB", "Sub"},
      {"deleted", {"Gone.txt"}, [](const Folder& f) { ::unlink(f.at("Gone.txt").c_str()); }, "gone.txt", ""},
      {"renamed to another case", {"Mixed.txt"},
       [](const Folder& f) { fs::rename(f.at("Mixed.txt"), f.at("MIXED.TXT")); }, "mixed.txt", "MIXED.TXT"},
      {"moved in", {},
       [&](const Folder& f) {
         create(f.tmp.path() + "/In.txt");
         fs::rename(f.tmp.path() + "/In.txt", f.at("In.txt"));
       },
       "IN.TXT", "In.txt"},
      {"moved out", {"Out.txt"}, [](const Folder& f) { fs::rename(f.at("Out.txt"), f.tmp.path() + "/Out.txt"); },
       "out.txt", ""},
      {"one of two spellings deleted", {"twin", "TWIN"}, [](const Folder& f) { fs::remove(f.at("twin")); }, "twin",
       "TWIN"},
  };
  for (const Row& r : rows) {
    Folder f(std::initializer_list<const char*>{});
    for (const char* n : r.before) touch(f.at(n));
    FolderIndex& index = FolderIndex::shared();
    index.find(f.dir, "anything");  // indexed
    r.change(f);
    EXPECT_EQ(index.find(f.dir, r.query), r.expected) << r.what;
  }
}

TEST(FolderIndexTest, AFolderDeletedAndMadeAgainIsANewFolderAndARenamedOneKeepsItsNames) {
  Folder f{"Old.txt"};
  FolderIndex index;
  ASSERT_EQ(index.find(f.dir, "old.txt"), "Old.txt");
  fs::remove_all(f.dir);
  fs::create_directory(f.dir);
  touch(f.at("New.txt"));
  EXPECT_EQ(index.find(f.dir, "OLD.TXT"), "");
  EXPECT_EQ(index.find(f.dir, "new.txt"), "New.txt");
  const std::string moved = f.tmp.path() + "/moved";
  fs::rename(f.dir, moved);
  touch(moved + "/Later.txt");
  EXPECT_EQ(index.find(moved, "LATER.txt"), "Later.txt");
  EXPECT_EQ(index.find(moved, "NEW.TXT"), "New.txt");
}

TEST(FolderIndexTest, LimitsBoundTheFoldersAndNamesHeldButNotTheAnswers) {
  test::TempDir tmp;
  std::vector<std::string> dirs;
  for (int d = 0; d < 4; ++d) {
    dirs.push_back(tmp.path() + "/d" + std::to_string(d));
    fs::create_directory(dirs.back());
    for (int n = 0; n <= d * 3; ++n) touch(dirs.back() + "/Name" + std::to_string(n));  // d3 alone holds too many
  }
  FolderIndex index(FolderIndex::Limits{2, 8});
  auto lookUpAll = [&](const char* when, const char* prefix) {
    for (int d = 0; d < 4; ++d) {
      const std::string n = std::to_string(d * 3);
      EXPECT_EQ(index.find(dirs[d], "name" + n), prefix + n) << when << ", d" << d;
      EXPECT_LE(index.stats().folders, 2u);
      EXPECT_LE(index.stats().names, 8u);
    }
  };
  lookUpAll("first", "Name");
  // Renamed while their folders are evicted or indexed.
  for (int d = 0; d < 4; ++d) {
    const std::string n = std::to_string(d * 3);
    fs::rename(dirs[d] + "/Name" + n, dirs[d] + "/NAME" + n);
  }
  lookUpAll("after renames", "NAME");
}

TEST(FolderIndexTest, ChangesBeyondTheEventQueueMakeTheFolderBeReadAgain) {
  long queue = 0;
  std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queue;
  if (queue <= 0 || queue > 100'000) GTEST_SKIP() << "event queue of " << queue;
  Folder f{};
  FolderIndex index;
  ASSERT_EQ(index.find(f.dir, "x"), "");
  for (long i = 0; i <= queue; ++i) ::close(::open(f.at("F" + std::to_string(i)).c_str(), O_CREAT | O_WRONLY, 0644));
  EXPECT_EQ(index.find(f.dir, "f0"), "F0");
  EXPECT_EQ(index.find(f.dir, "f" + std::to_string(queue)), "F" + std::to_string(queue));
}

TEST(FolderIndexTest, ARunOfCreationsThroughFilesReadsTheFolderOnce) {
  test::ScratchMachine m;
  Files& files = m.files();
  ASSERT_TRUE(files.createFolder("C:\\Run"));
  ASSERT_TRUE(files.writeAll("C:\\Run\\seed.txt", "seed"));
  const std::uint64_t scans = FolderIndex::shared().stats().scans;
  constexpr int kFiles = 300;
  for (int i = 0; i < kFiles; ++i) {
    const std::string n = "C:\\Run\\File" + std::to_string(i);
    ASSERT_TRUE(files.writeAll(n + ".txt", "w" + std::to_string(i)));
    ASSERT_TRUE(files.append(n + ".log", "a"));
    ASSERT_TRUE(files.copyFile(n + ".txt", n + ".bak", false));
    ASSERT_TRUE(files.createFolder(n + "_dir"));
  }
  EXPECT_EQ(FolderIndex::shared().stats().scans, scans) << "creations update the index; no folder is read again";
  std::string text;
  for (int i = 0; i < kFiles; ++i) {
    const std::string n = "c:\\RUN\\FILE" + std::to_string(i);
    ASSERT_TRUE(files.readAll(n + ".BAK", text));
    EXPECT_EQ(text, "w" + std::to_string(i));
    if (i % 2) {
      ASSERT_TRUE(files.deleteFile(n + ".TXT", false));
    }
  }
  for (int i = 0; i < kFiles; ++i)
    EXPECT_EQ(files.fileExists("C:\\run\\file" + std::to_string(i) + ".txt"), i % 2 == 0) << i;
  EXPECT_EQ(files.paths().toHost("C:\\run\\New Name.txt"), m.root() + "/drive_c/Run/New Name.txt")
      << "a missing name keeps its spelling";
  EXPECT_EQ(FolderIndex::shared().stats().scans, scans) << "nor by looking names up in another case";
}

TEST(FolderIndexTest, ThreadsCreateAndFindInOneFolder) {
  test::ScratchMachine m;
  Files& files = m.files();
  ASSERT_TRUE(files.createFolder("C:\\Shared"));
  constexpr int kThreads = 4, kEach = 100;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        const std::string name = "T" + std::to_string(t) + "_" + std::to_string(i);
        std::string back;
        if (!files.writeAll("C:\\Shared\\" + name, name) || !files.readAll("c:\\shared\\" + foldCase(name), back) ||
            back != name)
          ++failures;
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  std::vector<DirEntry> entries;
  ASSERT_TRUE(files.list("C:\\Shared", entries));
  EXPECT_EQ(entries.size(), static_cast<std::size_t>(kThreads * kEach));
}

}  // namespace
}  // namespace vrel
