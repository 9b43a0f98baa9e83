// Servers for the headless tests: a new server's provisioning options and
// the backup of an old server of the same version.
#pragma once

#include "standin/server/Backup.h"
#include "standin/server/Provision.h"
#include "standin/server/ProvisionOptions.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <string>

namespace vrel::test {

inline standin::ProvisionOptions server(const char* computerName) {
  standin::ProvisionOptions options;
  options.computerName = computerName;
  std::string error;
  EXPECT_TRUE(standin::parseServerVersion("4.0(3.15)", options.version, error)) << error;
  return options;
}

// The backup of another server of the same version, in a host folder the
// new machine sees through Z:.
class OldServerBackup {
 public:
  OldServerBackup() {
    standin::ProvisionResult result;
    std::string error;
    EXPECT_TRUE(standin::provisionServer(m_old.machine(), server("ORVIXOLD"), result, error)) << error;
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

}  // namespace vrel::test
