// Rilo end to end on a stand-in directory: accounts holding the rights
// directly, through a group, only in part, or only through the local
// Administrators group; a store named by GUID; an object that is no store.
// The tool is run as the restore runs it, in check mode and in grant mode.
#include "platform/security/Sddl.h"
#include "rilo/tests/RiloMachine.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

constexpr const char* kGroupDn =
    "CN=First Storage Group,CN=InformationStore,CN=ORVIX01,CN=Servers,CN=First Administrative Group,"
    "CN=Administrative Groups,CN=Orvix,CN=Microsoft Exchange,CN=Services,CN=Configuration,DC=orvix,DC=local";
const std::string kStoreA = std::string("CN=Store A,") + kGroupDn;
const std::string kStoreB = std::string("CN=Store B,") + kGroupDn;
constexpr const char* kStoreBGuid = "0AB1C2D3-E4F5-4A6B-8C7D-9E0F1A2B3C4D";

struct AccountRow {
  const char* account;
  bool localAdmin;
  const char* checkFlags;  // store A, store B by GUID, the storage group
  const char* builtinLine;
};

class RiloDrill : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::DirectoryAdmin a = m.admin();
    std::string error;
    sec::Guid guidB;
    ASSERT_TRUE(sec::parseGuid(kStoreBGuid, guidB));
    ASSERT_TRUE(a.addMailStore(kStoreA, {}, error)) << error;
    ASSERT_TRUE(a.addMailStore(kStoreB, guidB, error)) << error;
    for (const char* user : {"Direct", "ViaGroup", "SendOnly", "LocalAdmin"}) ASSERT_TRUE(a.addUser(user, error)) << error;
    ASSERT_TRUE(a.addGroup("StoreOperators", error)) << error;
    ASSERT_TRUE(a.addMember("StoreOperators", "ViaGroup", error)) << error;
    for (const std::string& store : {kStoreA, kStoreB}) {
      ASSERT_TRUE(a.addRight(store, "ORVIX\\Direct", "both", false, error)) << error;
      ASSERT_TRUE(a.addRight(store, "StoreOperators", "both", false, error)) << error;
      ASSERT_TRUE(a.addRight(store, "SendOnly", "send-as", false, error)) << error;
      ASSERT_TRUE(a.addRight(store, "BUILTIN\\Administrators", "both", false, error)) << error;
    }
  }

  void runAs(const char* account, bool localAdmin) {
    std::string error;
    ASSERT_TRUE(standin::setRunningAccount(m.machine(), account, localAdmin, error)) << error;
  }
  std::string input() { return kStoreA + "\r\n" + kStoreBGuid + "\r\n" + kGroupDn + "\r\n"; }
  std::vector<std::string> expected(const char* flags) {
    const std::string names[] = {kStoreA, kStoreBGuid, kGroupDn};
    std::vector<std::string> out;
    for (int i = 0; i < 3; ++i) out.push_back("\"" + names[i] + "\",\"" + flags[i] + "\"");
    return out;
  }
  std::string sddl(const std::string& object) {
    std::string out, error;
    EXPECT_TRUE(m.admin().descriptorSddl(object, out, error)) << error;
    return out;
  }

  RiloMachine m;
};

TEST_F(RiloDrill, EachAccountIsAnsweredInCheckModeThenGrantedThenAnsweredAgain) {
  const AccountRow rows[] = {
      {"Direct", false, "110", "User IS NOT member of builtin admins Error=[00000000]"},
      {"ViaGroup", false, "110", "User IS NOT member of builtin admins Error=[00000000]"},
      {"SendOnly", false, "000", "User IS NOT member of builtin admins Error=[00000000]"},
      {"LocalAdmin", true, "000", "User IS NOT member of builtin admins Error=[00000000]"},
      {"Administrator", false, "110", "User IS member of builtin admins Error=[00000000]"},
  };
  for (const AccountRow& r : rows) {
    SCOPED_TRACE(r.account);
    runAs(r.account, r.localAdmin);
    const std::string text = input();
    EXPECT_EQ(m.run("/i:MailstoreInput.txt", text.c_str()), expected(r.checkFlags));
    EXPECT_TRUE(m.logged(r.builtinLine));
    if (r.checkFlags[0] == '1') {
      EXPECT_TRUE(m.logged("Send-As and Receive-As rights are granted on " + kStoreA + " Error=[00000000]"));
    }
    const std::string storageGroupBefore = sddl(kGroupDn);
    EXPECT_EQ(m.run("/F /i:MailstoreInput.txt"), expected("110"));
    EXPECT_TRUE(m.logged("/F parameter forcing Rilo to FIX rights Error=[00000000]"));
    EXPECT_TRUE(m.logged("Object doesn't look like a mailstore Error=[80004005]"));
    EXPECT_EQ(sddl(kGroupDn), storageGroupBefore) << "the object that is no store is unchanged";
    EXPECT_EQ(m.run("/i:MailstoreInput.txt"), expected("110")) << "a second check after the grant";
  }
}

TEST_F(RiloDrill, AGrantMergesTheAccountsEntryForTheSameRight) {
  runAs("SendOnly", false);
  ASSERT_EQ(m.run("-f -I:in.txt", (kStoreA + "\r\n").c_str(), "in.txt"), std::vector<std::string>{"\"" + kStoreA + "\",\"1\""});
  const auto d = m.admin().store().domain();
  ASSERT_TRUE(d);
  const std::string sid = sec::sidString(*m.admin().find("SendOnly")->sid);
  const std::string text = sddl(kStoreA);
  const auto count = [&](const std::string& right) {
    std::size_t n = 0;
    const std::string entry = ";" + right + ";;" + sid + ")";
    for (std::size_t at = text.find(entry); at != std::string::npos; at = text.find(entry, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count(sec::guidBare(sec::sendAsRightGuid())), 1u) << text;
  EXPECT_EQ(count(sec::guidBare(sec::receiveAsRightGuid())), 1u) << text;
  EXPECT_NE(text.find("(OA;CI;CR;" + sec::guidBare(sec::sendAsRightGuid()) + ";;" + sid + ")"), std::string::npos)
      << "the candidate replaced the old entry: " << text;
  // Granting again changes nothing more.
  m.run("/F /i:in.txt");
  EXPECT_EQ(sddl(kStoreA), text);
}

TEST_F(RiloDrill, AConflictingDenyStopsTheGrant) {
  std::string error;
  ASSERT_TRUE(m.admin().addRight(kStoreA, "SendOnly", "receive-as", true, error)) << error;
  const std::string before = sddl(kStoreA);
  runAs("SendOnly", false);
  EXPECT_EQ(m.run("/F /i:in.txt", (kStoreA + "\r\n").c_str(), "in.txt"), std::vector<std::string>{"\"" + kStoreA + "\",\"0\""});
  EXPECT_TRUE(m.logged("InsertCandidateAce(Receive-As) failed Error=[80070005]"));
  EXPECT_EQ(sddl(kStoreA), before) << "nothing was stored";
}

TEST_F(RiloDrill, BadInputGetsItsOutcomeALogLineAndChangesNothing) {
  std::string error;
  const std::string storeC = std::string("CN=Store C,") + kGroupDn;
  ASSERT_TRUE(m.admin().addMailStore(storeC, {}, error)) << error;
  ASSERT_TRUE(m.admin().setDescriptorBytes(storeC, Bytes{1, 0, 4, 0x80, 0xFF, 0xFF, 0, 0}, error));
  const std::string longLine(5000, 'x');
  const std::string text = longLine + "\r\nnot-a-guid\r\n" + storeC + "\r\n";
  const std::vector<std::string> zeroes = {"\"" + std::string(2047, 'x') + "\",\"0\"", "\"" + std::string(2047, 'x') + "\",\"0\"",
                                           "\"" + std::string(906, 'x') + "\",\"0\"", "\"not-a-guid\",\"0\"",
                                           "\"" + storeC + "\",\"0\""};
  const std::string storeABefore = sddl(kStoreA);
  EXPECT_EQ(m.run("/i:MailstoreInput.txt", text.c_str()), zeroes);
  EXPECT_TRUE(m.logged("ADsGetObject(LDAP://<GUID=not-a-guid>,IID_IADS) failed Error=[80005000]"));
  EXPECT_TRUE(m.logged("ADsGetObject(LDAP://<GUID=" + std::string(906, 'x') + ">,IID_IADS) failed Error=[80005000]"));
  EXPECT_TRUE(m.logged("GetNamedSecurityInfo() failed Error=[0000053a]"));
  EXPECT_EQ(m.run("/F /i:MailstoreInput.txt"), zeroes);
  EXPECT_TRUE(m.logged("IADs::Get(nTSecurityDescriptor) failed Error=[8007053a]"));
  EXPECT_EQ(m.admin().find(storeC)->descriptor, (Bytes{1, 0, 4, 0x80, 0xFF, 0xFF, 0, 0}));
  EXPECT_EQ(sddl(kStoreA), storeABefore);
}

TEST_F(RiloDrill, TheToolsOwnFilesAndFailures) {
  // No arguments: one line with the empty entry, in the current folder.
  EXPECT_EQ(m.run(""), std::vector<std::string>{"\"\",\"0\""});
  EXPECT_TRUE(m.logged("No input file name specified - RILO exiting Error=[80004005]"));
  // An input file that is not there: the same line, and no log line for it.
  EXPECT_EQ(m.run("/i:missing.txt /x"), std::vector<std::string>{"\"\",\"0\""});
  EXPECT_EQ(m.log().back(), "Entering CRiloHandler::DoWork() Error=[00000000]");
  // "/o:" without a name writes Rilo.out; three lines, one empty, in order.
  EXPECT_EQ(m.run("/i:in.txt /o:", (kStoreA + "   \r\n\r\nnot-a-guid").c_str(), "in.txt"),
            (std::vector<std::string>{"\"" + kStoreA + "\",\"1\"", "\"\",\"0\"", "\"not-a-guid\",\"0\""}));
  EXPECT_TRUE(m.logged("Setting output file to RILO.OUT Error=[00000000]"));
  // An output file that cannot be made: only the log says so.
  m.run("/i:in.txt /o:C:\\NoSuchFolder\\out.txt");
  EXPECT_TRUE(m.logged("Could not open output file C:\\NoSuchFolder\\out.txt - RILO exiting Error=[00000003]"));
  // The directory's calls failing: each is logged and turns into a 0.
  struct Row {
    const char* failing;
    const char* line;
  } rows[] = {
      {"OpenProcessToken,ImpersonateSelf", "OpenProcessToken() failed Error=[00000005]"},
      {"ADsGetObject", "ADsGetObject(LDAP://rootDSE,IID_IADs) failed Error=[8007203a]"},
      {"GetNamedSecurityInfo", "GetNamedSecurityInfo() failed Error=[00000005]"},
  };
  for (const Row& r : rows) {
    m.machine().setValue("DirectoryFailures", r.failing);
    EXPECT_EQ(m.run("/i:in.txt", (kStoreA + "\r\n").c_str(), "in.txt"), std::vector<std::string>{"\"" + kStoreA + "\",\"0\""})
        << r.failing;
    EXPECT_TRUE(m.logged(r.line)) << r.failing;
  }
  m.machine().setValue("DirectoryFailures", "SetInfo");
  const std::string before = sddl(kStoreA);
  EXPECT_EQ(m.run("/F /i:in.txt"), std::vector<std::string>{"\"" + kStoreA + "\",\"0\""});
  EXPECT_TRUE(m.logged("IADs::SetInfo() failed Error=[80072098]"));
  EXPECT_EQ(sddl(kStoreA), before);
  m.machine().setValue("DirectoryFailures", "DsCrackNames");
  EXPECT_EQ(m.run("/F /i:in.txt"), std::vector<std::string>{"\"" + kStoreA + "\",\"0\""});
  EXPECT_TRUE(m.logged("ConvertSidToNT4Name() failed Error=[80004005]"));
}

}  // namespace
}  // namespace vrel::test
