// Phase 17's directory steps: the resynchronisation of the database with the
// directory (the syncher program, or the synchronisation component itself
// on versions before 4.0(1.0)), the global synchronisation of remote objects
// by the mail store's directory service, and the local locations copied into
// the global locations table.
#include "platform/data/Recordset.h"
#include "restore/external/ServiceSteps.h"
#include "restore/preserve/SQLInfoSupport.h"
#include "restore/run/frmMain.h"

namespace vrel::restore {

using namespace data;

namespace {

constexpr long kInvalidPointer = -2147467261;  // 80004003
constexpr long kDisconnected = -2147417848;    // 80010108
constexpr long kUnspecified = -2147467259;     // 80004005
constexpr long kCannotCreateObject = 429;

// The scope word of a full synchronisation.
constexpr std::uint32_t kSyncEverything = 0x0800FFFFu;

[[noreturn]] void raise(const standin::ComResult& r) { throw VbError(r.hr, r.description); }

}  // namespace

bool frmMain::resynchroniseDirectory() {
  Program& p = m_program;
  RunLog& log = p.log;
  trapGeneral([&] { tick("chkSyncing"); });
  trapGeneral([&] { runServiceStep(p, startUpStep(kDirChangeWriterStartStep)); });
  trapGeneral([&] { log.WriteToLog("    Starting resync of SQL to the directory at: " + RunLog::dateTimeText()); });
  if (!p.module1.bLocalVersionAtLeast(4, 0, 1, 0)) {
    if (!synchroniseInProcess()) return false;
  } else {
    trapGeneral([&] { runDirectorySyncher(); });
  }
  trapGeneral([&] { log.WriteToLog("    Sync finished at: " + RunLog::dateTimeText()); });
  return true;
}

// The synchronisation component's SyncCommit under the synchronisation
// trap: a lost or broken component is retried three times after 30-second
// pauses; false when all four attempts failed.
bool frmMain::synchroniseInProcess() {
  Program& p = m_program;
  RunLog& log = p.log;
  for (;;) {
    const auto error = trapStatement([&] {
      std::unique_ptr<standin::DbSync> sync;
      if (!p.createDbSync || p.createDbSync(standin::kDbSyncProgIdVersioned, sync).failed())
        throw VbError(kCannotCreateObject, "ActiveX component can't create object");
      std::string server, database;
      if (const standin::ComResult r = sync->SyncCommit(server, database, kSyncEverything, 0, 0); r.failed()) raise(r);
    });
    if (!error) return true;
    if (error->number == kInvalidPointer || error->number == kDisconnected) {
      ++run.syncRetryCount;
      if (run.syncRetryCount > 3) {
        log.WriteToLog("(error) three attempts to sync data between SQL and directory failed, exiting");
        log.WriteToLog(
            "    Check the syncer logs in zurevezuza\\logs to get more information about what failed.");
        return false;
      }
      log.WriteToLog("(warning) Syncer did not complete.  Waiting 30 seconds and trying again");
      modCallExternalApp::PauseSeconds(30);
      continue;
    }
    if (error->number != kUnspecified) {
      const std::string number = std::to_string(error->number);
      log.WriteToLog("(error) Failed to syncronize SQL data with the directory.  Error number=" + number +
                     " Description=" + error->description);
      p.MsgBox(p.str(4) + number + p.str(1) + error->description);
    }
    return true;
  }
}

void frmMain::runDirectorySyncher() {
  Program& p = m_program;
  RunLog& log = p.log;
  const std::string errors = targetPath() + "DirectorySyncErrors.log";
  if (!p.files.fileExists(p.programFolder() + "\\OrvixDirSync.exe")) {
    log.WriteToLog("(error) could not find OrvixDirSync.exe in the application install directory");
    return;
  }
  const long task = p.external.Shell(p.programFolder() + "\\OrvixDirSync.exe " + errors, kNormalFocus);
  p.external.WaitForProcess(task, modCallExternalApp::kInfinite);
  // The syncher writes its error file only after a whole run; one that
  // died on the way leaves none, and must not pass for a clean run.
  if (p.external.EndedAbnormally(task))
    log.WriteToLog("(error) OrvixDirSync.exe ended abnormally - the directory synchronisation did not complete");
  if (p.files.fileExists(errors))
    log.WriteToLog("(error) one or more directory syncronization errors were encountered.  Check the directory "
                   "syncronization log for details: " +
                   errors);
}

void frmMain::synchroniseGlobalObjects() {
  Program& p = m_program;
  RunLog& log = p.log;
  trapGeneral([&] { log.WriteToLog("    Starting global synch process"); });
  trapGeneral([&] {
    const char* progId = standin::kDominoDirectoryProgId;
    if (p.mailStoreKind == kMailStoreExchange55) {
      log.WriteToLog("  GC is Exchange 5.5");
      progId = standin::kEx55DirectoryProgId;
    } else if (p.mailStoreKind == kMailStoreDomino) {
      log.WriteToLog("  GC is Domino");
    } else {
      log.WriteToLog("  GC is Exchange 2000 or later");
      const long task = p.external.Shell("Net Start TmDSGlobalCatalog", kNormalFocus);
      p.external.WaitForProcess(task, 30000);
      modCallExternalApp::SleepMs(3000);
      progId = standin::kGlobalCatalogProgId;
    }
    std::unique_ptr<standin::DirectoryService> service;
    if (!p.createDirectoryService || p.createDirectoryService(progId, service).failed())
      throw VbError(kCannotCreateObject, "ActiveX component can't create object");
    modCallExternalApp::PauseSeconds(20);
    if (const standin::ComResult r = service->SynchronizeGlobalObjects(""); r.failed()) raise(r);
  });
  trapGeneral([&] { log.WriteToLog("    Global synch process finished"); });
}

void frmMain::addLocalLocationsToGlobal() {
  Program& p = m_program;
  RunLog& log = p.log;
  trapGeneral([&] { log.WriteToLog("    Adding local location objects back to the global locations table"); });
  trapGeneral([&] {
    const bool current = p.module1.bLocalVersionAtLeast(4, 0, 2, 104);
    Recordset local;
    local.open(current ? "Select * from vw_Location" : "Select * from Location", p.machine, p.connectionString,
               adOpenKeyset, adLockOptimistic);
    Recordset global;
    global.open("Select * from GlobalLocation", p.machine, p.connectionString, adOpenKeyset, adLockOptimistic);
    if (current) {
      log.WriteToLog("    Version if 4.0(3) or later, skipping forced removal of global location rows");
    } else if (!moveToFirstRow(global)) {
      log.WriteToLog("    No global location rows found in SQL prior to starting local to global transition");
    } else {
      log.WriteToLog("    rows found in the global table prior to local to global transition - removing them");
      for (; !global.eof(); global.moveNext()) global.deleteRecord();
      global.requery();
    }
    std::vector<const char*> columns = {
        "LocationObjectID", "Alias",      "SystemID",          "AllowBlindAddressing", "DestinationType",
        "DTMFName",         "SMTPDomain", "TextName",          "Undeletable",          "StreamPath",
        "UID",              "Site",       "DirectoryID",       "DialingDomainName",    "AddressingMaxScope",
        "BlindAddressingMaxScope", "IncludeLocations", "AMISNodeID", "AMISDialID", "ObjectType",
        "HomeServer",       "RemoteServer", "RemoteNodeID"};
    if (!p.module1.bLocalVersionAtLeast(4, 0, 2, 22)) columns.insert(columns.begin() + 5, "DTMFAccessID");
    for (moveToFirstRow(local); !local.eof(); local.moveNext()) {
      const std::string alias = fieldText(local, "Alias");
      if (!findFromFirst(global, "LocationObjectID=" + criteriaQuote(fieldText(local, "LocationObjectID")))) {
        global.addNew();
        for (const char* column : columns) global.fields(column) = local.fields(column).value();
        global.update();
        log.WriteToLog("        Local location added to global with alias=" + alias);
      } else {
        global.fields("DirectoryID") = local.fields("DirectoryID").value();
        global.update();
        log.WriteToLog("        Global location updated with new directory ID from local location with alias=" +
                       alias);
      }
    }
    global.close();
    local.close();
  });
}

}  // namespace vrel::restore
