#include "platform/Text.h"
#include "platform/Files.h"
#include "restore/tests/ProvisionedRun.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

using standin::MailStoreKind;
using standin::ServerVersion;

constexpr ServerVersion kV5 = {5, 0, 1, 0};
constexpr ServerVersion kV4 = {4, 0, 3, 15};

constexpr const char* kStopLate = "(error) net stop process took longer than 30 seconds, task terminated";
constexpr const char* kStopLateCap = "(error) Net stop took longer than 30 seconds, task terminated";
constexpr const char* kWwwLate = "(error) net stop process took longer than 40 seconds, task terminated";

// What ShutDownOrvix logs on a server where every command ends in time.
const std::vector<std::string> kShutDownLog = {
    "    New Orvix Install path=C:\\Orvix\\",
    "    Stopping TmMsgStoreMonitorSvr service",
    "    net stop process completed",
    "    Stopping TmCsGateway",
    "    Net stop process completed",
    "    Stopping TmCsMgr",
    "    Net stop process completed",
    "    Stopping TmDSAD",
    "    Net stop process completed",
    "    Stopping TmDSDomino",
    "    Net stop process completed",
    "    Stopping TmDirChangeWriter",
    "    Net stop process completed",
    "    Stopping TmDsGlobalCatalog service",
    "    net stop process completed",
    "    Stopping TmGAENsvr service",
    "    net stop process completed",
    "    Stopping TmMMProxySvr service",
    "    net stop process completed",
    "    Stopping TmRepDirSvrSvc service",
    "    net stop process completed",
    "    Stopping TmUMRSyncSvr service",
    "    net stop process completed",
    "    Stopping TmTTSSvr service",
    "    net stop process completed",
    "    Stopping CsBridgeConnector service",
    "    net stop process completed",
    "    Stopping CsEMSSvc service",
    "    net stop process completed",
    "    Stopping CorvaneOrvixTdsProxy service",
    "    net stop process completed",
    "    Stopping qxMessageAgingSvr service",
    "    net stop process completed",
    "    Stopping qxDirReader service",
    "    net stop process completed",
    "    Stopping csBMsgConnector service",
    "    net stop process completed",
    "    running Kill TM*",
    "    Kill process completed",
    "    Stopping QxMDBStoreMonitor service",
    "    net stop process completed",
    "    Stopping the WWW service",
    "    net stop process completed",
};

class ServicesTest : public ProvisionedRun {
 protected:
  std::vector<std::string> running() {
    std::vector<ServiceInfo> all;
    std::string error;
    EXPECT_TRUE(Services(rm.machine()).list(all, error)) << error;
    std::vector<std::string> out;
    for (const auto& s : all)
      if (s.state == ServiceState::Running) out.push_back(s.name);
    std::sort(out.begin(), out.end());
    return out;
  }
  void addService(const std::string& name, ServiceState state) {
    std::string error;
    ServiceInfo info;
    info.name = name;
    info.state = state;
    ASSERT_TRUE(Services(rm.machine()).add(info, error)) << error;
  }
  void stopAll() {
    std::vector<ServiceInfo> all;
    std::string error;
    Services services(rm.machine());
    ASSERT_TRUE(services.list(all, error)) << error;
    for (const auto& s : all) ASSERT_TRUE(services.setState(s.name, ServiceState::Stopped, error)) << error;
  }
};

struct ShutDownCase {
  friend void PrintTo(const ShutDownCase& c, std::ostream* os) { *os << c.name; }
  const char* name;
  MailStoreKind kind;
  ServerVersion version;
  std::vector<std::string> stillRunning;
};

class ShutDownTest : public ServicesTest, public ::testing::WithParamInterface<ShutDownCase> {};

TEST_P(ShutDownTest, StopsEveryServiceWithTheExactLinesAndKillsServerProcesses) {
  restore::frmMain& form = begin(server(GetParam().kind, GetParam().version));
  // A server process that ignored its service stop.
  placeTool(rm.machine(), "C:\\Orvix\\TmLeftOver.exe", "sleeper");
  long leftOver = 0;
  ASSERT_TRUE(Processes(rm.machine()).start("C:\\Orvix\\TmLeftOver.exe TmLeftOver.exe 1000", 0, leftOver));

  form.ShutDownOrvix();

  EXPECT_EQ(entries(), kShutDownLog);
  EXPECT_EQ(running(), GetParam().stillRunning);
  EXPECT_FALSE(liveProcess(rm.machine(), leftOver)) << "the kill step ends tm* processes";
  EXPECT_EQ(rm.program().paths.installRoot, "C:\\Orvix\\");
  EXPECT_EQ(WinPaths::currentFolder(), "C:\\Orvix");
}

INSTANTIATE_TEST_SUITE_P(Servers, ShutDownTest,
                         ::testing::Values(ShutDownCase{"Exchange2000_5_0", MailStoreKind::Exchange2000, kV5, {}},
                                           ShutDownCase{"Exchange55_4_0", MailStoreKind::Exchange55, kV4, {}},
                                           ShutDownCase{"Domino_5_0", MailStoreKind::Domino, kV5, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct HangCase {
  friend void PrintTo(const HangCase& c, std::ostream* os) { *os << c.name; }
  const char* name;
  const char* service;
  const char* before;    // the hanging step's first line
  const char* lateLine;  // its time-out line
  const char* next;      // the service of the following step; null for the last step
};

class HangingServiceTest : public ServicesTest, public ::testing::WithParamInterface<HangCase> {};

TEST_P(HangingServiceTest, CostsOneErrorLineAndTheNextServiceIsStillStopped) {
  const HangCase& c = GetParam();
  restore::frmMain& form = begin(server(MailStoreKind::Exchange2000, kV5));
  std::string error;
  ASSERT_TRUE(Services(rm.machine()).setHangOnStop(c.service, 100000, error)) << error;

  form.ShutDownOrvix();

  const auto log = entries();
  EXPECT_EQ(errorLines(), std::vector<std::string>{c.lateLine});
  const auto at = std::find(log.begin(), log.end(), c.before);
  ASSERT_NE(at, log.end());
  ASSERT_NE(at + 1, log.end());
  EXPECT_EQ(*(at + 1), c.lateLine) << "the time-out line takes the completion line's place";
  // The net child is left to go on; a server service's stuck process is
  // ended by the kill step, which leaves the service stopped.
  const bool serverProcess = wildcardMatch("tm*.*", std::string(c.service) + ".exe");
  EXPECT_EQ(stateOf(c.service), serverProcess ? ServiceState::Stopped : ServiceState::StopPending);
  if (c.next) {
    EXPECT_EQ(stateOf(c.next), ServiceState::Stopped);
  }
  EXPECT_EQ(log.size(), kShutDownLog.size());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, HangingServiceTest,
    ::testing::Values(HangCase{"FirstStep", "TmMsgStoreMonitorSvr", "    Stopping TmMsgStoreMonitorSvr service",
                               kStopLate, "TmCsGateway"},
                      HangCase{"CapitalisedLines", "TmCsGateway", "    Stopping TmCsGateway", kStopLateCap, "TmCsMgr"},
                      HangCase{"WwwServiceWaitsForty", "W3svc", "    Stopping the WWW service", kWwwLate, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ServicesTest, MissingInstallRootIsLoggedAndTheServicesStillStop) {
  restore::frmMain& form = begin(server(MailStoreKind::Exchange2000, kV5));
  ASSERT_EQ(rm.machine().registry().deleteValue(Hive::LocalMachine, "Software\\Tremarc\\ZureVezuza\\1.0", "Root Path"),
            kRegOk);
  const std::string before = WinPaths::currentFolder();

  form.ShutDownOrvix();

  const auto log = entries();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], "    New Orvix Install path=");
  EXPECT_EQ(log[1], "(error):76 (Path not found) in procedure ShutDownOrvix of Form frmMain");
  EXPECT_EQ(WinPaths::currentFolder(), before);
  EXPECT_TRUE(running().empty());
}

TEST_F(ServicesTest, CommandThatCannotStartIsTrappedAndTheNextStepRuns) {
  restore::frmMain& form = begin(server(MailStoreKind::Exchange2000, kV5));
  // A folder in the tool's place: the machine does not link the tool over it.
  ASSERT_TRUE(rm.files().deleteFile("C:\\Windows\\System32\\net.exe", true));
  ASSERT_TRUE(rm.files().createFolder("C:\\Windows\\System32\\net.exe"));

  form.ShutDownOrvix();

  const std::string notFound = "(error):53 (File not found) in procedure ShutDownOrvix of Form frmMain";
  EXPECT_EQ(errorLines(), std::vector<std::string>(20, notFound)) << "one line for each net step";
  EXPECT_TRUE(logged("    Kill process completed"));
  EXPECT_FALSE(logged("    net stop process completed")) << "no completion is claimed for a step that never ran";
  EXPECT_EQ(stateOf("W3svc"), ServiceState::Running);
}

struct StartUpCase {
  friend void PrintTo(const StartUpCase& c, std::ostream* os) { *os << c.name; }
  const char* name;
  MailStoreKind kind;
  ServerVersion version;
  std::vector<std::string> extraStopped;  // services added to the provisioned ones
  std::vector<std::string> running;       // after StartUpOrvix, sorted
};

class StartUpTest : public ServicesTest, public ::testing::WithParamInterface<StartUpCase> {};

TEST_P(StartUpTest, StartsTheServicesItsConditionsAllow) {
  const StartUpCase& c = GetParam();
  restore::frmMain& form = begin(server(c.kind, c.version));
  for (const auto& s : c.extraStopped) addService(s, ServiceState::Stopped);
  stopAll();

  form.StartUpOrvix();

  EXPECT_EQ(running(), c.running);
  EXPECT_EQ(logged("    Starting TmDSEX55"), c.kind != MailStoreKind::Domino);
  EXPECT_EQ(logged("    Starting QxMDBStoreMonitor service"), c.version.major >= 5);
  EXPECT_EQ(logged("    Starting QxMessageAgingSvr service"), c.version.major >= 5);
  EXPECT_TRUE(errorLines().empty());
  EXPECT_EQ(entries().back(), "    Starting CsEMSSvc service service if present") << "nothing after the last start";
}

INSTANTIATE_TEST_SUITE_P(
    Servers, StartUpTest,
    ::testing::Values(StartUpCase{"Exchange2000_5_0",
                                  MailStoreKind::Exchange2000,
                                  kV5,
                                  {},
                                  {"CsEMSSvc", "QxMDBStoreMonitor", "QxMessageAgingSvr", "TmCsGateway", "TmCsMgr",
                                   "TmDSAD", "TmDSGlobalCatalog", "TmDirChangeWriter", "TmMMProxySvr", "W3svc"}},
                      StartUpCase{"Exchange55Below5_0",
                                  MailStoreKind::Exchange55,
                                  kV4,
                                  {"QxMDBStoreMonitor", "QxMessageAgingSvr"},
                                  {"CsEMSSvc", "TmCsGateway", "TmCsMgr", "TmDSEX55", "TmDSGlobalCatalog",
                                   "TmDirChangeWriter", "TmMMProxySvr", "W3svc"}},
                      StartUpCase{"DominoLeavesTheExchange55MonitorStopped",
                                  MailStoreKind::Domino,
                                  kV5,
                                  {"TmDSEX55"},
                                  {"CsEMSSvc", "QxMDBStoreMonitor", "QxMessageAgingSvr", "TmCsGateway", "TmCsMgr",
                                   "TmDSGlobalCatalog", "TmDirChangeWriter", "TmMMProxySvr", "W3svc"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ServicesTest, StartUpLogsExactLines) {
  restore::frmMain& form = begin(server(MailStoreKind::Exchange2000, kV5));
  stopAll();
  form.StartUpOrvix();
  const std::vector<std::string> expected = {
      "    Starting TmCsGateway",
      "    Net start process completed",
      "    Starting TmMMProxySvr",
      "    Net start process completed",
      "    Starting TmCsMgr",
      "    Net start process completed",
      "    Starting TmDSAD",
      "    Net start process completed",
      // Not installed here: net ends at once and exit codes are not read.
      "    Starting TmDSEX55",
      "    Net start process completed",
      "    Starting TmDirChangeWriter",
      "    Net start process completed",
      "    Starting TmDsGlobalCatalog service",
      "    net start process completed",
      "    Starting QxMDBStoreMonitor service",
      "    net start process completed",
      "    Starting QxMessageAgingSvr service",
      "    net start process completed",
      "    Starting WWW service service",
      "    net start process completed",
      "    Starting CsEMSSvc service service if present",
  };
  EXPECT_EQ(entries(), expected);
}

TEST_F(ServicesTest, SlowStartLogsItsTimeOutLine) {
  restore::frmMain& form = begin(server(MailStoreKind::Exchange2000, kV5));
  stopAll();
  std::string error;
  ASSERT_TRUE(Services(rm.machine()).setHangOnStart("TmDSGlobalCatalog", 100000, error)) << error;
  form.StartUpOrvix();
  EXPECT_EQ(errorLines(),
            std::vector<std::string>{"(error) net start process took longer than 60 seconds, task terminated"});
  EXPECT_EQ(stateOf("W3svc"), ServiceState::Running);
}

TEST_F(ServicesTest, LastStartIsWaitedForWithoutLimit) {
  restore::frmMain& form = begin(server(MailStoreKind::Exchange2000, kV5));
  stopAll();
  std::string error;
  // Longer than every limited wait of the table (60 s), short enough for a test.
  ASSERT_TRUE(Services(rm.machine()).setHangOnStart("CsEMSSvc", 200, error)) << error;
  form.StartUpOrvix();
  EXPECT_EQ(stateOf("CsEMSSvc"), ServiceState::Running);
}

}  // namespace
}  // namespace vrel::test
