#include "standin/server/ControlObject.h"

#include "platform/Machine.h"
#include "platform/Services.h"
#include "platform/Text.h"

namespace vrel::standin {

namespace {

constexpr const char* kManager = "TmCsMgr";
constexpr const char* kCoreServices[] = {"TmCsGateway", "TmMMProxySvr", kManager};

}  // namespace

std::int32_t MachineControlObject::Start() {
  Services services(m_machine);
  for (const char* name : kCoreServices) {
    if (!services.find(name)) continue;
    ServiceInfo svc;
    services.start(name, svc);  // "already running" is fine; the state below decides
  }
  return State() == kRunning ? kSOk : kEFail;
}

std::int32_t MachineControlObject::State() {
  const auto svc = Services(m_machine).find(kManager);
  if (!svc) return kNotInstalled;
  if (svc->state == ServiceState::Running) return kRunning;
  return static_cast<std::int32_t>(svc->state);
}

std::unique_ptr<restore::ControlObject> createControlObject(Machine& machine) {
  const std::string fails = trim(machine.value("ControlObjectFails"));
  if (!fails.empty() && fails != "0") return nullptr;
  return std::make_unique<MachineControlObject>(machine);
}

}  // namespace vrel::standin
