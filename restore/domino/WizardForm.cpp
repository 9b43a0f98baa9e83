#include "restore/domino/WizardForm.h"

#include "restore/run/VbError.h"
#include "restore/shell/frmAbout.h"
#include "restore/shell/modHelp.h"

namespace vrel::restore {

namespace {
constexpr int kHelp = 21;
constexpr int kAbout = 5;
}  // namespace

void checkCom(com::HRESULT h) {
  if (com::FAILED(h)) throw VbError(h, "Automation error");
}

void WizardForm::addHelpMenus() {
  add("mnuHelp", ControlKind::Menu);
  add("mnuHelpItem", ControlKind::Menu, "mnuHelp");
  add("mnuAbout", ControlKind::Menu, "mnuHelp");
  onClick("mnuHelpItem", [this] { mnuHelpItem_Click(); });
  onClick("mnuAbout", [this] { mnuAbout_Click(); });
}

void WizardForm::captionHelpMenus() {
  control("mnuHelp").caption = m_program.str(kHelp);
  control("mnuHelpItem").caption = m_program.str(kHelp);
  control("mnuAbout").caption = m_program.str(kAbout);
}

void WizardForm::mnuHelpItem_Click() {
  trap("mnuHelpItem_Click", [&] { showCHMHelp(m_program, getHelpFileName(m_program), *this); });
}

void WizardForm::mnuAbout_Click() {
  trap("mnuAbout_Click", [&] {
    std::vector<FormModel*> forms = otherForms;
    forms.push_back(this);
    frmAbout about(m_program, forms);
    about.Form_Load();
    m_program.ui.showForm(about, true);
  });
}

}  // namespace vrel::restore
