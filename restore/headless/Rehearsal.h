// VrelRestore --rehearse: the headless run on a disposable copy of the
// machine (registry, databases, drives). Children the run starts work on the
// copy too (VREL_MACHINE names it while the run lasts). Afterwards the
// report lists every change the run made there, the leftovers it found and
// the run log it wrote; the copy is then removed.
#pragma once

#include "restore/headless/HeadlessOptions.h"
#include "restore/run/Program.h"

#include <functional>
#include <ostream>

namespace vrel {
class Machine;
struct MachineChanges;
}

namespace vrel::restore {

// The rehearsal; its exit status is the headless run's, or 2 when the copy
// cannot be made. changes, when given, receives the changes it reports.
int runRehearsal(Machine& machine, const ProgramSetup& setup, const ProgramArguments& arguments, std::ostream& out,
                 std::ostream& err, const std::function<void(Program&)>& prepare, MachineChanges* changes = nullptr);

// The report's list of changes, one line each, as the rehearsal prints it.
void printChanges(const MachineChanges& changes, std::ostream& out);

}  // namespace vrel::restore
