// Certificates, during the run (phase 17) and on their own from the menu:
// the backup's export imported into the machine's store, then the message
// aging service's certificate database restored.
#include "restore/certificates/RestoreMDBCertificates.h"
#include "restore/run/frmMain.h"

namespace vrel::restore {

namespace {

constexpr int kRestoringCertificates = 80;  // "Restoring certificates..."
constexpr int kConfirmSecureMessaging = 163;  // "This will restore the backed up certificates onto the local box..."
constexpr int kCertificatesRestored = 164;    // "Certificates restored."
constexpr int kConfirmAgingService = 168;     // "This will restore the certifcates used in the message aging..."

// The small window shown while the menu's restore works.
class frmStatus : public FormModel {
 public:
  explicit frmStatus(const std::string& text) : FormModel("frmStatus") {
    add("lblStatus", ControlKind::Label).caption = text;
  }
};

}  // namespace

void frmMain::RestoreCertificates() {
  Program& p = m_program;
  trapGeneral([&] {
    p.log.WriteToLog("Restoring certificate information");
    p.certificates.InfoSetup(p);
    p.certificates.DoImportCommand(p, targetPath() + "certBackup");
    p.log.WriteToLog("Certificate restoration complete");
  });
  trapGeneral([&] { RestoreMDBCertificates(); });
}

void frmMain::RestoreMDBCertificates() { restore::RestoreMDBCertificates(m_program, targetPath()); }

void frmMain::mnuRestoreCertificates_Click() {
  Program& p = m_program;
  const bool voiceConnector = p.module1.localVersionInfo.bIVCInstall;
  if (p.MsgBox(p.str(voiceConnector ? kConfirmAgingService : kConfirmSecureMessaging), MsgBoxStyle::YesNo) !=
      MsgResult::Yes)
    return;
  frmStatus status(p.str(kRestoringCertificates));
  auto error = trapStatement([&] {
    p.ui.setHourglass(true);
    p.ui.showForm(status, false);
    p.ui.DoEvents();
    modCallExternalApp::SleepMs(10);
    p.certificates.InfoSetup(p);
    p.certificates.DoImportCommand(p, targetPath() + "certBackup");
    RestoreMDBCertificates();
  });
  p.ui.setHourglass(false);
  p.ui.closeForm(status);
  if (error) {
    p.MsgBox("Error " + std::to_string(error->number) + " (" + error->description +
             ") in procedure mnuRestoreCertificates_Click of Form frmMain");
    return;
  }
  p.MsgBox(p.str(kCertificatesRestored));
}

}  // namespace vrel::restore
