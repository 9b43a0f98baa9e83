// The messages that end a restore run: the log's error count with the offer
// to open the log, the failover or plain completion message, the certificate
// wizard reminder, and the advice to check the database.
#include "restore/run/frmMain.h"
#include "restore/run/frmMainTraps.h"

namespace vrel::restore {

namespace {

constexpr int kCompleteHead = 34;  // "Restore complete.  Remember, you must run GrantOrvixAccess t..."
constexpr int kCompleteTail = 3;  // " error(s) encountered.  Press OK to view log file now."
constexpr int kFailover = 75;  // "The backup was done on a system configured for failover.  It..."
constexpr int kComplete = 35;  // "Restore is complete"
constexpr int kCertificates = 76;  // "You have restored security certificates for Private Secure M..."
constexpr const char* kWizardFolder = "\\ZureVezuza\\Utilities\\CorvaneOrvixSrvrCertMgr";
constexpr int kDbRover = 77;  // "It's strongly reccomended that you now run dbRover 3.0.20 or..."

}  // namespace

void frmMain::showClosingMessages() {
  Program& p = m_program;
  trapGeneral([&] {
    const std::string text =
        p.str(kCompleteHead) + "\r\n" + std::to_string(p.log.errorCount()) + p.str(kCompleteTail);
    if (p.MsgBox(text, MsgBoxStyle::OKCancel) == MsgResult::OK) p.external.Shell("notepad.exe " + p.log.path(), 3);
  });
  trapGeneral([&] { p.MsgBox(p.str(run.failover ? kFailover : kComplete)); });
  if (ticked("chkRestoreCertificates") && !p.module1.bLocalVersionAtLeast(5, 0, 0, 10)) {
    trapGeneral([&] {
      p.MsgBox(p.str(kCertificates) + std::string("\"") + kWizardFolder + "\\" + kCertificateWizardProgram + "\"");
    });
  }
  trapGeneral([&] { p.MsgBox(p.str(kDbRover)); });
}

}  // namespace vrel::restore
