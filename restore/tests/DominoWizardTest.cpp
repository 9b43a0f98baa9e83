// The Domino wizard's pages and search dialogs on a Domino server whose
// database holds subscribers without person documents, driven as the
// administrator would through the form models.
#include "platform/Text.h"
#include "platform/data/Connection.h"
#include "restore/domino/SearchDialogs.h"
#include "restore/domino/frmDomino1.h"
#include "restore/domino/frmDomino2.h"
#include "restore/tests/support/RegistryDrill.h"
#include "restore/tests/support/RestoreFixture.h"
#include "standin/notes/NotesStore.h"
#include "standin/server/Populate.h"
#include "standin/server/ProvisionDatabases.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace vrel::test {
namespace {

using restore::frmDomino1;
using restore::frmDomino2;

constexpr const char* kMailServers = "SOFTWARE\\Tremarc\\Directory Connectors\\DirSynchDomino\\1.00\\Mail Servers";
constexpr const char* kNoUnmatched =
    "    No unmatched subscribers found in the Domino user table - no need to run resolution dialog";

class DominoWizardTest : public ::testing::Test {
 public:
  void SetUp() override {
    standin::ProvisionOptions o;
    o.computerName = "DOMSRV";
    o.mailStore = standin::MailStoreKind::Domino;
    o.version = {4, 0, 4, 175};
    m.provision(o);
    standin::PopulateOptions po;
    po.subscribers = 4;
    standin::PopulateResult pr;
    std::string error;
    ASSERT_TRUE(standin::populateServer(m.machine(), po, pr, error)) << error;
    aliases = queryRows(m.machine(), "SELECT Alias FROM Subscriber WHERE SubscriberType=3 AND Alias NOT LIKE 'E%' "
                                     "AND Alias <> 'Installer' ORDER BY Alias");
    ASSERT_EQ(aliases.size(), 4u);
    ASSERT_TRUE(store.open(m.machine(), error)) << error;
    book = *store.book("CN=DOMSRV/O=Orvix", "names.nsf", false);
    // The first two lose their person documents; the second is found again
    // by its alias under a new note ID.
    for (std::size_t i : {0u, 1u}) {
      const std::string id = queryRows(m.machine(), "SELECT DirectoryID FROM Subscriber WHERE Alias='" + aliases[i] + "'").at(0);
      store.deleteNote(book, *standin::unidFromHex(id.substr(2)));
    }
    again = standin::derivedUnid("again");
    ASSERT_TRUE(store.putNote(book, again,
                              {{"ShortName", {aliases[1]}}, {"FirstName", {"A"}}, {"LastName", {"B"}},
                               {"FullName", {"A B", "CN=A B/O=Orvix"}}},
                              error));
    restore::frmMain& main = m.start();
    m.program().connectionString =
        "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=OrvixDb;Data "
        "Source=DOMSRV";
    std::string log = "C:\\Vrel\\Test.log";
    m.program().log.OpenLogFile(log, false);
    page1 = std::make_unique<frmDomino1>(m.program(), main);
  }

  std::vector<std::string> logLines() { return runLogLines(m.files(), "C:\\Vrel\\Test.log"); }
  int rowOf(const std::string& alias) {
    for (int r = 1; r < page1->myGrid.rows(); ++r)
      if (page1->myGrid.cell(r, "Alias").text == alias) return r;
    return 0;
  }

  RestoreMachine m;
  std::vector<std::string> aliases;
  standin::NotesStore store;
  std::int64_t book = 0;
  standin::Unid again{};
  std::unique_ptr<frmDomino1> page1;
};

TEST_F(DominoWizardTest, ListsTheUnmatchedWithTheirStatusAndRematchesOnDoubleClick) {
  page1->Form_Load();
  ASSERT_FALSE(page1->unloaded);
  restore::Grid& g = page1->myGrid;
  ASSERT_EQ(g.rows(), 3);
  const int missing = rowOf(aliases[0]), found = rowOf(aliases[1]);
  ASSERT_GT(missing, 0);
  ASSERT_GT(found, 0);
  EXPECT_EQ(g.cell(missing, "Status").picture, "NoMatch");
  EXPECT_EQ(g.cell(missing, "Delete").value, 1);
  EXPECT_EQ(g.cell(missing, "DirectoryID").text, "");
  EXPECT_EQ(g.cell(found, "Status").picture, "Match");
  EXPECT_EQ(g.cell(found, "Delete").value, 0);
  EXPECT_EQ(g.cell(found, "DirectoryID").text, standin::dominoDirectoryId(0, again));
  EXPECT_EQ(g.cell(found, "AddressID").text, "CN=A B/O=Orvix");
  EXPECT_GT(g.columns[1].width, 350);

  // A double click on a kept row marks it; on a marked row it searches again.
  g.row = found;
  page1->dblClick("myGrid");
  EXPECT_EQ(g.cell(found, "Delete").value, 1);
  page1->dblClick("myGrid");
  EXPECT_EQ(g.cell(found, "Delete").value, 0);
  g.row = missing;
  page1->dblClick("myGrid");
  EXPECT_EQ(m.ui.texts().back(), "That user cannot be found in the Domino directory by their short name=" + aliases[0]);
  // A second person of that name makes it ambiguous.
  std::string error;
  store.putNote(book, standin::derivedUnid("twin"), {{"ShortName", {aliases[0]}}, {"FirstName", {"X"}},
                                                     {"LastName", {"Y"}}, {"FullName", {"X Y"}}}, error);
  store.putNote(book, standin::derivedUnid("twin2"), {{"ShortName", {aliases[0]}}, {"FirstName", {"X"}},
                                                      {"LastName", {"Y"}}, {"FullName", {"X Y"}}}, error);
  page1->dblClick("myGrid");
  EXPECT_EQ(g.cell(missing, "Status").picture, "MultipleMatches");
  EXPECT_EQ(g.cell(missing, "Delete").value, 1);
  EXPECT_EQ(m.ui.texts().back(),
            "More than one user in the directory matches that subscribers name - they cannot be imported.");
}

// The first Domino subscriber of the database (the example administrator,
// installed first) has a directory ID that does not parse and one names a
// book that is not listed: the rows after them are still listed.
TEST_F(DominoWizardTest, BadDirectoryIdsDoNotHideTheSubscribersAfterThem) {
  data::Connection cn(m.machine());
  cn.open(standin::localDatabaseConnection("OrvixDB"));
  cn.execute("UPDATE Subscriber SET DirectoryID='bad' WHERE Alias='EAdmin'");
  cn.execute("UPDATE Subscriber SET DirectoryID=? WHERE Alias='ESubscriber'", {"42" + std::string(32, '1')});
  cn.close();
  page1->Form_Load();
  ASSERT_FALSE(page1->unloaded);
  EXPECT_EQ(page1->myGrid.rows(), 3);
  EXPECT_GT(rowOf(aliases[0]), 0);
  EXPECT_GT(rowOf(aliases[1]), 0);
  EXPECT_TRUE(m.ui.boxes.empty());
}

TEST_F(DominoWizardTest, ExportWritesTheUnmatchedRowsForTheDominoImport) {
  page1->Form_Load();
  m.ui.inputs.push_back(std::string("Secret1"));
  m.ui.saveFiles.push_back("C:\\UnMatchedUsers.txt");
  page1->click("mnuExport");
  std::string text;
  ASSERT_TRUE(m.files().readAll("C:\\UnMatchedUsers.txt", text));
  const std::string last = queryRows(m.machine(), "SELECT LastName FROM Subscriber WHERE Alias='" + aliases[0] + "'").at(0);
  const std::string first = queryRows(m.machine(), "SELECT FirstName FROM Subscriber WHERE Alias='" + aliases[0] + "'").at(0);
  EXPECT_EQ(text, last + ";" + first + ";;;Secret1;;;;;;;;;;;;" + aliases[0] + "\r\n");
  EXPECT_EQ(m.ui.texts().back(), "Export complete. 1 users included in export.");
  // No password: nothing is written.
  m.ui.inputs.push_back(std::string());
  page1->click("mnuExport");
  EXPECT_EQ(ifind(m.ui.texts().back(), "You must enter a default password"), 0u);

  // Over the existing file: "No" asks for another name and leaves the file
  // alone; "Yes" replaces it; no name at all aborts.
  const std::string firstExport = text;
  m.ui.answer("already exists - overwrite?", MsgResult::No, 1);
  m.ui.inputs.push_back(std::string("Secret2"));
  m.ui.saveFiles = {"C:\\UnMatchedUsers.txt", "C:\\Other.txt"};
  page1->click("mnuExport");
  ASSERT_TRUE(m.files().readAll("C:\\UnMatchedUsers.txt", text));
  EXPECT_EQ(text, firstExport);
  ASSERT_TRUE(m.files().readAll("C:\\Other.txt", text));
  EXPECT_NE(text.find(";;;Secret2;"), std::string::npos);
  m.ui.inputs.push_back(std::string("Secret3"));
  m.ui.saveFiles = {"C:\\UnMatchedUsers.txt"};
  page1->click("mnuExport");
  ASSERT_TRUE(m.files().readAll("C:\\UnMatchedUsers.txt", text));
  EXPECT_NE(text.find(";;;Secret3;"), std::string::npos);
  EXPECT_EQ(text.find("Secret1"), std::string::npos);
  m.ui.inputs.push_back(std::string("Secret4"));
  page1->click("mnuExport");
  EXPECT_EQ(m.ui.texts().back(), "Export aborted");
  ASSERT_TRUE(m.files().readAll("C:\\UnMatchedUsers.txt", text));
  EXPECT_EQ(text.find("Secret4"), std::string::npos);
}

struct BrokenSetup {
  const char* name;
  std::function<void(DominoWizardTest&)> arrange;
  const char* box;  // the start of the Form_Load trap's box
};

class DominoWizardBroken : public DominoWizardTest, public ::testing::WithParamInterface<BrokenSetup> {};

// Whatever keeps the directory server from starting, the page tells why,
// logs that there is nothing to reconcile, and lets the run go on.
TEST_P(DominoWizardBroken, UnloadsAfterSayingWhy) {
  GetParam().arrange(*this);
  page1->Form_Load();
  EXPECT_TRUE(page1->unloaded);
  ASSERT_FALSE(m.ui.boxes.empty());
  EXPECT_EQ(m.ui.boxes.front().text.rfind(GetParam().box, 0), 0u) << m.ui.boxes.front().text;
  EXPECT_NE(m.ui.boxes.front().text.find(") in procedure Form_Load of Form frmDomino1"), std::string::npos);
  EXPECT_TRUE(hasLine(logLines(), kNoUnmatched));
}

INSTANTIATE_TEST_SUITE_P(
    Causes, DominoWizardBroken,
    ::testing::Values(
        BrokenSetup{"BookWithoutDatabase",
                    [](DominoWizardTest& t) {
                      t.m.machine().registry().deleteValue(Hive::LocalMachine, std::string(kMailServers) + "\\0",
                                                           "Database");
                    },
                    "(error):-2147213306 (Automation error)"},
        BrokenSetup{"NotesCrashes",
                    [](DominoWizardTest& t) {
                      std::string e;
                      t.store.setFault("NSFDbOpenExtended", standin::NotesFault{}, e);
                    },
                    "(error):-2147213307 (Automation error)"},
        BrokenSetup{"NotRegistered",
                    [](DominoWizardTest& t) {
                      t.m.machine().registry().deleteTree(Hive::ClassesRoot,
                                                          "CLSID\\{0B4F3461-8DB9-4821-A7C3-DA130A240C16}");
                    },
                    "(error):429 (ActiveX component can't create object)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DominoWizardTest, DeletionWaitsForEveryReplacement) {
  page1->Form_Load();
  frmDomino2 page2(m.program(), *page1);
  page2.Form_Load();
  page2.click("cmdNext");
  EXPECT_EQ(m.ui.texts().back(),
            "You must select a subscriber to be a recipient or owner replacement for deleted subscribers before "
            "proceeding.");
  page2.control("txtOwnerRecipientSubscriberObjectID").caption = "x";
  page2.click("cmdNext");
  EXPECT_EQ(m.ui.texts().back(),
            "You must select a call handler to act as an after message destination before proceeding.");
  EXPECT_EQ(queryCount(m.machine(), "SELECT COUNT(*) FROM Subscriber WHERE Alias='" + aliases[0] + "'"), 1);
}

// The replacement owner is chosen in the subscriber search; one that is
// itself marked for deletion is refused and the choice stays empty.
TEST_F(DominoWizardTest, AReplacementOwnerMarkedForDeletionIsRefused) {
  page1->Form_Load();
  frmDomino2 page2(m.program(), *page1);
  page2.Form_Load();
  std::string pick;
  m.ui.onShowForm = [&](restore::FormModel& form) {
    auto& dialog = dynamic_cast<restore::frmSubscriberSearch&>(form);
    dialog.control("txtSearchString").caption = pick;
    dialog.click("optSearchByAlias");
    dialog.click("cmdSearch");
    dialog.myGrid.row = 1;
    dialog.click("cmdOK");
  };
  for (const std::string& alias : {aliases[0], aliases[1]}) {
    pick = alias;
    const bool marked = page1->myGrid.cell(rowOf(alias), "Delete").value == 1;
    const std::size_t boxes = m.ui.boxes.size();
    page2.click("cmdBrowseForOwnerRecipientSubscriber");
    const std::string chosen = page2.control("txtOwnerRecipientSubscriberObjectID").caption;
    if (marked) {
      ASSERT_GT(m.ui.boxes.size(), boxes);
      EXPECT_EQ(m.ui.texts().back().rfind("The subscriber you selected is set to be deleted on the previous page.", 0),
                0u);
      EXPECT_EQ(chosen, "");
      EXPECT_EQ(page2.control("txtOwnerRecipientSubscriberDisplayName").caption, "");
    } else {
      EXPECT_EQ(m.ui.boxes.size(), boxes) << m.ui.texts().back();
      EXPECT_EQ(chosen, queryRows(m.machine(), "SELECT SubscriberObjectID FROM Subscriber WHERE Alias='" + alias + "'")
                            .at(0));
    }
  }
  EXPECT_EQ(page1->myGrid.cell(rowOf(aliases[0]), "Delete").value, 1) << "the first alias must be the marked one";
}

TEST_F(DominoWizardTest, AFailingProcedureIsLoggedAndTheDeletionGoesOn) {
  page1->Form_Load();
  frmDomino2 page2(m.program(), *page1);
  page2.Form_Load();
  const std::string handler =
      queryRows(m.machine(), "SELECT CallHandlerObjectID FROM CallHandler WHERE IsPrimary=0").at(0);
  // An owner that does not exist: the procedures that need it refuse.
  page2.control("txtOwnerRecipientSubscriberObjectID").caption = "{00000000-0000-0000-0000-00000000BEEF}";
  page2.control("txtCallHandlerAfterMessageObjectID").caption = handler;
  page2.control("txtCallHandlerExitDestinationObjectID").caption = handler;
  page2.click("cmdNext");
  const auto lines = logLines();
  long errors = 0;
  for (const std::string& l : lines)
    errors += l.rfind("(error):", 0) == 0 && l.find(") in procedure DeleteSubscriber in Form frmDomino2") != std::string::npos;
  EXPECT_GE(errors, 1);
  EXPECT_TRUE(hasLine(lines, "        Delete complete"));
  EXPECT_TRUE(hasLine(lines, "**** subscriber deletion process complete ****"));
}

struct SearchCase {
  const char* name;
  const char* text;
  const char* option;
  long expectedRows;  // -1: as many as the database has
  bool errorBox;
};

class DominoSearch : public DominoWizardTest, public ::testing::WithParamInterface<SearchCase> {};

// The search text is a bound LIKE pattern: a quote is an ordinary character.
TEST_P(DominoSearch, FindsByPattern) {
  restore::frmSubscriberSearch dialog(m.program());
  dialog.Form_Load();
  dialog.control("txtSearchString").caption = GetParam().text;
  dialog.click(GetParam().option);
  dialog.click("cmdSearch");
  const long all = queryCount(m.machine(), "SELECT COUNT(*) FROM Subscriber s JOIN CallHandler c ON "
                                           "c.CallHandlerObjectID = s.CallHandlerObjectID WHERE s.SubscriberType IN (1,3)");
  EXPECT_EQ(dialog.myGrid.rows() - 1, GetParam().expectedRows < 0 ? all : GetParam().expectedRows);
  EXPECT_EQ(m.ui.shown("Error in cmdSearch:"), GetParam().errorBox);
  dialog.click("cmdOK");
  if (dialog.myGrid.rows() == 1) {
    EXPECT_EQ(m.ui.texts().back(), "No subscriber selected");
    EXPECT_FALSE(dialog.chosenObjectId);
  }
}

INSTANTIATE_TEST_SUITE_P(Patterns, DominoSearch,
                         ::testing::Values(SearchCase{"Star", "*", "optSearchByAlias", -1, false},
                                           SearchCase{"ExactAlias", "ESubscriber", "optSearchByAlias", 1, false},
                                           SearchCase{"Prefix", "ESub*", "optSearchByAlias", 1, false},
                                           SearchCase{"Quote", "O'Brien' OR 1=1 --", "optSearchByLastName", 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DominoWizardTest, CallHandlerSearchListsOnlyNonPrimaryHandlersAndCancelClearsTheChoice) {
  restore::frmCallHandlerSearch dialog(m.program());
  dialog.Form_Load();
  dialog.control("txtSearchString").caption = "*";
  dialog.click("cmdSearch");
  EXPECT_EQ(dialog.myGrid.rows() - 1,
            queryCount(m.machine(), "SELECT COUNT(DISTINCT CallHandlerObjectID) FROM CallHandler WHERE IsPrimary<>1"));
  dialog.myGrid.row = 1;
  dialog.dblClick("myGrid");
  ASSERT_TRUE(dialog.chosenObjectId);
  EXPECT_EQ(dialog.chosenObjectId->size(), 38u);
  dialog.click("cmdCancel");
  EXPECT_FALSE(dialog.chosenObjectId);
}

}  // namespace
}  // namespace vrel::test
