// The rights check behind the "Restore Messages" option on an Active
// Directory system: the mail stores that hold subscribers are written to
// "MailStoreInput.txt" in the program's folder, the rights tool `Rilo` checks
// the running account's Send-As and Receive-As rights on each, and its
// answer "RILO.OUT" is read back.
#pragma once

#include "restore/accounts/RiloOutput.h"

#include <string>

namespace vrel::restore {

class Program;

// The file names in the program's folder.
inline constexpr const char* kRiloInputFile = "MailStoreInput.txt";
inline constexpr const char* kRiloOutputFile = "RILO.OUT";

// True when no store failed the check. Shows the two messages (the failed
// stores, then the advice) when one did; an unexpected failure of a step is
// shown as "(error):N (desc) in procedure bAccountHasMailstoreRights of Form
// frmMain" and the next step runs.
bool bAccountHasMailstoreRights(Program& program);

}  // namespace vrel::restore
