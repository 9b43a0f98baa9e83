// Phase 17, the last of the run: the global tables, the new installation's
// identities written back, the directory resynchronisation, access rights,
// the global synchronisation, the setup parameters, the duplicate
// administrator clean-up, the default location's name, certificates, the
// server's start, the Exchange MAL values and the message restore, in this
// order. A step this build does not carry yet logs an "(error)" line, so a
// run never passes for complete without it.
#include "restore/accounts/CleanupDuplicateAdminAccounts.h"
#include "restore/preserve/SQLInfo.h"
#include "restore/run/frmMain.h"

namespace vrel::restore {

void frmMain::ResynchroniseAndRestart() {
  Program& p = m_program;
  // 1
  phaseNotAvailable("Global location and subscriber clean-up");
  // 2
  trapGeneral([&] {
    const NewInstallSqlValues& sql = run.sql;
    SQLInfo(p.machine, p.log, p.module1, p.connectionString)
        .SetSQLInfo({sql.locationDirectoryId, sql.eadminDirectoryId, sql.esubscriberDirectoryId,
                     sql.allSubscribersDirectoryId, sql.unaddressedMessagesDirectoryId,
                     sql.systemEventMessagesDirectoryId, sql.newSystemId, run.oldSystemId, sql.locationUid,
                     sql.locationHomeServer});
  });
  // 3 to 9
  phaseNotAvailable("Directory resynchronisation");
  phaseNotAvailable("SA access rights update");
  phaseNotAvailable("Global synchronisation of remote objects");
  phaseNotAvailable("Local locations in the global locations table");
  phaseNotAvailable("Setup parameters update");
  // 10
  trapGeneral([&] { CleanupDuplicateAdminAccounts(p, run.sql.newSystemId); });
  // 11, 12
  phaseNotAvailable("Default location display name");
  if (ticked("chkRestoreCertificates")) RestoreCertificates();
  // 13
  trapGeneral([&] { StartUpOrvix(); });
  trapGeneral([&] { tick("chkStartingOrvix"); });
  phaseNotAvailable("Server control object start");
  // 14, 15
  if (p.mailStoreKind != kMailStoreDomino) phaseNotAvailable("Exchange MAL values clean-up");
  if (ticked("chkRestoreMessages")) phaseNotAvailable("Message restore");
}

}  // namespace vrel::restore
