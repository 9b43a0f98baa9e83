// Phase 16, the file restores and registry path fix-ups: routing rules,
// stream files, greetings and event monitoring data copied into the new
// installation; registry leftovers of the old machine removed; install paths
// in registry values rewritten or set from the new install root; the system
// identifier and the log file values. Every statement runs under the run's
// general trap.
#include "platform/FolderCopy.h"
#include "platform/Text.h"
#include "restore/preserve/SQLInfoSupport.h"
#include "restore/run/frmMain.h"

#include <array>

namespace vrel::restore {

namespace {

constexpr Hive kHKLM = Hive::LocalMachine;
constexpr const char* kEmsKey = "SOFTWARE\\Tremarc\\ToolsDepot\\Diagnostic Tools\\Event Monitoring Service";
constexpr const char* kMiuKey = "Software\\Tremarc\\MIU\\1.0\\Initialization";
constexpr const char* kUmrKey = "Software\\Tremarc\\OrvixUMR\\1.00";
constexpr const char* kLogProcessKey = "Software\\Tremarc\\TmLogMgr\\1.0\\Process";

constexpr std::array<const char*, 2> kMessagingProfiles = {
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles\\Orvix System Profile",
    ".DEFAULT\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles\\Orvix System "
    "Profile",
};

struct PathValue {
  const char* key;
  const char* value;
};

// Rewritten from the backed-up install path to the new one, in this order.
constexpr std::array<PathValue, 7> kRewrittenPaths = {{
    {"Software\\Tremarc\\TmRepDir\\1.0", "History Path File"},
    {"Software\\Tremarc\\CDE\\1.0", "Softkey Config File"},
    {"Software\\Tremarc\\CDE\\1.0", "Script Path"},
    {"Software\\Tremarc\\GAEN", "DataPath"},
    {"Software\\Tremarc\\GAEN", "DefPromptsPath"},
    {"Software\\Tremarc\\GAEN", "LocConfigFile"},
    {kMiuKey, "Configuration File Path"},
}};

// Set outright: the new install root followed by a folder.
struct RootValue {
  const char* key;
  const char* value;
  const char* folder;
  const char* line;
};

constexpr std::array<RootValue, 3> kRootValues = {{
    {"Software\\Tremarc\\TmRepMgr\\1.0", "Output Path", "Reports\\", "    Setting Tremarc\\TmRepMgr\\1.0\\Reports to:"},
    {"Software\\Tremarc\\TmRepMgr\\1.0", "RPT Path", "CrystalReports\\",
     "    Setting Tremarc\\TmRepMgr\\1.0\\RPT Path to:"},
    {kUmrKey, "MTAStoragePath", "OrvixMTA\\", "    Setting Tremarc\\OrvixUMR\\1.00\\MTAStoragePath to:"},
}};

void raiseIfFailed(const FolderCopyResult& r) {
  if (r.status) return;
  std::string description = r.status.description;
  if (r.failures > 1) description += " (and " + std::to_string(r.failures - 1) + " more)";
  throw VbError(r.status.number, description);
}


}  // namespace

void frmMain::RestoreFilesAndPaths() {
  Program& p = m_program;
  RunLog& log = p.log;
  Module1& m = p.module1;
  const std::string& root = p.paths.installRoot;
  const std::string folder = targetPath();
  auto text = [&](const char* key, const char* name) {
    return m.GetRegistryValue(kHKLM, key, name, kRegSz, "").asText();
  };

  trapGeneral([&] { tick("chkRestoringGreetings"); });
  trapGeneral([&] {
    if (!p.files.fileExists(folder + "routing.rul")) return;
    log.WriteToLog("    Restoring routing rules");
    const FileStatus st = p.files.copyFile(folder + "routing.rul", root + "Support\\Routing.rul", true);
    if (!st) throw VbError(st.number, st.description);
  });
  log.WriteToLog("    Restoring switch file definitions");
  trapGeneral([&] {
    log.WriteToLog("    Restoring stream files");
    raiseIfFailed(copyFolderTree(p.files, folder + "Stream Files", root + "Stream Files"));
  });
  trapGeneral([&] {
    log.WriteToLog("    Restoring system greeting files");
    raiseIfFailed(copyFolderTree(p.files, folder + "DefaultConfig", root + "Localize\\DefaultConfiguration"));
  });
  trapGeneral([&] { restoreEventMonitoringData(); });

  for (const char* profile : kMessagingProfiles) {
    trapGeneral([&] {
      if (!m.bRegistryKeyExists(Hive::Users, profile)) return;
      log.WriteToLog(std::string("   Removing orvix messaging profile in registry with string=") + profile);
      m.DeleteRegistryTree(Hive::Users, profile);
    });
  }
  trapGeneral([&] {
    const char* branch = "Software\\Tremarc\\DisasterRecovery";
    if (!m.bRegistryKeyExists(kHKLM, branch)) return;
    log.WriteToLog(std::string("   Removing Disaster Recovery Backup branch with string=") + branch);
    m.DeleteRegistryTree(kHKLM, branch);
  });

  for (const PathValue& v : kRewrittenPaths) trapGeneral([&] { m.strReplaceZurevezuzaPathInRegistryKey(v.key, v.value); });
  trapGeneral([&] {
    if (!text(kMiuKey, "Configuration File Path").empty()) return;
    const std::string value = root + "IntLib\\";
    m.SetRegistryValue(kHKLM, kMiuKey, "Configuration File Path", kRegSz, value);
    log.WriteToLog("        old path not found in string, hard coding to: " + value);
  });
  trapGeneral([&] { m.strReplaceZurevezuzaPathInRegistryKey("SOFTWARE\\Tremarc\\QPCA\\Setup", "InstallLocation"); });

  for (const RootValue& v : kRootValues) {
    trapGeneral([&] {
      const std::string value = root + v.folder;
      log.WriteToLog(v.line + value);
      m.SetRegistryValue(kHKLM, v.key, v.value, kRegSz, value);
    });
  }
  trapGeneral([&] {
    const std::string value = text(kUmrKey, "MTAStoragePath") + "failed";
    log.WriteToLog("    Software\\Tremarc\\OrvixUMR\\1.00\\MTAStoragePath to:" + value);
    m.SetRegistryValue(kHKLM, kUmrKey, "MTAFailedPath", kRegSz, value);
  });
  trapGeneral([&] {
    log.WriteToLog("    Clearing the history path from SOFTWARE\\Tremarc\\TmRepDir\\1.0\\History File Path");
    m.SetRegistryValue(kHKLM, "SOFTWARE\\Tremarc\\TmRepDir\\1.0", "History File Path", kRegSz, root + "History");
  });

  trapGeneral([&] {
    const std::string& systemId = run.sql.newSystemId;
    log.WriteToLog("    Setting the SystemID value to:" + systemId);
    m.SetRegistryValue(kHKLM, "SOFTWARE\\Tremarc\\Doh\\1.00", "System ID", kRegDword, systemIdNumber(systemId, "cmdRestore_Click"));
  });

  std::vector<std::string> processes;
  trapGeneral([&] { processes = m.EnumRegistrySubKeys(kHKLM, kLogProcessKey); });
  for (const std::string& process : processes) {
    if (process.empty()) continue;
    const std::string key = std::string(kLogProcessKey) + "\\" + process;
    for (const char* name : {"CurrentLogFile", "PreviousLogFile"}) {
      trapGeneral([&] {
        const std::string value = text(key.c_str(), name);
        if (value.empty()) return;
        const std::string moved = m.sReplacePathString(p.paths.backedUpInstallPath, root, value);
        if (!moved.empty()) m.SetRegistryValue(kHKLM, key, name, kRegSz, moved);
      });
    }
  }
  log.WriteToLog("    Finished resetting all the CurrentLogFile values");
}

// The event monitoring service's data goes to the "database" folder beside
// its program folder. A path held with the "%Zurevezuza%" token resolves
// under the new install root; so does one that names the backed-up install
// root literally, which would otherwise send the data to the old machine's
// folders.
void frmMain::restoreEventMonitoringData() {
  Program& p = m_program;
  const std::string folder = targetPath();
  if (!p.files.folderExists(folder + "EMSDatabase")) return;
  p.log.WriteToLog("    EMS backup data found - checking for local install.");
  const std::string path = p.module1.GetRegistryValue(kHKLM, kEmsKey, "Path", kRegSz, "").asText();
  if (path.empty()) return;
  std::string target = winParent(winParent(path)) + "\\database\\";
  const std::string token = "%Zurevezuza%\\";
  if (ifind(target, "%zurevezuza%") != std::string::npos) {
    const std::size_t at = ifind(target, token);
    if (at != std::string::npos) target.erase(at, token.size());
    target = p.paths.installRoot + target;
  } else {
    const std::string moved = p.module1.sReplacePathString(p.paths.backedUpInstallPath, p.paths.installRoot, target);
    if (!moved.empty() && ifind(target, p.paths.backedUpInstallPath) == 0) target = moved;
  }
  p.log.WriteToLog("    EMS files being restored to: " + target);
  p.module1.MarkAllFilesReadWrite(target);
  raiseIfFailed(copyFolderFiles(p.files, folder + "EMSDatabase", target));
}

}  // namespace vrel::restore
