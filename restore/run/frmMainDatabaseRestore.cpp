// The database restore: OrvixDB from the backup folder, replacing the new
// installation's database, then ReportDB when the administrator chose it and
// the backup holds it. A failure is raised as VbError with the restore's
// error number (kErrExclusiveAccess while another connection holds the
// database) for the run's database restore trap, which offers to retry.
#include "platform/data/DatabaseRestore.h"
#include "restore/run/frmMain.h"

#include <algorithm>

namespace vrel::restore {

namespace {

// A database the restore replaced is noted, so the abort path can put it back.
void restoreOrRaise(Machine& machine, const char* database, const std::string& imagePath, RunValues& run) {
  const data::DatabaseImageStatus st = data::restoreDatabase(machine, database, imagePath);
  if (!st) throw VbError(st.number, st.description);
  auto& replaced = run.replacedDatabases;
  if (std::find(replaced.begin(), replaced.end(), database) == replaced.end()) replaced.emplace_back(database);
}

}  // namespace

void frmMain::RestoreDatabases() {
  restoreOrvixDB();
  restoreReportDB();
}

void frmMain::restoreOrvixDB() {
  const std::string folder = targetPath();
  tick("chkRestoringOrvixDB");
  m_program.log.WriteToLog("    Restoring OrvixDB database from backed up copy.  Path=" + folder + "OrvixDBbackup.SQL");
  restoreOrRaise(m_program.machine, "OrvixDB", folder + "OrvixDBBackUp.sql", run);
}

void frmMain::restoreReportDB() {
  RunLog& log = m_program.log;
  const std::string folder = targetPath();
  if (!ticked("chkRestoreReportData")) {
    log.WriteToLog("    User elected not to restore reports data");
  } else if (m_program.files.fileExists(folder + "ReportDBBackup.sql")) {
    tick("chkRestoringReportDB");
    log.WriteToLog("    Restoring ReportDB database from backed up copy.  Path=" + folder + "ReportDBbackup.SQL");
    restoreOrRaise(m_program.machine, "ReportDB", folder + "ReportDBBackUp.sql", run);
  } else {
    log.WriteToLog("    no ReportDB backup found in target directory, skipping restore attempt.");
  }
}

}  // namespace vrel::restore
