// The Domino drill: an old Domino server whose subscribers live in two
// address books is backed up and restored, without a display, onto a new
// server whose books hold some of them again under new note IDs (one of them
// twice) and some not at all. The wizard must re-bind those found once,
// and reassign the references of the others to the chosen replacements
// before deleting them. Bad directory IDs are passed over.
#include "platform/Text.h"
#include "platform/data/Connection.h"
#include "restore/app/ProgramStart.h"
#include "restore/headless/HeadlessDriver.h"
#include "restore/tests/support/RegistryDrill.h"
#include "restore/tests/support/RestoreFixture.h"
#include "standin/notes/NotesStore.h"
#include "standin/server/Backup.h"
#include "standin/server/Populate.h"
#include "standin/server/ProvisionDatabases.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vrel::test {
namespace {

constexpr const char* kMailServers = "SOFTWARE\\Tremarc\\Directory Connectors\\DirSynchDomino\\1.00\\Mail Servers";

void execute(Machine& m, const std::string& sql, const std::vector<data::Variant>& params) {
  data::Connection cn(m);
  cn.open(standin::localDatabaseConnection("OrvixDB"));
  cn.execute(sql, params);
  cn.close();
}

// Lists a second book, "south.nsf" (number 1), on the machine's own server.
void addSouthBook(Machine& m, const std::string& server) {
  const std::string key = std::string(kMailServers) + "\\1";
  ASSERT_EQ(m.registry().createKey(Hive::LocalMachine, key), kRegOk);
  m.registry().setValue(Hive::LocalMachine, key, RegValue::dword("AddressBookId", 1));
  m.registry().setValue(Hive::LocalMachine, key, RegValue::text("ServerName", server));
  m.registry().setValue(Hive::LocalMachine, key, RegValue::text("Database", "south.nsf"));
  standin::NotesStore store;
  std::string error;
  ASSERT_TRUE(store.open(m, error)) << error;
  ASSERT_TRUE(store.book(server, "south.nsf", true));
}

standin::ProvisionOptions domino(const char* computer) {
  standin::ProvisionOptions o;
  o.computerName = computer;
  o.mailStore = standin::MailStoreKind::Domino;
  o.version = {4, 0, 4, 175};
  return o;
}

class DominoDrill : public ::testing::Test {
 protected:
  void SetUp() override {
    makeOldBackup();
    m_new.activate();
    provisionOrFail(m_new.machine(), domino("ORVIXNEW"));
    addSouthBook(m_new.machine(), "CN=ORVIXNEW/O=Orvix");
    fillNewBooks();
  }

  // The old server: 10 subscribers, the second half moved into the second
  // book; one with a directory ID that does not parse, one naming a book the
  // new server does not list.
  void makeOldBackup() {
    Machine& m = m_old.machine();
    m_old.activate();
    provisionOrFail(m, domino("VMAIL07"));
    addSouthBook(m, "CN=VMAIL07/O=Orvix");
    standin::PopulateOptions po;
    po.subscribers = 10;
    standin::PopulateResult pr;
    std::string error;
    ASSERT_TRUE(standin::populateServer(m, po, pr, error)) << error;
    m_aliases = queryRows(m, "SELECT Alias FROM Subscriber WHERE SubscriberType=3 AND Alias NOT LIKE 'E%' AND "
                             "Alias <> 'Installer' ORDER BY Alias");
    ASSERT_EQ(m_aliases.size(), 10u);
    standin::NotesStore store;
    ASSERT_TRUE(store.open(m, error)) << error;
    const std::int64_t north = *store.book("CN=VMAIL07/O=Orvix", "names.nsf", false);
    const std::int64_t south = *store.book("CN=VMAIL07/O=Orvix", "south.nsf", false);
    for (std::size_t i = 5; i < 10; ++i) {
      const std::string id = queryRows(m, "SELECT DirectoryID FROM Subscriber WHERE Alias='" + m_aliases[i] + "'").at(0);
      const standin::Unid unid = *standin::unidFromHex(id.substr(2));
      std::vector<standin::NotesItem> items;
      for (const char* item : {"ShortName", "FirstName", "LastName", "FullName"})
        items.push_back({item, store.textList(north, unid, item)});
      ASSERT_TRUE(store.putNote(south, unid, items, error)) << error;
      store.deleteNote(north, unid);
      execute(m, "UPDATE Subscriber SET DirectoryID=? WHERE Alias=?", {standin::dominoDirectoryId(1, unid), m_aliases[i]});
    }
    execute(m, "UPDATE Subscriber SET DirectoryID='not a directory id' WHERE Alias=?", {m_aliases[8]});
    execute(m, "UPDATE Subscriber SET DirectoryID=? WHERE Alias=?", {"55" + std::string(32, 'A'), m_aliases[9]});
    m_backup = m_old.files().paths().toWindows(m_host.path()) + "\\DR";
    standin::BackupReport report;
    ASSERT_TRUE(standin::backupServer(m, m_backup, report, error)) << error;
  }

  // The new books: aliases 0-2 and 5-7 again under new note IDs (5-7 in the
  // second book), alias 3 in both books, alias 4 nowhere.
  void fillNewBooks() {
    Machine& m = m_new.machine();
    standin::NotesStore store;
    std::string error;
    ASSERT_TRUE(store.open(m, error)) << error;
    const std::int64_t north = *store.book("CN=ORVIXNEW/O=Orvix", "names.nsf", false);
    const std::int64_t south = *store.book("CN=ORVIXNEW/O=Orvix", "south.nsf", false);
    const auto put = [&](std::int64_t book, std::size_t i, const char* seed) {
      const std::string& a = m_aliases[i];
      const standin::Unid unid = standin::derivedUnid(std::string(seed) + a);
      ASSERT_TRUE(store.putNote(book, unid,
                                {{"ShortName", {a}},
                                 {"FirstName", {"F"}},
                                 {"LastName", {a}},
                                 {"FullName", {a + " Person", "CN=" + a + " Person/O=Orvix"}}},
                                error));
      m_newIds[a] = standin::dominoDirectoryId(book == north ? 0 : 1, unid);
    };
    for (std::size_t i : {0u, 1u, 2u, 3u}) put(north, i, "new:");
    for (std::size_t i : {3u, 5u, 6u, 7u}) put(south, i, "south:");
  }

  int restore() {
    installProgramFiles(m_new.files(), RestoreMachine::kProgramFolder);
    restore::ProgramSetup setup;
    setup.programFolder = RestoreMachine::kProgramFolder;
    restore::ProgramArguments args;
    args.headless = true;
    args.given.backup = m_backup;
    args.given.messages = false;
    args.given.rules.push_back({"view log file", restore::MsgResult::Cancel});
    restore::WizardAnswers& w = args.given.wizard;
    w.owner = "ESubscriber";
    w.afterMessage = "Department*";
    w.exitDestination = "Department*";
    w.exportFile = "C:\\UnMatchedUsers.txt";
    w.exportPassword = "Welcome1";
    return restore::runHeadless(m_new.machine(), setup, args, out, err, restore::prepareProgram);
  }

  std::string directoryId(const std::string& alias) {
    const auto rows = queryRows(m_new.machine(), "SELECT DirectoryID FROM Subscriber WHERE Alias='" + alias + "'");
    return rows.empty() ? "(deleted)" : rows[0];
  }

  TempDir m_host;
  ScratchMachine m_old;
  ScratchMachine m_new;
  std::vector<std::string> m_aliases;
  std::map<std::string, std::string> m_newIds;
  std::string m_backup;
  std::ostringstream out, err;
};

TEST_F(DominoDrill, MatchesThoseFoundOnceAndDeletesTheRestAfterReassigningThem) {
  ASSERT_EQ(restore(), 0) << out.str() << err.str();
  Machine& m = m_new.machine();
  const std::vector<std::string> lines = runLogLines(m_new.files(), m_backup + "\\DisasterRecoveryRestore.log");
  const auto& a = m_aliases;

  // Found once: bound to the new person documents.
  for (std::size_t i : {0u, 1u, 2u, 5u, 6u, 7u}) {
    EXPECT_EQ(directoryId(a[i]), m_newIds[a[i]]) << a[i];
    EXPECT_EQ(directoryId(a[i]).size(), 34u);
    EXPECT_TRUE(hasLine(lines, "    Updating subscriber with alias=" + a[i])) << a[i];
    EXPECT_TRUE(hasLine(lines, "    DirectoryID set to: " + m_newIds[a[i]])) << a[i];
  }
  // Found twice, or nowhere: gone, and nothing points at them any more.
  const std::string replacement =
      queryRows(m, "SELECT SubscriberObjectID FROM Subscriber WHERE Alias='ESubscriber'").at(0);
  for (std::size_t i : {3u, 4u}) {
    EXPECT_EQ(directoryId(a[i]), "(deleted)") << a[i];
    EXPECT_TRUE(hasLine(lines, "    Deleting subscriber with alias=" + a[i])) << a[i];
  }
  EXPECT_EQ(queryCount(m, "SELECT COUNT(*) FROM CallHandler WHERE AdministratorObjectID NOT IN "
                          "(SELECT SubscriberObjectID FROM Subscriber) AND AdministratorObjectIDType=1"),
            0);
  EXPECT_GT(queryCount(m, "SELECT COUNT(*) FROM CallHandler WHERE IsPrimary=0 AND (AdministratorObjectID='" +
                              replacement + "' OR RecipientObjectID='" + replacement + "')"),
            0);
  // Bad directory IDs are passed over: those subscribers stay as they were.
  EXPECT_EQ(directoryId(a[8]), "not a directory id");
  EXPECT_EQ(directoryId(a[9]), "55" + std::string(32, 'A'));

  long deleting = 0, complete = 0;
  for (const std::string& line : lines) {
    deleting += line.rfind("    Deleting subscriber with alias=", 0) == 0;
    complete += line == "        Delete complete";
    EXPECT_EQ(ifind(line, "not available in this build: Domino"), std::string::npos) << line;
    EXPECT_EQ(ifind(line, "DeleteSubscriber in Form frmDomino2"), std::string::npos) << line;
  }
  EXPECT_EQ(deleting, 2);
  EXPECT_EQ(complete, 2);
  for (const char* want : {"**** Setting DirectoryID values for resolved users in the Domino Directory ****",
                           "**** DirectoryID update process compelte ****",
                           "**** Deleting subscriber that could not be resolved in the Domino Directory ****",
                           "**** subscriber deletion process complete ****"})
    EXPECT_TRUE(hasLine(lines, want)) << want;
  EXPECT_NE(out.str().find("Wizard page frmDomino2"), std::string::npos) << out.str();

  // The export of the unmatched users: one 17-field line per row without a
  // directory ID, the default password in the fifth field.
  std::string exported;
  ASSERT_TRUE(m_new.files().readAll("C:\\UnMatchedUsers.txt", exported)) << out.str();
  const std::vector<std::string> rows = split(exported, '\n');
  ASSERT_GE(rows.size(), 2u);
  for (const std::string& row : rows) {
    if (trim(row).empty()) continue;
    const std::vector<std::string> fields = split(trim(row), ';');
    ASSERT_EQ(fields.size(), 17u) << row;
    EXPECT_EQ(fields[4], "Welcome1") << row;
    EXPECT_FALSE(fields[16].empty()) << row;
  }
}

TEST_F(DominoDrill, WithoutReplacementsNothingIsDeleted) {
  installProgramFiles(m_new.files(), RestoreMachine::kProgramFolder);
  restore::ProgramSetup setup;
  setup.programFolder = RestoreMachine::kProgramFolder;
  restore::ProgramArguments args;
  args.given.backup = m_backup;
  args.given.messages = false;
  args.given.rules.push_back({"view log file", restore::MsgResult::Cancel});
  ASSERT_EQ(restore::runHeadless(m_new.machine(), setup, args, out, err, restore::prepareProgram), 0) << err.str();
  for (std::size_t i : {3u, 4u}) EXPECT_NE(directoryId(m_aliases[i]), "(deleted)") << m_aliases[i];
  EXPECT_EQ(directoryId(m_aliases[0]), m_newIds[m_aliases[0]]);
  EXPECT_NE(out.str().find("nothing is deleted"), std::string::npos);
}

}  // namespace
}  // namespace vrel::test
