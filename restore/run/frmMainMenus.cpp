// The main form's menus: help, the about box, the update check, and the
// certificate restore on its own.
#include "restore/run/frmMain.h"
#include "restore/shell/frmAbout.h"
#include "restore/shell/modHelp.h"
#include "restore/shell/modUpdateCheck.h"

#include <vector>

namespace vrel::restore {

namespace {
constexpr const char* kCertificateMenuUnavailable =
    "Restoring certificates on their own is not available in this build of the program.  Certificates are restored "
    "during a restore run when the option to restore certificates is ticked.";
}

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

// The certificate restore from the menu comes with a later version; the
// menu item stays disabled, and if it is reached anyway it says so rather
// than pretend to have restored anything.
void frmMain::mnuRestoreCertificates_Click() {
  m_program.MsgBox(kCertificateMenuUnavailable, MsgBoxStyle::OKOnly, MsgIcon::Information);
}

}  // namespace vrel::restore
