// VrelRestore itself, started as a process: its options, its exit status and
// its own folder on the machine.
#include "platform/tests/ChildProcesses.h"
#include "restore/app/ProgramStart.h"
#include "restore/headless/tests/HeadlessFixture.h"

#include <sstream>

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

class VrelRestoreProgram : public ::testing::Test {
 protected:
  // The program as an administrator copies it onto the machine.
  std::string placed() {
    placeTool(scratch.machine(), "C:\\Vrel\\VrelRestore", "VrelRestore");
    return scratch.files().paths().toHost("C:\\Vrel\\VrelRestore");
  }
  void TearDown() override { endAllProcesses(scratch.machine()); }
  // Runs the program with shell-quoted arguments, stdout and stderr
  // together unless errors names another place; environment is a shell
  // prefix ("env -u X").
  static ToolRun start(const std::string& program, const std::string& shellArgs, const std::string& environment = {},
                       const std::string& errors = "&1") {
    ToolRun r;
    const std::string cmd = environment + " '" + program + "' " + shellArgs + " 2>" + errors;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.output.append(buf, n);
    const int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
  }
  ScratchMachine scratch;
};

TEST_F(VrelRestoreProgram, HelpDescribesTheHeadlessMode) {
  const ToolRun r = runTool("VrelRestore", "--help");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output.rfind("Usage: VrelRestore [--headless [OPTIONS]] [SWITCHES]\n", 0), 0u) << r.output;
  for (const char* option : {"--answers FILE", "--backup DIR", "--no-messages", "--alias-map FILE",
                             "answer \"TEXT\" = yes|no|ok|cancel|retry|abort|ignore"})
    EXPECT_NE(r.output.find(option), std::string::npos) << option;
}

struct RefusalCase {
  const char* name;
  const char* args;
  const char* says;
  const char* environment = "";
};

class Refusals : public VrelRestoreProgram, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusals, EndWithStatusTwo) {
  const ToolRun r = start(ScratchMachine::tool("VrelRestore"), GetParam().args, GetParam().environment);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.output.find(GetParam().says), std::string::npos) << r.output;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusals,
    ::testing::Values(
        RefusalCase{"NoMachine", "--headless", "VrelRestore: VREL_MACHINE is not set", "env -u VREL_MACHINE"},
        RefusalCase{"MachineFolderMissing", "--headless", "VrelRestore: VREL_MACHINE names /nonexistent/vrel-machine, which does not exist",
                    "env VREL_MACHINE=/nonexistent/vrel-machine"},
        RefusalCase{"UnknownOption", "--headless --colour", "VrelRestore: unknown option --colour"},
        RefusalCase{"HeadlessOptionWithoutHeadless", "--backup C:\\\\B", "--backup works only with --headless"},
        RefusalCase{"BareMachine", "--headless", "This utility only works with Orvix 3.1(1) and later"},
        RefusalCase{"WindowWithoutADisplay", "", "VrelRestore: no display to open the window on; use --headless",
                    "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VrelRestoreProgram, RunsFromItsFolderOnTheMachineWithItsWholeCommandLine) {
  const ToolRun r = start(placed(), "--headless DEBUG \"two words\"");
  EXPECT_EQ(r.exitCode, 2) << r.output;
  EXPECT_NE(r.output.find("Program folder: C:\\Vrel\nCommand line: --headless DEBUG \"two words\"\n"),
            std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("Program ended refused (exit status 2)\n"), std::string::npos) << r.output;
}

TEST_F(VrelRestoreProgram, RestoreRunKeepsTheTranscriptToStandardOutput) {
  OldServerBackup old;
  scratch.activate();
  standin::ProvisionResult result;
  std::string error;
  ASSERT_TRUE(standin::provisionServer(scratch.machine(), server("ORVIXNEW"), result, error)) << error;
  ASSERT_TRUE(scratch.files().writeAll("C:\\answers.txt",
                                       "backup = " + old.folder() + "\nanswer \"view log file\" = cancel\n"));
  // Standard output alone: the services the run stops and starts report on
  // standard error.
  const ToolRun r = start(placed(), "--headless --answers 'C:\\answers.txt'", "", "/dev/null");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);) {
    bool ours = false;
    for (const char* start : {"Program folder: ", "Command line: ", "Folder picker: ", "Message box \"", "    ",
                              "  Answer: ", "note: ", "Program ended "})
      ours = ours || line.rfind(start, 0) == 0;
    EXPECT_TRUE(ours) << line;
  }
  EXPECT_NE(r.output.find("  Answer: Cancel (answer \"view log file\")\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Program ended normally (exit status 0)\n"), std::string::npos);
  EXPECT_TRUE(scratch.files().fileExists(old.folder() + "\\DisasterRecoveryRestore.log"));
}

TEST(ProgramStart, ProgramFolderIsTheExecutablesFolderOnTheMachine) {
  ScratchMachine scratch;
  const WinPaths& paths = scratch.files().paths();
  EXPECT_EQ(restore::programFolderOf(paths, scratch.root() + "/drive_c/Vrel/VrelRestore"), "C:\\Vrel");
  EXPECT_EQ(restore::programFolderOf(paths, scratch.root() + "/drive_d/VrelRestore"), "D:");
  EXPECT_EQ(restore::programFolderOf(paths, "/opt/vrel/bin/VrelRestore"), "Z:\\opt\\vrel\\bin");
  EXPECT_EQ(restore::executableHostPath("/opt/vrel/bin/../bin/VrelRestore"), "/opt/vrel/bin/VrelRestore");
}

}  // namespace
}  // namespace vrel::test
