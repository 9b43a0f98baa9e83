#include "restore/domino/DominoWizard.h"

#include "restore/domino/frmDomino1.h"
#include "restore/run/frmMain.h"

namespace vrel::restore {

void showDominoWizard(frmMain& main) {
  frmDomino1 page(main.program(), main);
  page.otherForms = {&main};
  page.Form_Load();
  if (page.unloaded) return;
  main.program().ui.showForm(page, true);
  page.Form_Unload();
}

}  // namespace vrel::restore
