// The registry restore phase: the backup's registry branch replaces the
// server's, then the new machine's branches and values go back over it, the
// backed-up server's switch and language settings are re-asserted, and the
// failover and register-store branches of the old machine are removed.
// Every statement runs under the run's general trap.
#include "restore/preserve/RegBranchImport.h"
#include "restore/run/frmMain.h"

#include <limits>

namespace vrel::restore {

namespace {

constexpr Hive kHKLM = Hive::LocalMachine;
constexpr const char* kRootPathKey = "Software\\Tremarc\\ZureVezuza\\1.0";
constexpr const char* kSetupPropertiesKey = "SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Properties";
constexpr const char* kNodeMgrKey = "SOFTWARE\\Tremarc\\TmCsNodeMgr";
constexpr const char* kNodeMgrVersionKey = "SOFTWARE\\Tremarc\\TmCsNodeMgr\\1.0";
constexpr const char* kRegStoreKey = "SOFTWARE\\Tremarc\\RegStore";
constexpr const char* kMalLnFile = "TempMalLnBranchFile.reg";
constexpr long kErrOverflow = 6;

// How a preserved value goes back.
enum class Write { Text, TextWhenNotEmpty, MalLnImport, MalExServerName, AgingDbFile, LdapPort };

struct PreservedRow {
  const char* key;
  const char* valueName;
  std::string PreservedValues::*value;
  Write how;
};

// The new machine's values, in the order they are written back.
const PreservedRow kPreserved[] = {
    {"Software\\Tremarc\\DalDb\\1.00", "TmDsAdminProgID", &PreservedValues::messageStoreAdminProgID, Write::Text},
    {"Software\\Tremarc\\DOH\\1.00", "Directory Server Name", &PreservedValues::directoryServerName, Write::Text},
    {"Software\\Tremarc\\DOH\\1.00", "Mail Server Name", &PreservedValues::mailServerName, Write::Text},
    {"Software\\Tremarc\\SystemParameters\\1.0", "PromptSet", &PreservedValues::promptSet, Write::Text},
    {"Software\\Tremarc\\FailureConv\\1.0", "Failure Conversations Prompt Directory",
     &PreservedValues::failureConversationPath, Write::Text},
    {"Software\\Tremarc\\DOH\\1.00", "DalProgID", &PreservedValues::dalProgID, Write::TextWhenNotEmpty},
    {"Software\\Tremarc\\DOH\\1.00", "MalProgID", &PreservedValues::malProgID, Write::TextWhenNotEmpty},
    {nullptr, nullptr, nullptr, Write::MalLnImport},
    {"Software\\Tremarc\\MalEX\\1.0", "ServerName", &PreservedValues::malEXServerName, Write::MalExServerName},
    {"SOFTWARE\\Tremarc\\SystemParameters\\1.0", "IDCProgID", &PreservedValues::idcProgID, Write::Text},
    {"SOFTWARE\\Tremarc\\SystemParameters\\1.0", "MailStore Type", &PreservedValues::mailStoreType, Write::Text},
    {"SOFTWARE\\Tremarc\\ResourceLoader\\1.0\\Variables", "MSGSTORERES", &PreservedValues::msgStoreRes, Write::Text},
    {"SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Private", "MailStore Type", &PreservedValues::mailStoreType,
     Write::Text},
    {"SOFTWARE\\Tremarc\\QxMessageAgingSvc\\1.0", "AccessDbFileName", &PreservedValues::accessDbFileName,
     Write::AgingDbFile},
    {kSetupPropertiesKey, "LDAPPortNumber", nullptr, Write::LdapPort},
};

class RegistryPhase {
 public:
  explicit RegistryPhase(frmMain& form) : m_form(form), m_p(form.program()), m_run(form.run) {}

  void run() {
    m_form.trapGeneral([&] { m_form.tick("chkRestoringOldRegistry"); });
    m_form.trapGeneral([&] { copySubscriberInfo(); });
    importBackupRegistry();
    readBackedUpValues();
    log("    Restoring selected branches from new registry over restored registry from backup");
    m_form.trapGeneral([&] { m_form.RestoreLocalConfigurationData(); });
    log("    restoring select keys to the registry");
    writeBackedUpValues();
    for (const PreservedRow& row : kPreserved) m_form.trapGeneral([&] { writePreserved(row); });
    removeFailoverBranch();
    removeRegisterStore();
  }

 private:
  void log(const std::string& text) { m_p.log.WriteToLog(text); }
  std::string text(const char* key, const char* name) {
    return m_p.module1.GetRegistryValue(kHKLM, key, name, kRegSz, "").asText();
  }
  void setText(const char* key, const char* name, const std::string& value) {
    m_p.module1.SetRegistryValue(kHKLM, key, name, kRegSz, value);
  }

  void copySubscriberInfo() {
    const std::string source = m_form.targetPath() + "SubscriberInfo.mdb";
    if (!m_p.files.fileExists(source)) return;
    const FileStatus st = m_p.files.copyFile(source, m_p.programFolder() + "\\SubscriberInfo.mdb", true);
    if (!st) throw VbError(st.number, st.description);
  }

  void importBackupRegistry() {
    const std::string path = m_form.targetPath() + "OrvixReg.reg";
    log("    Restoring original registry from backup");
    // The import's outcome is not reported by the editor: a file it cannot
    // use is logged here, so the run's error count shows it.
    std::string reason;
    if (!bRegFileUsable(m_p.files, path, reason)) {
      log(regFileNotImportedLine(path, reason));
      return;
    }
    m_form.trapGeneral([&] { runAndWait(m_p.external, regImportCommand(path)); });
  }

  void readBackedUpValues() {
    BackedUpSetupValues& old = m_run.backedUp;
    std::string& oldRoot = m_p.paths.backedUpInstallPath;
    m_form.trapGeneral([&] { oldRoot = text(kRootPathKey, "Root Path"); });
    log("    Old Orvix Install path=" + oldRoot);
    m_form.trapGeneral([&] { old.switchFile = text(kSetupPropertiesKey, "SwitchFile"); });
    log("   Old switch file name =" + old.switchFile);
    m_form.trapGeneral([&] { old.guiLanguageDefault = text(kSetupPropertiesKey, "GUILanguageDefault"); });
    log("    Old GUI Language default=" + old.guiLanguageDefault);
    m_form.trapGeneral([&] { old.tuiLanguageDefault = text(kSetupPropertiesKey, "TUILanguageDefault"); });
    log("    Old TUI language default=" + old.tuiLanguageDefault);
    m_form.trapGeneral([&] { old.ttsLanguageDefault = text(kSetupPropertiesKey, "TTSLanguageDefault"); });
    log("    Old TTS language default=" + old.ttsLanguageDefault);
    m_form.trapGeneral([&] { old.locationType = readLocationType(); });
    log("    Old location type=" + std::to_string(old.locationType));
  }

  // The location type is a 16-bit integer: a larger DWORD overflows, as the
  // assignment would, and is then not written back over the new machine's.
  std::int16_t readLocationType() {
    const RegVariant v =
        m_p.module1.GetRegistryValue(kHKLM, kSetupPropertiesKey, "LocationType", kRegDword, std::int32_t{0});
    const std::int32_t n = v.toLong().value_or(0);
    if (n < std::numeric_limits<std::int16_t>::min() || n > std::numeric_limits<std::int16_t>::max())
      throw VbError(kErrOverflow, "Overflow");
    m_locationTypeRead = true;
    return static_cast<std::int16_t>(n);
  }

  void writeBackedUpValues() {
    const BackedUpSetupValues& old = m_run.backedUp;
    m_form.trapGeneral([&] { setText(kSetupPropertiesKey, "SwitchFile", old.switchFile); });
    m_form.trapGeneral([&] { setText(kSetupPropertiesKey, "GUILanguageDefault", old.guiLanguageDefault); });
    m_form.trapGeneral([&] { setText(kSetupPropertiesKey, "TUILanguageDefault", old.tuiLanguageDefault); });
    m_form.trapGeneral([&] { setText(kSetupPropertiesKey, "TTSLanguageDefault", old.ttsLanguageDefault); });
    if (m_locationTypeRead)
      m_form.trapGeneral([&] {
        m_p.module1.SetRegistryValue(kHKLM, kSetupPropertiesKey, "LocationType", kRegDword,
                                     std::int32_t{old.locationType});
      });
    writeNewMachineText("Root Path", m_p.paths.installRoot, "the new install path");
    writeNewMachineText("PrimaryServer", m_run.newServerName, "the new server name");
  }

  // The new machine's own install path and name: an empty one would wipe the
  // good value the new machine's branch just brought back.
  void writeNewMachineText(const char* valueName, const std::string& value, const char* what) {
    if (value.empty()) {
      log(std::string("(error) ") + what + " is not known, \"" + valueName + "\" is left as it is");
      return;
    }
    m_form.trapGeneral([&] { setText(kRootPathKey, valueName, value); });
  }

  void writePreserved(const PreservedRow& row) {
    const PreservedValues& kept = m_run.preserved;
    const bool domino = m_p.mailStoreKind == kMailStoreDomino;
    switch (row.how) {
      case Write::TextWhenNotEmpty:
        if ((kept.*row.value).empty()) return;
        break;
      case Write::MalLnImport:
        if (domino) importMalLnBranch();
        return;
      case Write::MalExServerName:
        if (domino) return;
        break;
      case Write::AgingDbFile:
        if (!m_p.module1.bLocalVersionAtLeast(5, 0, 0, 1)) return;
        break;
      case Write::LdapPort:
        m_p.module1.SetRegistryValue(kHKLM, row.key, row.valueName, kRegDword, kept.ldapPort);
        return;
      case Write::Text:
        break;
    }
    setText(row.key, row.valueName, kept.*row.value);
  }

  void importMalLnBranch() {
    const std::string path = m_p.programFolder() + "\\" + kMalLnFile;
    std::string reason;
    if (!bRegFileUsable(m_p.files, path, reason)) {
      log(regFileNotImportedLine(path, reason));
      return;
    }
    const std::string command = regImportCommand(path);
    log("    Executing: " + command);
    runAndWait(m_p.external, command);
  }

  void removeFailoverBranch() {
    bool present = false;
    m_form.trapGeneral([&] { present = m_p.module1.bRegistryKeyExists(kHKLM, kNodeMgrKey); });
    if (!present) {
      m_run.failover = false;
      log("    No TmCsNodeMgr branch found in restored registry");
      return;
    }
    std::int32_t primary = 0;
    m_form.trapGeneral([&] {
      primary = m_p.module1.GetRegistryValue(kHKLM, kNodeMgrVersionKey, "Primary", kRegDword, std::int32_t{0})
                    .toLong()
                    .value_or(0);
    });
    m_run.failover = primary == 1;
    log(m_run.failover ? "    Primary failover server detected, removing TmCsNodeMgr branch in registry"
                       : "    Secondary failover server detected, removing TmCsNodeMgr branch in registry");
    m_form.trapGeneral([&] { m_p.module1.DeleteRegistryTree(kHKLM, kNodeMgrKey); });
  }

  void removeRegisterStore() {
    bool present = false;
    m_form.trapGeneral([&] { present = m_p.module1.bRegistryKeyExists(kHKLM, kRegStoreKey); });
    if (!present) return;
    log("    RegStore key found, removing");
    m_form.trapGeneral([&] { m_p.module1.DeleteRegistryTree(kHKLM, kRegStoreKey); });
  }

  frmMain& m_form;
  Program& m_p;
  RunValues& m_run;
  bool m_locationTypeRead = false;
};

}  // namespace

void frmMain::RestoreRegistryFromBackup() {
  RegistryPhase(*this).run();
}

}  // namespace vrel::restore
