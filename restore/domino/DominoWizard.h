// The Domino reconciliation wizard as the restore run shows it: frmDomino1
// loaded (it unloads itself when nothing is unmatched), shown modally over
// the main form, and unloaded when it has been closed.
#pragma once

namespace vrel::restore {

class frmMain;

void showDominoWizard(frmMain& main);

}  // namespace vrel::restore
