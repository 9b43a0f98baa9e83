// PLACEHOLDER: replaced by its owner.
#include "restore/run/frmMain.h"

namespace vrel::restore {

void frmMain::RestoreLocalConfigurationData() {}

}  // namespace vrel::restore
