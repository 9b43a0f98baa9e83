// The outside effects of the external program runner: starting a command
// line and waiting for a process. The machine's implementation runs real
// processes; tests can put a double in its place.
#pragma once

#include "platform/Processes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vrel::restore {

class ExternalProcesses {
 public:
  virtual ~ExternalProcesses() = default;
  virtual ProcStatus start(std::string_view commandLine, int windowStyle, long& pid) = 0;
  // timeoutMs unscaled; kWaitInfinite waits without limit.
  virtual WaitResult wait(long pid, std::uint32_t timeoutMs, std::string& error) = 0;
  // True when a process that was waited for died of a fault.
  virtual bool endedAbnormally(long) { return false; }
};

class MachineProcesses : public ExternalProcesses {
 public:
  explicit MachineProcesses(Machine& machine) : m_processes(machine) {}
  ProcStatus start(std::string_view commandLine, int windowStyle, long& pid) override {
    return m_processes.start(commandLine, windowStyle, pid);
  }
  WaitResult wait(long pid, std::uint32_t timeoutMs, std::string& error) override {
    return Processes::wait(pid, timeoutMs, &error);
  }
  bool endedAbnormally(long pid) override { return Processes::endedAbnormally(pid); }

 private:
  Processes m_processes;
};

}  // namespace vrel::restore
