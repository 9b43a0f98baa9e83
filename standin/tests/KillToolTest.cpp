#include "platform/ProcessHost.h"
#include "platform/Services.h"
#include "platform/tests/ChildProcesses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <spawn.h>

namespace vrel {
namespace {

using test::runTool;

class KillToolTest : public ::testing::Test {
 protected:
  void TearDown() override { test::endAllProcesses(m.machine()); }
  long startAs(const std::string& image) {
    const std::string path = "C:\\Program Files\\Orvix\\" + image;
    if (!m.files().fileExists(path)) test::placeTool(m.machine(), path, "sleeper");
    long pid = 0;
    const ProcStatus s = procs.start("\"" + path + "\" " + image + " 100000", kHide, pid);
    EXPECT_TRUE(s) << s.description;
    return pid;
  }
  bool running(long pid) { return Processes::wait(pid, 0) == WaitResult::TimedOut; }

  test::ScratchMachine m;
  Processes procs{m.machine()};
};

TEST_F(KillToolTest, ForceEndsTheMachinesProcessesMatchingThePattern) {
  const long a = startAs("TmCsGateway.exe");
  const long b = startAs("tmmmproxy.EXE");
  const long other = startAs("QxDirReader.exe");
  // A host process outside the machine is never touched, whatever its name.
  pid_t host = 0;
  const char* argv[] = {"tmhost", "1000", nullptr};
  ASSERT_EQ(posix_spawnp(&host, "sleep", nullptr, nullptr, const_cast<char* const*>(argv), environ), 0);

  for (const char* sw : {"-F", "/f"}) {
    SCOPED_TRACE(sw);
    const test::ToolRun r = runTool("kill", std::string(sw) + " 'tm*.*'");
    if (std::string(sw) == "-F") {
      EXPECT_EQ(r.exitCode, 0);
      const std::string lineA = "process TmCsGateway.exe (" + std::to_string(a) + ") - killed\n";
      const std::string lineB = "process tmmmproxy.EXE (" + std::to_string(b) + ") - killed\n";
      EXPECT_EQ(r.output, a < b ? lineA + lineB : lineB + lineA);
      EXPECT_EQ(Processes::wait(a, kWaitInfinite), WaitResult::Ended);
      EXPECT_EQ(Processes::wait(b, kWaitInfinite), WaitResult::Ended);
    } else {
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_EQ(r.output, "process \"tm*.*\" not found\n") << "nothing left to match";
    }
  }
  EXPECT_TRUE(running(other));
  EXPECT_EQ(::kill(host, 0), 0);
  ::kill(host, SIGKILL);
  waitpid(host, nullptr, 0);
}

TEST_F(KillToolTest, ByPidOnlyForTheMachinesOwnProcesses) {
  const long a = startAs("TmTTSSvr.exe");
  const test::ToolRun r = runTool("kill", "-f " + std::to_string(a));
  EXPECT_EQ(r.output, "process TmTTSSvr.exe (" + std::to_string(a) + ") - killed\n");
  EXPECT_EQ(Processes::wait(a, kWaitInfinite), WaitResult::Ended);

  const std::string self = std::to_string(getpid());
  const test::ToolRun mine = runTool("kill", "-f " + self);
  EXPECT_EQ(mine.output, "process #" + self + " not found\n") << "not a process of the machine";
  EXPECT_EQ(mine.exitCode, 1);
}

TEST_F(KillToolTest, EndingAServiceProcessLeavesTheServiceStopped) {
  Services services(m.machine());
  std::string error;
  for (const char* name : {"TmDSEX55", "TmCsMgr", "QxDirReader"}) {
    ServiceInfo svc;
    svc.name = name;
    svc.state = ServiceState::Running;
    ASSERT_TRUE(services.add(svc, error)) << error;
  }
  // A service stuck in its stop ends with its process as well.
  ASSERT_TRUE(services.setState("TmCsMgr", ServiceState::StopPending, error)) << error;

  const test::ToolRun r = runTool("kill", "-F tm*.*");
  EXPECT_NE(r.output.find("process TmDSEX55.exe (service TmDSEX55) - killed"), std::string::npos) << r.output;
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(services.find("TmDSEX55")->state, ServiceState::Stopped);
  EXPECT_EQ(services.find("TmCsMgr")->state, ServiceState::Stopped);
  EXPECT_EQ(services.find("QxDirReader")->state, ServiceState::Running);
}

TEST_F(KillToolTest, RunFromTheMachineWithoutAnyMatch) {
  long pid = 0;
  ASSERT_TRUE(procs.start("kill -F tm*.*", kMinimizedNoFocus, pid));
  EXPECT_EQ(Processes::wait(pid, 30000), WaitResult::Ended);
  const test::ToolRun usage = runTool("kill", "");
  EXPECT_EQ(usage.exitCode, 1);
  EXPECT_TRUE(usage.output.starts_with("usage: KILL [options] <<pid> | <pattern>>*")) << usage.output;
}

}  // namespace
}  // namespace vrel
