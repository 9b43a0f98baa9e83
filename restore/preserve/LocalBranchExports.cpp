#include "restore/preserve/LocalBranchExports.h"

#include "restore/run/VbError.h"
#include "restore/run/frmMain.h"

#include <array>

namespace vrel::restore {

namespace {

constexpr const char* kProcedure = "BackupLocalConfigurationData";

constexpr LocalBranchFile kWholeTree = {"PreRestoreTMRegistryBranch.reg", "SOFTWARE\\Tremarc", false,
                                        "    Backing up entire Tremarc registry tree with:", nullptr};

constexpr std::array<LocalBranchFile, 15> kBranches = {{
    {"TempDirectoryConnectorsRegBranch.reg", "SOFTWARE\\Tremarc\\Directory Connectors", false,
     "    Exporting DirectoryConnectors registry branch with: ", nullptr},
    {"TempNotifierRegBranch.reg", "SOFTWARE\\Tremarc\\Notifier", false,
     "    Exporting Notifier registry branch with: ", nullptr},
    {"TempZureVezuzaRegBranch.reg", "SOFTWARE\\Tremarc\\ZureVezuza", false,
     "    Exporting ZureVezuza registry branch with: ", nullptr},
    {"TempZureVezuzaSetupRegBranch.reg", "SOFTWARE\\Tremarc\\Zurevezuza Setup", false,
     "    Exporting ZurevezuzaSetup registry branch with: ", nullptr},
    {"TempTmLogMgrRegBranchFile.reg", "SOFTWARE\\Tremarc\\TmLogMgr", false,
     "    Exporting TmLogMgr registry branch with: ", nullptr},
    {"TempConfidentialMessagingRegBranch.reg", "Software\\Tremarc\\Conversations\\1.0\\ConfidentialMessaging", true,
     "    Exporting Confidential Messaging registry branch with: ",
     "    Confidential Messaging Registry branch not found on local install, skipping."},
    {"TempQXCARegBranchFile.reg", "software\\tremarc\\QXCA", true,
     "    Exporting QXCA registry branch with: ", "    QXCA Registry branch not found on local install, skipping."},
    {"TempToolsDepotBranchFile.reg", "software\\Tremarc\\ToolsDepot", true,
     "    Exporting tools depot registry branch with: ",
     "    Tools Depot Registry branch not found on local install, skipping."},
    {"TempMIUIntegrationBranchFile.reg", "software\\Tremarc\\MIU\\1.0\\Initialization\\Integrations", true,
     "    Exporting MIU Integrations registry branch with: ",
     "    MIU Integrations registry branch not found on local install, skipping."},
    {"TempTMDOMRegBranchFile.reg", "software\\tremarc\\TMDOM", true,
     "    Exporting TMDOM registry branch with: ", "    TMDOM registry branch not found on local install, skipping."},
    {"TempMessageStoreMonitorBranchFile.reg", "Software\\Tremarc\\MsgStoreMonitor", true,
     "    Exporting message store monitor registry branch with: ",
     "    Message store monitor registry branch not found on local install, skipping."},
    {"TempPermWizBranchFile.reg", "Software\\Tremarc\\PermissionsWizard", true,
     "    Exporting permissions wizard registry branch with: ",
     "    Permissions wizard Registry branch not found on local install, skipping."},
    {"TempRulerBranchFile.reg", "Software\\Tremarc\\Ruler", true,
     "    Exporting ruler registry branch with: ", "    ruler Registry branch not found on local install, skipping."},
    {"TempTmSkinnyBranchFile.reg", "Software\\Tremarc\\TmSkinny", true, "    Exporting TmSkinny registry branch with: ",
     "    TmSkinny Registry branch not found on local install, skipping."},
    {"TempArbiterPortConfigBranchFile.reg", "Software\\Tremarc\\Arbiter\\1.0\\Port Configuration", true,
     "    Exporting arbiter port configuration registry branch with: ",
     "    arbiter port configuration Registry branch not found on local install, skipping."},
}};

constexpr LocalBranchFile kMalLn = {"TempMalLnBranchFile.reg", "Software\\Tremarc\\MALLn", false,
                                    "    Exporting MALLn registry branch with: ", nullptr};

}  // namespace

const LocalBranchFile& wholeTreeFile() {
  return kWholeTree;
}
std::span<const LocalBranchFile> localBranchFiles() {
  return kBranches;
}
const LocalBranchFile& malLnFile() {
  return kMalLn;
}

std::string regExportCommand(const std::string& programFolder, const LocalBranchFile& file) {
  return "regedit /e \"" + programFolder + "\\" + file.file + "\" \"HKEY_LOCAL_MACHINE\\" + file.branch + "\"";
}

void exportLocalBranch(frmMain& form, const LocalBranchFile& file) {
  Program& p = form.program();
  const std::string path = p.programFolder() + "\\" + file.file;
  // A file left by an earlier run must not survive an export that fails or
  // is skipped: it would put an old branch back later.
  deleteEarlierFile(form, path);
  bool present = true;
  form.trapLogged(kProcedure, [&] {
    present = !file.onlyWhenPresent || p.module1.bRegistryKeyExists(Hive::LocalMachine, file.branch);
  });
  if (!present) {
    p.log.WriteToLog(file.absentLine);
    return;
  }
  const std::string command = regExportCommand(p.programFolder(), file);
  p.log.WriteToLog(file.exportLine + command);
  form.trapLogged(kProcedure, [&] {
    const long pid = p.external.Shell(command, 1);
    p.external.WaitForProcess(pid, modCallExternalApp::kInfinite);
  });
}

void deleteEarlierFile(frmMain& form, const std::string& path) {
  Program& p = form.program();
  form.trapLogged(kProcedure, [&] {
    if (!p.files.exists(path)) return;
    const FileStatus st = p.files.deleteFile(path, true);
    if (!st) throw VbError(st.number, st.description);
  });
}

}  // namespace vrel::restore
