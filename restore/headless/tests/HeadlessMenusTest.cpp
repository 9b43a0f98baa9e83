// The window's menus without a window: the certificate restore on its own
// (where only the voice connector is installed, it is all the program
// offers) and the update check.
#include "platform/CertStore.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "platform/tests/ChildProcesses.h"
#include "restore/app/ProgramStart.h"
#include "restore/headless/HeadlessDriver.h"
#include "restore/headless/HeadlessOptions.h"
#include "standin/server/Backup.h"
#include "restore/tests/support/RestoreFixture.h"
#include "standin/server/AccessSchemas.h"
#include "standin/server/ProvisionDatabases.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace vrel::test {
namespace {

constexpr const char* kProgramFolder = "C:\\Vrel";
constexpr const char* kIvcMdb = "C:\\IVC\\MDBCertificate.MDB";
constexpr const char* kJet = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";

void putValue(Registry& reg, const std::string& key, const RegValue& value) {
  ASSERT_EQ(reg.createKey(Hive::LocalMachine, key), kRegOk);
  ASSERT_EQ(reg.setValue(Hive::LocalMachine, key, value), kRegOk);
}

// A 5.0(1.0) server backed up into a host folder; its machine is then left.
class ServerBackup {
 public:
  ServerBackup() {
    standin::ProvisionOptions o;
    o.version = {5, 0, 1, 0};
    o.computerName = "ORVIXOLD";
    standin::ProvisionResult r;
    std::string error;
    EXPECT_TRUE(standin::provisionServer(m_old.machine(), o, r, error)) << error;
    m_folder = m_old.files().paths().toWindows(m_host.path()) + "\\DR";
    standin::BackupReport report;
    EXPECT_TRUE(standin::backupServer(m_old.machine(), m_folder, report, error)) << error;
  }
  const std::string& folder() const { return m_folder; }

 private:
  ScratchMachine m_old;
  TempDir m_host;
  std::string m_folder;
};

class HeadlessMenus : public ::testing::Test {
 protected:
  HeadlessMenus() : m_saved(WinPaths::currentFolder()) { m_machine.activate(); }
  ~HeadlessMenus() override {
    endAllProcesses(m_machine.machine());
    WinPaths::setCurrentFolder(m_saved);
  }

  int run(const std::vector<std::string>& args) {
    installProgramFiles(m_machine.files(), kProgramFolder);
    restore::ProgramSetup s;
    s.programFolder = kProgramFolder;
    for (const std::string& a : args) s.commandLine += (s.commandLine.empty() ? "" : " ") + a;
    restore::ProgramArguments parsed;
    std::string error;
    EXPECT_TRUE(restore::parseProgramArguments(args, parsed, error)) << error;
    return restore::runHeadless(m_machine.machine(), s, parsed, out, err, restore::prepareProgram);
  }
  bool printed(const std::string& text) const { return out.str().find(text) != std::string::npos; }

  // A machine with only the voice connector: no server version, the
  // connector's key, and the aging service's certificate database.
  void voiceConnectorOnly() {
    Registry& reg = m_machine.registry();
    putValue(reg, "Software\\Tremarc\\TmIvc", RegValue::text("SmtpPickupPath", "C:\\IVC\\Pickup"));
    putValue(reg, "SOFTWARE\\Tremarc\\QxMessageAgingSvc\\1.0", RegValue::text("AccessDbFileName", kIvcMdb));
    ASSERT_TRUE(m_machine.files().createFolder("C:\\IVC"));
    ASSERT_TRUE(m_machine.files().writeAll(kIvcMdb, ""));
    data::Connection cn(m_machine.machine());
    cn.open(std::string(kJet) + kIvcMdb);
    cn.execute(standin::mdbCertificateSchemaSql());
    standin::insertRow(cn, "CertTable", {{"SerialNumber", "IVC1"}, {"Data", "ivc data"}});
    cn.close();
  }

  std::ostringstream out, err;
  ScratchMachine m_machine;

 private:
  std::string m_saved;
};

TEST_F(HeadlessMenus, TheCertificateRestoreWorksWhereOnlyTheVoiceConnectorIs) {
  ServerBackup old;
  m_machine.activate();
  voiceConnectorOnly();
  EXPECT_EQ(run({"--headless", "--backup", old.folder(), "--restore-certificates"}), 0) << out.str();
  EXPECT_TRUE(printed("This will restore the certifcates used in the message aging service only")) << out.str();
  EXPECT_TRUE(printed("Form shown: frmStatus\n"));
  EXPECT_TRUE(printed("Certificates restored.")) << out.str();
  EXPECT_FALSE(printed("WARNING")) << "no restore run";
  std::vector<CertificateInfo> certificates;
  ASSERT_TRUE(CertStore(m_machine.machine(), CertStoreLocation::LocalMachine, "My").list(certificates));
  ASSERT_EQ(certificates.size(), 1u);
  EXPECT_EQ(certificates[0].subject, "CN=ORVIXOLD");
  EXPECT_TRUE(certificates[0].hasPrivateKey);
  data::Recordset rs;
  rs.open("Select * from CertTable ORDER BY Index ASC", m_machine.machine(), std::string(kJet) + kIvcMdb);
  std::vector<std::string> serials;
  for (; !rs.eof(); rs.moveNext()) serials.push_back(rs.fields("SerialNumber").value().toString());
  EXPECT_EQ(serials, std::vector<std::string>{"IVC1"}) << "the backup's database had no rows; the live one's row stays";
}

TEST_F(HeadlessMenus, ADisabledMenuIsRefused) {
  standin::ProvisionOptions o;
  standin::ProvisionResult r;
  std::string error;
  ASSERT_TRUE(standin::provisionServer(m_machine.machine(), o, r, error)) << error;
  EXPECT_EQ(run({"--headless", "--restore-certificates"}), 2) << out.str();
  EXPECT_TRUE(printed("note: the menu \"Restore certificates used for Secure Messaging\" is not available on this machine"))
      << out.str();
}

TEST_F(HeadlessMenus, TheUpdateCheckRunsFromTheMenu) {
  standin::ProvisionOptions o;
  standin::ProvisionResult r;
  std::string error;
  ASSERT_TRUE(standin::provisionServer(m_machine.machine(), o, r, error)) << error;
  setenv("VREL_TOOLS_SITE", "http://127.0.0.1:9", 1);
  const int status = run({"--headless", "--check-for-update"});
  unsetenv("VREL_TOOLS_SITE");
  EXPECT_EQ(status, 0) << out.str();
  EXPECT_TRUE(printed("Unable to contact application home page to check for version.")) << out.str();
}

TEST(HeadlessMenuOptions, FromTheCommandLineAndTheAnswerFile) {
  restore::ProgramArguments a;
  std::string error;
  ASSERT_TRUE(restore::parseProgramArguments({"--headless", "--backup", "C:\\B", "--restore-certificates"}, a, error));
  EXPECT_EQ(a.given.restoreCertificates, true);
  EXPECT_FALSE(a.given.pressRestore()) << "a menu alone presses no restore";
  restore::HeadlessOptions file;
  ASSERT_TRUE(restore::parseAnswerText("check-for-update = yes\r\nrestore-certificates = no\r\nbackup = C:\\B\r\n", file, error))
      << error;
  EXPECT_EQ(file.checkForUpdate, true);
  EXPECT_EQ(file.restoreCertificates, false);
  EXPECT_FALSE(file.pressRestore());
  file.restore = true;
  EXPECT_TRUE(file.pressRestore());
  EXPECT_FALSE(restore::parseAnswerText("check-for-update = perhaps\n", file, error));
}

}  // namespace
}  // namespace vrel::test
