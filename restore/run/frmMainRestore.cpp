// PLACEHOLDER: replaced by its owner.
#include "restore/run/frmMain.h"

namespace vrel::restore {

void frmMain::cmdRestore_Click() {}

}  // namespace vrel::restore
