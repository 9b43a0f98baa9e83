// The drill of the run's last phase: an old server with lived-in mailboxes
// is backed up and restored with the messages option, on Exchange 2000 (the
// syncher program, which reports errors) and on Exchange 5.5 before 4.0(1.0)
// (the synchronisation in-process, failing three times before it works).
// Afterwards the server runs again, the global tables are rebuilt, and the
// new mail store holds every old mailbox's messages.
#include "platform/Services.h"
#include "platform/Text.h"
#include "platform/data/Session.h"
#include "restore/run/ControlObject.h"
#include "restore/tests/support/RegistryDrill.h"
#include "restore/tests/support/RestoreFixture.h"
#include "standin/server/ControlObject.h"
#include "standin/server/DirectoryComponents.h"
#include "standin/server/MailStore.h"
#include "standin/server/Populate.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace vrel::test {
namespace {

using Strings = std::vector<std::string>;

constexpr const char* kNewRoot = "D:\\Program Files\\Orvix\\";
constexpr const char* kRemoteLocation = "{0C000000-0000-0000-0000-0000000000AA}";

struct DrillCase {
  const char* name;
  standin::MailStoreKind kind;
  standin::ServerVersion version;
  const char* directoryService;
};

class ResyncDrill : public ::testing::TestWithParam<DrillCase> {
 protected:
  void SetUp() override {
    const DrillCase& c = GetParam();
    standin::ProvisionOptions o;
    o.computerName = "VMAIL07";
    o.installRoot = "G:\\Apps\\Voice\\";
    o.version = c.version;
    o.mailStore = c.kind;
    m_old = std::make_unique<OldServerBackup>(o, [this](Machine& old) {
      standin::PopulateOptions po;
      po.subscribers = 12;
      po.maxMessagesPerMailbox = 3;
      standin::PopulateResult pr;
      std::string error;
      ASSERT_TRUE(standin::populateServer(old, po, pr, error)) << error;
      for (const standin::MailboxCount& box : standin::listMailboxes(old))
        if (box.messages > 0) m_oldMailboxes[box.alias] = box.messages;
      // A location of another server of the network.
      auto db = data::Session::open(old, "Driver={SQL Server};server=;database=OrvixDB");
      db->execute("INSERT INTO GlobalLocation (LocationObjectID, Alias, HomeServer) VALUES (?, 'remote', 'FAR01')",
                  {data::Variant(kRemoteLocation)});
      db->execute("DELETE FROM GlobalLocation WHERE LocationObjectID IN (SELECT LocationObjectID FROM Location)");
      db->execute("INSERT INTO GlobalLocation (LocationObjectID, Alias, TextName) "
                  "SELECT LocationObjectID, Alias, 'kept' FROM Location");
    });
    ASSERT_GT(m_oldMailboxes.size(), 5u);

    m_new.scratch().activate();
    standin::ProvisionOptions n;
    n.computerName = "ORVIXNEW";
    n.installRoot = kNewRoot;
    n.version = c.version;
    n.mailStore = c.kind;
    m_new.provision(n);
  }

  void restore() {
    restore::frmMain& form = m_new.start();
    ASSERT_EQ(m_new.event([&] { form.Form_Load(); }), std::nullopt);
    m_new.ui.folders.push_back(m_old->folder());
    ASSERT_EQ(m_new.event([&] { form.cmdBrowse_Click(); }), std::nullopt);
    form.setValue("chkRestoreMessages", 1);
    ASSERT_EQ(m_new.event([&] { form.cmdRestore_Click(); }), std::nullopt);
    m_lines = runLogLines(m_new.files(), m_old->folder() + "DisasterRecoveryRestore.log");
  }

  long linesStarting(const std::string& prefix) const {
    long n = 0;
    for (const std::string& line : m_lines) n += line.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
  long count(const std::string& sql) { return queryCount(m_new.machine(), sql); }

  std::unique_ptr<OldServerBackup> m_old;
  std::map<std::string, long> m_oldMailboxes;
  RestoreMachine m_new;
  Strings m_lines;
};

TEST_P(ResyncDrill, TheServerRunsAgainWithItsMessages) {
  const DrillCase& c = GetParam();
  Machine& m = m_new.machine();
  const bool inProcess = !standin::versionAtLeast(c.version, 4, 0, 1, 0);
  // The syncher reports two subscribers it could not write; the component
  // in-process fails three times first.
  if (inProcess) m.setValue("DbSyncFail", "80004003,3");
  else m.setValue("DbSyncErrors", "2");
  restore();

  // The services and the control object run again.
  for (const char* service : {"TmCsMgr", "TmCsGateway", "TmDirChangeWriter"}) {
    const auto svc = Services(m).find(service);
    ASSERT_TRUE(svc) << service;
    EXPECT_EQ(svc->state, ServiceState::Running) << service;
  }
  EXPECT_EQ(standin::createControlObject(m)->State(), restore::ControlObject::kRunning);
  EXPECT_FALSE(m.value("TrayStatusStarted").empty());

  // Every old mailbox holds at least its old messages in the new store, and
  // ExMerge's summary is in the run log.
  std::map<std::string, long> now;
  for (const standin::MailboxCount& box : standin::listMailboxes(m)) now[box.alias] += box.messages;
  for (const auto& [alias, messages] : m_oldMailboxes) EXPECT_GE(now[alias], messages) << alias;
  std::string list;
  ASSERT_TRUE(m_new.files().readAll("C:\\Vrel\\Mailboxes.txt", list));
  // Accounts without a mailbox of their own have no export: ExMerge counts
  // them as failed.
  long exported = 0, missing = 0;
  for (const std::string& line : split(list, '\n')) {
    if (trim(line).empty()) continue;
    const std::string alias = trim(line.substr(line.rfind("cn=") + 3));
    (m_new.files().fileExists(m_old->folder() + "messages\\" + alias + ".PST") ? exported : missing) += 1;
  }
  EXPECT_GE(exported, static_cast<long>(m_oldMailboxes.size()));
  EXPECT_TRUE(hasLine(m_lines, "     " + std::to_string(exported) + " mailboxes successfully restored")) << list;
  EXPECT_EQ(linesStarting("(error)  " + std::to_string(missing) + " mailboxes not restored properly."), missing > 0);

  // The synchronisation: the syncher's errors as one line naming its file,
  // or the in-process component's three retries.
  const std::string errorFile = m_old->folder() + "DirectorySyncErrors.log";
  const std::string syncErrors =
      "(error) one or more directory syncronization errors were encountered.  Check the directory "
      "syncronization log for details: ";
  if (inProcess) {
    EXPECT_EQ(linesStarting("(warning) Syncer did not complete.  Waiting 30 seconds and trying again"), 3);
    EXPECT_EQ(linesStarting("(error) three attempts"), 0);
    EXPECT_EQ(linesStarting(syncErrors), 0);
  } else {
    EXPECT_EQ(linesStarting(syncErrors), 1);
    EXPECT_TRUE(hasLine(m_lines, syncErrors + errorFile));
    std::string errors;
    ASSERT_TRUE(m_new.files().readAll(errorFile, errors));
    EXPECT_NE(errors.find("(error) Synker failed writing Directory props to SQL; object not synched"),
              std::string::npos);
  }
  const long subscribers = count("SELECT COUNT(*) FROM Subscriber");
  EXPECT_EQ(count("SELECT COUNT(*) FROM GlobalSubscriber"), subscribers);
  EXPECT_EQ(m.value("GlobalObjectsSynchronisedBy"), c.directoryService);

  // Remote locations are gone; from 4.0(2.104) on the local rows survive
  // (and only get their directory ID), before it they are added anew.
  const bool keepsLocal = standin::versionAtLeast(c.version, 4, 0, 2, 104);
  EXPECT_EQ(count(std::string("SELECT COUNT(*) FROM GlobalLocation WHERE LocationObjectID='") + kRemoteLocation + "'"),
            0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM GlobalLocation WHERE TextName='kept'"), keepsLocal ? 1 : 0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM Location WHERE LocationObjectID NOT IN "
                  "(SELECT LocationObjectID FROM GlobalLocation)"),
            0);

  // The setup parameters, the database login and the MAL values.
  EXPECT_EQ(queryRows(m, "SELECT Value FROM OrvixSetupParameters WHERE Name='@PrimaryServer'").at(0), "ORVIXNEW");
  EXPECT_EQ(queryRows(m, "SELECT Value FROM OrvixSetupParameters WHERE Name='@strRootPath'").at(0),
            "D:\\Program Files\\Orvix");
  EXPECT_EQ(m.value("SqlLogin:" + m.value("LanGroup") + "\\" + m.value("UserName")), "installer");
  EXPECT_EQ(textValue(m.registry(), "Software\\Tremarc\\MALex\\1.0", "DisplayName"), "<missing>");

  // Nothing of the phase is left out.
  for (const std::string& line : m_lines) EXPECT_EQ(ifind(line, "not available in this build"), std::string::npos) << line;
}

INSTANTIATE_TEST_SUITE_P(
    MailStores, ResyncDrill,
    ::testing::Values(DrillCase{"Exchange2000", standin::MailStoreKind::Exchange2000, {5, 0, 1, 0},
                                standin::kGlobalCatalogProgId},
                      DrillCase{"Exchange55Early", standin::MailStoreKind::Exchange55, {4, 0, 0, 10},
                                standin::kEx55DirectoryProgId}),
    [](const ::testing::TestParamInfo<DrillCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vrel::test
