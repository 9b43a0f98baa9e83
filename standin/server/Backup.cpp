#include "standin/server/Backup.h"

#include "platform/Files.h"
#include "platform/FolderCopy.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/data/DatabaseBackup.h"
#include "platform/data/SqlInstance.h"
#include "platform/registry/RegImport.h"
#include "standin/server/ProvisionCertificates.h"
#include "standin/server/ServerRegistry.h"

#include <cstdio>

namespace vrel::standin {

namespace {

constexpr Hive kHklm = Hive::LocalMachine;

std::uint32_t dwordValue(Registry& reg, const char* key, const char* name) {
  RegValue v;
  if (reg.getValue(kHklm, key, name, v) != kRegOk || v.data.size() < 4) return 0;
  return static_cast<std::uint32_t>(v.data[0]) | static_cast<std::uint32_t>(v.data[1]) << 8 |
         static_cast<std::uint32_t>(v.data[2]) << 16 | static_cast<std::uint32_t>(v.data[3]) << 24;
}

std::string textValue(Registry& reg, const char* key, const char* name) {
  RegValue v;
  if (reg.getValue(kHklm, key, name, v) != kRegOk) return {};
  return regDataAsText(v.data);
}

class BackupWriter {
 public:
  BackupWriter(Machine& machine, const std::string& folder, BackupReport& report, std::string& error)
      : m_machine(machine), m_files(machine), m_folder(folder), m_report(report), m_error(error) {}

  bool database(const char* name, const char* file, bool required) {
    if (!data::SqlInstance(m_machine).exists(name)) {
      if (required) return failed(std::string("the server has no database ") + name);
      m_report.skipped.push_back(std::string(file) + ": no database " + name);
      return true;
    }
    const data::DatabaseImageStatus st = data::backupDatabase(m_machine, name, path(file));
    if (!st) return failed(std::string(file) + ": " + st.description);
    return wrote(file);
  }

  // The backup tool keeps its own settings in the server's branch, so the
  // exported branch carries them too.
  bool registryBranch() {
    Registry& reg = m_machine.registry();
    const char* ownKey = "SOFTWARE\\Tremarc\\DisasterRecovery";
    if (reg.createKey(kHklm, ownKey) != kRegOk ||
        reg.setValue(kHklm, ownKey, RegValue::text("BackupFolder", m_folder)) != kRegOk)
      return failed("cannot record the backup in HKEY_LOCAL_MACHINE\\SOFTWARE\\Tremarc\\DisasterRecovery");
    Bytes out;
    const RegStatus st = exportRegBranch(m_machine.registry(), kHklm, "SOFTWARE\\Tremarc", out);
    if (st != kRegOk) return failed("OrvixReg.reg: HKEY_LOCAL_MACHINE\\SOFTWARE\\Tremarc: " + describeRegStatus(st));
    return write("OrvixReg.reg", std::string(out.begin(), out.end()));
  }

  bool versionFile() {
    Registry& reg = m_machine.registry();
    const char* key = "Software\\Tremarc\\";
    return write("BackedUpVersionInfo.txt",
                 versionInfoText(dwordValue(reg, key, "Version Number"), dwordValue(reg, key, "Build Number")));
  }

  // A file or folder of the install root, copied under its name in the backup.
  bool rootItem(const std::string& root, const char* relative, const char* name, bool isFolder) {
    const std::string from = root + relative;
    if (root.empty() || !(isFolder ? m_files.folderExists(from) : m_files.fileExists(from))) {
      m_report.skipped.push_back(std::string(name) + ": " + (root.empty() ? "no install root" : "no " + from));
      return true;
    }
    const FileStatus st =
        isFolder ? copyFolderTree(m_files, from, path(name)).status : m_files.copyFile(from, path(name), true);
    if (!st) return failed(std::string(name) + ": " + st.description);
    return wrote(name);
  }

  bool certificateDatabase() {
    const std::string live =
        textValue(m_machine.registry(), "SOFTWARE\\Tremarc\\QxMessageAgingSvc\\1.0", "AccessDbFileName");
    if (live.empty() || !m_files.fileExists(live)) {
      m_report.skipped.push_back("MDBCertificate.MDB: no certificate database");
      return true;
    }
    if (FileStatus st = m_files.copyFile(live, path("MDBCertificate.MDB"), true); !st)
      return failed("MDBCertificate.MDB: " + st.description);
    return wrote("MDBCertificate.MDB");
  }

 private:
  std::string path(const char* name) const { return winJoin(m_folder, name); }
  bool write(const char* name, const std::string& content) {
    if (FileStatus st = m_files.writeAll(path(name), content, Files::Durability::Deferred); !st)
      return failed(std::string(name) + ": " + st.description);
    return wrote(name);
  }
  bool wrote(const char* name) {
    m_report.written.emplace_back(name);
    return true;
  }
  bool failed(const std::string& why) {
    m_error = why;
    return false;
  }

  Machine& m_machine;
  Files m_files;
  std::string m_folder;
  BackupReport& m_report;
  std::string& m_error;
};

}  // namespace

std::string versionInfoText(std::uint32_t versionNumber, std::uint32_t buildNumber) {
  // The restore reads the high halves' hex digits as decimal numbers and the
  // build's low half as hex; writing what it will read keeps a backup and a
  // restore of the same installation equal.
  char hex[2][9];
  std::snprintf(hex[0], sizeof hex[0], "%08X", versionNumber);
  std::snprintf(hex[1], sizeof hex[1], "%08X", buildNumber);
  auto decimal = [](const char* digits) {
    long v = 0;
    for (int i = 0; i < 4 && digits[i] >= '0' && digits[i] <= '9'; ++i) v = v * 10 + (digits[i] - '0');
    return v;
  };
  const long major = decimal(hex[0]), minor = decimal(hex[0] + 4), rev = decimal(hex[1]);
  const long build = static_cast<long>(buildNumber & 0xFFFF);
  return "[VersionInfo]\r\nMajor=" + std::to_string(major) + "\r\nMinor=" + std::to_string(minor) +
         "\r\nBuild=" + std::to_string(build) + "\r\nRev=" + std::to_string(rev) + "\r\n";
}

bool isPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ') return false;
  for (char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
      return false;
  return true;
}

bool backupServer(Machine& machine, const std::string& folder, BackupReport& report, std::string& error) {
  const Files files(machine);
  if (FileStatus st = files.createFolder(folder); !st) {
    error = "cannot create " + folder + ": " + st.description;
    return false;
  }
  const std::string root = textValue(machine.registry(), kRootPathKey, "Root Path");
  const std::string rootDir = root.empty() || root.back() == '\\' ? root : root + "\\";
  BackupWriter w(machine, folder, report, error);
  const bool written =
      w.database("OrvixDB", "OrvixDBBackUp.sql", true) && w.database("ReportDB", "ReportDBBackup.sql", false) &&
      w.registryBranch() && w.versionFile() && backupSubscribers(machine, folder, report, error) &&
      w.certificateDatabase() && backupCertificates(machine, folder, report, error) &&
      w.rootItem(rootDir, "Support\\Routing.rul", "routing.rul", false) &&
      w.rootItem(rootDir, "Stream Files", "Stream Files", true) &&
      w.rootItem(rootDir, "Localize\\DefaultConfiguration", "DefaultConfig", true) &&
      w.rootItem(rootDir, "ToolsDepot\\EventMonitoring\\database", "EMSDatabase", true);
  if (!written) return false;
  // The folder is a backup only once the whole run succeeded, so its files
  // are written without a sync each and put on the disk together here; the
  // copied files, which never had a sync of their own, are covered too.
  if (FileStatus st = files.syncDrive(folder); !st) {
    error = "cannot sync " + folder + ": " + st.description;
    return false;
  }
  return true;
}

}  // namespace vrel::standin
