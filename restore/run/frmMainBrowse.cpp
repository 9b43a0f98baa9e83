// PLACEHOLDER: replaced by its owner.
#include "restore/run/frmMain.h"

namespace vrel::restore {

void frmMain::cmdBrowse_Click() {}
void frmMain::chkRestoreMessages_Click() {}
void frmMain::chkUseAliasMappingFile_Click() {}
void frmMain::cmdBrowseForAliasMappingFile_Click() {}

}  // namespace vrel::restore
