// The server's control object on the stand-in machine: the server counts as
// running while its manager service TmCsMgr runs in the machine's service
// table. Tests make creation fail with the machine value
// "ControlObjectFails" (any value but empty or "0"), as an unregistered or
// broken COM class would.
#pragma once

#include "restore/run/ControlObject.h"

#include <cstdint>
#include <memory>

namespace vrel {
class Machine;
}

namespace vrel::standin {

// HRESULTs the object returns.
inline constexpr std::int32_t kSOk = 0;
inline constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005u);

class MachineControlObject : public restore::ControlObject {
 public:
  // State values besides kRunning: the manager's service state (1 stopped,
  // 2 start pending, 3 stop pending); 0 when the service is not installed.
  static constexpr std::int32_t kNotInstalled = 0;

  explicit MachineControlObject(Machine& machine) : m_machine(machine) {}

  // Starts the server's core services in the order the server needs them
  // (TmCsGateway, TmMMProxySvr, TmCsMgr), waiting for each; the ones not
  // installed are skipped. S_OK when TmCsMgr runs afterwards, else E_FAIL.
  std::int32_t Start() override;
  // kRunning while TmCsMgr runs, else its service state.
  std::int32_t State() override;

 private:
  Machine& m_machine;
};

// A fresh control object, or null when the machine makes creation fail.
std::unique_ptr<restore::ControlObject> createControlObject(Machine& machine);

}  // namespace vrel::standin
