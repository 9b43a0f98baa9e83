// The server's control object on a provisioned stand-in machine.
#include "platform/Services.h"
#include "standin/server/ControlObject.h"
#include "standin/tests/ProvisionTestSupport.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

using restore::ControlObject;

class ControlObjectTest : public ::testing::Test {
 protected:
  void stop(const char* service) {
    std::string error;
    ASSERT_TRUE(Services(m.machine()).setState(service, ServiceState::Stopped, error)) << error;
  }
  ServiceState state(const char* service) { return Services(m.machine()).find(service)->state; }

  ScratchMachine m;
};

TEST_F(ControlObjectTest, RunningWhileTheManagerServiceRuns) {
  provisionOrFail(m.machine(), {});
  auto control = standin::createControlObject(m.machine());
  ASSERT_TRUE(control);
  EXPECT_EQ(control->State(), ControlObject::kRunning);
  stop("TmCsMgr");
  EXPECT_EQ(control->State(), static_cast<std::int32_t>(ServiceState::Stopped));
}

TEST_F(ControlObjectTest, StartBringsUpTheCoreServices) {
  provisionOrFail(m.machine(), {});
  for (const char* s : {"TmCsGateway", "TmMMProxySvr", "TmCsMgr", "TmDSAD"}) stop(s);
  auto control = standin::createControlObject(m.machine());
  EXPECT_EQ(control->Start(), standin::kSOk);
  EXPECT_EQ(control->State(), ControlObject::kRunning);
  for (const char* s : {"TmCsGateway", "TmMMProxySvr", "TmCsMgr"}) EXPECT_EQ(state(s), ServiceState::Running) << s;
  EXPECT_EQ(state("TmDSAD"), ServiceState::Stopped) << "the rest is the restore's own business";
}

TEST_F(ControlObjectTest, WithoutAServerNothingRuns) {
  auto control = standin::createControlObject(m.machine());
  ASSERT_TRUE(control);
  EXPECT_EQ(control->State(), standin::MachineControlObject::kNotInstalled);
  EXPECT_EQ(control->Start(), standin::kEFail);
}

TEST_F(ControlObjectTest, TheMachineCanMakeCreationFail) {
  for (const auto& [value, fails] : {std::pair{"1", true}, std::pair{"yes", true}, std::pair{"0", false},
                                     std::pair{"", false}}) {
    m.machine().setValue("ControlObjectFails", value);
    EXPECT_EQ(standin::createControlObject(m.machine()) == nullptr, fails) << '"' << value << '"';
  }
}

}  // namespace
}  // namespace vrel::test
