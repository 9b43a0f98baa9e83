// The main form's menus: help, the about box and the update check (the
// certificate restore is in frmMainCertificates.cpp).
#include "restore/run/frmMain.h"
#include "restore/shell/frmAbout.h"
#include "restore/shell/modHelp.h"
#include "restore/shell/modUpdateCheck.h"

#include <vector>

namespace vrel::restore {

void frmMain::mnuHelp_Click() { showCHMHelp(m_program, getHelpFileName(m_program), *this); }

void frmMain::mnuAbout_Click() {
  std::vector<FormModel*> openForms{this};
  if (m_program.helpForm) openForms.push_back(m_program.helpForm);
  frmAbout about(m_program, openForms);
  about.Form_Load();
  m_program.ui.showForm(about, true);
}

void frmMain::mnuCheckForUpdatedVersion_Click() {
  m_program.ui.setHourglass(true);
  checkForUpdatedVersion_Foreground(m_program, kUpdateCheckAppName, homePageAddress());
  m_program.ui.setHourglass(false);
}

}  // namespace vrel::restore
