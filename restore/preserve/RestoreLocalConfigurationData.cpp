// Puts the new machine's own registry branches, exported into the program
// folder before the backup's registry was imported, back over the restored
// registry.
#include "restore/preserve/RegBranchImport.h"
#include "restore/run/frmMain.h"

namespace vrel::restore {

namespace {

constexpr const char* kProcedure = "RestoreLocalConfigurationData";

struct BranchRestore {
  const char* branch;         // deleted before the import; null: imported over the restored branch
  int deletePasses;           // the Directory Connectors branch is deleted twice in a row
  const char* file;           // in the program folder
  const char* notInLocalSet;  // null: always imported; else imported only when the file is present
};

// In the order they are put back.
constexpr BranchRestore kBranches[] = {
    {"software\\Tremarc\\Directory Connectors", 2, "TempDirectoryConnectorsRegBranch.reg", nullptr},
    {"SOFTWARE\\Tremarc\\Notifier", 1, "TempNotifierRegBranch.reg", nullptr},
    {"software\\tremarc\\Zurevezuza", 1, "TempZureVezuzaRegBranch.reg", nullptr},
    {"software\\tremarc\\Zurevezuza Setup", 1, "TempZureVezuzaSetupRegBranch.reg", nullptr},
    {nullptr, 0, "TempTmLogMgrRegBranchFile.reg", nullptr},
    {nullptr, 0, "TempQXCARegBranchFile.reg", "    QXCA registry branch not in the local set, skipping"},
    {"software\\Tremarc\\MIU\\1.0\\Initialization\\Integrations", 1, "TempMIUIntegrationBranchFile.reg",
     "    MIU Integrations registry branch not in the local set, skipping"},
    {"software\\tremarc\\TMDOM", 1, "TempTMDOMRegBranchFile.reg",
     "    tmDOM registry branch not in the local set, skipping"},
    {"Software\\Tremarc\\MsgStoreMonitor", 1, "TempMessageStoreMonitorBranchFile.reg",
     "    message store monitor registry branch not in the local set, skipping"},
    {"Software\\Tremarc\\PermissionsWizard", 1, "TempPermWizBranchFile.reg",
     "    permissions wizard registry branch not in the local set, skipping"},
    {"Software\\Tremarc\\Ruler", 1, "TempRulerBranchFile.reg",
     "    ruler registry branch not in the local set, skipping"},
    {"Software\\Tremarc\\TmSkinny", 1, "TempTmSkinnyBranchFile.reg",
     "    tmSkinny registry branch not in the local set, skipping"},
    {"Software\\Tremarc\\Arbiter\\1.0\\Port Configuration", 1, "TempArbiterPortConfigBranchFile.reg",
     "    arbiter port configuration registry branch not in the local set, skipping"},
    {"software\\Tremarc\\ToolsDepot", 1, "TempToolsDepotBranchFile.reg",
     "    Tools Depot registry branch not in the local set, skipping"},
    {"Software\\Tremarc\\Conversations\\1.0\\ConfidentialMessaging", 1, "TempConfidentialMessagingRegBranch.reg",
     "    Confidential Messaging registry branch not in the local set, skipping"},
};

}  // namespace

void frmMain::RestoreLocalConfigurationData() {
  Program& p = m_program;
  for (const BranchRestore& row : kBranches) {
    const std::string path = p.programFolder() + "\\" + row.file;
    if (row.notInLocalSet && !p.files.fileExists(path)) {
      p.log.WriteToLog(row.notInLocalSet);
      continue;
    }
    // Deleting the branch and then importing a file that brings nothing
    // would leave the server without it: keep what the backup brought.
    std::string reason;
    if (!bRegFileUsable(p.files, path, reason)) {
      p.log.WriteToLog(regFileNotImportedLine(path, reason) +
                       " - the registry branch restored from the backup is kept");
      continue;
    }
    for (int pass = 0; row.branch && pass < row.deletePasses; ++pass)
      trapLogged(kProcedure, [&] { p.module1.DeleteRegistryTree(Hive::LocalMachine, row.branch); });
    const std::string command = regImportCommand(path);
    p.log.WriteToLog("    Executing: " + command);
    trapLogged(kProcedure, [&] { runAndWait(p.external, command); });
  }
}

}  // namespace vrel::restore
