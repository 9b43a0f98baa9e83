#include "platform/Services.h"
#include "platform/tests/ChildProcesses.h"

#include <gtest/gtest.h>

namespace vrel {
namespace {

using test::runTool;

class NetToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    add("TmMsgStoreMonitorSvr", "Orvix Messaging", ServiceState::Running);
    add("W3svc", "World Wide Web Publishing Service", ServiceState::Running);
    add("TmDSDomino", "Orvix Domino Directory", ServiceState::Stopped);
  }
  void TearDown() override { test::endAllProcesses(m.machine()); }
  void add(const std::string& name, const std::string& display, ServiceState state, double hangStop = 0) {
    std::string error;
    ASSERT_TRUE(services.add(ServiceInfo{name, display, state, hangStop, 0}, error)) << error;
  }
  ServiceState state(const std::string& name) { return services.find(name)->state; }

  test::ScratchMachine m;
  Services services{m.machine()};
};

struct NetRow {
  const char* name;
  const char* args;
  int exitCode;
  const char* output;
  friend void PrintTo(const NetRow& r, std::ostream* os) { *os << r.name; }
};

class NetCommand : public NetToolTest, public ::testing::WithParamInterface<NetRow> {};

TEST_P(NetCommand, PrintsWhatWindowsPrints) {
  const test::ToolRun r = runTool("net", GetParam().args);
  EXPECT_EQ(r.output, GetParam().output);
  EXPECT_EQ(r.exitCode, GetParam().exitCode);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NetCommand,
    ::testing::Values(
        NetRow{"StopRunning", "Stop TmMsgStoreMonitorSvr", 0,
               "The Orvix Messaging service is stopping.\n"
               "The Orvix Messaging service was stopped successfully.\n\n"},
        NetRow{"VerbAndNameInAnyCase", "STop tmmsgstoremonitorsvr", 0,
               "The Orvix Messaging service is stopping.\n"
               "The Orvix Messaging service was stopped successfully.\n\n"},
        NetRow{"QuotedDisplayName", "start \"Orvix Domino Directory\"", 0,
               "The Orvix Domino Directory service is starting.\n"
               "The Orvix Domino Directory service was started successfully.\n\n"},
        NetRow{"UnquotedDisplayNameWords", "start Orvix Domino Directory", 0,
               "The Orvix Domino Directory service is starting.\n"
               "The Orvix Domino Directory service was started successfully.\n\n"},
        NetRow{"UnknownService", "stop TmNoSuchSvc", 2,
               "The service name is invalid.\n\nMore help is available by typing NET HELPMSG 2185.\n\n"},
        NetRow{"StopStopped", "stop TmDSDomino", 2,
               "The Orvix Domino Directory service is not started.\n\n"
               "More help is available by typing NET HELPMSG 3521.\n\n"},
        NetRow{"StartRunning", "start W3SVC", 2,
               "The requested service has already been started.\n\n"
               "More help is available by typing NET HELPMSG 2182.\n\n"},
        NetRow{"ListStarted", "start", 0,
               "These Windows services are started:\n\n"
               "   Orvix Messaging\n"
               "   World Wide Web Publishing Service\n\n"
               "The command completed successfully.\n\n"},
        NetRow{"OtherVerb", "use", 1, "The syntax of this command is:\n\nNET\n    [ START | STOP ]\n\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetToolTest, HangingStopShowsProgressAndCompletes) {
  add("TmGAENsvr", "Orvix GAEN", ServiceState::Running, 50);
  const test::ToolRun r = runTool("net", "stop TmGAENsvr");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.output.starts_with("The Orvix GAEN service is stopping..")) << r.output;
  EXPECT_TRUE(r.output.ends_with(".\nThe Orvix GAEN service was stopped successfully.\n\n")) << r.output;
  EXPECT_EQ(state("TmGAENsvr"), ServiceState::Stopped);
}

TEST_F(NetToolTest, RunFromTheMachineLikeATypedCommand) {
  add("TmUMRSyncSvr", "", ServiceState::Running, 100000);  // hangs far beyond the wait
  Processes procs(m.machine());
  long pid = 0;
  ASSERT_TRUE(procs.start("Net Stop TmMsgStoreMonitorSvr", kNormalFocus, pid));
  EXPECT_EQ(Processes::wait(pid, 30000), WaitResult::Ended);
  EXPECT_EQ(state("TmMsgStoreMonitorSvr"), ServiceState::Stopped);

  ASSERT_TRUE(procs.start("Net Stop TmUMRSyncSvr", kHide, pid));
  EXPECT_EQ(Processes::wait(pid, 30000), WaitResult::TimedOut);
  const auto row = test::liveProcess(m.machine(), pid);
  ASSERT_TRUE(row) << "net still waits for the service";
  EXPECT_EQ(row->image, "net.exe");
  EXPECT_EQ(row->commandLine, "Net Stop TmUMRSyncSvr");
  EXPECT_EQ(state("TmUMRSyncSvr"), ServiceState::StopPending);
}

}  // namespace
}  // namespace vrel
