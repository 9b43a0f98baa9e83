// frmMain, the restore program's main form: the backup source, the options,
// the progress panel and the menus as a model, with the form's event
// procedures and the procedures of the restore run that belong to it. Each
// concern lives in its own source file (frmMain*.cpp).
#pragma once

#include "restore/preserve/SQLInfo.h"
#include "restore/run/EndProgram.h"
#include "restore/run/FormModel.h"
#include "restore/run/Program.h"
#include "restore/run/frmMainTraps.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vrel::restore {

// The new machine's values saved before the backup is imported, and written
// back over it afterwards. The two passwords live only here, in memory.
struct PreservedValues {
  std::string pwDTMF;
  std::string pwNT;
  std::string promptSet;
  std::string failureConversationPath;
  std::string messageStoreAdminProgID;
  std::string directoryServerName;
  std::string mailServerName;
  std::string dalProgID;
  std::string malProgID;
  std::string malEXServerName;
  std::string idcProgID;
  std::string mailStoreType;
  std::string accessDbFileName;
  std::string msgStoreRes;
  std::int32_t ldapPort = 389;
};

// The backed-up server's values read right after its registry was imported,
// and re-asserted after the new machine's branches went back.
struct BackedUpSetupValues {
  std::string switchFile;
  std::string guiLanguageDefault;
  std::string tuiLanguageDefault;
  std::string ttsLanguageDefault;
  std::int16_t locationType = 0;
};

// What a run keeps for its whole duration.
struct RunValues {
  bool justRestoreDB = false;
  std::string newServerName;
  bool failover = false;
  std::int16_t syncRetryCount = 0;
  PreservedValues preserved;
  BackedUpSetupValues backedUp;
  NewInstallSqlValues sql;
  // Read from the restored database by the fix-ups, used by later phases.
  std::string oldSystemId;
  std::string oldServerName;
  std::string defaultLocationName;
  // The databases saved before the database restore (their images are in the
  // program's folder), those the restore replaced, and those whose image an
  // abort could not put back and keeps.
  std::vector<std::string> savedDatabases;
  std::vector<std::string> replacedDatabases;
  std::vector<std::string> keptImages;
};

class frmMain : public FormModel {
 public:
  explicit frmMain(Program& program);

  Program& program() { return m_program; }

  // The progress check boxes in the order a full run ticks them; their
  // label indices and string IDs.
  struct ProgressBox {
    const char* checkBox;
    int label;
    int stringId;
  };
  static const std::array<ProgressBox, 15> kProgress;

  void Auto_Init() override;

  // Event procedures.
  void Form_Load();
  void cmdBrowse_Click();
  void chkRestoreMessages_Click();
  void chkUseAliasMappingFile_Click();
  void cmdBrowseForAliasMappingFile_Click();
  void cmdRestore_Click();
  void cmdExit_Click();
  void Form_Unload();
  void mnuHelp_Click();
  void mnuAbout_Click();
  void mnuCheckForUpdatedVersion_Click();
  void mnuRestoreCertificates_Click();

  // The exit procedure: closes the log and the help window, waits 500 ms and
  // ends the program (throws EndProgram).
  [[noreturn]] void ExitProgram(ProgramEnd how);

  // Procedures of the restore run.
  void ShutDownOrvix();
  void StartUpOrvix();
  void BackupLocalConfigurationData();
  void RestoreRegistryFromBackup();  // the registry restore phase
  void RestoreLocalConfigurationData();
  void RestoreDatabases();           // phase 10: restoreOrvixDB, then restoreReportDB
  void restoreOrvixDB();
  void restoreReportDB();
  void FixUpRestoredDatabase();      // phase 15
  void RestoreFilesAndPaths();       // phase 16
  void ResynchroniseAndRestart();    // phase 17
  void RestoreCertificates();        // phase 17's certificates (frmMainCertificates.cpp)
  void RestoreMDBCertificates();

  // Phase 15's parts (frmMainFixups*.cpp).
  void fixUpSystemAndAdministrator();
  void fixUpDomino();
  void fixUpLocationsAndServers();
  void fixUpSubscribers();
  void fixUpStreamPaths();
  void fixUpConfiguration();
  void clearDirectoryCaches();
  // Phase 16's event monitoring data (frmMainFileRestores.cpp).
  void restoreEventMonitoringData();
  // Phase 17's parts (frmMainResync.cpp, frmMainDirectorySync.cpp,
  // frmMainMessageRestore.cpp). resynchroniseDirectory is false when the
  // synchronisation gave up, and the run skips on to the MAL values.
  void clearGlobalTables();
  bool resynchroniseDirectory();
  bool synchroniseInProcess();
  void runDirectorySyncher();
  void grantDatabaseAccess();
  void stopDirectoryServices();
  void synchroniseGlobalObjects();
  void addLocalLocationsToGlobal();
  void updateSetupParameters();
  void setDefaultLocationName();
  void startServer();
  void cleanExchangeMalValues();
  void restoreMessages();
  // Runs "BCP OrvixDB..<table> in" from a file of the backup folder and waits.
  void bulkCopyIn(const char* table, const char* file);

  // Ticks a progress check box and lets the front-end repaint.
  void tick(const char* checkBox);

  // The run's general trap around one statement: an error it raises is
  // logged ("(error) in cmbRestore routine:...") and shown, and the caller
  // goes on with its next statement (frmMainTraps.cpp).
  template <class F>
  void trapGeneral(F&& statement) {
    if (auto e = trapStatement(std::forward<F>(statement))) reportGeneralError(*e);
  }
  // A procedure's own logging trap around one statement: an error is logged
  // as "(error):" + number + " (" + description + ") in procedure " +
  // procedure + " of Form frmMain", and the caller goes on.
  template <class F>
  void trapLogged(const char* procedure, F&& statement) {
    if (auto e = trapStatement(std::forward<F>(statement))) reportProcedureError(procedure, *e);
  }
  void reportGeneralError(const TrappedError& error);
  void reportProcedureError(const char* procedure, const TrappedError& error);

  // Text of txtTargetPath: the backup folder, ending in a backslash.
  std::string targetPath() const { return control("txtTargetPath").caption; }
  bool ticked(const char* checkBox) const { return control(checkBox).value == 1; }

  RunValues run;

  // The certificate installation wizard's program, named by the closing
  // message of a run that restored certificates onto an older server.
  static constexpr const char* kCertificateWizardProgram = "CorvaneOrvixSrvrCertMgr.exe";

 private:
  void buildControls();
  // cmdRestore_Click's parts.
  bool confirmRestore();
  void runPhases();
  void restoreDatabasesUnderTrap();
  [[noreturn]] void abortRestore();
  // The databases as they were before the run (frmMainDatabaseRollback.cpp).
  std::string preRestoreImagePath(const std::string& database) const;
  void savePreRestoreDatabases();
  void putBackDatabases();
  void deletePreRestoreImages();
  void showClosingMessages();
  void deleteLeftOverRegFiles();
  // The run's records beyond its log (frmMainRunRecords.cpp): the machine
  // as it was, the phase now running, and at the end the leftover scan and
  // the JSON report beside the log.
  void beginRunRecords();
  void phase(const char* name) { m_program.report.beginPhase(name); }
  void finishRunRecords(bool aborted);

  Program& m_program;
};

}  // namespace vrel::restore
