#include "restore/run/frmMain.h"

#include "restore/run/EndProgram.h"

namespace vrel::restore {

const std::array<frmMain::ProgressBox, 15> frmMain::kProgress = {{
    {"chkShuttingDown", 0, 43},
    {"chkBackingupCurrentRegistryValues", 5, 7},
    {"chkRestoringOldRegistry", 4, 38},
    {"chkBackingUpSQLValues", 8, 6},
    {"chkRestoringOrvixDB", 3, 37},
    {"chkRestoringReportDB", 12, 36},
    {"chkMappingAliases", 14, 161},
    {"chkNormalizingDB", 13, 154},
    {"chkModifyingSQLTables", 2, 24},
    {"chkRestoringGreetings", 9, 39},
    {"chkSyncing", 6, 44},
    {"chkSARights", 7, 22},
    {"chkStartingOrvix", 11, 29},
    {"chkRestoringMessages", 10, 40},
    {"chkRestoreComplete", 1, 33},
}};

namespace {
// Caption IDs of the form's own controls.
struct CaptionId {
  const char* control;
  int id;
};
constexpr CaptionId kCaptions[] = {
    {"frameBackupLocation", 8}, {"cmdBrowse", 9},
    {"frmOptions", 27},         {"chkRestoreMessages", 31},
    {"chkRestoreReportData", 32}, {"chkRestoreCertificates", 158},
    {"chkUseAliasMappingFile", 159}, {"cmdBrowseForAliasMappingFile", 9},
    {"cmdRestore", 30},         {"cmdExit", 19},
    {"frameProgress", 28},      {"mnuHelp", 21},
    {"mnuAbout", 5},            {"mnuCheckForUpdatedVersion", 114},
    {"mnuRestoreCertificates", 165},
};
constexpr int kFormCaption = 50;

std::string labelName(int index) { return "lblCheckBoxLables(" + std::to_string(index) + ")"; }
}  // namespace

frmMain::frmMain(Program& program) : FormModel("frmMain"), m_program(program) { buildControls(); }

void frmMain::buildControls() {
  add("frameBackupLocation", ControlKind::Frame);
  add("txtTargetPath", ControlKind::TextBox, "frameBackupLocation");
  add("cmdBrowse", ControlKind::Button, "frameBackupLocation");
  add("frmOptions", ControlKind::Frame);
  add("chkRestoreMessages", ControlKind::CheckBox, "frmOptions");
  add("chkRestoreReportData", ControlKind::CheckBox, "frmOptions");
  add("chkRestoreCertificates", ControlKind::CheckBox, "frmOptions");
  add("chkUseAliasMappingFile", ControlKind::CheckBox, "frmOptions");
  add("txtAliasMappingFilePath", ControlKind::TextBox, "frmOptions").enabled = false;
  add("cmdBrowseForAliasMappingFile", ControlKind::Button, "frmOptions").enabled = false;
  add("cmdRestore", ControlKind::Button).enabled = false;
  add("cmdExit", ControlKind::Button);
  add("frameProgress", ControlKind::Frame);
  // The progress boxes stand in the form in reverse label order.
  for (int label = 14; label >= 0; --label) {
    for (const ProgressBox& box : kProgress) {
      if (box.label != label) continue;
      add(box.checkBox, ControlKind::CheckBox, "frameProgress").enabled = false;
      add(labelName(label), ControlKind::Label, "frameProgress");
    }
  }
  add("mnuHelp", ControlKind::Menu);
  add("mnuAbout", ControlKind::Menu);
  add("mnuCheckForUpdatedVersion", ControlKind::Menu);
  add("mnuRestoreCertificates", ControlKind::Menu).enabled = false;

  onClick("cmdBrowse", [this] { cmdBrowse_Click(); });
  onClick("chkRestoreMessages", [this] { chkRestoreMessages_Click(); });
  onClick("chkUseAliasMappingFile", [this] { chkUseAliasMappingFile_Click(); });
  onClick("cmdBrowseForAliasMappingFile", [this] { cmdBrowseForAliasMappingFile_Click(); });
  onClick("cmdRestore", [this] { cmdRestore_Click(); });
  onClick("cmdExit", [this] { cmdExit_Click(); });
  onClick("mnuHelp", [this] { mnuHelp_Click(); });
  onClick("mnuAbout", [this] { mnuAbout_Click(); });
  onClick("mnuCheckForUpdatedVersion", [this] { mnuCheckForUpdatedVersion_Click(); });
  onClick("mnuRestoreCertificates", [this] { mnuRestoreCertificates_Click(); });
}

void frmMain::Auto_Init() {
  caption = m_program.str(kFormCaption);
  for (const CaptionId& c : kCaptions) control(c.control).caption = m_program.str(c.id);
  for (const ProgressBox& box : kProgress) control(labelName(box.label)).caption = m_program.str(box.stringId);
  touch();
}

void frmMain::tick(const char* checkBox) {
  setValue(checkBox, 1);
  m_program.ui.DoEvents();
}

void frmMain::cmdExit_Click() { ExitProgram(ProgramEnd::Normal); }

void frmMain::Form_Unload() { ExitProgram(ProgramEnd::Normal); }

}  // namespace vrel::restore
