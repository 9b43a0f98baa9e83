// The rights check behind "Restore Messages" on an Active Directory system:
// the store list written for Rilo, the tool run from the program's folder,
// and the option refused with the two messages when a store fails.
#include "platform/data/Connection.h"
#include "platform/tests/ChildProcesses.h"
#include "restore/accounts/bAccountHasMailstoreRights.h"
#include "restore/tests/support/RestoreFixture.h"
#include "standin/directory/DirectoryAdmin.h"
#include "standin/server/ProvisionDatabases.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

using standin::MailStoreKind;

constexpr const char* kSecondStore =
    "CN=Second Store,CN=First Storage Group,CN=InformationStore,CN=ORVIX01,CN=Servers,CN=First Administrative "
    "Group,CN=Administrative Groups,CN=Orvix,CN=Microsoft Exchange,CN=Services,CN=Configuration,DC=orvix,DC=local";
constexpr const char* kSecondGuid = "5D1E2F30-4A5B-4C6D-8E7F-901A2B3C4D5E";

class MailstoreRights : public ::testing::Test {
 protected:
  MailstoreRights() : m_saved(WinPaths::currentFolder()) {}
  ~MailstoreRights() override {
    endAllProcesses(rm.machine());
    WinPaths::setCurrentFolder(m_saved);
  }

  restore::frmMain& start(MailStoreKind kind) {
    standin::ProvisionOptions o;
    o.mailStore = kind;
    rm.provision(o);
    return rm.start();
  }
  // A second store with a subscriber on it, in the database and (unless
  // absent) in the directory, where the running account has no rights.
  void addSecondStore() {
    data::Connection cn(rm.machine());
    cn.open(standin::localDatabaseConnection("OrvixDB"));
    standin::insertRow(cn, "MailboxStore", {{"MailboxStoreObjectID", "77777777-0000-4000-8000-000000000001"},
                                            {"Alias", "Second"}, {"DirectoryID", kSecondGuid},
                                            {"MailDatabase", kSecondStore}});
    cn.execute("UPDATE Subscriber SET MailboxStoreObjectID='77777777-0000-4000-8000-000000000001' WHERE Alias='ESubscriber'");
    cn.close();
    sec::Guid guid;
    ASSERT_TRUE(sec::parseGuid(kSecondGuid, guid));
    std::string error;
    standin::DirectoryAdmin admin(rm.machine());
    ASSERT_TRUE(admin.addMailStore(kSecondStore, guid, error)) << error;
    ASSERT_TRUE(admin.setSddl(kSecondStore, "O:DAG:DAD:(A;;RPLCLORC;;;AU)", error)) << error;
  }
  std::string programFile(const char* name) {
    std::string text;
    rm.files().readAll(std::string(RestoreMachine::kProgramFolder) + "\\" + name, text);
    return text;
  }
  static std::string firstStore() {
    return "CN=Mailbox Store (ORVIX01),CN=First Storage Group,CN=InformationStore,CN=ORVIX01,CN=Servers,CN=First "
           "Administrative Group,CN=Administrative Groups,CN=Orvix,CN=Microsoft Exchange,CN=Services,CN=Configuration,"
           "DC=orvix,DC=local";
  }

  RestoreMachine rm;
  std::string m_saved;
};

TEST_F(MailstoreRights, TheRunningAccountsRightsAreCheckedByRiloOnTheActiveDirectoryConnector) {
  restore::frmMain& form = start(MailStoreKind::Exchange2000);
  form.click("chkRestoreMessages");
  EXPECT_EQ(form.control("chkRestoreMessages").value, 1) << "Administrator holds both rights";
  EXPECT_TRUE(rm.ui.boxes.empty());
  EXPECT_EQ(programFile("MailStoreInput.txt"), firstStore() + "\r\n\r\n");
  EXPECT_EQ(programFile("RILO.OUT"), "\"" + firstStore() + "\",\"1\"\r\n\"\",\"0\"\r\n");
  EXPECT_FALSE(programFile("RILOLOG.TXT").empty()) << "the tool's log lies next to it";
  form.click("chkRestoreMessages");  // clearing the box checks nothing
  EXPECT_TRUE(rm.ui.boxes.empty());
}

TEST_F(MailstoreRights, OtherConnectorsNeverRunTheTool) {
  restore::frmMain& form = start(MailStoreKind::Exchange55);
  form.click("chkRestoreMessages");
  EXPECT_EQ(form.control("chkRestoreMessages").value, 1);
  EXPECT_EQ(programFile("MailStoreInput.txt"), "");
  EXPECT_EQ(programFile("RILO.OUT"), "");
}

TEST_F(MailstoreRights, AFailingStoreRefusesTheOptionWithTheTwoMessages) {
  restore::frmMain& form = start(MailStoreKind::Exchange2000);
  addSecondStore();
  form.click("chkRestoreMessages");
  EXPECT_EQ(form.control("chkRestoreMessages").value, 0) << "the box is cleared again";
  ASSERT_EQ(rm.ui.boxes.size(), 2u);
  EXPECT_EQ(rm.ui.boxes[0].text, rm.program().str(101) + "\r\n\r\n\"" + kSecondStore + "\"\r\n\r\n");
  EXPECT_EQ(rm.ui.boxes[1].text, rm.program().str(102));
}

TEST_F(MailstoreRights, InJapaneseTheStoresAreNamedByTheirDirectoryGuids) {
  restore::frmMain& form = start(MailStoreKind::Exchange2000);
  addSecondStore();
  rm.program().localize.currentLanguage = 1041;
  form.click("chkRestoreMessages");
  const std::string input = programFile("MailStoreInput.txt");
  EXPECT_NE(input.find(std::string(kSecondGuid) + "\r\n"), std::string::npos) << input;
  EXPECT_EQ(input.find("CN="), std::string::npos) << input;
  ASSERT_EQ(rm.ui.boxes.size(), 2u);
  EXPECT_EQ(rm.ui.boxes[0].text, rm.program().str(101) + "\r\n\r\n\"" + kSecondGuid + "\"\r\n\r\n");
  EXPECT_EQ(form.control("chkRestoreMessages").value, 0);
}

TEST_F(MailstoreRights, ATrappedStepIsShownAndTheCheckGoesOn) {
  start(MailStoreKind::Exchange2000);
  ASSERT_TRUE(rm.files().deleteFile(std::string(RestoreMachine::kProgramFolder) + "\\Rilo.exe", true));
  EXPECT_TRUE(restore::bAccountHasMailstoreRights(rm.program())) << "no answer counts as no failure";
  ASSERT_EQ(rm.ui.boxes.size(), 2u);
  EXPECT_EQ(rm.ui.boxes[0].text.rfind("(error):53 (", 0), 0u) << rm.ui.boxes[0].text;
  EXPECT_NE(rm.ui.boxes[0].text.find(") in procedure bAccountHasMailstoreRights of Form frmMain"), std::string::npos);
}

TEST(FailedStoreList, OnlyLongLinesEndingInZero) {
  struct Row {
    const char* name;
    std::string out;
    std::string list;
  } rows[] = {
      {"one failing of two", "\"CN=a\",\"1\"\r\n\"CN=b\",\"0\"\r\n", "\"CN=b\"\r\n\r\n"},
      {"the empty entry is too short", "\"\",\"0\"\r\n", ""},
      {"eight characters count", "\"x\",\"0\"\r\n\"xy\",\"0\"", "\"xy\"\r\n\r\n"},
      {"lines without CR", "\"CN=a\",\"0\"\n\"CN=b\",\"0\"", "\"CN=a\"\r\n\r\n\"CN=b\"\r\n\r\n"},
      {"nothing", "", ""},
  };
  for (const Row& r : rows) EXPECT_EQ(restore::failedStoreList(r.out), r.list) << r.name;
}

}  // namespace
}  // namespace vrel::test
