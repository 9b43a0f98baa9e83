// frmDomino2, the wizard's second page: the replacements for references to
// the subscribers marked for deletion on frmDomino1 (owner/recipient
// subscriber, after-message call handler, exit-destination call handler,
// after-greeting and user-input choices), then the deletion itself, one
// subscriber at a time through the server's stored procedures.
#pragma once

#include "restore/domino/WizardForm.h"

namespace vrel::restore {

class frmDomino1;

class frmDomino2 : public WizardForm {
 public:
  frmDomino2(Program& program, frmDomino1& page1);

  void Form_Load();
  void Auto_Init_frmDomino2();
  void Auto_Init() override { Auto_Init_frmDomino2(); }
  void cmdBrowseForOwnerRecipientSubscriber_Click();
  void cmdBrowseForAfterMessageCallHandler_Click();
  void cmdBrowseForExitDestinationCallHandler_Click();
  void cmdNext_Click();
  void cmdPrevious_Click();
  void DeleteSubscriber(const std::string& objectId);

  // Set while the page waits for the administrator; the headless driver and
  // tests choose through the search dialogs this hook is handed.
  frmDomino1& page1() { return m_page1; }

 private:
  void browseCallHandler(const char* displayBox, const char* objectBox);
  void setPair(const char* displayBox, const char* objectBox, const std::string& display, const std::string& id);
  std::string text(const char* box) const { return control(box).caption; }

  frmDomino1& m_page1;
};

}  // namespace vrel::restore
