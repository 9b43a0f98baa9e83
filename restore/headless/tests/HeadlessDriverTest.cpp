// The headless front-end driving the real core: start-up refusals, the backup
// folder and options set through the form, answers to the run's questions.
#include "restore/headless/HeadlessDriver.h"

#include "platform/tests/ChildProcesses.h"
#include "restore/app/ProgramStart.h"
#include "restore/headless/HeadlessUi.h"
#include "restore/headless/tests/HeadlessFixture.h"
#include "restore/run/frmMain.h"
#include "restore/tests/support/RestoreFixture.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vrel::test {
namespace {

using restore::ProgramEnd;

constexpr const char* kProgramFolder = "C:\\Vrel";
constexpr const char* kTooOld =
    "    This utility only works with Orvix 3.1(1) and later or on servers with the Voreriza Zedir Odorozodu from "
    "Orvix 5.0(1) and later.\n"
    "  Answer: OK (default)\n";
constexpr const char* kCritical =
    "Critical disaster recovery backup files cannot be found at this location.  Please browse to the directory where "
    "the Orvix Disaster Recovery Backup application stored these files.";
constexpr const char* kBadMapFile =
    "That file is not formatted correctly for alias mapping.  Please check the help file for details";

class HeadlessRun : public ::testing::Test {
 protected:
  HeadlessRun() : m_savedFolder(WinPaths::currentFolder()) {}
  void TearDown() override {
    endAllProcesses(machine());
    WinPaths::setCurrentFolder(m_savedFolder);
  }

  Machine& machine() { return m_machine.machine(); }
  Files& files() { return m_machine.files(); }

  void provision() {
    standin::ProvisionResult result;
    std::string error;
    ASSERT_TRUE(standin::provisionServer(machine(), server("ORVIXNEW"), result, error)) << error;
  }
  // A backup of another server of the same version; this machine stays the
  // active one.
  std::unique_ptr<OldServerBackup> backup() {
    auto b = std::make_unique<OldServerBackup>();
    m_machine.activate();
    return b;
  }

  restore::ProgramSetup setup(const std::vector<std::string>& args) {
    installProgramFiles(files(), kProgramFolder);
    restore::ProgramSetup s;
    s.programFolder = kProgramFolder;
    for (const std::string& a : args) s.commandLine += (s.commandLine.empty() ? "" : " ") + a;
    return s;
  }

  // The whole headless program with these arguments.
  int run(const std::vector<std::string>& args) {
    restore::ProgramArguments parsed;
    std::string error;
    EXPECT_TRUE(restore::parseProgramArguments(args, parsed, error)) << error;
    return restore::runHeadless(machine(), setup(args), parsed, out, err, restore::prepareProgram);
  }

  // The driver alone, on a Program and form the test can inspect afterwards.
  ProgramEnd drive(const restore::HeadlessOptions& options) {
    ui = std::make_unique<restore::HeadlessUi>(options.rules, out);
    program = std::make_unique<restore::Program>(machine(), *ui, setup({}));
    restore::prepareProgram(*program);
    form = std::make_unique<restore::frmMain>(*program);
    return restore::driveHeadless(*form, *ui, options);
  }

  bool printed(const std::string& text) const { return out.str().find(text) != std::string::npos; }

  std::ostringstream out, err;
  std::unique_ptr<restore::HeadlessUi> ui;
  std::unique_ptr<restore::Program> program;
  std::unique_ptr<restore::frmMain> form;

 private:
  ScratchMachine m_machine;
  std::string m_savedFolder;
};

TEST_F(HeadlessRun, BareMachineRefusesStartUp) {
  EXPECT_EQ(run({"--headless", "--backup", "C:\\Backup"}), 2);
  EXPECT_TRUE(printed("Program folder: C:\\Vrel\nCommand line: --headless --backup C:\\Backup\n")) << out.str();
  EXPECT_TRUE(printed(std::string("Message box \"VrelRestore\" (OK):\n") + kTooOld)) << out.str();
  EXPECT_FALSE(printed("Folder picker")) << "start-up ended the program";
  EXPECT_TRUE(printed("Program ended refused (exit status 2)\n"));
  EXPECT_EQ(err.str(), "");
}

TEST_F(HeadlessRun, StartUpAloneEndsNormally) {
  provision();
  EXPECT_EQ(run({"--headless"}), 0) << out.str();
  EXPECT_FALSE(printed("Folder picker"));
  EXPECT_TRUE(printed("Program ended normally (exit status 0)\n"));
}

TEST_F(HeadlessRun, FolderWithoutTheBackupIsRefused) {
  provision();
  ASSERT_TRUE(files().createFolder("C:\\Empty"));
  EXPECT_EQ(run({"--headless", "--backup", "C:\\Empty"}), 2);
  EXPECT_TRUE(printed("Folder picker: C:\\Empty\n"));
  EXPECT_TRUE(printed(kCritical));
  EXPECT_TRUE(printed("note: the backup folder C:\\Empty was refused\n"));
}

TEST_F(HeadlessRun, OptionsAreSetThroughTheForm) {
  auto old = backup();
  provision();
  restore::HeadlessOptions options;
  options.backup = old->folder();
  options.messages = false;
  options.reportData = true;
  options.certificates = true;
  options.restore = false;
  EXPECT_EQ(drive(options), ProgramEnd::Normal) << out.str();
  EXPECT_EQ(form->targetPath(), old->folder() + "\\");
  EXPECT_EQ(form->control("chkRestoreMessages").value, 0) << "the folder ticked it; the option unticked it";
  EXPECT_EQ(form->control("chkRestoreReportData").value, 1);
  EXPECT_EQ(form->control("chkRestoreCertificates").value, 0) << "this backup has no certificates";
  EXPECT_TRUE(
      printed("note: the option \"Restore certificates used for Private Secure Messaging\" is not available "
              "for this backup; it stays unticked\n"))
      << out.str();
  EXPECT_FALSE(printed("WARNING")) << "Restore From Backup was not pressed";
}

TEST_F(HeadlessRun, AliasMapFileIsCheckedByTheForm) {
  auto old = backup();
  provision();
  ASSERT_TRUE(files().createFolder("C:\\Maps"));
  ASSERT_TRUE(files().writeAll("C:\\Maps\\good.csv", "OLD_ALIAS,NEW_ALIAS\r\nold1,new1\r\n"));
  ASSERT_TRUE(files().writeAll("C:\\Maps\\bad.csv", "alias;alias\r\n"));
  restore::HeadlessOptions options;
  options.backup = old->folder();
  options.restore = false;
  options.aliasMap = "C:\\Maps\\good.csv";
  EXPECT_EQ(drive(options), ProgramEnd::Normal) << out.str();
  EXPECT_EQ(form->control("chkUseAliasMappingFile").value, 1);
  EXPECT_EQ(form->control("txtAliasMappingFilePath").caption, "C:\\Maps\\good.csv");
  EXPECT_TRUE(printed("Open file dialog \"Select alias mapping file\": C:\\Maps\\good.csv\n"));

  out.str("");
  options.aliasMap = "C:\\Maps\\bad.csv";
  EXPECT_EQ(drive(options), ProgramEnd::Refused);
  EXPECT_TRUE(printed(kBadMapFile));
  EXPECT_TRUE(printed("note: the alias mapping file C:\\Maps\\bad.csv was refused\n"));
}

TEST_F(HeadlessRun, DeclinedWarningLeavesTheServerAlone) {
  auto old = backup();
  provision();
  restore::HeadlessOptions options;
  options.backup = old->folder();
  options.rules.push_back({"There is no way to recover", restore::MsgResult::No});
  EXPECT_EQ(drive(options), ProgramEnd::Normal) << out.str();
  EXPECT_TRUE(printed("  Answer: Yes (default)\n"));
  EXPECT_TRUE(printed("  Answer: No (answer \"There is no way to recover\")\n"));
  EXPECT_FALSE(files().exists(old->folder() + "\\DisasterRecoveryRestore.log")) << "no run was started";
  EXPECT_EQ(form->control("chkShuttingDown").value, 0);
}

TEST_F(HeadlessRun, UnusableAnswerFileStopsBeforeTheProgram) {
  provision();
  EXPECT_EQ(run({"--headless", "--answers", "C:\\missing.txt"}), 2);
  EXPECT_EQ(err.str().rfind("VrelRestore: cannot read the answer file C:\\missing.txt: ", 0), 0u) << err.str();
  EXPECT_EQ(out.str(), "");

  err.str("");
  ASSERT_TRUE(files().writeAll("C:\\answers.txt", "backup = C:\\B\nmessages = perhaps\n"));
  EXPECT_EQ(run({"--headless", "--answers", "C:\\answers.txt"}), 2);
  EXPECT_EQ(err.str(), "VrelRestore: C:\\answers.txt: line 2: messages must be yes or no, not 'perhaps'\n");
}

TEST_F(HeadlessRun, CommandLineBeatsTheAnswerFile) {
  auto old = backup();
  provision();
  ASSERT_TRUE(files().createFolder("C:\\Empty"));
  ASSERT_TRUE(files().writeAll("C:\\answers.txt", "backup = C:\\Empty\nrestore = no\n"));
  EXPECT_EQ(run({"--headless", "--answers", "C:\\answers.txt", "--backup", old->folder()}), 0) << out.str();
  EXPECT_TRUE(printed("Folder picker: " + old->folder() + "\n"));
}

}  // namespace
}  // namespace vrel::test
