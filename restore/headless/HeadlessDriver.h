// The headless front-end's run: what an administrator would do at the window,
// done from the options. Form_Load; the Browse button with the backup folder;
// the options ticked or unticked; Restore From Backup; the exit procedure.
#pragma once

#include "restore/headless/HeadlessOptions.h"
#include "restore/run/EndProgram.h"
#include "restore/run/Program.h"

#include <functional>
#include <ostream>

namespace vrel::restore {

class frmMain;
class HeadlessUi;

// Drives the form; how the program ended. Paths in options are the
// machine's. A backup folder the form does not accept (the folder box stays
// empty or Restore From Backup stays disabled) ends the program as refused.
ProgramEnd driveHeadless(frmMain& form, HeadlessUi& ui, const HeadlessOptions& options);

// The whole headless program on machine: reads the answer file the
// arguments name, lets the arguments beat it, makes the paths the machine's,
// creates the Program (prepare wires the outside server's parts) and drives
// the form. Boxes and notes go to out, errors to err. Returns the exit
// status: ProgramEnd's value, 2 for an unusable answer file, 1 for an error
// the core did not catch. finished, when given, sees the Program after the
// form has been driven.
int runHeadless(Machine& machine, const ProgramSetup& setup, const ProgramArguments& arguments, std::ostream& out,
                std::ostream& err, const std::function<void(Program&)>& prepare,
                const std::function<void(Program&)>& finished = {});

}  // namespace vrel::restore
