// frmDomino1, the first page of the Domino reconciliation wizard: the
// restored Domino subscribers whose directory ID names no person document
// any more, each searched again in Domino by its alias, with the
// administrator's choice to keep (re-bind) or delete it. Next writes the new
// directory IDs and hands the rows marked for deletion to frmDomino2.
#pragma once

#include "restore/domino/WizardForm.h"

#include <cstdint>
#include <memory>

namespace vrel::restore {

class frmMain;

class frmDomino1 : public WizardForm {
 public:
  frmDomino1(Program& program, frmMain& main);
  ~frmDomino1() override;

  void Auto_Init() override;
  void Form_Load();
  void Form_Unload();
  void GetUnmatchedSubscribers();
  // The number of Domino persons matching alias; the outputs hold the last
  // match read.
  std::int16_t bManualMatch(const std::string& alias, std::string& directoryId, std::string& addressId);
  void AddSubscriberToTable(const std::string& alias, const std::string& addressId, const std::string& firstName,
                            const std::string& lastName, const std::string& objectId, const std::string& directoryId,
                            bool multiple);
  // On the grid's selected row.
  void myGrid_DblClick();
  void cmdRecalculate_Click();
  void cmdExport_Click();
  void cmdNext_Click();

  Grid* grid() override { return &myGrid; }
  Grid myGrid;
  // Set when the form unloaded itself during loading (nothing to reconcile).
  bool unloaded = false;
  frmMain& mainForm() { return m_main; }

  // Status pictures.
  // The export menu without its dialogs: the unmatched users written to
  // file (an existing one replaced) with the default password, under the
  // menu's own error trap.
  void exportUnmatched(const std::string& file, const std::string& password);

  static constexpr const char* kMatch = "Match";
  static constexpr const char* kNoMatch = "NoMatch";
  static constexpr const char* kMultipleMatches = "MultipleMatches";

 private:
  struct Dom;
  void buildGrid();
  void writeDirectoryId(int row);
  void writeExportFile(const std::string& file, const std::string& password);

  frmMain& m_main;
  std::unique_ptr<Dom> m_dom;
};

}  // namespace vrel::restore
