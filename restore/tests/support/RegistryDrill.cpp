#include "restore/tests/support/RegistryDrill.h"

#include "platform/registry/RegImport.h"
#include "standin/server/Backup.h"
#include "standin/server/Provision.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace vrel::test {

const std::vector<LocalBranchFile> kLocalBranchFiles = {
    {"TempDirectoryConnectorsRegBranch.reg", "SOFTWARE\\Tremarc\\Directory Connectors", false},
    {"TempNotifierRegBranch.reg", "SOFTWARE\\Tremarc\\Notifier", false},
    {"TempZureVezuzaRegBranch.reg", "SOFTWARE\\Tremarc\\ZureVezuza", false},
    {"TempZureVezuzaSetupRegBranch.reg", "SOFTWARE\\Tremarc\\Zurevezuza Setup", false},
    {"TempTmLogMgrRegBranchFile.reg", "SOFTWARE\\Tremarc\\TmLogMgr", false},
    {"TempQXCARegBranchFile.reg", "software\\tremarc\\QXCA", true},
    {"TempMIUIntegrationBranchFile.reg", "software\\Tremarc\\MIU\\1.0\\Initialization\\Integrations", true},
    {"TempTMDOMRegBranchFile.reg", "software\\tremarc\\TMDOM", true},
    {"TempMessageStoreMonitorBranchFile.reg", "Software\\Tremarc\\MsgStoreMonitor", true},
    {"TempPermWizBranchFile.reg", "Software\\Tremarc\\PermissionsWizard", true},
    {"TempRulerBranchFile.reg", "Software\\Tremarc\\Ruler", true},
    {"TempTmSkinnyBranchFile.reg", "Software\\Tremarc\\TmSkinny", true},
    {"TempArbiterPortConfigBranchFile.reg", "Software\\Tremarc\\Arbiter\\1.0\\Port Configuration", true},
    {"TempToolsDepotBranchFile.reg", "software\\Tremarc\\ToolsDepot", true},
    {"TempConfidentialMessagingRegBranch.reg", "Software\\Tremarc\\Conversations\\1.0\\ConfidentialMessaging", true},
};

namespace {

void exportOne(Machine& machine, Files& files, const std::string& path, const std::string& branch) {
  Bytes bytes;
  ASSERT_EQ(exportRegBranch(machine.registry(), Hive::LocalMachine, branch, bytes), kRegOk) << branch;
  ASSERT_TRUE(files.writeAll(path, std::string(bytes.begin(), bytes.end()))) << path;
}

std::string hex(const Bytes& data) {
  std::string out;
  char b[4];
  for (std::uint8_t c : data) {
    std::snprintf(b, sizeof b, "%02x", c);
    out += b;
  }
  return out;
}

}  // namespace

void exportLocalBranches(Machine& machine, Files& files, const std::string& folder, bool domino) {
  ASSERT_TRUE(files.createFolder(folder));
  for (const LocalBranchFile& f : kLocalBranchFiles) {
    if (f.onlyWhenKeyExists && !machine.registry().keyExists(Hive::LocalMachine, f.branch)) continue;
    exportOne(machine, files, folder + "\\" + f.file, f.branch);
  }
  if (domino) exportOne(machine, files, folder + "\\" + kMalLnBranchFile, "Software\\Tremarc\\MALLn");
}

OldServerBackup::OldServerBackup(standin::ProvisionOptions options, const std::function<void(Machine&)>& tweak) {
  // The old machine must not stay the one VREL_MACHINE names.
  const char* current = std::getenv("VREL_MACHINE");
  const std::string previous = current ? current : "";
  m_machine.activate();
  standin::ProvisionResult provisioned;
  std::string error;
  EXPECT_TRUE(standin::provisionServer(m_machine.machine(), options, provisioned, error)) << error;
  if (tweak) tweak(m_machine.machine());
  m_folder = m_machine.files().paths().toWindows(m_dir.path() + "/Backup") + "\\";
  standin::BackupReport report;
  EXPECT_TRUE(standin::backupServer(m_machine.machine(), m_folder, report, error)) << error;
  if (!previous.empty()) setenv("VREL_MACHINE", previous.c_str(), 1);
}

std::vector<std::string> runLogLines(const Files& files, const std::string& logPath) {
  constexpr std::size_t kHeaderLines = 9;
  std::string raw;
  EXPECT_TRUE(files.readAll(logPath, raw)) << logPath;
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t n = 0, i; (i = raw.find("\r\n", start)) != std::string::npos; start = i + 2, ++n) {
    if (n < kHeaderLines) continue;
    const std::string line = raw.substr(start, i - start);
    // "12/7/2026 4:05:09 AM: text"
    std::size_t at = std::string::npos;
    for (const char* marker : {" AM: ", " PM: "}) at = std::min(at, line.find(marker));
    EXPECT_NE(at, std::string::npos) << "no date prefix: " << line;
    out.push_back(at == std::string::npos ? line : line.substr(at + 5));
  }
  return out;
}

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& l : lines)
    if (l == line) return true;
  return false;
}

std::vector<std::string> branchLines(Registry& registry, const std::string& branch) {
  std::vector<Registry::KeyDump> keys;
  if (registry.dumpBranch(Hive::LocalMachine, branch, keys) != kRegOk) return {};
  std::vector<std::string> out;
  for (const Registry::KeyDump& k : keys) {
    const std::string path = k.path.size() > branch.size() ? k.path.substr(branch.size()) : "";
    out.push_back(path);
    for (const RegValue& v : k.values) {
      const bool text = v.type == kRegSz || v.type == kRegExpandSz;
      out.push_back(path + " | " + v.name + " | " + std::to_string(v.type) + " | " +
                    (text ? regDataAsText(v.data) : hex(v.data)));
    }
  }
  return out;
}

void putValue(Registry& registry, const std::string& key, const RegValue& value) {
  ASSERT_EQ(registry.createKey(Hive::LocalMachine, key), kRegOk) << key;
  ASSERT_EQ(registry.setValue(Hive::LocalMachine, key, value), kRegOk) << key;
}

std::string textValue(Registry& registry, const std::string& key, const std::string& name) {
  RegValue v;
  if (registry.getValue(Hive::LocalMachine, key, name, v) != kRegOk) return "<missing>";
  return regDataAsText(v.data);
}

}  // namespace vrel::test
