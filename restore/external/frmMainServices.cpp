// PLACEHOLDER: replaced by its owner.
#include "restore/run/frmMain.h"

namespace vrel::restore {

void frmMain::ShutDownOrvix() {}
void frmMain::StartUpOrvix() {}

}  // namespace vrel::restore
