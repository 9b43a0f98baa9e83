// The Domino reconciliation wizard without a display: when the core shows a
// wizard page or a search dialog modally, the choices of the answer file are
// made on it (rows marked or kept, replacements searched and picked, the
// options), its buttons pressed, and every step printed to the transcript.
#pragma once

#include "restore/headless/HeadlessOptions.h"

#include <ostream>

namespace vrel::restore {

class FormModel;

class HeadlessWizard {
 public:
  HeadlessWizard(WizardAnswers answers, std::ostream& out) : m_answers(std::move(answers)), m_out(out) {}

  // Drives a modal form of the wizard; false for any other form.
  bool drive(FormModel& form);

 private:
  void page1(class frmDomino1& page);
  void page2(class frmDomino2& page);
  void search(class SearchForm& dialog);
  void exportUnmatched(class frmDomino1& page);

  WizardAnswers m_answers;
  std::ostream& m_out;
  // The search text the next search dialog gets.
  std::string m_nextSearch;
  bool m_searchByAlias = false;
};

}  // namespace vrel::restore
