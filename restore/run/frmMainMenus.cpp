// PLACEHOLDER: replaced by its owner.
#include "restore/run/frmMain.h"

namespace vrel::restore {

void frmMain::mnuHelp_Click() {}
void frmMain::mnuAbout_Click() {}
void frmMain::mnuCheckForUpdatedVersion_Click() {}
void frmMain::mnuRestoreCertificates_Click() {}

}  // namespace vrel::restore
