// Exception reporting: every method body of the module runs inside a guard
// that catches any exception, processor faults included (an access
// violation in the Notes client arrives as a ProcessorFault), records it in
// the Application event log and as a log-manager line with a stack trace of
// the reporting thread, and returns its HRESULT. With the machine-wide
// switch "ExceptionDebug" = 1 the guard catches nothing and hands faults to
// the post-mortem debugger instead.
#pragma once

#include "domsvr/Module.h"

#include <string>

namespace vrel::domsvr {

// A processor fault (SIGSEGV, SIGBUS, SIGFPE, SIGILL) inside a guard.
struct ProcessorFault {
  int signal;
};

// Writes the event and the log-manager line; never fails its caller.
void reportException(const char* file, int line, com::HRESULT code) noexcept;
// The stack trace text of the calling thread: one "\r\n"-ended line per frame.
std::string stackTrace();
// Read once per process from the registry.
bool exceptionDebugSwitch();

// Marks the calling thread as inside a guard while it lives: a processor
// fault then unwinds to the guard as a ProcessorFault instead of ending the
// process.
class FaultScope {
 public:
  FaultScope();
  ~FaultScope();
  FaultScope(const FaultScope&) = delete;
  FaultScope& operator=(const FaultScope&) = delete;
};

// The debug handler: starts the post-mortem debugger for this process and
// waits for it to end.
void runPostMortemDebugger() noexcept;
// The debugger's command line: the template with its first "%ld" replaced by
// the process id and its second by the event handle.
std::string debuggerCommand(const std::string& pattern, long pid, long event);

// Runs body (returning an HRESULT) inside the guard.
template <class F>
com::HRESULT guarded(const char* file, int line, F&& body) {
  FaultScope scope;
  if (exceptionDebugSwitch()) return body();
  try {
    return body();
  } catch (const HResultError& e) {
    reportException(file, line, e.hr);
    return e.hr;
  } catch (...) {
    reportException(file, line, com::E_FAIL);
    return com::E_FAIL;
  }
}

}  // namespace vrel::domsvr
