// Finding a program the way a typed command is found on Windows: a path
// (full or relative to the current folder) names the file; a bare name is
// looked for in the current folder, then in each folder of the machine's
// search path. The name is tried as given (when it has an extension), then
// with .COM, .EXE, .BAT and .CMD.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vrel {

class Machine;

struct ProgramLocation {
  enum Kind { Executable, Batch };
  std::string winPath;   // the file found, full Windows path
  std::string hostPath;  // the same file on the host, names as on disk
  Kind kind = Executable;
};

// The machine's search path: HKLM "SYSTEM\CurrentControlSet\Control\Session
// Manager\Environment" value "Path", %VAR% references expanded; the Windows
// default when the value is absent.
std::vector<std::string> machineSearchPath(Machine& machine);

// Expands %NAME% references: SystemRoot (C:\Windows), SystemDrive (C:), and
// the other values of the machine's environment key. Unknown names and a
// lone '%' stay as they are.
std::string expandMachineEnvironment(Machine& machine, std::string_view text);

// False when no file is found.
bool findProgram(Machine& machine, std::string_view name, ProgramLocation& out);

}  // namespace vrel
