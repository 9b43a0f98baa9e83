// The backup version check and the clean-install check, against provisioned
// servers and hand-written version files.
#include "restore/preserve/PreRestoreChecks.h"
#include "restore/tests/StartupFixture.h"

namespace vrel::test {
namespace {

using namespace startup;

using restore::PreRestoreChecksOK;
using restore::ProgramEnd;
using Strings = std::vector<std::string>;

constexpr const char* kFolder = "D:\\Backup\\";
constexpr const char* kMismatch = "The version you're trying to restore does not match the currently installed version!";
constexpr const char* kMustMatch = "Versions must match exactly for restore to work properly.";
constexpr const char* kSkip =
    "You have run Vrel with the SkipVersionCheck option - this is not supported by ZAC or the BU and is not intended "
    "for field use.";
constexpr const char* kDirty =
    "Allowing dirty restore via command line over ride - this is not supported without ZAC supervision.  This may "
    "result in a non functioning system, if you are not sure what you are doing, do not proceed.";
constexpr const char* kNotClean =
    "The local installation is not clean, some users or other objects have been added.  The restore can only be run "
    "on a clean, new install of Orvix.  Exiting...";

std::string versionFile(const std::string& major, const std::string& minor, const std::string& build,
                        const std::string& rev) {
  return "[VersionInfo]\r\nMajor=" + major + "\r\nMinor=" + minor + "\r\nBuild=" + build + "\r\nRev=" + rev + "\r\n";
}

std::string mismatchText(const std::string& local, const std::string& backup) {
  return std::string(kMismatch) + "\r\nVersion installed locally=" + local + "\r\nVersion backp in selected directory=" +
         backup;
}

class PreRestoreChecksTest : public StartupFixture {
 protected:
  // A started program on a provisioned server; the folder holds the version
  // file when one is given.
  void ready(const std::string& version, const std::string& commandLine, const std::string& file) {
    provision(version);
    ASSERT_EQ(load(commandLine), std::nullopt);
    box.ui.boxes.clear();  // start-up's own warnings
    ASSERT_TRUE(box.files().createFolder(kFolder));
    if (!file.empty()) {
      ASSERT_TRUE(box.files().writeAll(std::string(kFolder) + "BackedUpVersionInfo.txt", file));
    }
  }
  // The check's answer, or the program end it met.
  std::variant<bool, ProgramEnd> check() {
    bool ok = false;
    if (auto end = box.event([&] { ok = PreRestoreChecksOK(box.form(), kFolder); })) return *end;
    return ok;
  }
};

TEST_F(PreRestoreChecksTest, TheDocumentedVersionFileMatchesItsRegistryNumbers) {
  // "Version Number" 0x00040000 and "Build Number" 0x0003000F are 4.0(3.15).
  ready("4.0(3.15)", "", versionFile("4", "0", "15", "3"));
  EXPECT_EQ(check(), (std::variant<bool, ProgramEnd>(true)));
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(PreRestoreChecksTest, NoVersionFilePassesSilently) {
  ready("4.0(3.15)", "", "");
  EXPECT_EQ(check(), (std::variant<bool, ProgramEnd>(true)));
  EXPECT_TRUE(boxTexts().empty());
}

struct FileRow {
  const char* name;
  std::string file;
  Strings boxes;
};

class BackupVersionFileTest : public PreRestoreChecksTest, public ::testing::WithParamInterface<FileRow> {};

TEST_P(BackupVersionFileTest, AMismatchShowsBothVersionsAndRefuses) {
  ready("4.0(3.15)", "", GetParam().file);
  EXPECT_EQ(check(), (std::variant<bool, ProgramEnd>(false)));
  EXPECT_EQ(boxTexts(), GetParam().boxes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BackupVersionFileTest,
    ::testing::Values(
        FileRow{"BuildAndRevSwapped", versionFile("4", "0", "3", "15"),
                {mismatchText("4.0(3.15)", " 4.0(15.3)"), kMustMatch}},
        FileRow{"Garbage", "\x01\x02 this is no version file", {mismatchText("4.0(3.15)", " 0.0(0.0)"), kMustMatch}},
        FileRow{"NumbersWithText", versionFile("4abc", "0", "15 ", "2"),
                {mismatchText("4.0(3.15)", " 4.0(2.15)"), kMustMatch}},
        FileRow{"NegativeMajor", versionFile("-4", "0", "15", "3"),
                {mismatchText("4.0(3.15)", "-4.0(3.15)"), kMustMatch}},
        FileRow{"OverflowIsReportedAndReadAsZero", versionFile("70000", "0", "15", "3"),
                {"Error in PreRestoreChecksOK procedure: Overflow Number=  6", mismatchText("4.0(3.15)", " 0.0(3.15)"),
                 kMustMatch}}),
    [](const auto& info) { return std::string(info.param.name); });

// The two switches, with a backup of another version and a server that is
// not clean.
struct SwitchRow {
  const char* name;
  const char* commandLine;
  bool versionMatches;
  int addedSubscribers;
  std::variant<bool, ProgramEnd> result;
  Strings boxes;
};

class VersionSwitchComboTest : public PreRestoreChecksTest, public ::testing::WithParamInterface<SwitchRow> {};

TEST_P(VersionSwitchComboTest, OverridesOnlyWhatTheyName) {
  const SwitchRow& row = GetParam();
  ready("4.0(3.15)", row.commandLine,
        row.versionMatches ? versionFile("4", "0", "15", "3") : versionFile("4", "0", "16", "3"));
  addSubscribers(row.addedSubscribers);
  EXPECT_EQ(check(), row.result);
  EXPECT_EQ(boxTexts(), row.boxes);
}

const std::string kMismatchBox = mismatchText("4.0(3.15)", " 4.0(3.16)");

INSTANTIATE_TEST_SUITE_P(
    Combos, VersionSwitchComboTest,
    ::testing::Values(
        SwitchRow{"NoneMismatch", "", false, 0, false, {kMismatchBox, kMustMatch}},
        SwitchRow{"DirtyStillComparesVersions", "DirtyRestore", false, 3, false, {kMismatchBox, kMustMatch}},
        SwitchRow{"DirtySkipsTheCleanCheck", "dirtyrestore", true, 3, true, {kDirty}},
        SwitchRow{"SkipStillChecksClean", "SkipVersionCheck", false, 3, ProgramEnd::Refused, {kSkip, kNotClean}},
        SwitchRow{"SkipOnCleanServer", "/SKIPVERSIONCHECK", false, 0, true, {kSkip}},
        SwitchRow{"Both", "SkipVersionCheck DirtyRestore", false, 3, true, {kSkip, kDirty}},
        SwitchRow{"NoneNotClean", "", true, 3, ProgramEnd::Refused, {kNotClean}}),
    [](const auto& info) { return std::string(info.param.name); });

// A fresh server holds 4 subscribers; 6 is the most a clean one may hold.
struct CleanRow {
  const char* name;
  const char* version;
  int added;
  const char* view;  // replaces vw_Subscriber, or null
  std::variant<bool, ProgramEnd> result;
};

class CleanInstallCountTest : public PreRestoreChecksTest, public ::testing::WithParamInterface<CleanRow> {};

TEST_P(CleanInstallCountTest, CountsTheSubscribers) {
  const CleanRow& row = GetParam();
  ready(row.version, "", "");
  addSubscribers(row.added);
  if (row.view) sql(row.view);
  EXPECT_EQ(check(), row.result);
  EXPECT_EQ(boxTexts(), std::holds_alternative<ProgramEnd>(row.result) ? Strings{kNotClean} : Strings{});
}

constexpr const char* kFourRowView =
    "DROP VIEW vw_Subscriber; CREATE VIEW vw_Subscriber AS SELECT * FROM Subscriber WHERE Alias NOT LIKE 'added%'";

INSTANTIATE_TEST_SUITE_P(
    Counts, CleanInstallCountTest,
    ::testing::Values(CleanRow{"Six", "4.0(3.15)", 2, nullptr, true},
                      CleanRow{"Seven", "4.0(3.15)", 3, nullptr, ProgramEnd::Refused},
                      CleanRow{"TableBelow4_0_2_22", "4.0(2.21)", 3, kFourRowView, ProgramEnd::Refused},
                      CleanRow{"ViewFrom4_0_2_22", "4.0(2.22)", 3, kFourRowView, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PreRestoreChecksTest, ACleanCheckThatCannotBeMadeRefusesTheFolder) {
  ready("4.0(3.15)", "", "");
  sql("DROP VIEW vw_Subscriber");
  EXPECT_EQ(check(), (std::variant<bool, ProgramEnd>(false)));
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_EQ(boxTexts()[0].rfind("Error in PreRestoreChecksOK procedure: ", 0), 0u) << boxTexts()[0];
  EXPECT_NE(boxTexts()[0].find(" Number= -2147217865"), std::string::npos) << boxTexts()[0];
}

TEST_F(PreRestoreChecksTest, AVoiceConnectorOnlyMachineIsAlwaysRefusedSilently) {
  for (const char* commandLine : {"", "SkipVersionCheck DirtyRestore"}) {
    RestoreMachine ivc;
    ASSERT_EQ(ivc.machine().registry().createKey(Hive::LocalMachine, "Software\\Tremarc\\TmIvc"), kRegOk);
    ASSERT_EQ(ivc.machine().registry().setValue(Hive::LocalMachine, "Software\\Tremarc\\TmIvc",
                                                RegValue::text("SmtpPickupPath", "C:\\Pickup")),
              kRegOk);
    restore::frmMain& form = ivc.start(commandLine);
    form.program().module1.localVersionInfo = form.program().module1.GetLocalVersionInfo();
    ASSERT_TRUE(form.program().module1.localVersionInfo.bIVCInstall);
    EXPECT_FALSE(PreRestoreChecksOK(form, kFolder)) << commandLine;
    EXPECT_TRUE(ivc.ui.boxes.empty()) << commandLine;
  }
}

struct ValRow {
  const char* text;
  std::optional<std::int16_t> value;
};

TEST(VersionFieldValueTest, ReadsTheLeadingNumberAsVbDoes) {
  const ValRow rows[] = {
      {"4", 4},         {" 4 ", 4},        {"1 2", 12},     {"3x", 3},         {"abc", 0},
      {"", 0},          {"-3", -3},        {"4.5", 4},      {"5.5", 6},        {"1e3", 1000},
      {"2E", 2},        {"&H10", 16},      {"&hFFFF", -1},  {"&O17", 15},      {"32767", 32767},
      {"-32768", -32768}, {"32768", std::nullopt}, {"1e10", std::nullopt},
  };
  for (const ValRow& row : rows) EXPECT_EQ(restore::versionFieldValue(row.text), row.value) << '"' << row.text << '"';
}

}  // namespace
}  // namespace vrel::test
