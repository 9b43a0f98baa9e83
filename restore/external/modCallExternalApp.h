// The restore program's one way to run other programs: start a command line
// with a window style, wait for the process with a time-out, and pause. The
// runner never ends a child itself; a caller that stops waiting logs the fact
// and goes on while the child still runs.
#pragma once

#include "restore/external/ExternalProcesses.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vrel {
class Machine;
}

namespace vrel::restore {

class RunLog;

class modCallExternalApp {
 public:
  // A time-out that waits without limit.
  static constexpr std::uint32_t kInfinite = kWaitInfinite;

  modCallExternalApp(Machine& machine, RunLog& log);
  modCallExternalApp(ExternalProcesses& processes, RunLog& log) : m_processes(processes), m_log(log) {}

  // Starts the command line (program found like a typed command) without
  // waiting; returns the new process's identifier. Throws VbError (53 "File
  // not found" and the like) when it cannot be started.
  long Shell(const std::string& commandLine, int windowStyle);

  // True when the process has ended within the time-out (milliseconds,
  // scaled by the time scale; kInfinite waits without limit), false when it
  // still runs. A process that cannot be opened counts as ended. With the
  // debug flag it first logs "debug - WaitForProcess calling with TaskID=".
  // An unexpected failure of the wait is logged as a warning and gives false.
  bool WaitForProcess(long taskId, std::uint32_t timeoutMs);

  // True when the process, waited for until it ended, died of a fault
  // instead of ending by itself.
  bool EndedAbnormally(long taskId) { return m_processes.endedAbnormally(taskId); }

  // Sleeps the calling thread, scaled by the time scale.
  static void PauseSeconds(double seconds);
  static void SleepMs(std::uint32_t ms);

 private:
  std::unique_ptr<ExternalProcesses> m_own;
  ExternalProcesses& m_processes;
  RunLog& m_log;
};

}  // namespace vrel::restore
