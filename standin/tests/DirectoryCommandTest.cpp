// standin directory and standin account on a provisioned machine: the
// default directory, accounts, groups, rights, and descriptors shown in SDDL.
#include "platform/tests/ChildProcesses.h"
#include "standin/server/Provision.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

constexpr const char* kStore =
    "'CN=Mailbox Store (ORVIX01),CN=First Storage Group,CN=InformationStore,CN=ORVIX01,CN=Servers,CN=First "
    "Administrative Group,CN=Administrative Groups,CN=Orvix,CN=Microsoft Exchange,CN=Services,CN=Configuration,"
    "DC=orvix,DC=local'";

class DirectoryCommandTest : public ::testing::Test {
 protected:
  void provision(standin::MailStoreKind kind) {
    m.activate();
    standin::ProvisionOptions o;
    o.mailStore = kind;
    standin::ProvisionResult r;
    std::string error;
    ASSERT_TRUE(standin::provisionServer(m.machine(), o, r, error)) << error;
  }
  std::string ok(const std::string& args) {
    const ToolRun r = runTool("standin", args);
    EXPECT_EQ(r.exitCode, 0) << args << ": " << r.output;
    return r.output;
  }
  ScratchMachine m;
};

TEST_F(DirectoryCommandTest, ProvisionMakesTheDomainAndTheMailStoreOfItsKind) {
  provision(standin::MailStoreKind::Exchange2000);
  const std::string store = ok(std::string("directory show ") + kStore);
  EXPECT_NE(store.find("objectClass: top msExchMDB msExchPrivateMDB\n"), std::string::npos) << store;
  EXPECT_NE(store.find("(OA;;CR;ab721a54-1e2f-11d0-9819-00aa0040529b;;DA)(OA;;CR;ab721a56-1e2f-11d0-9819-00aa0040529b;;DA)"),
            std::string::npos)
      << store;
  const std::string admins = ok("directory show Administrators");
  EXPECT_NE(admins.find("objectSid: S-1-5-32-544\n"), std::string::npos) << admins;
  EXPECT_NE(admins.find("member: CN=Administrator,CN=Users,DC=orvix,DC=local\n"), std::string::npos) << admins;
  EXPECT_NE(ok("directory show 'CN=Send-As,CN=Extended-Rights,CN=Configuration,DC=orvix,DC=local'")
                .find("objectClass: top controlAccessRight\n"),
            std::string::npos);
  EXPECT_NE(ok("account show").find("account: ORVIX\\Administrator\n"), std::string::npos);

  ScratchMachine domino;
  domino.activate();
  standin::ProvisionOptions o;
  o.mailStore = standin::MailStoreKind::Domino;
  standin::ProvisionResult r;
  std::string error;
  ASSERT_TRUE(standin::provisionServer(domino.machine(), o, r, error)) << error;
  EXPECT_EQ(ok("directory list").find("msExch"), std::string::npos);
  EXPECT_EQ(ok("directory list").find("Mailbox Store"), std::string::npos) << "a Domino server keeps no store here";
}

TEST_F(DirectoryCommandTest, AccountsGroupsRightsAndTheRunningAccount) {
  provision(standin::MailStoreKind::Exchange2000);
  ok("directory add-user Operator");
  ok("directory add-group Operators");
  ok("directory add-member Operators Operator");
  ok(std::string("directory grant ") + kStore + " Operators send-as");
  ok(std::string("directory grant ") + kStore + " 'ORVIX\\Operator' receive-as --deny");
  const std::string sddl = ok(std::string("directory sddl ") + kStore);
  EXPECT_EQ(sddl.rfind("O:DAG:DAD:(OD;;CR;ab721a56-1e2f-11d0-9819-00aa0040529b;;S-1-5-21-", 0), 0u) << sddl;
  EXPECT_NE(sddl.find("(OA;;CR;ab721a54-1e2f-11d0-9819-00aa0040529b;;S-1-5-21-"), std::string::npos) << sddl;
  ok("account set Operator --local-admin");
  const std::string token = ok("account show");
  EXPECT_NE(token.find("account: ORVIX\\Operator\n"), std::string::npos) << token;
  EXPECT_NE(token.find("group: S-1-5-32-544 (BA) enabled\n"), std::string::npos) << token;
  ok(std::string("directory set-sddl ") + kStore + " 'O:DAG:DAD:(A;;CR;;;WD)'");
  EXPECT_EQ(ok(std::string("directory sddl ") + kStore), "O:DAG:DAD:(A;;CR;;;WD)\n");
  ok(std::string("directory set-descriptor ") + kStore + " 0100");
  EXPECT_NE(ok(std::string("directory show ") + kStore).find("nTSecurityDescriptor: (the descriptor does not parse"),
            std::string::npos);
  struct Row {
    const char* args;
    int exitCode;
    const char* message;
  } bad[] = {
      {"directory add-user Operator", 1, "exists already"},
      {"directory add-user 'a,b'", 1, "bad account name"},
      {"directory add-member Nobody Operator", 1, "no group Nobody"},
      {"directory grant Operator Nobody both", 1, "no account Nobody"},
      {"directory grant Operator Operators sideways", 1, "bad right sideways"},
      {"directory set-sddl Operator 'O:DAG:DAD:(A;;XX;;;DA)'", 1, "unknown right"},
      {"directory add-object CN=x,DC=elsewhere top", 1, "not inside the domain"},
      {"account set Nobody", 1, "no user Nobody"},
      {"directory frobnicate", 2, "bad directory command"},
  };
  for (const Row& r : bad) {
    const ToolRun run = runTool("standin", r.args);
    EXPECT_EQ(run.exitCode, r.exitCode) << r.args << ": " << run.output;
    EXPECT_NE(run.output.find(r.message), std::string::npos) << r.args << ": " << run.output;
  }
}

}  // namespace
}  // namespace vrel::test
