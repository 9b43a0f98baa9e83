// Phase 15, the fix-ups of the restored database: it is the old machine's
// until here, and afterwards describes the new one. This file holds the
// driver and the first steps (system ID, example administrator, Domino
// tables, locations, template passwords, servers, mail stores); the
// subscriber, stream-path, configuration and cache steps are in
// frmMainFixupsTables.cpp. Every statement runs under the run's general trap.
#include "platform/data/Recordset.h"
#include "restore/aliases/ObjectReferences.h"
#include "restore/domino/DominoWizard.h"
#include "restore/preserve/SQLInfoSupport.h"
#include "restore/run/WalkTransaction.h"
#include "restore/run/frmMain.h"

namespace vrel::restore {

using namespace data;

namespace {

// Opens an updatable keyset on the server database.
void openUpdatable(Recordset& rs, Program& p, const std::string& sql) {
  rs.open(sql, p.machine, p.connectionString, adOpenKeyset, adLockOptimistic);
}

// Deletes every row the query returns.
void deleteEveryRow(Program& p, const std::string& sql) {
  WalkTransaction walk(p);
  Recordset rs;
  rs.open(sql, walk.connection(), adOpenKeyset, adLockOptimistic);
  moveToFirstRow(rs);
  while (!rs.eof()) {
    rs.deleteRecord();
    rs.moveNext();
  }
  rs.close();
  walk.commit();
}

}  // namespace

void frmMain::FixUpRestoredDatabase() {
  fixUpSystemAndAdministrator();
  if (m_program.mailStoreKind == kMailStoreDomino) fixUpDomino();
  trapGeneral([&] { tick("chkNormalizingDB"); });
  trapGeneral([&] { tick("chkModifyingSQLTables"); });
  fixUpLocationsAndServers();
  fixUpSubscribers();
  fixUpStreamPaths();
  if (m_program.module1.bLocalVersionAtLeast(4, 0, 3, 122)) fixUpConfiguration();
  clearDirectoryCaches();
}

void frmMain::fixUpSystemAndAdministrator() {
  Program& p = m_program;
  RunLog& log = p.log;
  log.WriteToLog("    Getting the old SystemID value");
  trapGeneral([&] {
    Recordset rs;
    openUpdatable(rs, p, "Select * from OrvixSetupParameters");
    if (findFromFirst(rs, "Name='@SystemId'")) {
      run.oldSystemId = fieldText(rs, "Value");
      log.WriteToLog("    Old SystemID value=" + run.oldSystemId);
    } else {
      log.WriteToLog("(error) could not find old SystemID key in the OrvixSetupParameters table in SQL");
    }
    rs.close();
  });

  log.WriteToLog("    Getting the directoryID from the Example Administrator account");
  trapGeneral([&] {
    Recordset rs;
    openUpdatable(rs, p, "SELECT Alias, DirectoryID, SubscriberObjectID from Subscriber");
    const bool found = findFromFirst(rs, "Alias=" + criteriaQuote("EAdmin" + run.oldSystemId)) ||
                       findFromFirst(rs, "Alias='EAdmin'") || findFromFirst(rs, "Alias='EAdministrator'") ||
                       findFromFirst(rs, "Alias LIKE 'EAdmin%'");
    log.WriteToLog("    Updating the DirectoryID value for the backed up Example Administrator account");
    if (!found) {
      log.WriteToLog("    no EAdmin account found in the backed up OrvixDB database.  This is legal, but unusual.");
      rs.close();
      return;
    }
    const std::string& directoryId = run.sql.eadminDirectoryId;
    if (!directoryId.empty()) {
      rs.fields("DirectoryID") = Variant(directoryId);
      rs.update();
      log.WriteToLog("    DirectoryID for restored Example Administrator account set to:" + directoryId);
    }
    const std::string adminId = fieldText(rs, "SubscriberObjectID");
    rs.close();
    ObjectReferences(p).UpdateReplacementObjectMappingsInRegistry(adminId);
  });
}

void frmMain::fixUpDomino() {
  Program& p = m_program;
  RunLog& log = p.log;
  if (p.module1.bLocalVersionAtLeast(4, 0, 4, 175)) {
    log.WriteToLog("    Restoring Domino address book");
    trapGeneral([&] { deleteEveryRow(p, "SELECT * FROM DominoAddressBook"); });
    log.WriteToLog("    Restoring DominoAddressBook table");
    bulkCopyIn("DominoAddressBook", "DominoAddressBookDBBackup.txt");
    log.WriteToLog("    DominoAddressBook table restore complete");
  } else {
    log.WriteToLog("    Domino address book not restored, this version of Orvix is older than 4.0(5), info is in the "
                   "registry");
  }
  if (p.module1.bLocalVersionAtLeast(4, 0, 3, 122)) {
    log.WriteToLog("    Restoring the configuration table");
    bulkCopyIn("Configuration", "ConfigDBBackup.txt");
    log.WriteToLog("    configuration table restored.");
  }
  // The reconciliation wizard; errors it raises are ignored.
  trapStatement([&] { showDominoWizard(*this); });
}

void frmMain::fixUpLocationsAndServers() {
  Program& p = m_program;
  RunLog& log = p.log;
  const std::string& newName = run.newServerName;
  trapGeneral([&] {
    log.WriteToLog(
        "    Getting old machine name out of restored SQL table so it can be searched for and replaced if necessary.");
    WalkTransaction walk(p);
    Recordset rs;
    rs.open("Select Alias, HomeServer, DirectoryID, TextName from Location", walk.connection(), adOpenKeyset,
            adLockOptimistic);
    if (moveToFirstRow(rs)) run.oldServerName = fieldText(rs, "HomeServer");
    log.WriteToLog("    Old Server name=" + run.oldServerName);
    log.WriteToLog("    Updating location table to point to new server name=" + newName);
    while (!rs.eof()) {
      rs.fields("HomeServer") = Variant(newName);
      // The real directory ID is written by SetSQLInfo later in the run.
      rs.fields("DirectoryID") = Variant(1);
      rs.update();
      if (iequals(fieldText(rs, "Alias"), "default")) run.defaultLocationName = fieldText(rs, "TextName");
      rs.moveNext();
    }
    rs.close();
    walk.commit();
  });

  // The passwords themselves are never logged.
  trapGeneral([&] {
    log.WriteToLog("    Restoring default template PWs");
    Recordset rs;
    openUpdatable(rs, p, "SELECT PwNT, PwDTMF FROM SubscriberTemplate");
    if (!moveToFirstRow(rs)) {
      log.WriteToLog("(error) could not find any entries for DefaultSubscriber in the SubscriberTemplate table.");
      rs.close();
      return;
    }
    const PreservedValues& saved = run.preserved;
    for (; !rs.eof(); rs.moveNext()) {
      if (!saved.pwDTMF.empty()) rs.fields("PwDTMF") = Variant(saved.pwDTMF);
      if (!saved.pwNT.empty()) rs.fields("PwNT") = Variant(saved.pwNT);
      rs.update();
    }
    log.WriteToLog("    Default PWs updated");
    rs.close();
  });

  trapGeneral([&] {
    log.WriteToLog("    Searching for new server name in Server tables with new server name =" + newName);
    Recordset current;
    openUpdatable(current, p, "Select * from Servers");
    current.setFilter("Alias=" + criteriaQuote(newName));
    Recordset old;
    openUpdatable(old, p, "Select * from Servers");
    old.setFilter("Alias=" + criteriaQuote(run.oldServerName));
    if (current.recordCount() > 0) {
      log.WriteToLog("    New server name found in table, updating the SQL database schema versions.");
      for (const char* column : {"SchemaMajorVersion", "SchemaMinorVersion"}) {
        current.fields(column) = old.fields(column).value();
        current.update();
      }
    } else {
      log.WriteToLog("    New server name not found in table, searching for old server name=" + run.oldServerName);
      if (old.recordCount() == 1) {
        log.WriteToLog("        Old machine name found in table: " + run.oldServerName);
        old.fields("Alias") = Variant(newName);
        old.update();
        log.WriteToLog("        Replaced with new machine name: " + newName);
      } else {
        log.WriteToLog("   Old server name not found in server table.");
      }
    }
    current.close();
    old.close();
  });

  // The restored mail stores are the old machine's; errors are ignored.
  log.WriteToLog("    Restoring backed up values from new MailboxStore to restored table");
  (void)trapStatement([&] { deleteEveryRow(p, "Select * from MailboxStore"); });
}

void frmMain::bulkCopyIn(const char* table, const char* file) {
  Program& p = m_program;
  const std::string path = targetPath() + file;
  trapGeneral([&] {
    // The tool's outcome is not examined; a missing file at least is named.
    if (!p.files.fileExists(path)) p.log.WriteToLog("(error) bulk copy file not found: " + path);
    const long task = p.external.Shell(std::string("BCP OrvixDB..") + table + " in \"" + path + "\" -n -T", 1);
    p.external.WaitForProcess(task, modCallExternalApp::kInfinite);
  });
}

}  // namespace vrel::restore
