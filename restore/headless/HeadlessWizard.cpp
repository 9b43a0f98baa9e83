#include "restore/headless/HeadlessWizard.h"

#include "platform/Text.h"
#include "restore/domino/SearchDialogs.h"
#include "restore/domino/frmDomino1.h"
#include "restore/domino/frmDomino2.h"

#include <algorithm>

namespace vrel::restore {

namespace {

bool named(const std::vector<std::string>& aliases, const std::string& alias) {
  return std::any_of(aliases.begin(), aliases.end(), [&](const std::string& a) { return iequals(a, alias); });
}

}  // namespace

bool HeadlessWizard::drive(FormModel& form) {
  if (auto* p1 = dynamic_cast<frmDomino1*>(&form)) {
    page1(*p1);
  } else if (auto* p2 = dynamic_cast<frmDomino2*>(&form)) {
    page2(*p2);
  } else if (auto* dialog = dynamic_cast<SearchForm*>(&form)) {
    search(*dialog);
  } else {
    return false;
  }
  return true;
}

void HeadlessWizard::page1(frmDomino1& page) {
  Grid& grid = page.myGrid;
  m_out << "Wizard page frmDomino1: " << grid.rows() - 1 << " unmatched subscriber(s)\n";
  for (int r = 1; r < grid.rows(); ++r) {
    const std::string& alias = grid.cell(r, "Alias").text;
    grid.row = r;
    if (named(m_answers.remove, alias) && grid.cell(r, "Delete").value == 0) page.dblClick("myGrid");
    if (named(m_answers.keep, alias) && grid.cell(r, "Delete").value == 1) page.dblClick("myGrid");
    m_out << "  " << alias << ": " << grid.cell(r, "Status").picture
          << (grid.cell(r, "Delete").value ? ", delete" : ", keep") << '\n';
  }
  grid.row = 0;
  if (m_answers.exportFile) exportUnmatched(page);
  m_out << "  Next\n";
  page.click("cmdNext");
}

// The export menu's choices made from the answers: the password it asks
// for, the file it saves to (an existing one replaced, as answering Yes to
// the overwrite question does).
void HeadlessWizard::exportUnmatched(frmDomino1& page) {
  const std::string& file = *m_answers.exportFile;
  if (!m_answers.exportPassword) {
    m_out << "  Export: domino-export-password is missing, nothing exported\n";
    return;
  }
  m_out << "  Export of the unmatched users to " << file << '\n';
  page.exportUnmatched(file, *m_answers.exportPassword);
}

void HeadlessWizard::page2(frmDomino2& page) {
  m_out << "Wizard page frmDomino2\n";
  if (m_answers.afterGreetingHangUp)
    page.click(*m_answers.afterGreetingHangUp ? "optAfterGreetingHangUp" : "optAfterGreetingTakeMessage");
  if (m_answers.userInputHangUp) page.click(*m_answers.userInputHangUp ? "optUserInputHangUp" : "optUserInputIgnore");
  const struct {
    const std::optional<std::string>& text;
    const char* button;
    bool byAlias;
  } picks[] = {{m_answers.owner, "cmdBrowseForOwnerRecipientSubscriber", true},
               {m_answers.afterMessage, "cmdBrowseForAfterMessageCallHandler", false},
               {m_answers.exitDestination, "cmdBrowseForExitDestinationCallHandler", false}};
  bool complete = true;
  for (const auto& pick : picks) {
    if (!pick.text) {
      complete = false;
      continue;
    }
    m_nextSearch = *pick.text;
    m_searchByAlias = pick.byAlias;
    page.click(pick.button);
  }
  if (!complete) {
    m_out << "  the answers name no replacement for every reference: nothing is deleted (Previous)\n";
    page.click("cmdPrevious");
    return;
  }
  m_out << "  Next\n";
  page.click("cmdNext");
  // A page the validation kept open is left without deleting.
  page.click("cmdPrevious");
}

void HeadlessWizard::search(SearchForm& dialog) {
  dialog.control("txtSearchString").caption = m_nextSearch;
  if (m_searchByAlias && dialog.find("optSearchByAlias")) dialog.click("optSearchByAlias");
  dialog.click("cmdSearch");
  const int found = dialog.myGrid.rows() - 1;
  m_out << "Search dialog " << dialog.name() << " \"" << m_nextSearch << "\": " << found << " found";
  if (found > 0) {
    dialog.myGrid.row = 1;
    m_out << ", taking " << dialog.myGrid.cell(1, "Alias").text;
    m_out << '\n';
    dialog.click("cmdOK");
  } else {
    m_out << ", cancelled\n";
    dialog.click("cmdCancel");
  }
}

}  // namespace vrel::restore
