// The run's last phase on a provisioned server, one outside failure at a
// time: a synchronisation that never works, fails otherwise or is only
// "unspecified"; a syncher that dies or is missing; an access tool that
// hangs; and the message restore's settings by language, or untouched
// when the option is off.
#include "platform/IniFile.h"
#include "restore/preserve/SQLInfo.h"
#include "restore/tests/ProvisionedRun.h"
#include "standin/server/Backup.h"
#include "standin/server/ServerRegistry.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

using Strings = std::vector<std::string>;

constexpr const char* kGaveUp = "(error) three attempts to sync data between SQL and directory failed, exiting";
constexpr const char* kRetry = "(warning) Syncer did not complete.  Waiting 30 seconds and trying again";
constexpr const char* kGrantStart = "    SA login rights update starting";
constexpr const char* kMalRemoved = "MalEX keys removed for 4.0(x) and later versions if present";
constexpr const char* kExMergeSettings = "C:\\exchsrvr\\bin\\exmerge.ini";

class ResyncPhase : public ProvisionedRun {
 protected:
  restore::frmMain& prepare(standin::ServerVersion version) {
    restore::frmMain& form = begin(server(standin::MailStoreKind::Exchange2000, version));
    restore::Program& p = rm.program();
    p.paths.installRoot = textValue(rm.machine().registry(), standin::kRootPathKey, "Root Path");
    restore::SQLInfo(p.machine, p.log, p.module1, p.connectionString).GetSQLInfo(form.run.sql);
    form.run.newServerName = rm.machine().computerName();
    return form;
  }
  long count(const std::string& line) {
    const Strings all = entries();
    return static_cast<long>(std::count(all.begin(), all.end(), line));
  }
  bool startsALine(const std::string& prefix) {
    for (const std::string& line : entries())
      if (line.rfind(prefix, 0) == 0) return true;
    return false;
  }
};

struct SyncCase {
  const char* failure;
  bool gaveUp;
  long retries;
  const char* errorLine;  // null: none
};

class InProcessSync : public ResyncPhase, public ::testing::WithParamInterface<SyncCase> {};

TEST_P(InProcessSync, ByItsErrors) {
  const SyncCase& c = GetParam();
  restore::frmMain& form = prepare({4, 0, 0, 10});
  rm.machine().setValue("DbSyncFail", c.failure);
    form.ResynchroniseAndRestart();
    EXPECT_EQ(count(kRetry), c.retries);
    EXPECT_EQ(count(kGaveUp), c.gaveUp ? 1 : 0);
    EXPECT_EQ(count("    Check the syncer logs in zurevezuza\\logs to get more information about what failed."),
              c.gaveUp ? 1 : 0);
    // Giving up skips steps 5 to 13, never the MAL values.
    EXPECT_EQ(count(kGrantStart), c.gaveUp ? 0 : 1);
    EXPECT_EQ(startsALine("    Sync finished at: "), !c.gaveUp);
    EXPECT_EQ(count(kMalRemoved), 1);
    if (c.errorLine) {
      EXPECT_EQ(count(c.errorLine), 1);
      EXPECT_TRUE(rm.ui.shown("-2147024891"));
    }
    // Only the case that gets through synchronises.
    EXPECT_EQ(rm.machine().value("DirectorySyncedSubscribers").empty(), std::string(c.failure) != "80004003,3");
}

// Four failures give the trace, then the run goes on at the MAL values;
// after three the fourth attempt works; "unspecified" is ignored.
INSTANTIATE_TEST_SUITE_P(
    Failures, InProcessSync,
    ::testing::Values(SyncCase{"80004003", true, 3, nullptr}, SyncCase{"80010108,4", true, 3, nullptr},
                      SyncCase{"80004003,3", false, 3, nullptr}, SyncCase{"80004005", false, 0, nullptr},
                      SyncCase{"80070005", false, 0,
                               "(error) Failed to syncronize SQL data with the directory.  Error number=-2147024891 "
                               "Description=Synchronisation failed"}));

struct ToolCase {
  const char* name;
  const char* switchName;
  const char* value;
  bool removeSyncher;
  const char* line;
};

class ToolFailure : public ResyncPhase, public ::testing::WithParamInterface<ToolCase> {};

TEST_P(ToolFailure, IsLoggedAndTheRunGoesOn) {
  const std::string errorsFile = std::string(kBackup) + "DirectorySyncErrors.log";
  const ToolCase& c = GetParam();
  restore::frmMain& form = prepare({5, 0, 1, 0});
  Machine& m = rm.machine();
    if (c.switchName) m.setValue(c.switchName, c.value);
    if (c.removeSyncher) {
      ASSERT_TRUE(rm.files().deleteFile("C:\\Vrel\\OrvixDirSync.exe", true));
    }
    const bool unregistered = std::string(c.name) == "unregistered";
    if (unregistered) m.registry().deleteTree(Hive::ClassesRoot, standin::kDbSyncProgId);
    form.ResynchroniseAndRestart();
    if (c.line) {
      EXPECT_EQ(count(c.line), 1);
    }
    // A syncher that cannot create the component says so in its error file.
    EXPECT_EQ(rm.files().fileExists(errorsFile), unregistered);
    if (unregistered) {
      std::string text;
      ASSERT_TRUE(rm.files().readAll(errorsFile, text));
      EXPECT_EQ(text.rfind("(error):429 (ActiveX component can't create object) in procedure Form_Load of Form frmMain"
                           "\r\n",
                           0),
                0u)
          << text;
    }
    EXPECT_EQ(count("    SA access update complete"), 1);
    EXPECT_EQ(count("    Starting Orvix"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, ToolFailure,
    ::testing::Values(
        ToolCase{"crash", "DbSyncCrash", "1", false,
                 "(error) OrvixDirSync.exe ended abnormally - the directory synchronisation did not complete"},
        ToolCase{"missing", nullptr, nullptr, true,
                 "(error) could not find OrvixDirSync.exe in the application install directory"},
        ToolCase{"unregistered", nullptr, nullptr, false, nullptr},
        ToolCase{"hang", "GrantOrvixAccessHangs", "30", false,
                 "(warning) GrantOrvixAccess call failed - SA access with the local login account may not work "
                 "properly."}),
    [](const ::testing::TestParamInfo<ToolCase>& info) { return std::string(info.param.name); });

struct SettingsCase {
  std::int32_t language;
  bool messages;
  const char* folderName;  // null: no settings file at all
};

class ExMergeSettings : public ResyncPhase, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(ExMergeSettings, FollowTheLanguageAndTheOption) {
  const SettingsCase& c = GetParam();
  restore::frmMain& form = prepare({5, 0, 1, 0});
  {
    restore::Program& p = rm.program();
    standin::BackupReport report;
    std::string error;
    ASSERT_TRUE(standin::backupSubscribers(rm.machine(), "C:\\Old", report, error)) << error;
    ASSERT_TRUE(rm.files().copyFile("C:\\Old\\SubscriberInfo.mdb", "C:\\Vrel\\SubscriberInfo.mdb", true));
    p.localize.currentLanguage = c.language;
    form.setValue("chkRestoreMessages", c.messages ? 1 : 0);
    form.ResynchroniseAndRestart();
    ASSERT_EQ(rm.files().fileExists(kExMergeSettings), c.folderName != nullptr);
    EXPECT_EQ(rm.files().fileExists("C:\\exchsrvr\\bin\\exmerge.exe"), c.messages);
    if (!c.folderName) return;
    std::string raw;
    ASSERT_TRUE(rm.files().readAll(kExMergeSettings, raw));
    const std::string text = IniFile::decode(raw);
    EXPECT_NE(text.find(c.folderName), std::string::npos);
    for (const char* key : {"MergeAction=1\r\n", "DataDirectoryName=D:\\Backup\\Messages\r\n",
                            "LogFileName=D:\\Backup\\ExMerge.log\r\n", "ListOfFolders=\r\n",
                            "FileContainingListOfMailboxes=C:\\Vrel\\Mailboxes.txt\r\n", "DestServerLDAP-Port=389\r\n"})
      EXPECT_NE(text.find(key), std::string::npos) << key;
    // ExMerge ran on the settings and left its summary.
    EXPECT_TRUE(startsALine("     ") && startsALine("    Finished exMerge process at:"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Languages, ExMergeSettings,
    ::testing::Values(SettingsCase{1033, false, nullptr}, SettingsCase{1033, true, "Inbox=Inbox"},
                      SettingsCase{1031, true, "Inbox=Posteingang"},
                      SettingsCase{1041, true, "Inbox=\xE5\x8F\x97\xE4\xBF\xA1\xE3\x83\x88\xE3\x83\xAC\xE3\x82\xA4"}));

}  // namespace
}  // namespace vrel::test
