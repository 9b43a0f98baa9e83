// The certificate restore: the backup's PKCS #12 export ("certBackup") is
// imported into the local machine's personal store "My", and every
// certificate that was not there before is described in the run log.
#pragma once

#include "platform/CertStore.h"

#include <ctime>
#include <memory>
#include <string>

namespace vrel::restore {

class Program;

// The fixed password of the backup's certificate export.
inline constexpr const char* kCertificateExportPassword = "QWm518204pXLt";

class modCertificateStuff {
 public:
  // Opens LocalMachine\My (made on first use). An unexpected failure shows
  // "(error):N (desc) in procedure InfoSetup of Module modCertificateStuff".
  void InfoSetup(Program& program);
  // Imports exportFile (a Windows path) with the fixed password and logs
  // "=== Import Certificate Data N ===" and the description of each
  // certificate that is new to the store. A missing file, a wrong password
  // or a damaged export logs "(error):N (desc) in procedure DoImportCommand
  // of Module modCertificateStuff" and imports nothing.
  void DoImportCommand(Program& program, const std::string& exportFile);
  // The description block of one certificate in the run log.
  void DisplayCertificate(Program& program, const CertificateInfo& certificate, const std::string& heading);

  // Certificates the imports of this program added so far.
  int importCount() const { return m_count; }

 private:
  std::unique_ptr<CertStore> m_store;
  int m_count = 0;
};

// A date and time as the run log writes them: "12/7/2026 4:05:09 AM", local.
std::string certificateDateText(std::time_t t);

}  // namespace vrel::restore
