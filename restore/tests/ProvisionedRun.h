// A provisioned server with the restore program started on it and the run
// set up as cmdRestore_Click leaves it before its first phase: the values
// start-up reads, the backup folder in txtTargetPath and the run log open.
// Restores the process's current folder afterwards, which the shut-down
// changes.
#pragma once

#include "platform/Services.h"
#include "platform/WinPath.h"
#include "platform/tests/ChildProcesses.h"
#include "restore/tests/support/RegistryDrill.h"
#include "restore/tests/support/RestoreFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vrel::test {

class ProvisionedRun : public ::testing::Test {
 protected:
  static constexpr const char* kBackup = "D:\\Backup\\";
  static constexpr const char* kLog = "D:\\Backup\\DisasterRecoveryRestore.log";

  void TearDown() override {
    endAllProcesses(rm.machine());
    WinPaths::setCurrentFolder(m_savedFolder);
  }

  static standin::ProvisionOptions server(standin::MailStoreKind kind, standin::ServerVersion version) {
    standin::ProvisionOptions o;
    o.mailStore = kind;
    o.version = version;
    return o;
  }

  restore::frmMain& begin(const standin::ProvisionOptions& options) {
    rm.provision(options);
    restore::frmMain& form = rm.start();
    restore::Program& p = rm.program();
    p.module1.localVersionInfo = p.module1.GetLocalVersionInfo();
    p.mailStoreKind = static_cast<std::int16_t>(options.mailStore);
    p.computerName = rm.machine().computerName();
    p.connectionString =
        "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=OrvixDb;Data "
        "Source=" +
        p.computerName;
    EXPECT_TRUE(rm.files().createFolder(kBackup));
    form.control("txtTargetPath").caption = kBackup;
    EXPECT_TRUE(p.log.OpenLogFile(kLog, false)) << p.log.lastError();
    return form;
  }

  // The entries written after the header, without their date and time.
  std::vector<std::string> entries() { return runLogLines(rm.files(), kLog); }
  bool logged(const std::string& line) {
    const auto all = entries();
    return std::find(all.begin(), all.end(), line) != all.end();
  }
  std::vector<std::string> errorLines() {
    std::vector<std::string> out;
    for (const auto& e : entries())
      if (e.find("(error)") != std::string::npos) out.push_back(e);
    return out;
  }

  ServiceState stateOf(const std::string& service) {
    const auto svc = Services(rm.machine()).find(service);
    EXPECT_TRUE(svc) << service;
    return svc ? svc->state : ServiceState::Stopped;
  }

 public:
  RestoreMachine rm;

 private:
  std::string m_savedFolder = WinPaths::currentFolder();
};

}  // namespace vrel::test
