// Starting Windows command lines on the machine and waiting for processes.
// A command line's program is found like a typed command (ProgramSearch.h);
// a host executable is spawned with the arguments of the Windows parse and
// learns the rest through its environment:
//   VREL_CMDLINE       the whole command line (CommandLine.h rawCommandLine)
//   VREL_WINDOW_STYLE  the window style
//   VREL_CWD           the machine's current folder
//   VREL_MACHINE       the machine root; VREL_TOOLS the tools folder
// A batch file (.BAT, .CMD) runs in the machine's cmd.exe, a small batch
// interpreter of ours. Every started process is recorded in the machine's
// process table.
#pragma once

#include "platform/ProcessTable.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vrel {

class Machine;

// 0 or a VB-style run-time error number with its description.
struct ProcStatus {
  long number = 0;
  std::string description;
  explicit operator bool() const { return number == 0; }
};

// Window styles of a started program.
enum WindowStyle : int {
  kHide = 0,
  kNormalFocus = 1,
  kMinimizedFocus = 2,
  kMaximizedFocus = 3,
  kNormalNoFocus = 4,
  kMinimizedNoFocus = 6,
};

enum class WaitResult { Ended, TimedOut, Failed };

// A time-out of this many milliseconds waits without limit.
constexpr std::uint32_t kWaitInfinite = 0xFFFFFFFFu;

class Processes {
 public:
  explicit Processes(Machine& machine) : m_machine(machine), m_table(machine) {}

  // Starts the command line without waiting and sets pid. Errors: 53 "File
  // not found" when the program is not found, 5 "Invalid procedure call or
  // argument" for an empty line, an unknown window style or a file that
  // cannot be run, 70 "Permission denied".
  ProcStatus start(std::string_view commandLine, int windowStyle, long& pid);

  // Waits until pid ends or the time-out (scaled by the time scale) passes.
  // A process that has ended or cannot be opened counts as ended; a child
  // of ours that ended is reaped. A process that outlives the time-out keeps
  // running and is reaped by a later call once it ends. error describes a
  // Failed wait.
  static WaitResult wait(long pid, std::uint32_t timeoutMs, std::string* error = nullptr);

  // True when pid, a child started here that has been waited for, died of
  // a fault or was killed instead of ending by itself: what Windows shows
  // as an exception exit code.
  static bool endedAbnormally(long pid);

  ProcessTable& table() { return m_table; }

  // The host program that interprets batch files: cmd in the tools folder.
  static std::string batchInterpreter();

 private:
  Machine& m_machine;
  ProcessTable m_table;
};

}  // namespace vrel
