// What both front-ends of VrelRestore do before the core starts: the machine
// (VREL_MACHINE), the program's own folder as the machine names it, the
// whole command line, and the outside server's parts the core calls.
#pragma once

#include "platform/Machine.h"
#include "restore/run/Program.h"

#include <memory>
#include <string>

namespace vrel::restore {

struct ProgramStart {
  std::unique_ptr<Machine> machine;
  ProgramSetup setup;
};

// Opens the machine and fills the setup: the program folder is the folder of
// the executable (as started, so a link placed in the machine's folder counts
// as there) seen through the machine's drives; the command line is the whole
// argument text the program was started with. False with error when there is
// no machine.
bool openProgramStart(int argc, const char* const* argv, ProgramStart& start, std::string& error);

using vrel::executableHostPath;
using vrel::programFolderOf;

// Gives the Program the stand-in server's parts: its stored procedures in
// this process and its control object.
void prepareProgram(Program& program);

}  // namespace vrel::restore
