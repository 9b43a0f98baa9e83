// cmdRestore_Click: the restore run. Confirms the administrator's intent,
// opens the run log, and works through the phases in their fixed order, each
// under the run's general trap (the database restore under its own).
#include "platform/Machine.h"
#include "platform/Text.h"
#include "restore/aliases/ObjectReferences.h"
#include "restore/aliases/RemapSubscriberAliases.h"
#include "restore/run/frmMain.h"
#include "restore/run/frmMainTraps.h"

namespace vrel::restore {

namespace {

constexpr int kNoFolder = 59;  // "You need to specify the location of the disaster recovery ba..."
constexpr int kNoAliasFile = 160;  // "You must select a valid Alias mapping file or uncheck the op..."
constexpr int kWarning1 = 57;  // "WARNING!  This will force Orvix to be stopped and will repla..."
constexpr int kWarning2 = 47;  // "There is no way to recover from this operation!  Are you sur..."
constexpr int kJustRestoreDB = 58;  // "You have selected to restore only the SQL tables and skip al..."
constexpr int kDatabasesRestored = 72;  // "SQL table(s) have been restored - program will now exit"
constexpr int kPauseAfterSql = 73;  // "SQL has been restored - you can stop the restore process to ..."

}  // namespace

void frmMain::cmdRestore_Click() {
  if (!confirmRestore()) return;
  runPhases();
  showClosingMessages();
}

// The refusals and confirmations before anything changes.
bool frmMain::confirmRestore() {
  Program& p = m_program;
  if (targetPath().size() < 3) {
    p.MsgBox(p.str(kNoFolder));
    return false;
  }
  if (ticked("chkUseAliasMappingFile") && control("txtAliasMappingFilePath").caption.size() < 3) {
    p.MsgBox(p.str(kNoAliasFile));
    return false;
  }
  if (p.MsgBox(p.str(kWarning1), MsgBoxStyle::YesNo, MsgIcon::None, "WARNING") == MsgResult::No) return false;
  if (p.MsgBox(p.str(kWarning2), MsgBoxStyle::YesNo, MsgIcon::None, "WARNING") == MsgResult::No) return false;
  run = RunValues{};
  p.log.setDebug(p.commandLineHas("debug"));
  if (p.commandLineHas("JustRestoreDB")) {
    if (p.MsgBox(p.str(kJustRestoreDB), MsgBoxStyle::YesNo) == MsgResult::No) return false;
    run.justRestoreDB = true;
  }
  return true;
}

void frmMain::runPhases() {
  Program& p = m_program;
  RunLog& log = p.log;
  // 1: the run has begun.
  trapGeneral([&] { tick("chkShuttingDown"); });
  trapGeneral([&] { p.ui.setHourglass(true); });
  trapGeneral([&] {
    control("cmdRestore").enabled = false;
    control("cmdExit").enabled = false;
    touch();
  });
  // 2: the run log, in the backup folder.
  trapGeneral([&] {
    if (!log.OpenLogFile(targetPath() + "DisasterRecoveryRestore.log", false)) throw VbError(75, log.lastError());
  });
  trapGeneral([&] { log.WriteToLog("Starting disaster reocovery Restore at: " + RunLog::dateTimeText()); });
  // The report, its first phase ("start") and the picture of the machine.
  beginRunRecords();
  // 3: branch exports left by an earlier run.
  deleteLeftOverRegFiles();
  // 4, 5
  phase("shut down the server");
  trapGeneral([&] { ShutDownOrvix(); });
  trapGeneral([&] { run.newServerName = p.computerName.empty() ? p.machine.computerName() : p.computerName; });

  if (run.justRestoreDB) {
    trapGeneral([&] {
      log.WriteToLog("User opted to just restore the SQL tables - skipping all other parts of restore process...");
    });
    // Under the general trap a failed OrvixDB restore goes on with the next
    // statement, which is the report database's.
    phase("database restore");
    trapGeneral([&] { restoreOrvixDB(); });
    trapGeneral([&] { restoreReportDB(); });
    trapGeneral([&] { p.MsgBox(p.str(kDatabasesRestored)); });
    ExitProgram(ProgramEnd::Normal);
  }

  // 7 to 9: save the new machine's configuration, import the backup's
  // registry over it, save the new installation's SQL values.
  phase("save the local configuration");
  trapGeneral([&] { BackupLocalConfigurationData(); });
  phase("registry restore");
  trapGeneral([&] { RestoreRegistryFromBackup(); });
  phase("save the new installation's SQL values");
  trapGeneral([&] { tick("chkBackingUpSQLValues"); });
  trapGeneral([&] {
    SQLInfo info(p.machine, log, p.module1, p.connectionString);
    info.GetSQLInfo(run.sql);
  });
  trapGeneral([&] { modCallExternalApp::PauseSeconds(3); });

  // 10: the databases, under the database restore trap, saved first so an
  // abort can put them back.
  phase("database restore");
  trapGeneral([&] { savePreRestoreDatabases(); });
  restoreDatabasesUnderTrap();

  // 12
  if (p.commandLineHas("PauseAfterSQLRestore")) trapGeneral([&] { p.MsgBox(p.str(kPauseAfterSql)); });

  // 13: alias remapping, when chosen.
  phase("alias remapping");
  trapGeneral([&] {
    if (ticked("chkUseAliasMappingFile")) {
      tick("chkMappingAliases");
      log.WriteToLog("    *** user elected to remap subscriber aliases ***");
      RemapSubscriberAliases(p, {control("txtAliasMappingFilePath").caption, targetPath(),
                                 ticked("chkRestoreMessages")});
      log.WriteToLog("    **** user alias remap complete ****");
    } else {
      log.WriteToLog("    No alias mapping file selected.");
    }
  });
  // 14
  if (p.module1.bLocalVersionAtLeast(8, 0, 0, 0))
    trapGeneral([&] { ObjectReferences(p).CallInsertReplicationSetProc(); });
  // 15 to 17
  phase("database fix-ups");
  FixUpRestoredDatabase();
  phase("file restores");
  RestoreFilesAndPaths();
  phase("resynchronise and restart");
  ResynchroniseAndRestart();

  // 18: the run is over.
  trapGeneral([&] { tick("chkRestoreComplete"); });
  trapGeneral([&] { deletePreRestoreImages(); });
  trapGeneral([&] { log.WriteToLog("Finished disaster reocovery restore at: " + RunLog::dateTimeText()); });
  finishRunRecords(false);
  log.CloseLogFile();
  trapGeneral([&] { p.ui.setHourglass(false); });
  trapGeneral([&] {
    control("cmdExit").enabled = true;
    touch();
  });
}

// Phase 3: every "*.reg" file in the program's folder goes; errors are
// ignored.
void frmMain::deleteLeftOverRegFiles() {
  Files& files = m_program.files;
  std::vector<DirEntry> entries;
  if (!files.list(m_program.programFolder(), entries)) return;
  for (const DirEntry& e : entries) {
    if (e.isFolder || !wildcardMatch("*.reg", e.name)) continue;
    files.deleteFile(m_program.programFolder() + "\\" + e.name, true);
  }
}

}  // namespace vrel::restore
