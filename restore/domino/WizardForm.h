// What the Domino reconciliation wizard's forms share: a form model with a
// grid, the error trap that shows a box and goes on ("(error):" + number +
// " (" + description + ") in procedure " + name + " of Form " + form), COM
// failures turned into the error a VB client raises, and the help and about
// menus.
#pragma once

#include "domsvr/VrelDomSvr.h"
#include "restore/domino/Grid.h"
#include "restore/run/FormModel.h"
#include "restore/run/Program.h"
#include "restore/run/frmMainTraps.h"

#include <string>
#include <vector>

namespace vrel::restore {

class WizardForm : public FormModel {
 public:
  WizardForm(std::string name, Program& program) : FormModel(std::move(name)), m_program(program) {}

  Program& program() { return m_program; }
  // The form's grid, if it has one.
  virtual Grid* grid() { return nullptr; }
  // Forms shown besides this one (a language switch re-captions them).
  std::vector<FormModel*> otherForms;

  void mnuHelpItem_Click();
  void mnuAbout_Click();

 protected:
  // Runs one statement; an error shows the trap's box with the procedure and
  // form names, and the caller goes on.
  template <class F>
  bool trap(const char* procedure, F&& statement, const char* form = nullptr) {
    if (auto e = trapStatement(std::forward<F>(statement))) {
      m_program.MsgBox(procedureTrapLine("(error):", *e, procedure, form ? form : name()));
      return false;
    }
    return true;
  }
  void addHelpMenus();
  void captionHelpMenus();

  Program& m_program;
};

// Raises the error a VB client meets for a failed COM call: number = the
// HRESULT, "Automation error".
void checkCom(com::HRESULT h);

}  // namespace vrel::restore
