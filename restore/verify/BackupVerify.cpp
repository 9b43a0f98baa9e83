#include "restore/verify/BackupVerify.h"

#include "platform/CertStore.h"
#include "platform/Files.h"
#include "platform/FolderRead.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/data/DatabaseRestore.h"
#include "platform/registry/RegFileReader.h"
#include "restore/aliases/AliasMapText.h"
#include "restore/certificates/modCertificateStuff.h"
#include "restore/preserve/Module1.h"
#include "restore/preserve/PreRestoreChecks.h"

#include <algorithm>

namespace vrel::restore {

namespace {

struct Item {
  const char* name;
  bool required;
  bool folder;
};

// What a restore reads from the folder. The two images are read by their
// own check below.
constexpr Item kItems[] = {
    {"OrvixDBBackUp.sql", true, false},      {"OrvixReg.reg", true, false},
    {"ReportDBBackup.sql", false, false},    {"BackedUpVersionInfo.txt", false, false},
    {"SubscriberInfo.mdb", false, false},    {"MDBCertificate.MDB", false, false},
    {"routing.rul", false, false},           {"CertBackup", false, false},
    {"messages", false, true},               {"Stream Files", false, true},
    {"DefaultConfig", false, true},          {"EMSDatabase", false, true},
};

class Verifier {
 public:
  Verifier(Machine& machine, std::string folder) : m_machine(machine), m_files(machine), m_folder(std::move(folder)) {
    if (!m_folder.empty() && m_folder.back() != '\\') m_folder += '\\';
  }

  std::vector<VerifyFinding> run(const std::optional<std::string>& aliasMap) {
    if (!m_files.folderExists(m_folder)) {
      problem(m_folder + " is not a folder");
      return m_findings;
    }
    checkItems();
    checkRegistryExport();
    checkImage("OrvixDBBackUp.sql");
    checkImage("ReportDBBackup.sql");
    checkCertificateExport();
    if (aliasMap) checkAliasMap(*aliasMap);
    checkVersion();
    return m_findings;
  }

 private:
  void ok(std::string text) { m_findings.push_back({false, std::move(text)}); }
  void problem(std::string text) { m_findings.push_back({true, std::move(text)}); }

  // Reads a file whole; false with the reason.
  bool readable(const std::string& path, std::string& reason) {
    std::string data;
    const FileStatus st = m_files.readAll(path, data);
    if (!st) reason = st.description;
    return static_cast<bool>(st);
  }

  void checkItems() {
    for (const Item& item : kItems) {
      const std::string path = m_folder + item.name;
      if (item.folder ? !m_files.folderExists(path) : !m_files.fileExists(path)) {
        if (item.required) problem(std::string(item.name) + " is missing");
        continue;
      }
      if (item.folder) {
        const FolderReadResult read = readEveryFile(m_files, path);
        for (const std::string& b : read.unreadable) problem(b + " cannot be read");
        if (read.unreadable.empty()) ok(std::string(item.name) + ": " + std::to_string(read.files) + " file(s) read");
      } else if (ifind(item.name, ".sql") == std::string::npos) {
        std::string reason;
        if (readable(path, reason)) ok(std::string(item.name) + " read");
        else problem(std::string(item.name) + " cannot be read: " + reason);
      }
    }
  }

  void checkRegistryExport() {
    const std::string path = m_folder + "OrvixReg.reg";
    std::string data;
    if (!m_files.fileExists(path) || !m_files.readAll(path, data)) return;  // named above
    RegFileContent content;
    std::string error;
    if (!RegFileReader().read(Bytes(data.begin(), data.end()), content, error)) {
      problem("OrvixReg.reg does not parse: " + error);
      return;
    }
    for (const RegFileProblem& p : content.problems)
      problem("OrvixReg.reg line " + std::to_string(p.line) + ": " + p.message);
    if (content.problems.empty()) ok("OrvixReg.reg parses completely (" + std::to_string(content.ops.size()) + " entries)");
  }

  // A missing image has been named by checkItems when it is required.
  void checkImage(const char* name) {
    const std::string path = m_folder + name;
    if (!m_files.fileExists(path)) return;
    std::string reason;
    if (data::checkDatabaseImage(m_files.paths().toHost(path), reason)) ok(std::string(name) + " opens and passes the integrity check");
    else problem(std::string(name) + ": " + reason);
  }

  void checkCertificateExport() {
    const std::string path = m_folder + "CertBackup";
    std::string data;
    if (!m_files.fileExists(path) || !m_files.readAll(path, data)) return;
    std::size_t certificates = 0;
    const CertStatus st = checkPfx(Bytes(data.begin(), data.end()), kCertificateExportPassword, &certificates);
    if (st) ok("CertBackup opens with its password (" + std::to_string(certificates) + " certificate(s))");
    else problem("CertBackup: " + st.description);
  }

  // As the remapping reads the file: a header naming both alias columns,
  // then lines that have both fields, with aliases that can name a file.
  void checkAliasMap(const std::string& path) {
    std::string data;
    if (const FileStatus st = m_files.readAll(path, data); !st) {
      problem("the alias mapping file " + path + " cannot be read: " + st.description);
      return;
    }
    const std::vector<std::string> lines = mappingFileLines(data);
    const AliasColumns columns = lines.empty() ? AliasColumns{} : findAliasColumns(split(lines.front(), ','));
    if (columns.oldAlias < 0 || columns.newAlias < 0) {
      problem("the alias mapping file " + path + " has no header naming OLD_ALIAS and NEW_ALIAS");
      return;
    }
    const std::size_t needed = static_cast<std::size_t>(std::max(columns.oldAlias, columns.newAlias)) + 1;
    std::size_t mappings = 0, faults = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
      if (trim(lines[i]).empty()) continue;
      const std::vector<std::string> fields = split(lines[i], ',');
      std::string why;
      if (fields.size() < needed) why = "has no alias in both columns";
      else if (std::string f = aliasFileNameFault(trim(fields[columns.oldAlias])); !f.empty()) why = "old alias: " + f;
      else if (std::string g = aliasFileNameFault(trim(fields[columns.newAlias])); !g.empty()) why = "new alias: " + g;
      if (why.empty()) {
        ++mappings;
      } else if (++faults <= 20) {
        problem("the alias mapping file line " + std::to_string(i + 1) + " " + why);
      }
    }
    if (faults > 20) problem("the alias mapping file has " + std::to_string(faults - 20) + " more faulty line(s)");
    if (faults == 0) ok("the alias mapping file is well formed (" + std::to_string(mappings) + " mapping(s))");
  }

  // Browse's rule: the four numbers of the version file equal the installed
  // version's; a backup without the file is not compared.
  void checkVersion() {
    const std::string path = m_folder + "BackedUpVersionInfo.txt";
    if (!m_files.fileExists(path)) {
      ok("BackedUpVersionInfo.txt is absent: the versions are not compared");
      return;
    }
    RunLog log(m_files);
    InstallPaths paths;
    Module1 module1(m_machine.registry(), m_files, log, paths);
    const LocalVersionInfo local = module1.GetLocalVersionInfo();
    std::int16_t file[4] = {};
    const char* keys[4] = {"Major", "Minor", "Build", "Rev"};
    for (int i = 0; i < 4; ++i) {
      const auto v = versionFieldValue(module1.VBGetPrivateProfileString("VersionInfo", keys[i], path));
      if (!v) {
        problem("BackedUpVersionInfo.txt: " + std::string(keys[i]) + " is out of range");
        return;
      }
      file[i] = *v;
    }
    const std::string backed = std::to_string(file[0]) + "." + std::to_string(file[1]) + "(" +
                               std::to_string(file[3]) + "." + std::to_string(file[2]) + ")";
    if (file[0] == local.Major && file[1] == local.Minor && file[2] == local.Build && file[3] == local.Rev)
      ok("the backed-up version " + backed + " matches the installed one");
    else
      problem("the backed-up version " + backed + " does not match the installed version " +
              (local.VersionText.empty() ? std::string("(none)") : local.VersionText));
  }

  Machine& m_machine;
  Files m_files;
  std::string m_folder;
  std::vector<VerifyFinding> m_findings;
};

}  // namespace

std::vector<VerifyFinding> verifyBackup(Machine& machine, const std::string& folder,
                                        const std::optional<std::string>& aliasMapFile) {
  return Verifier(machine, folder).run(aliasMapFile);
}

bool backupUsable(const std::vector<VerifyFinding>& findings) {
  return std::none_of(findings.begin(), findings.end(), [](const VerifyFinding& f) { return f.problem; });
}

}  // namespace vrel::restore
