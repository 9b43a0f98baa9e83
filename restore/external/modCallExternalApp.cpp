#include "restore/external/modCallExternalApp.h"

#include "platform/TimeScale.h"
#include "restore/run/RunLog.h"
#include "restore/run/VbError.h"

namespace vrel::restore {

modCallExternalApp::modCallExternalApp(Machine& machine, RunLog& log)
    : m_own(std::make_unique<MachineProcesses>(machine)), m_processes(*m_own), m_log(log) {}

long modCallExternalApp::Shell(const std::string& commandLine, int windowStyle) {
  long pid = 0;
  const ProcStatus status = m_processes.start(commandLine, windowStyle, pid);
  if (!status) throw VbError(status.number, status.description);
  return pid;
}

bool modCallExternalApp::WaitForProcess(long taskId, std::uint32_t timeoutMs) {
  if (m_log.debug()) m_log.WriteToLog("debug - WaitForProcess calling with TaskID=" + std::to_string(taskId));
  std::string error;
  switch (m_processes.wait(taskId, timeoutMs, error)) {
    case WaitResult::Ended:
      return true;
    case WaitResult::TimedOut:
      return false;
    case WaitResult::Failed:
      break;
  }
  // The wait itself failed: nothing says the process ended, so the caller
  // hears "still running" and logs its time-out line after this warning.
  const VbError e(5, error.empty() ? "Invalid procedure call or argument" : error);
  m_log.WriteToLog("(warning) error raised calling external app" + std::to_string(e.number) + " (" + e.description +
                   ") in procedure WaitForProcess of Module modCallExternalApp");
  return false;
}

void modCallExternalApp::PauseSeconds(double seconds) { sleepScaledSeconds(seconds); }

void modCallExternalApp::SleepMs(std::uint32_t ms) { sleepScaledMs(ms); }

}  // namespace vrel::restore
