#include "platform/Services.h"

#include "platform/tests/ChildProcesses.h"

#include <gtest/gtest.h>

namespace vrel {
namespace {

class ServicesTest : public ::testing::Test {
 protected:
  void add(const std::string& name, const std::string& display, ServiceState state, double hangStop = 0,
           double hangStart = 0) {
    ServiceInfo s{name, display, state, hangStop, hangStart};
    std::string error;
    ASSERT_TRUE(services.add(s, error)) << error;
  }
  ServiceState state(const std::string& name) { return services.find(name)->state; }

  test::ScratchMachine m;
  Services services{m.machine()};
};

TEST_F(ServicesTest, FoundByNameOrDisplayNameInAnyCase) {
  add("TmDSGlobalCatalog", "Orvix Global Catalog", ServiceState::Running);
  add("W3svc", "", ServiceState::Running);
  ASSERT_TRUE(services.find("tmdsglobalcatalog"));
  EXPECT_EQ(services.find("tmdsglobalcatalog")->name, "TmDSGlobalCatalog");
  EXPECT_EQ(services.find("ORVIX global catalog")->name, "TmDSGlobalCatalog");
  EXPECT_EQ(Services::displayOf(*services.find("w3SVC")), "W3svc") << "no display name: the name";
  EXPECT_FALSE(services.find("TmNoSuch"));
  std::string error;
  EXPECT_TRUE(services.remove("W3SVC", error)) << error;
  EXPECT_FALSE(services.find("W3svc"));
  EXPECT_FALSE(services.remove("W3svc", error));
  EXPECT_FALSE(services.setHangOnStop("W3svc", 5, error));
}

struct ControlRow {
  const char* name;
  ServiceState before;
  bool starting;
  long number;
  const char* message;
  ServiceState after;
  friend void PrintTo(const ControlRow& r, std::ostream* os) { *os << r.name; }
};

class ServiceControl : public ServicesTest, public ::testing::WithParamInterface<ControlRow> {};

TEST_P(ServiceControl, FollowsTheControlManagersRules) {
  const auto& row = GetParam();
  add("TmCsMgr", "Orvix Call Manager", row.before);
  ServiceInfo svc;
  const ServiceStatus s = row.starting ? services.start("tmcsmgr", svc) : services.stop("tmcsmgr", svc);
  EXPECT_EQ(s.number, row.number);
  EXPECT_EQ(s.message, row.message);
  EXPECT_EQ(state("TmCsMgr"), row.after);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ServiceControl,
    ::testing::Values(
        ControlRow{"StopRunning", ServiceState::Running, false, 0, "", ServiceState::Stopped},
        ControlRow{"StartStopped", ServiceState::Stopped, true, 0, "", ServiceState::Running},
        ControlRow{"StopStopped", ServiceState::Stopped, false, 3521, "The Orvix Call Manager service is not started.",
                   ServiceState::Stopped},
        ControlRow{"StartRunning", ServiceState::Running, true, 2182,
                   "The requested service has already been started.", ServiceState::Running}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ServicesTest, UnknownServiceNameIsInvalid) {
  ServiceInfo svc;
  const ServiceStatus s = services.stop("TmNoSuch", svc);
  EXPECT_EQ(s.number, 2185);
  EXPECT_EQ(s.message, "The service name is invalid.");
}

TEST_F(ServicesTest, HangingStopStaysPendingAndRefusesControlMeanwhile) {
  add("TmGAENsvr", "Orvix GAEN", ServiceState::Running, 100000);  // far beyond any test
  ServiceInfo svc;
  ASSERT_TRUE(services.beginStop("TmGAENsvr", svc));
  EXPECT_EQ(svc.state, ServiceState::StopPending);
  EXPECT_EQ(state("TmGAENsvr"), ServiceState::StopPending);
  EXPECT_EQ(services.beginStart("TmGAENsvr", svc).number, 2189);
  EXPECT_EQ(services.beginStop("TmGAENsvr", svc).number, 2189);
  std::string error;
  ASSERT_TRUE(services.setState("TmGAENsvr", ServiceState::Stopped, error)) << error;
  EXPECT_EQ(state("TmGAENsvr"), ServiceState::Stopped);
}

TEST_F(ServicesTest, PendingStateCompletesWithoutTheProgramThatAskedForIt) {
  add("TmDSAD", "", ServiceState::Stopped, 0, 2);
  ServiceInfo svc;
  ASSERT_TRUE(services.beginStart("TmDSAD", svc));
  EXPECT_EQ(svc.state, ServiceState::StartPending);
  // Nobody waits: the state still arrives once the hang time has passed.
  EXPECT_TRUE(test::eventually([&] { return state("TmDSAD") == ServiceState::Running; }));
}

TEST_F(ServicesTest, StopWaitsOutTheHangAndTicksMeanwhile) {
  add("TmTTSSvr", "Orvix TTS", ServiceState::Running, 50);
  int ticks = 0;
  ServiceInfo svc;
  ASSERT_TRUE(services.stop("TmTTSSvr", svc, [&] { ++ticks; }));
  EXPECT_EQ(svc.state, ServiceState::Stopped);
  EXPECT_GT(ticks, 0);
  EXPECT_EQ(state("TmTTSSvr"), ServiceState::Stopped);
}

TEST_F(ServicesTest, ListIsByNameAndHangTimesRoundTrip) {
  add("b", "", ServiceState::Running, 1.5, 0.25);
  add("A", "", ServiceState::Stopped);
  std::vector<ServiceInfo> all;
  std::string error;
  ASSERT_TRUE(services.list(all, error)) << error;
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].name, "A");
  EXPECT_EQ(all[1].name, "b");
  EXPECT_DOUBLE_EQ(all[1].hangOnStopSeconds, 1.5);
  EXPECT_DOUBLE_EQ(all[1].hangOnStartSeconds, 0.25);
  EXPECT_FALSE(services.add(ServiceInfo{" ", "", ServiceState::Running}, error)) << "a name is required";
}

}  // namespace
}  // namespace vrel
