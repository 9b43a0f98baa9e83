// Phase 17, the last of the run: the global tables, the new installation's
// identities written back, the directory resynchronisation, access rights,
// the global synchronisation, the setup parameters, the duplicate
// administrator clean-up, the default location's name, certificates, the
// server's start, the Exchange MAL values and the message restore, in this
// order. The directory steps are in frmMainDirectorySync.cpp, the last two
// in frmMainMessageRestore.cpp.
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "restore/accounts/CleanupDuplicateAdminAccounts.h"
#include "restore/external/ServiceSteps.h"
#include "restore/preserve/SQLInfo.h"
#include "restore/preserve/SQLInfoSupport.h"
#include "restore/run/ControlObject.h"
#include "restore/run/WorkStationInfo.h"
#include "restore/run/frmMain.h"

namespace vrel::restore {

using namespace data;

void frmMain::ResynchroniseAndRestart() {
  Program& p = m_program;
  clearGlobalTables();                                                    // 1
  trapGeneral([&] {                                                       // 2
    const NewInstallSqlValues& sql = run.sql;
    SQLInfo(p.machine, p.log, p.module1, p.connectionString)
        .SetSQLInfo({sql.locationDirectoryId, sql.eadminDirectoryId, sql.esubscriberDirectoryId,
                     sql.allSubscribersDirectoryId, sql.unaddressedMessagesDirectoryId,
                     sql.systemEventMessagesDirectoryId, sql.newSystemId, run.oldSystemId, sql.locationUid,
                     sql.locationHomeServer});
  });
  // 3, 4: a synchronisation that gives up skips on to the MAL values.
  if (resynchroniseDirectory()) {
    grantDatabaseAccess();                                                // 5
    stopDirectoryServices();                                              // 6
    synchroniseGlobalObjects();                                           // 7
    addLocalLocationsToGlobal();                                          // 8
    updateSetupParameters();                                              // 9
    trapGeneral([&] { CleanupDuplicateAdminAccounts(p, run.sql.newSystemId); });  // 10
    setDefaultLocationName();                                             // 11
    if (ticked("chkRestoreCertificates")) phaseNotAvailable("Certificate restore");  // 12
    startServer();                                                        // 13
  }
  cleanExchangeMalValues();                                               // 14
  if (ticked("chkRestoreMessages")) restoreMessages();                    // 15
}

void frmMain::clearGlobalTables() {
  Program& p = m_program;
  RunLog& log = p.log;
  Connection global(p.machine);
  trapGeneral([&] {
    global.open("Driver={SQL Server};server=;database=OrvixDb");
    global.setCommandTimeout(180);
  });
  auto statement = [&](const char* line, const char* sql) {
    trapGeneral([&] { log.WriteToLog(line); });
    trapGeneral([&] { global.execute(sql); });
  };
  statement("    Removing all Locations from the GlobalLocations table",
            p.module1.bLocalVersionAtLeast(4, 0, 2, 104)
                ? "DELETE FROM GlobalLocation WHERE LocationObjectID NOT IN (SELECT LocationObjectID FROM Location)"
                : "DELETE FROM GlobalLocation");
  statement("    Removing non local subscribers from the GlobalSubscribers table",
            "DELETE FROM GlobalSubscriber WHERE LocationObjectID NOT IN (SELECT LocationObjectID FROM Location)");
  statement("    Removing subscribers from the GlobalSubscribers table that have a NULL location object ID",
            "DELETE FROM GlobalSubscriber WHERE LocationObjectID IS NULL");
  statement("    Removing Orvix_(server name) accounts from GlobalSubscribers table",
            "DELETE FROM GlobalSubscriber WHERE subscriberType = 0 OR IsSubscriber = 0");
  if (global.isOpen()) (void)trapStatement([&] { global.close(); });
}

void frmMain::grantDatabaseAccess() {
  Program& p = m_program;
  RunLog& log = p.log;
  trapGeneral([&] { tick("chkSARights"); });
  trapGeneral([&] { log.WriteToLog("    SA login rights update starting"); });
  trapGeneral([&] {
    const std::string& root = p.paths.installRoot;
    if (!p.files.fileExists(root + "GrantOrvixAccess.exe")) {
      log.WriteToLog("(error) GrantOrvixAccess not found in the Orvix installation directory");
      return;
    }
    const WorkStationInfo station(p.machine);
    const std::string command =
        root + "GrantOrvixAccess -u " + station.LanGroup() + "\\" + station.UserName() + " -s installer";
    log.WriteToLog("    Allowing SA access for current user with :" + command);
    const long task = p.external.Shell(command, kMinimizedNoFocus);
    if (!p.external.WaitForProcess(task, 10000))
      log.WriteToLog("(warning) GrantOrvixAccess call failed - SA access with the local login account may not "
                     "work properly.");
  });
  trapGeneral([&] { log.WriteToLog("    SA access update complete"); });
}

void frmMain::stopDirectoryServices() {
  Program& p = m_program;
  for (const int step : {5, 4, 6}) trapGeneral([&] { runServiceStep(p, shutDownStep(step)); });
  trapGeneral([&] { p.log.WriteToLog("    Killing directory services ahead of global sync of remote objects"); });
  trapGeneral([&] { runServiceStep(p, shutDownStep(kKillStep)); });
}

void frmMain::updateSetupParameters() {
  Program& p = m_program;
  RunLog& log = p.log;
  trapGeneral([&] {
    Recordset rs;
    rs.open("Select * from OrvixSetupParameters", p.machine, p.connectionString, adOpenKeyset, adLockOptimistic);
    const std::string& systemId = run.sql.newSystemId;
    if (findFromFirst(rs, "Name='@SystemId'")) {
      rs.fields("Value") = Variant(systemId);
      rs.update();
      log.WriteToLog("    Updated SystemID in OrvixSetupParameters table to: " + systemId);
    } else {
      log.WriteToLog("(error) could not find SystemID value in the OrvixSetupParameters table");
    }
    std::string root = p.paths.installRoot;
    if (!root.empty() && root.back() == '\\') root.pop_back();
    if (findFromFirst(rs, "Name='@strRootPath'")) {
      rs.fields("Value") = Variant(root);
      rs.update();
      log.WriteToLog("    Updated RootPath in OrvixSetupParameters table to: " + root);
    } else {
      log.WriteToLog("(error) could not find strRootPath value in the OrvixSetupParameters table");
    }
    if (findFromFirst(rs, "Name='@PrimaryServer'")) {
      rs.fields("Value") = Variant(run.newServerName);
      rs.update();
      log.WriteToLog("    Updated PrimaryServer in OrvixSetupParameters table to: " + run.newServerName);
    } else {
      log.WriteToLog("Could not find PrimaryServer value in the OrvixSetupParameters table - skipping update.");
    }
    rs.close();
  });
}

void frmMain::setDefaultLocationName() {
  Program& p = m_program;
  RunLog& log = p.log;
  trapGeneral([&] {
    Recordset rs;
    rs.open("Select Alias, TextName from Location where alias='default'", p.machine, p.connectionString,
            adOpenKeyset, adLockOptimistic);
    const long rows = rs.recordCount();
    if (rows == 0) {
      log.WriteToLog("(error) could not find location object by alias='default' after sync was complete");
    } else if (rows == 1) {
      rs.fields("TextName") = Variant(run.defaultLocationName);
      rs.update();
      log.WriteToLog("    Primary location object display name set to: " + run.defaultLocationName);
    } else {
      log.WriteToLog("(error) more than one local location object with alias='default' after sync was complete");
    }
    rs.close();
  });
}

void frmMain::startServer() {
  Program& p = m_program;
  trapGeneral([&] { StartUpOrvix(); });
  trapGeneral([&] { p.external.Shell(p.paths.installRoot + "TmCsTrayStatus.exe", kHide); });
  trapGeneral([&] { p.log.WriteToLog("    Starting Orvix"); });
  trapGeneral([&] { tick("chkStartingOrvix"); });
  // Its outcome is not looked at: the services' state tells.
  (void)trapStatement([&] {
    if (!p.createControlObject) return;
    if (std::unique_ptr<ControlObject> control = p.createControlObject()) control->Start();
  });
}

}  // namespace vrel::restore
