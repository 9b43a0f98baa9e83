// The drill of the second half of the run: an old server with another name,
// an install root on another drive, a system ID of its own, both example
// administrators, handlers and rules still pointing at "EAdmin" and a
// directory cache, is backed up and restored onto the new machine with an
// alias mapping file. Afterwards the restored database and files must
// describe the new machine, and nothing may point at the old one.
#include "platform/Text.h"
#include "restore/tests/support/RegistryDrill.h"
#include "restore/tests/support/RestoreFixture.h"
#include "standin/server/Populate.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace vrel::test {
namespace {

constexpr const char* kOldRoot = "G:\\Apps\\Voice\\";
constexpr const char* kNewRoot = "D:\\Program Files\\Orvix\\";
constexpr const char* kMapFile = "C:\\Maps\\AliasMap.csv";

// The registry values that hold install paths after the run.
const char* const kPathValues[][2] = {
    {"Software\\Tremarc\\TmRepDir\\1.0", "History Path File"},
    {"Software\\Tremarc\\CDE\\1.0", "Softkey Config File"},
    {"Software\\Tremarc\\CDE\\1.0", "Script Path"},
    {"Software\\Tremarc\\GAEN", "DataPath"},
    {"Software\\Tremarc\\GAEN", "DefPromptsPath"},
    {"Software\\Tremarc\\GAEN", "LocConfigFile"},
    {"Software\\Tremarc\\MIU\\1.0\\Initialization", "Configuration File Path"},
    {"SOFTWARE\\Tremarc\\QPCA\\Setup", "InstallLocation"},
    {"Software\\Tremarc\\TmRepMgr\\1.0", "Output Path"},
    {"Software\\Tremarc\\TmRepMgr\\1.0", "RPT Path"},
    {"Software\\Tremarc\\OrvixUMR\\1.00", "MTAStoragePath"},
    {"Software\\Tremarc\\OrvixUMR\\1.00", "MTAFailedPath"},
    {"SOFTWARE\\Tremarc\\TmRepDir\\1.0", "History File Path"},
    {"Software\\Tremarc\\TmLogMgr\\1.0\\Process\\TmCsMgr", "CurrentLogFile"},
    {"Software\\Tremarc\\TmLogMgr\\1.0\\Process\\TmCsMgr", "PreviousLogFile"},
    {"Software\\Tremarc\\TmLogMgr\\1.0\\Process\\TmDirChangeWriter", "CurrentLogFile"},
};

class FixupsDrill : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ProvisionOptions o;
    o.computerName = "VMAIL07";
    o.installRoot = kOldRoot;
    o.version = {5, 0, 1, 0};
    m_old = std::make_unique<OldServerBackup>(o, [this](Machine& old) {
      standin::PopulateOptions po;
      po.subscribers = 20;
      po.bothAdmins = true;
      standin::PopulateResult pr;
      std::string error;
      ASSERT_TRUE(standin::populateServer(old, po, pr, error)) << error;
      m_aliases = queryRows(old,
                            "SELECT Alias FROM Subscriber WHERE IsSubscriber=1 AND Alias NOT LIKE 'E%' "
                            "AND Alias <> 'Installer' ORDER BY Alias");
      m_oldAdminId = queryRows(old, "SELECT SubscriberObjectID FROM Subscriber WHERE Alias='EAdmin'").at(0);
    });
    ASSERT_GE(m_aliases.size(), 6u);
    m_backup = m_old->folder();

    m_new.scratch().activate();
    standin::ProvisionOptions n;
    n.computerName = "ORVIXNEW";
    n.installRoot = kNewRoot;
    n.version = o.version;
    m_new.provision(n);
    Machine& m = m_new.machine();
    m_newPasswords = queryRows(m, "SELECT PwNT, PwDTMF FROM SubscriberTemplate").at(0);
    m_newConfiguration = queryRows(m, "SELECT NodeID, NodeName, NodeValue FROM Configuration ORDER BY NodeID");
    m_newDomains = queryRows(m, "SELECT DomainName, DistinguishedName FROM ADDomain");
    m_newSystemId = queryRows(m, "SELECT Value FROM OrvixSetupParameters WHERE Name='@SystemId'").at(0);
  }

  // The mapping file: a header with extra columns and blanks around the
  // names; a rename, a chain, a swap, a case-only line, a short line, a
  // line with too few fields, and an alias that would leave the message
  // folder; CR LF line ends.
  void writeMappingFile() {
    const auto& a = m_aliases;
    const std::string lines[] = {
        "Display Name , new_alias ,Extra, OLD_ALIAS ,Other",
        "Renamed,renamed.one,x," + a[0] + ",y",
        "Chain,chain.mid,x," + a[1] + ",y",
        "Chain,chain.end,x,chain.mid,y",
        "Swap, " + a[3] + " ,x, " + a[2] + " ,y",
        "Swap," + a[2] + ",x," + a[3] + ",y",
        "Case," + toUpper(a[4]) + ",x," + a[4] + ",y",
        "z",
        "Few,fields",
        "Evil,..\\..\\evil,x," + a[5] + ",y",
    };
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    ASSERT_TRUE(m_new.files().createFolder("C:\\Maps"));
    ASSERT_TRUE(m_new.files().writeAll(kMapFile, text));
  }

  static std::string toUpper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  }

  std::optional<restore::ProgramEnd> restore() {
    writeMappingFile();
    restore::frmMain& form = m_new.start();
    if (auto end = m_new.event([&] { form.Form_Load(); })) return end;
    m_new.ui.folders.push_back(m_backup);
    if (auto end = m_new.event([&] { form.cmdBrowse_Click(); })) return end;
    form.setValue("chkRestoreMessages", 1);
    form.setValue("chkUseAliasMappingFile", 1);
    m_new.ui.openFiles.push_back(kMapFile);
    if (auto end = m_new.event([&] { form.cmdBrowseForAliasMappingFile_Click(); })) return end;
    EXPECT_EQ(form.control("txtAliasMappingFilePath").caption, kMapFile);
    return m_new.event([&] { form.cmdRestore_Click(); });
  }

  long count(const std::string& sql) { return queryCount(m_new.machine(), sql); }
  long aliasRows(const std::string& table, const std::string& column, const std::string& alias) {
    return count("SELECT COUNT(*) FROM " + table + " WHERE " + column + "='" + alias + "'");
  }
  std::string messages() const { return m_backup + "messages\\"; }

  std::unique_ptr<OldServerBackup> m_old;
  std::vector<std::string> m_aliases;
  std::string m_oldAdminId;
  std::string m_backup;
  RestoreMachine m_new;
  std::string m_newPasswords;
  std::vector<std::string> m_newConfiguration;
  std::vector<std::string> m_newDomains;
  std::string m_newSystemId;
};

TEST_F(FixupsDrill, TheRestoredServerDescribesTheNewMachine) {
  ASSERT_EQ(restore(), std::nullopt);
  Machine& m = m_new.machine();
  const std::vector<std::string> lines = runLogLines(m_new.files(), m_backup + "DisasterRecoveryRestore.log");
  for (const char* want : {"    Old SystemID value=", "    Old Server name=VMAIL07", "    Default PWs updated",
                           "    Both EAdmin and EAdministrator objects found, cleaning up and removing EAdmin account "
                           "references",
                           "    Finished resetting all the CurrentLogFile values"}) {
    bool found = false;
    for (const std::string& line : lines) found |= line.rfind(want, 0) == 0;
    EXPECT_TRUE(found) << want;
  }
  // No phase of the run is silently skipped: what this build lacks is an
  // error line, and every fix-up and file restore ran.
  for (const std::string& line : lines) EXPECT_EQ(ifind(line, "phase not available"), std::string::npos) << line;

  // Every location and subscriber names the new server.
  EXPECT_EQ(count("SELECT COUNT(*) FROM Location WHERE HomeServer <> 'ORVIXNEW'"), 0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM Subscriber WHERE HomeServer <> 'ORVIXNEW'"), 0);
  // The messaging-system accounts are gone; the installer account stays.
  EXPECT_EQ(queryRows(m, "SELECT Alias FROM Subscriber WHERE Alias LIKE 'Orvix[_]%' OR IsSubscriber = 0"),
            std::vector<std::string>{"Installer"});

  // No stream path points under the old root, and each names a file.
  long paths = 0;
  for (const char* table : {"Subscriber", "CallHandler", "MessagingRule", "DistributionList", "NameLookupHandler"}) {
    for (const std::string& path :
         queryRows(m, std::string("SELECT StreamPath FROM ") + table + " WHERE StreamPath IS NOT NULL")) {
      ++paths;
      EXPECT_EQ(ifind(path, kOldRoot), std::string::npos) << table << ": " << path;
      EXPECT_TRUE(m_new.files().fileExists(path)) << table << ": " << path;
    }
  }
  EXPECT_GT(paths, 60);
  EXPECT_TRUE(m_new.files().fileExists(std::string(kNewRoot) + "Localize\\DefaultConfiguration\\ENU\\DirectoryHandler.wav"));
  EXPECT_TRUE(m_new.files().fileExists(std::string(kNewRoot) + "ToolsDepot\\EventMonitoring\\database\\events1.log"));

  // Listed registry path values and log file values name the new root.
  for (const auto& [key, name] : kPathValues) {
    const std::string value = regText(m, key, name);
    EXPECT_EQ(ifind(value, kOldRoot), std::string::npos) << key << "\\" << name << "=" << value;
    EXPECT_EQ(ifind(value, kNewRoot), 0u) << key << "\\" << name << "=" << value;
  }
  EXPECT_EQ(regText(m, "Software\\Tremarc\\OrvixUMR\\1.00", "MTAFailedPath"),
            std::string(kNewRoot) + "OrvixMTA\\failed");
  EXPECT_FALSE(m.registry().keyExists(Hive::LocalMachine, "Software\\Tremarc\\DisasterRecovery"));
  for (const char* users : {"", ".DEFAULT\\"})
    EXPECT_FALSE(m.registry().keyExists(Hive::Users, std::string(users) +
                                                         "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows "
                                                         "Messaging Subsystem\\Profiles\\Orvix System Profile"));
  EXPECT_EQ(regDword(m, "SOFTWARE\\Tremarc\\Doh\\1.00", "System ID"),
            static_cast<long long>(std::stoul(m_newSystemId, nullptr, 16)));

  // The new template passwords, empty mail stores and caches, and the new
  // machine's configuration and directory domains.
  for (const std::string& row : queryRows(m, "SELECT PwNT, PwDTMF FROM SubscriberTemplate"))
    EXPECT_EQ(row, m_newPasswords);
  for (const char* table : {"MailboxStore", "ADMonitorDirObjsList", "ADMonitorDistributionListMember",
                            "ADMonitorScopeDistributionList", "ADMonitorScopeDistributionListMember",
                            "ADMonitorScopeDistributionListPendingChanges", "MovedMailbox"})
    EXPECT_EQ(count(std::string("SELECT COUNT(*) FROM ") + table), 0) << table;
  EXPECT_EQ(queryRows(m, "SELECT NodeID, NodeName, NodeValue FROM Configuration ORDER BY NodeID"), m_newConfiguration);
  EXPECT_EQ(queryRows(m, "SELECT DomainName, DistinguishedName FROM ADDomain"), m_newDomains);

  // The duplicate administrator is merged into "EAdministrator".
  EXPECT_EQ(aliasRows("Subscriber", "Alias", "EAdmin"), 0);
  const std::string admin = queryRows(m, "SELECT SubscriberObjectID FROM Subscriber WHERE Alias='EAdministrator'").at(0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM CallHandler WHERE IsPrimary=0 AND AdministratorObjectID='" + m_oldAdminId + "'"),
            0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM CallHandler WHERE Alias LIKE 'AdminHandler%' AND AdministratorObjectID='" +
                  admin + "' AND RecipientObjectID='" + admin + "'"),
            2);
  EXPECT_EQ(queryRows(m, "SELECT AdministratorObjectID, RecipientObjectID, IsPrimary FROM CallHandler "
                         "WHERE Alias='ch_EAdministrator'"),
            std::vector<std::string>{admin + "|" + admin + "|True"});
  for (const char* table : {"MessagingRule", "MenuEntry"})
    EXPECT_EQ(count(std::string("SELECT COUNT(*) FROM ") + table + " WHERE DestinationObjectID='" + m_oldAdminId + "'"),
              0)
        << table;
  EXPECT_EQ(count("SELECT COUNT(*) FROM DTMFAccessID WHERE DTMFAccessID IS NULL OR ParentObjectID IS NULL"), 0);
}

TEST_F(FixupsDrill, AliasesAreRemappedEverywhereInFileOrder) {
  ASSERT_EQ(restore(), std::nullopt);
  const auto& a = m_aliases;
  // The working copy of the subscriber information file.
  auto accessAliases = [&](const std::string& alias) {
    data::Recordset rs;
    rs.open("Select Alias from Subscribers", m_new.machine(),
            std::string("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + RestoreMachine::kProgramFolder +
                "\\SubscriberInfo.mdb");
    long n = 0;
    for (; !rs.eof(); rs.moveNext()) n += rs.fields("Alias").value().toString() == alias;
    rs.close();
    return n;
  };

  // The rename and the chain reach every table that names the subscriber.
  for (const auto& [from, to] : {std::pair{a[0], std::string("renamed.one")}, std::pair{a[1], std::string("chain.end")}}) {
    EXPECT_EQ(count("SELECT COUNT(*) FROM Subscriber WHERE Alias='" + to + "' AND UID='" + to + "'"), 1) << to;
    EXPECT_EQ(aliasRows("Subscriber", "UID", from), 0) << from;
    EXPECT_EQ(aliasRows("GlobalSubscriber", "Alias", to), 1) << to;
    EXPECT_EQ(aliasRows("NotificationMWI", "ParentAlias", to), 1) << to;
    for (const char* table : {"GlobalSubscriber", "PersonalDlist", "NotificationMWI", "NotificationDevice",
                              "NotificationRule"})
      EXPECT_EQ(aliasRows(table, std::string(table) == "GlobalSubscriber" ? "Alias" : "ParentAlias", from), 0)
          << table << " " << from;
    EXPECT_EQ(accessAliases(to), 1) << to;
    EXPECT_EQ(accessAliases(from), 0) << from;
    EXPECT_TRUE(m_new.files().fileExists(messages() + to + ".PST")) << to;
    EXPECT_TRUE(m_new.files().fileExists(messages() + from + ".PST")) << from;
    EXPECT_TRUE(m_new.files().fileExists(messages() + from + ".OLD")) << from;
  }
  EXPECT_EQ(aliasRows("Subscriber", "UID", "chain.mid"), 0);

  // The swap fails on both lines; the case-only line is skipped.
  for (std::size_t i : {2u, 3u, 4u}) EXPECT_EQ(count("SELECT COUNT(*) FROM Subscriber WHERE UID='" + a[i] + "'"), 1);
  long swapBoxes = 0;
  for (const std::string& text : m_new.ui.texts()) swapBoxes += text.rfind("Unable to remap old alias=", 0) == 0;
  EXPECT_EQ(swapBoxes, 2);

  // Nothing was written outside the message folder.
  EXPECT_FALSE(m_new.files().exists(m_backup + "evil.PST"));
  EXPECT_FALSE(m_new.files().exists(winParent(m_backup.substr(0, m_backup.size() - 1)) + "\\evil.PST"));
}

}  // namespace
}  // namespace vrel::test
