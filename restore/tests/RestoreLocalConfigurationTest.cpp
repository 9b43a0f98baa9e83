// RestoreLocalConfigurationData on a provisioned Domino 5.0 server, which has
// all fifteen branches: the branch files are exported, then every branch is
// changed the way a backup's import would change it, and the procedure puts
// the new machine's branches back.
#include "restore/tests/support/RegistryDrill.h"
#include "restore/tests/support/RestoreFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>

namespace vrel::test {
namespace {

constexpr const char* kVrel = "C:\\Vrel";

class RestoreLocalConfigurationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ProvisionOptions o;
    o.computerName = "NEWSRV";
    o.mailStore = standin::MailStoreKind::Domino;
    o.version = {5, 0, 0, 1};
    m_new.provision(o);
    m_form = &m_new.start();
    exportLocalBranches(m_new.machine(), m_new.files(), kVrel, false);
    for (const LocalBranchFile& f : kLocalBranchFiles) {
      ASSERT_TRUE(m_new.files().fileExists(path(f))) << f.file << ": the server has every branch";
      m_before[f.file] = branchLines(reg(), f.branch);
      // What the backup's import leaves: its own keys and values merged in.
      putValue(reg(), std::string(f.branch) + "\\FromBackup", RegValue::text("Old", "1"));
      putValue(reg(), f.branch, RegValue::text("FromBackup", "old"));
      m_restored[f.file] = branchLines(reg(), f.branch);
    }
    ASSERT_TRUE(m_new.files().createFolder("D:\\Backup"));
    ASSERT_TRUE(m_new.program().log.OpenLogFile(kLog, false));
  }

  void restoreBranches() {
    m_form->RestoreLocalConfigurationData();
    m_lines = runLogLines(m_new.files(), kLog);
  }

  static std::string path(const LocalBranchFile& f) { return std::string(kVrel) + "\\" + f.file; }
  static std::string executing(const LocalBranchFile& f) { return "    Executing: regedit /s \"" + path(f) + "\""; }
  Registry& reg() { return m_new.machine().registry(); }

  static constexpr const char* kLog = "D:\\Backup\\DisasterRecoveryRestore.log";
  RestoreMachine m_new;
  restore::frmMain* m_form = nullptr;
  std::map<std::string, std::vector<std::string>> m_before;    // the new machine's branches
  std::map<std::string, std::vector<std::string>> m_restored;  // after the backup's import
  std::vector<std::string> m_lines;
};

// Rows 5 and 6 are imported over the restored branch without deleting it.
bool importedOver(const LocalBranchFile& f) {
  const std::string name = f.file;
  return name == "TempTmLogMgrRegBranchFile.reg" || name == "TempQXCARegBranchFile.reg";
}

TEST_F(RestoreLocalConfigurationTest, EveryBranchIsTheNewMachinesAgain) {
  restoreBranches();
  std::vector<std::string> expected;
  for (const LocalBranchFile& f : kLocalBranchFiles) {
    SCOPED_TRACE(f.file);
    expected.push_back(executing(f));
    const std::vector<std::string> after = branchLines(reg(), f.branch);
    if (!importedOver(f)) {
      EXPECT_EQ(after, m_before[f.file]) << "deleted, then imported";
      continue;
    }
    // Values only the backup's copy carries survive the import.
    EXPECT_NE(after, m_before[f.file]);
    std::vector<std::string> merged = m_restored[f.file];
    std::sort(merged.begin(), merged.end());
    std::vector<std::string> sorted = after;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, merged);
  }
  EXPECT_EQ(m_lines, expected);
}

TEST_F(RestoreLocalConfigurationTest, AbsentOptionalFilesLeaveTheRestoredBranches) {
  for (const LocalBranchFile& f : kLocalBranchFiles) {
    if (f.onlyWhenKeyExists) {
      ASSERT_TRUE(m_new.files().deleteFile(path(f), true));
    }
  }
  restoreBranches();
  const std::vector<std::string> expected = {
      executing(kLocalBranchFiles[0]),
      executing(kLocalBranchFiles[1]),
      executing(kLocalBranchFiles[2]),
      executing(kLocalBranchFiles[3]),
      executing(kLocalBranchFiles[4]),
      "    QXCA registry branch not in the local set, skipping",
      "    MIU Integrations registry branch not in the local set, skipping",
      "    tmDOM registry branch not in the local set, skipping",
      "    message store monitor registry branch not in the local set, skipping",
      "    permissions wizard registry branch not in the local set, skipping",
      "    ruler registry branch not in the local set, skipping",
      "    tmSkinny registry branch not in the local set, skipping",
      "    arbiter port configuration registry branch not in the local set, skipping",
      "    Tools Depot registry branch not in the local set, skipping",
      "    Confidential Messaging registry branch not in the local set, skipping",
  };
  EXPECT_EQ(m_lines, expected);
  for (const LocalBranchFile& f : kLocalBranchFiles) {
    if (f.onlyWhenKeyExists) {
      EXPECT_EQ(branchLines(reg(), f.branch), m_restored[f.file]) << f.file;
    }
  }
}

struct UnusableCase {
  const char* name;
  std::size_t row;      // in kLocalBranchFiles
  const char* content;  // null: the file is missing
  const char* reason;
};
void PrintTo(const UnusableCase& c, std::ostream* os) {
  *os << c.name;
}

class UnusableBranchFile : public RestoreLocalConfigurationTest, public ::testing::WithParamInterface<UnusableCase> {};

TEST_P(UnusableBranchFile, KeepsTheRestoredBranchAndCountsAnError) {
  const UnusableCase& c = GetParam();
  const LocalBranchFile& f = kLocalBranchFiles[c.row];
  if (c.content) {
    ASSERT_TRUE(m_new.files().writeAll(path(f), c.content));
  } else {
    ASSERT_TRUE(m_new.files().deleteFile(path(f), true));
  }
  restoreBranches();
  EXPECT_EQ(branchLines(reg(), f.branch), m_restored[f.file]) << "the branch is not deleted";
  EXPECT_TRUE(hasLine(m_lines, "(error) could not import " + path(f) + ": " + c.reason +
                                   " - the registry branch restored from the backup is kept"))
      << ::testing::PrintToString(m_lines);
  EXPECT_FALSE(hasLine(m_lines, executing(f)));
  EXPECT_EQ(m_new.program().log.errorCount(), 1);
  EXPECT_EQ(branchLines(reg(), kLocalBranchFiles[c.row + 1].branch), m_before[kLocalBranchFiles[c.row + 1].file])
      << "the next branch is put back";
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnusableBranchFile,
    ::testing::Values(
        UnusableCase{"MissingZureVezuza", 2, nullptr, "the file does not exist"},
        UnusableCase{"HeaderOnlyNotifier", 1, "Windows Registry Editor Version 5.00\r\n\r\n",
                     "the file holds no registry keys"},
        UnusableCase{"GarbageRuler", 10, "garbage\r\n",
                     "not a registry file: its first line \"garbage\" is not \"Windows Registry Editor Version 5.00\" "
                     "or \"REGEDIT4\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RestoreLocalConfigurationTest, AnImportThatCannotStartIsLoggedAndTheNextRowRuns) {
  ASSERT_TRUE(m_new.files().deleteFile("C:\\Windows\\System32\\regedit.exe", true));
  restoreBranches();
  const std::string trapped = "(error):53 (File not found) in procedure RestoreLocalConfigurationData of Form frmMain";
  std::vector<std::string> expected;
  for (const LocalBranchFile& f : kLocalBranchFiles) {
    expected.push_back(executing(f));
    expected.push_back(trapped);
  }
  EXPECT_EQ(m_lines, expected);
  EXPECT_TRUE(m_new.ui.boxes.empty()) << "this procedure's trap only logs";
}

}  // namespace
}  // namespace vrel::test
