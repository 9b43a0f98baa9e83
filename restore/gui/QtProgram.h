// The restore program in its window: the main form's window, Form_Load, then
// the administrator's events until the exit procedure ends the program.
#pragma once

#include "restore/run/Program.h"

#include <functional>

namespace vrel::restore {

// Runs the program on machine with a QApplication already made; prepare is
// called with the new Program before the form loads (the outside server's
// parts). Returns the exit status (ProgramEnd).
int runWindowed(Machine& machine, const ProgramSetup& setup, const std::function<void(Program&)>& prepare);

}  // namespace vrel::restore
