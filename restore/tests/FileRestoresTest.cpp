// Where restored stream files are pointed, the system ID as a registry
// number, and the file restores of a run whose backup lacks its stream
// files and whose new machine holds a read-only greeting.
#include "platform/Text.h"
#include "restore/preserve/SQLInfoSupport.h"
#include "restore/run/StreamPathRemap.h"
#include "restore/tests/support/RegistryDrill.h"
#include "restore/tests/support/RestoreFixture.h"
#include "standin/server/Populate.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

constexpr const char* kNew = "D:\\Program Files\\Orvix\\";
constexpr const char* kOld = "E:\\Orvix\\";
constexpr const char* kBackup = "F:\\Backup\\";

struct RemapCase {
  const char* name;
  const char* oldPath;
  const char* expected;
};

const RemapCase kRemapCases[] = {
    {"AlreadyUnderTheNewRootStays", "d:\\program files\\orvix\\Stream Files\\A.wav",
     "d:\\program files\\orvix\\Stream Files\\A.wav"},
    {"RecordedNameMovesWithTheRoot", "E:\\Orvix\\Stream Files\\A_name.wav", "D:\\Program Files\\Orvix\\Stream Files\\A_name.wav"},
    {"RootMatchedInAnyCase", "e:\\ORVIX\\Stream Files\\B.wav", "D:\\Program Files\\Orvix\\Stream Files\\B.wav"},
    {"GreetingOfTheBackupTakesTheLanguageRule", "E:\\Orvix\\Localize\\DefaultConfiguration\\ENU\\Hello.wav",
     "D:\\Program Files\\Orvix\\Localize\\DefaultConfiguration\\ENU\\Hello.wav"},
    {"GreetingOnAnotherDriveTakesTheLanguageRule", "C:\\Old\\Localize\\DefaultConfiguration\\ENU\\Hello.wav",
     "D:\\Program Files\\Orvix\\Localize\\DefaultConfiguration\\ENU\\Hello.wav"},
    {"GreetingAlreadyOnTheNewMachine", "H:\\x\\DEU\\Local.wav",
     "D:\\Program Files\\Orvix\\Localize\\DefaultConfiguration\\DEU\\Local.wav"},
    {"UnknownFileOutsideTheOldRootKeepsTheRule", "C:\\Elsewhere\\Lost.wav",
     "D:\\Program Files\\Orvix\\Localize\\DefaultConfiguration\\ere\\Lost.wav"},
};

// The old root a folder below the new one: its files move up.
TEST(StreamPathRemap, OldRootBelowTheNewOneMovesUp) {
  ScratchMachine m;
  const restore::StreamPathRemap remap(m.files(), "C:\\Orvix\\", "C:\\Orvix\\Old\\", kBackup);
  EXPECT_EQ(remap.remap("C:\\Orvix\\Old\\Stream Files\\A.wav"), "C:\\Orvix\\Stream Files\\A.wav");
  EXPECT_EQ(remap.remap("C:\\Orvix\\Stream Files\\B.wav"), "C:\\Orvix\\Stream Files\\B.wav");
}

class StreamPathRemapTest : public ::testing::TestWithParam<RemapCase> {};

TEST_P(StreamPathRemapTest, PointsAtTheFileTheNewMachineHolds) {
  ScratchMachine m;
  Files& files = m.files();
  ASSERT_TRUE(files.createFolder(std::string(kBackup) + "DefaultConfig\\ENU"));
  ASSERT_TRUE(files.writeAll(std::string(kBackup) + "DefaultConfig\\ENU\\Hello.wav", "hello"));
  ASSERT_TRUE(files.createFolder(std::string(kNew) + "Localize\\DefaultConfiguration\\DEU"));
  ASSERT_TRUE(files.writeAll(std::string(kNew) + "Localize\\DefaultConfiguration\\DEU\\Local.wav", "hallo"));
  const restore::StreamPathRemap remap(files, kNew, kOld, kBackup);
  EXPECT_EQ(remap.remap(GetParam().oldPath), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, StreamPathRemapTest, ::testing::ValuesIn(kRemapCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SystemIdNumber, HexadecimalDigitsReadAsANumber) {
  EXPECT_EQ(restore::systemIdNumber("1A2B", "t"), 6699);
  EXPECT_EQ(restore::systemIdNumber("ffffffff", "t"), -1);
  for (const char* bad : {"", "12G4", "123456789", " 1A"})
    EXPECT_THROW(restore::systemIdNumber(bad, "t"), data::AdoError) << bad;
}

// A backup without "Stream Files", and a read-only greeting on the new
// machine: each costs an error line and only itself; the run goes on.
TEST(FileRestoresBadInput, MissingStreamFilesAndAReadOnlyTargetLoseNothing) {
  standin::ProvisionOptions o;
  o.computerName = "OLDBOX";
  o.installRoot = kOld;
  OldServerBackup old(o, [](Machine& m) {
    standin::PopulateOptions po;
    po.subscribers = 5;
    standin::PopulateResult pr;
    std::string error;
    ASSERT_TRUE(standin::populateServer(m, po, pr, error)) << error;
  });
  RestoreMachine fresh;
  fresh.scratch().activate();
  standin::ProvisionOptions n;
  n.computerName = "NEWBOX";
  n.installRoot = kNew;
  fresh.provision(n);
  Files& files = fresh.files();
  ASSERT_TRUE(files.deleteFolder(old.folder() + "Stream Files"));
  const std::string greeting = std::string(kNew) + "Localize\\DefaultConfiguration\\Goodbye.wav";
  const std::string backedUp = old.folder() + "DefaultConfig\\Goodbye.wav";
  ASSERT_TRUE(files.writeAll(greeting, "the new machine's own goodbye"));
  ASSERT_TRUE(files.setReadOnly(greeting, true));
  std::string backupGreeting;
  ASSERT_TRUE(files.readAll(backedUp, backupGreeting));

  restore::frmMain& form = fresh.start();
  ASSERT_EQ(fresh.event([&] { form.Form_Load(); }), std::nullopt);
  fresh.ui.folders.push_back(old.folder());
  ASSERT_EQ(fresh.event([&] { form.cmdBrowse_Click(); }), std::nullopt);
  ASSERT_EQ(fresh.event([&] { form.cmdRestore_Click(); }), std::nullopt);

  const std::vector<std::string> lines = runLogLines(files, old.folder() + "DisasterRecoveryRestore.log");
  long streamError = 0, greetingError = 0;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i] == "    Restoring stream files")
      streamError += lines[i + 1].rfind("(error) in cmbRestore routine:Path not found", 0) == 0;
    if (lines[i] == "    Restoring system greeting files")
      greetingError += lines[i + 1].rfind("(error) in cmbRestore routine:", 0) == 0 &&
                       ifind(lines[i + 1], "Goodbye.wav") != std::string::npos;
  }
  EXPECT_EQ(streamError, 1);
  EXPECT_EQ(greetingError, 1);
  EXPECT_TRUE(hasLine(lines, "    Finished resetting all the CurrentLogFile values"));

  // The read-only file is untouched, every other greeting was copied, and
  // the backup folder still holds what it held.
  std::string kept;
  ASSERT_TRUE(files.readAll(greeting, kept));
  EXPECT_EQ(kept, "the new machine's own goodbye");
  EXPECT_TRUE(files.fileExists(std::string(kNew) + "Localize\\DefaultConfiguration\\OpeningGreeting.wav"));
  std::string stillBackedUp;
  ASSERT_TRUE(files.readAll(backedUp, stillBackedUp));
  EXPECT_EQ(stillBackedUp, backupGreeting);
}

}  // namespace
}  // namespace vrel::test
