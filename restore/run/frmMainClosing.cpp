// The messages that end a restore run: the log's error count with the offer
// to open the log, the failover or plain completion message, the certificate
// wizard reminder, and the advice to check the database.
#include "restore/run/frmMain.h"
#include "restore/run/frmMainTraps.h"

namespace vrel::restore {

namespace {

constexpr const char* kCompleteHead =
    "Restore complete.  Remember, you must run GrantOrvixAccess to allow any non subscribers access to the SA, this "
    "information is not preserved from the backup.";
constexpr const char* kCompleteTail = " error(s) encountered.  Press OK to view log file now.";
constexpr const char* kFailover =
    "The backup was done on a system configured for failover.  It is necessary to make some changes in the SQL "
    "database before configuring failover again on this system.  Please see the help file.";
constexpr const char* kComplete = "Restore is complete";
constexpr const char* kCertificates =
    "You have restored security certificates for Private Secure Messaging from your previous system.  To complete "
    "the restore process you need to log into the Orvix server as the directory facing account and run the "
    "Certificate Installation Wizard.  This tool can be found under ";
constexpr const char* kWizardFolder = "\\ZureVezuza\\Utilities\\CorvaneOrvixSrvrCertMgr";
constexpr const char* kDbRover =
    "It's strongly reccomended that you now run dbRover 3.0.20 or later on this system and take care of any errors "
    "it reports.";

}  // namespace

void frmMain::showClosingMessages() {
  Program& p = m_program;
  trapGeneral([&] {
    const std::string text =
        kCompleteHead + std::string("\r\n") + std::to_string(p.log.errorCount()) + kCompleteTail;
    if (p.MsgBox(text, MsgBoxStyle::OKCancel) == MsgResult::OK) p.external.Shell("notepad.exe " + p.log.path(), 3);
  });
  trapGeneral([&] { p.MsgBox(run.failover ? kFailover : kComplete); });
  if (ticked("chkRestoreCertificates") && !p.module1.bLocalVersionAtLeast(5, 0, 0, 10)) {
    trapGeneral([&] {
      p.MsgBox(kCertificates + std::string("\"") + kWizardFolder + "\\" + kCertificateWizardProgram + "\"");
    });
  }
  trapGeneral([&] { p.MsgBox(kDbRover); });
}

}  // namespace vrel::restore
