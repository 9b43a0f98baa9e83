// The end of phase 17: the Exchange MAL values of the messaging system
// account removed, and the subscribers' messages imported with ExMerge from
// the backup's "Messages" folder, its outcome read back from ExMerge's log.
#include "platform/IniFile.h"
#include "restore/messages/BuildSubscriberTable.h"
#include "restore/messages/ExMergeLog.h"
#include "restore/run/frmMain.h"

namespace vrel::restore {

namespace {

constexpr const char* kMalKey = "Software\\Tremarc\\MALex\\1.0";

// The ExMerge settings template shipped for the program's language.
const char* settingsTemplate(std::int32_t language) {
  switch (language) {
    case 1031: return "exmerge.ini_DEU";
    case 1036: return "exmerge.ini_FRA";
    case 1041: return "exmerge.ini_JPN";
    default: return "exmerge.ini";
  }
}

void check(const FileStatus& st) {
  if (!st) throw VbError(st.number, st.description);
}

}  // namespace

void frmMain::cleanExchangeMalValues() {
  Program& p = m_program;
  if (p.mailStoreKind == kMailStoreDomino) return;
  Module1& m = p.module1;
  // Errors here are ignored: the values may simply not be there.
  (void)trapStatement([&] {
    const std::string name = m.GetRegistryValue(Hive::LocalMachine, kMalKey, "DisplayName", kRegSz, "").asText();
    if (iequals(name.substr(0, 24), "Orvix Messaging System -")) {
      (void)trapStatement([&] { m.DeleteRegistryValue(Hive::LocalMachine, kMalKey, "DisplayName"); });
      (void)trapStatement([&] { m.DeleteRegistryValue(Hive::LocalMachine, kMalKey, "MailboxDN"); });
    }
  });
  if (!m.bLocalVersionAtLeast(4, 0, 0, 0)) return;
  for (const char* value : {"DisplayName", "MailboxDN", "LegacyMailboxDN", "ProfileName", "ServerName"})
    (void)trapStatement([&] { m.DeleteRegistryValue(Hive::LocalMachine, kMalKey, value); });
  (void)trapStatement([&] { p.log.WriteToLog("MalEX keys removed for 4.0(x) and later versions if present"); });
}

void frmMain::restoreMessages() {
  Program& p = m_program;
  RunLog& log = p.log;
  Module1& m = p.module1;
  trapGeneral([&] { log.WriteToLog("    Restoring subscriber messages"); });
  trapGeneral([&] { tick("chkRestoringMessages"); });
  bool built = false;
  trapGeneral([&] { built = BuildSubscriberTable(p, run.sql.newSystemId, run.oldSystemId); });
  if (!built) return;

  const std::string backup = targetPath();
  trapGeneral([&] {
    log.WriteToLog("    Subscriber information table built successfully");
    if (p.files.fileExists(backup + "exMerge.log")) check(p.files.deleteFile(backup + "exMerge.log", true));
  });
  std::string exMergeFolder, exchangeServer;
  trapGeneral([&] {
    const char* setupKey = "SOFTWARE\\Microsoft\\Exchange\\Setup";
    const std::string adminDest =
        m.bRegistryKeyExists(Hive::LocalMachine, setupKey)
            ? m.GetRegistryValue(Hive::LocalMachine, setupKey, "AdminDest", kRegSz, "").asText()
            : std::string();
    if (textLength(adminDest) >= 4) {
      exMergeFolder = adminDest + "\\";
    } else {
      exMergeFolder = m.GetRegistryValue(Hive::LocalMachine, setupKey, "ExchangeServerAdmin", kRegSz,
                                         "c:\\program files\\exchsrvr\\bin\\")
                          .asText() +
                      "\\BIN\\";
    }
    log.WriteToLog("    strExMergePath=" + exMergeFolder);
    exchangeServer =
        m.GetRegistryValue(Hive::LocalMachine, "SOFTWARE\\Tremarc\\Doh\\1.00", "Mail Server Name", kRegSz, "")
            .asText();
    log.WriteToLog("    ExchangeServerName=" + exchangeServer);
  });

  const std::string settings = exMergeFolder + "exmerge.ini";
  const std::string program = p.programFolder() + "\\";
  trapGeneral([&] {
    if (p.files.fileExists(settings)) check(p.files.deleteFile(settings, true));
  });
  trapGeneral([&] { check(p.files.copyFile(program + "exmerge.exe", exMergeFolder + "exmerge.exe", true)); });
  trapGeneral([&] {
    check(p.files.copyFile(program + settingsTemplate(p.localize.currentLanguage), settings, true));
  });
  const std::pair<const char*, std::string> keys[] = {
      {"MergeAction", "1"},
      {"DestServerName", exchangeServer},
      {"DestServerLDAP-Port", std::to_string(run.preserved.ldapPort)},
      {"DataDirectoryName", backup + "Messages"},
      {"LogFileName", backup + "ExMerge.log"},
      {"FoldersProcessed", "1"},
      {"ListOfFolders", ""},
      {"ApplyActionToSubFolders", "0"},
      {"FileContainingListOfMailboxes", p.programFolder() + "\\Mailboxes.txt"},
      {"DataImportMethod", "1"},
      {"DelimiterUsedInMailboxFile", "1"},
  };
  for (const auto& [key, value] : keys)
    trapGeneral([&] { check(writePrivateProfileString(p.files, "EXMERGE", key, value, settings)); });

  trapGeneral([&] { modCallExternalApp::SleepMs(10000); });
  trapGeneral([&] { log.WriteToLog("    Kicking off exMerge process at:" + RunLog::dateTimeText()); });
  trapGeneral([&] {
    const long task = p.external.Shell("\"" + exMergeFolder + "ExMerge.exe\" -B -D", kNormalFocus);
    p.external.WaitForProcess(task, modCallExternalApp::kInfinite);
  });
  trapGeneral([&] { log.WriteToLog("    Finished exMerge process at:" + RunLog::dateTimeText()); });
  trapGeneral([&] { parseforerrorsinexmergelogs(p, backup); });
}

}  // namespace vrel::restore
