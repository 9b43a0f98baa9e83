// The backup source and the options it offers: choosing and checking the
// backup folder, the message restore option, and the alias mapping file.
#include "platform/Text.h"
#include "restore/accounts/bAccountHasMailstoreRights.h"
#include "restore/aliases/AliasMapFile.h"
#include "restore/aliases/Exchange2007.h"
#include "restore/preserve/PreRestoreChecks.h"
#include "restore/run/FolderOptions.h"
#include "restore/run/InterruptedRun.h"
#include "restore/run/frmMain.h"

namespace vrel::restore {

namespace {

constexpr const char* kSystemParametersKey = "SOFTWARE\\Tremarc\\SystemParameters\\1.0";
constexpr const char* kActiveDirectoryConnector = "TmIDCADSvr.TmIDCAD.1";

constexpr int kCriticalFilesMissing = 12;  // "Critical disaster recovery backup files cannot be found at t..."
constexpr int kJustRestoreDB = 58;  // "You have selected to restore only the SQL tables and skip al..."
constexpr int kReadOnlyMedia = 70;  // "Backup files are marked for read only and cannot be changed...."
constexpr int kBadAliasMapFile = 79;  // "That file is not formatted correctly for alias mapping.  Ple..."

bool voiceConnectorOnly(Program& program) {
  const LocalVersionInfo& v = program.module1.localVersionInfo;
  return v.bIVCInstall && v.Major == 0;
}

// A run log in the folder from a run that never finished: the operator is
// told how far it got and what to do before running again.
void warnOfInterruptedRun(Program& program, const std::string& folder) {
  std::string text;
  if (!program.files.fileExists(folder + "DisasterRecoveryRestore.log") ||
      !program.files.readAll(folder + "DisasterRecoveryRestore.log", text))
    return;
  if (const auto earlier = findInterruptedRun(text))
    program.MsgBox(interruptedRunMessage(*earlier), MsgBoxStyle::OKOnly, MsgIcon::Exclamation);
}

}  // namespace

void frmMain::cmdBrowse_Click() {
  Program& p = m_program;
  std::string folder = p.ui.BrowseForFolder("");
  if (folder.empty()) return;
  if (folder.back() != '\\') folder += '\\';
  control("txtTargetPath").caption = folder;
  touch();

  if (!p.files.fileExists(folder + "OrvixDBBackUp.SQL") || !p.files.fileExists(folder + "OrvixReg.reg")) {
    p.MsgBox(p.str(kCriticalFilesMissing));
    control("txtTargetPath").caption.clear();
    for (const char* option :
         {"chkRestoreMessages", "chkRestoreCertificates", "chkRestoreReportData", "chkUseAliasMappingFile"})
      untickAndDisable(*this, option);
    control("cmdRestore").enabled = false;
    touch();
    return;
  }
  // Before the checks of the machine, which an earlier run may have changed.
  warnOfInterruptedRun(p, folder);

  if (p.commandLineHas("JustRestoreDB")) {
    // Asked again, and acted on, when the restore starts.
    p.MsgBox(p.str(kJustRestoreDB), MsgBoxStyle::YesNo);
  } else {
    offerCertificates(*this, folder);
    if (p.module1.localVersionInfo.bIVCInstall && p.files.fileExists(folder + "CertBackup"))
      control("mnuRestoreCertificates").enabled = true;

    p.module1.MarkAllFilesReadWrite(folder);
    if (p.files.isReadOnly(folder + "OrvixDBBackup.sql")) {
      p.MsgBox(p.str(kReadOnlyMedia));
      control("txtTargetPath").caption.clear();
      untickAndDisable(*this, "chkRestoreMessages");
      // The folder is gone, so is the run it would have offered.
      control("cmdRestore").enabled = false;
      touch();
      return;
    }
    if (!PreRestoreChecksOK(*this, folder)) {
      untickAndDisable(*this, "chkRestoreMessages");
      control("cmdRestore").enabled = false;
      touch();
      return;
    }
  }

  if (bExchange2007MailstorePresent(p)) {
    untickAndDisable(*this, "chkRestoreMessages");
  } else if (p.files.folderExists(folder + "messages")) {
    control("chkRestoreMessages").enabled = true;
    setValue("chkRestoreMessages", 1);
  } else {
    untickAndDisable(*this, "chkRestoreMessages");
  }

  if (p.files.fileExists(folder + "ReportDBBackup.sql"))
    control("chkRestoreReportData").enabled = true;
  else
    untickAndDisable(*this, "chkRestoreReportData");

  // A refused folder disabled the alias option; an accepted one offers it again.
  control("chkUseAliasMappingFile").enabled = true;
  control("cmdRestore").enabled = !voiceConnectorOnly(p);
  touch();
}

void frmMain::chkRestoreMessages_Click() {
  Program& p = m_program;
  if (control("chkRestoreMessages").value != 1) return;
  const std::string connector =
      p.module1.GetRegistryValue(Hive::LocalMachine, kSystemParametersKey, "IDCProgID", kRegSz, "").asText();
  if (!iequals(connector, kActiveDirectoryConnector)) return;
  if (!bAccountHasMailstoreRights(p)) setValue("chkRestoreMessages", 0);
}

void frmMain::chkUseAliasMappingFile_Click() {
  const bool on = control("chkUseAliasMappingFile").value == 1;
  control("cmdBrowseForAliasMappingFile").enabled = on;
  control("txtAliasMappingFilePath").enabled = on;
  touch();
}

void frmMain::cmdBrowseForAliasMappingFile_Click() {
  Program& p = m_program;
  FileDialogOptions options;
  options.title = "Select alias mapping file";
  options.defaultExt = ".CSV";
  options.fileName = "AliasMap.CSV";
  options.filter = "*.CSV";
  options.initialFolder = p.programFolder();
  const std::string path = p.ui.GetOpenFileName(options);
  if (path.empty()) return;
  if (bCheckAliasMapFile(p, path)) {
    control("txtAliasMappingFilePath").caption = path;
  } else {
    p.MsgBox(p.str(kBadAliasMapFile));
    control("txtAliasMappingFilePath").caption.clear();
  }
  touch();
}

}  // namespace vrel::restore
