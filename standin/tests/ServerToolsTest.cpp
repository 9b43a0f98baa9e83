#include "platform/Processes.h"
#include "platform/tests/ChildProcesses.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

namespace vrel {
namespace {

// Starts a command line through the machine's runner and waits for it.
void runOnMachine(Machine& machine, const std::string& commandLine) {
  Processes processes(machine);
  long pid = 0;
  const ProcStatus st = processes.start(commandLine, kMinimizedNoFocus, pid);
  ASSERT_TRUE(st) << st.description;
  EXPECT_EQ(Processes::wait(pid, 10000), WaitResult::Ended);
}

TEST(ServerToolsTest, GrantOrvixAccessRecordsTheLoginWithItsRole) {
  test::ScratchMachine m;
  test::placeTool(m.machine(), "E:\\Program Files\\Orvix\\GrantOrvixAccess.exe", "GrantOrvixAccess");
  // As the restore starts it: the install root unquoted, blanks and all.
  runOnMachine(m.machine(), "E:\\Program Files\\Orvix\\GrantOrvixAccess -u WORKGROUP\\Administrator -s installer");
  EXPECT_EQ(m.machine().value("SqlLogin:WORKGROUP\\Administrator"), "installer");
}

TEST(ServerToolsTest, GrantOrvixAccessRefusesAnIncompleteCommandLine) {
  test::ScratchMachine m;
  const auto run = test::runTool("GrantOrvixAccess", "-u 'DOM\\x'");
  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(m.machine().value("SqlLogin:DOM\\x", "none"), "none");
}

TEST(ServerToolsTest, TrayStatusRecordsItsStartAndEnds) {
  test::ScratchMachine m;
  test::placeTool(m.machine(), "E:\\Orvix\\TmCsTrayStatus.exe", "TmCsTrayStatus");
  runOnMachine(m.machine(), "E:\\Orvix\\TmCsTrayStatus.exe");
  EXPECT_EQ(m.machine().value("TrayStatusStarted"), "E:\\Orvix\\TmCsTrayStatus.exe");
}

}  // namespace
}  // namespace vrel
