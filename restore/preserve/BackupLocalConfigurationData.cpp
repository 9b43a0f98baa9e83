// BackupLocalConfigurationData: what belongs to the freshly installed server
// and must survive the restore, saved before anything from the backup is put
// back: the default template passwords (in memory only), the Configuration
// table (into ConfigInfo.mdb), the product's registry branches (into files
// in the program folder), single registry values (in memory) and three SQL
// tables (bulk-copied into the backup folder).
#include "platform/data/Recordset.h"
#include "restore/preserve/ConfigInfoCopy.h"
#include "restore/preserve/LocalBranchExports.h"
#include "restore/run/frmMain.h"

#include <array>

namespace vrel::restore {

namespace {

constexpr const char* kProcedure = "BackupLocalConfigurationData";

// A preserved registry text value and the line that logs it.
struct SavedValue {
  const char* key;
  const char* name;
  std::string PreservedValues::*field;
  const char* logPrefix;
};

constexpr const char* kDoh = "Software\\Tremarc\\DOH\\1.00";
constexpr const char* kSystemParameters = "SOFTWARE\\Tremarc\\SystemParameters\\1.0";

// Read in this order before the mail layer's value ...
const std::array<SavedValue, 7> kServerValues = {{
    {"Software\\Tremarc\\SystemParameters\\1.0", "PromptSet", &PreservedValues::promptSet,
     "    Prompt Set Currently In Use="},
    {"Software\\Tremarc\\FailureConv\\1.0", "Failure Conversations Prompt Directory",
     &PreservedValues::failureConversationPath, "    Failure Conversation Path="},
    {"Software\\Tremarc\\DalDb\\1.00", "TmDsAdminProgID", &PreservedValues::messageStoreAdminProgID,
     "    New Message Store ProgID="},
    {kDoh, "Directory Server Name", &PreservedValues::directoryServerName, "    DOH Directory Server Name="},
    {kDoh, "Mail Server Name", &PreservedValues::mailServerName, "    DOH Mail Server Name="},
    {kDoh, "DalProgID", &PreservedValues::dalProgID, "    DAL Prog ID="},
    {kDoh, "MalProgID", &PreservedValues::malProgID, "    MAL Prog ID="},
}};

const SavedValue kMalExServer = {"Software\\Tremarc\\MalEX\\1.0", "ServerName", &PreservedValues::malEXServerName,
                                 "    MalEXServerName="};

// ... and these after it.
const std::array<SavedValue, 4> kSystemValues = {{
    {kSystemParameters, "IDCProgID", &PreservedValues::idcProgID, "    New IDCProgID="},
    {kSystemParameters, "MailStore Type", &PreservedValues::mailStoreType, "    New MailStoreType="},
    {"SOFTWARE\\Tremarc\\QxMessageAgingSvc\\1.0", "AccessDbFileName", &PreservedValues::accessDbFileName,
     "    New AccessDBFileName="},
    {"SOFTWARE\\Tremarc\\ResourceLoader\\1.0\\Variables", "MSGSTORERES", &PreservedValues::msgStoreRes,
     "    new MSGSTORERES="},
}};

constexpr const char* kEx55ServerKey = "SOFTWARE\\Tremarc\\Directory Connectors\\DirSynchEx55\\1.00\\Server";
constexpr const char* kSetupPropertiesKey = "SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Properties";
constexpr std::int32_t kDefaultLdapPort = 389;

// A table bulk-copied out of OrvixDB into the backup folder.
struct TableCopy {
  const char* table;
  const char* file;
  const char* before;
  const char* after;
};

constexpr TableCopy kConfigurationCopy = {"Configuration", "ConfigDBBackup.txt",
                                          "    Backing up Configuration data from OrvixDB.",
                                          "    Configuration data backup complete"};
constexpr TableCopy kADDomainCopy = {"ADDomain", "ADDomainDBBackup.txt", "    Backing up ADDomain data from OrvixDB.",
                                     "    ADDomain data backup complete"};
constexpr TableCopy kAddressBookCopy = {"DominoAddressBook", "DominoAddressBookDBBackup.txt",
                                        "    Backing up the DominoAddressBook table",
                                        "    DominoAddressBook data backup complete"};

}  // namespace

void frmMain::BackupLocalConfigurationData() {
  Program& p = m_program;
  PreservedValues& saved = run.preserved;
  auto trap = [&](auto&& statement) { trapLogged(kProcedure, statement); };
  auto runAndWait = [&](const std::string& command) {
    trap([&] { p.external.WaitForProcess(p.external.Shell(command, 1), modCallExternalApp::kInfinite); });
  };
  auto readValue = [&](const SavedValue& v) {
    trap([&] { saved.*v.field = p.module1.GetRegistryValue(Hive::LocalMachine, v.key, v.name, 1, "").asText(); });
    p.log.WriteToLog(v.logPrefix + saved.*v.field);
  };
  auto bulkCopyOut = [&](const TableCopy& t) {
    p.log.WriteToLog(t.before);
    // A dump that fails must not leave an earlier run's file for the fix-ups
    // to load.
    deleteEarlierFile(*this, targetPath() + t.file);
    runAndWait(std::string("BCP OrvixDB..") + t.table + " out \"" + targetPath() + t.file + "\" -n -T");
    p.log.WriteToLog(t.after);
  };

  p.log.WriteToLog("    Backing up local configuration data");
  // Every value is this run's: nothing read by an earlier call lingers.
  saved = PreservedValues{};

  // The passwords are kept in memory only: never logged, never written.
  trap([&] {
    data::Recordset rs;
    rs.open("SELECT PwNT, PwDTMF FROM SubscriberTemplate WHERE Alias='defaulttemplate'", p.machine, p.connectionString,
            data::adOpenKeyset, data::adLockReadOnly);
    if (rs.recordCount() != 1) {
      p.log.WriteToLog("(error) could not find entry for DefaultSubscriber in the SubscriberTemplate table.");
    } else {
      p.log.WriteToLog("  BackupConfigData PwDTMF");
      const data::Variant dtmf = rs.fields("PwDTMF").value();
      const data::Variant nt = rs.fields("PwNT").value();
      saved.pwDTMF = dtmf.isNull() ? std::string() : dtmf.toString();
      saved.pwNT = nt.isNull() ? std::string() : nt.toString();
    }
    rs.close();
  });

  const bool configurationTable = p.module1.bLocalVersionAtLeast(4, 0, 3, 122);
  if (configurationTable) copyConfigurationTable(*this);

  // The safety copy of the whole tree, for a run that aborts.
  exportLocalBranch(*this, wholeTreeFile());
  tick("chkBackingupCurrentRegistryValues");

  for (const LocalBranchFile& branch : localBranchFiles()) exportLocalBranch(*this, branch);

  for (const SavedValue& v : kServerValues) readValue(v);
  if (p.mailStoreKind == kMailStoreDomino)
    exportLocalBranch(*this, malLnFile());
  else
    readValue(kMalExServer);
  for (const SavedValue& v : kSystemValues) readValue(v);

  trap([&] {
    const bool ex55 = p.module1.bRegistryKeyExists(Hive::LocalMachine, kEx55ServerKey);
    const RegVariant port =
        ex55 ? p.module1.GetRegistryValue(Hive::LocalMachine, kEx55ServerKey, "LDAP Port", 4, kDefaultLdapPort)
             : p.module1.GetRegistryValue(Hive::LocalMachine, kSetupPropertiesKey, "LDAPPortNumber", 4,
                                          kDefaultLdapPort);
    saved.ldapPort = port.toLong().value_or(kDefaultLdapPort);
    p.log.WriteToLog(ex55 ? "    Exchange 55 directory connector found, pulling LDAP from DirSynchEx55 registry key"
                          : "    No Exchange 55 DirConnector found, pulling LDAP port from Zurevezuza Setup.");
  });
  p.log.WriteToLog("    new LDAP port=" + vbStr(saved.ldapPort));

  if (configurationTable) {
    bulkCopyOut(kConfigurationCopy);
    bulkCopyOut(kADDomainCopy);
  }
  if (p.module1.bLocalVersionAtLeast(4, 0, 4, 175)) bulkCopyOut(kAddressBookCopy);
}

}  // namespace vrel::restore
