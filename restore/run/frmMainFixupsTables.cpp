// Phase 15, second half: every subscriber row rewritten for the new server,
// the stream paths of the other objects, the new installation's
// configuration and directory domains, and the emptied directory caches.
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "restore/preserve/SQLInfoSupport.h"
#include "restore/run/StreamPathRemap.h"
#include "restore/run/WalkTransaction.h"
#include "restore/run/frmMain.h"

#include <array>
#include <memory>

namespace vrel::restore {

using namespace data;

namespace {

bool hasDrivePath(const std::string& path) { return path.find(":\\") != std::string::npos; }

struct StreamTable {
  const char* table;
  const char* line;
};

constexpr std::array<StreamTable, 4> kStreamTables = {{
    {"CallHandler", "    Updating stream paths for call handlers"},
    {"MessagingRule", "    Updating stream paths for messaging rules"},
    {"DistributionList", "    Updating stream paths for Distribution Lists"},
    {"NameLookupHandler", "    updating stream paths for NameLookupHandler"},
}};

struct CacheTable {
  const char* line;
  const char* statement;
};

constexpr std::array<CacheTable, 6> kCacheTables = {{
    {"        Clearing ADMonitorDirObjsList", "DELETE FROM ADMonitorDirObjsList"},
    {"        Clearing ADMonitorDistributionListMember", "DELETE FROM ADMonitorDistributionListMember"},
    {"        Clearing ADMonitorScopeDistributionList", "DELETE FROM ADMonitorScopeDistributionList"},
    {"        Clearing ADMonitorScopeDistributionListMember", "DELETE FROM ADMonitorScopeDistributionListMember"},
    {"        Clearing ADMonitorScopeDistributionListPendingChanges",
     "DELETE FROM ADMonitorScopeDistributionListPendingChanges"},
    {"        Clearing MovedMailbox", "DELETE FROM MovedMailbox"},
}};

// The configuration columns copied from "ConfigInfo.mdb", in order; the
// full node name only from 4.0(4.100) on.
constexpr std::array<const char*, 9> kConfigurationColumns = {
    "NodeID", "NodeName", "NodeValue", "NodeType", "ParentNodeID", "ConfigurationMetadataObjectID",
    "LastModifiedTime", "FullNodeName", "msrepl_tran_version"};

long longOf(Recordset& rs, const char* name) {
  const Variant& v = rs.fields(name).valueRef();
  if (v.isNull()) return 0;
  const auto n = v.toLong();
  return n ? static_cast<long>(n.value) : 0;
}

}  // namespace

void frmMain::fixUpSubscribers() {
  Program& p = m_program;
  RunLog& log = p.log;
  const StreamPathRemap streams(p.files, p.paths.installRoot, p.paths.backedUpInstallPath, targetPath());
  log.WriteToLog("    Updating all suscriber records");
  std::unique_ptr<WalkTransaction> walk;
  Recordset rs;
  trapGeneral([&] {
    walk = std::make_unique<WalkTransaction>(p);
    const CursorTypeEnum cursor = p.module1.bLocalVersionAtLeast(4, 0, 2, 22) ? adOpenKeyset : adOpenDynamic;
    rs.open("Select IsSubscriber, SubscriberType, SubscriberObjectID, Alias, UID, DisplayName, DirectoryID, "
            "HomeServer, StreamPath, MailTransferAgent from Subscriber",
            walk->connection(), cursor, adLockOptimistic);
    moveToFirstRow(rs);
  });
  const std::string messagingAccount = "Orvix_" + run.oldServerName;
  auto moveHomeServer = [&](Recordset& row) {
    if (!iequals(fieldText(row, "HomeServer"), run.oldServerName)) return;
    row.fields("HomeServer") = Variant(run.newServerName);
    log.WriteToLog("        New Home Server=", run.newServerName);
  };
  while (rs.isOpen() && !rs.eof()) {
    trapGeneral([&] {
      const std::string alias = fieldText(rs, "Alias");
      log.WriteToLog("      alias=", alias);
      if (iequals(alias, messagingAccount)) {
        log.WriteToLog("    Removing the Orvix messaging system account from SQL with ObjectID=" +
                       fieldText(rs, "SubscriberObjectID"));
        rs.deleteRecord();
      } else if (iequals(alias, "Installer")) {
        log.WriteToLog("    Forcing Installer account to have a UID=" + run.sql.installerUid);
        rs.fields("UID") = Variant(run.sql.installerUid);
        // The installer account lives on this server like any other; left
        // alone it would name a server that no longer exists.
        moveHomeServer(rs);
        rs.update();
      } else if (longOf(rs, "IsSubscriber") == 0 || longOf(rs, "SubscriberType") == 0) {
        log.WriteToLog("    Removing Orvix messaging system account with ObjectID=" +
                       fieldText(rs, "SubscriberObjectID"));
        rs.deleteRecord();
      } else {
        const std::string path = fieldText(rs, "StreamPath");
        if (hasDrivePath(path)) {
          const std::string moved = streams.remap(path);
          rs.fields("StreamPath") = Variant(moved);
          log.WriteToLog("        New Stream Path=", moved);
        }
        moveHomeServer(rs);
        rs.update();
      }
    });
    // A row that failed to save is given up, so the walk always moves on.
    if (rs.editMode() != adEditNone) (void)trapStatement([&] { rs.cancelUpdate(); });
    trapGeneral([&] { rs.moveNext(); });
  }
  if (rs.isOpen()) trapGeneral([&] { rs.close(); });
  if (walk) trapGeneral([&] { walk->commit(); });
}

void frmMain::fixUpStreamPaths() {
  Program& p = m_program;
  const StreamPathRemap streams(p.files, p.paths.installRoot, p.paths.backedUpInstallPath, targetPath());
  for (const StreamTable& t : kStreamTables) {
    p.log.WriteToLog(t.line);
    trapGeneral([&] {
      WalkTransaction walk(p);
      Recordset rs;
      rs.open(std::string("Select Alias, StreamPath from ") + t.table, walk.connection(), adOpenKeyset,
              adLockOptimistic);
      moveToFirstRow(rs);
      for (; !rs.eof(); rs.moveNext()) {
        const std::string path = fieldText(rs, "StreamPath");
        if (!hasDrivePath(path)) continue;
        const std::string moved = streams.remap(path);
        rs.fields("StreamPath") = Variant(moved);
        rs.update();
        p.log.WriteToLog("      alias=", fieldText(rs, "Alias"));
        p.log.WriteToLog("        new stream path=", moved);
      }
      rs.close();
      walk.commit();
    });
  }
}

void frmMain::fixUpConfiguration() {
  Program& p = m_program;
  RunLog& log = p.log;
  auto execute = [&](const char* sql) {
    Connection cn(p.machine);
    cn.open(p.connectionString);
    cn.execute(sql);
    cn.close();
  };
  log.WriteToLog("    Removing restored configuration data from OrvixDB");
  if (p.module1.bLocalVersionAtLeast(4, 1, 0, 0)) {
    trapGeneral([&] { execute("DELETE from Configuration"); });
    log.WriteToLog("    Restored configuration data removed");
    trapGeneral([&] {
      Recordset server;
      server.open("SELECT * FROM Configuration", p.machine, p.connectionString, adOpenKeyset, adLockOptimistic);
      Recordset saved;
      saved.open("Select * from Configuration", p.machine,
                 "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + p.programFolder() + "\\ConfigInfo.mdb",
                 adOpenForwardOnly, adLockReadOnly);
      const bool fullNodeName = p.module1.bLocalVersionAtLeast(4, 0, 4, 100);
      for (; !saved.eof(); saved.moveNext()) {
        server.addNew();
        for (const char* column : kConfigurationColumns) {
          if (!fullNodeName && std::string_view(column) == "FullNodeName") continue;
          server.fields(column) = saved.fields(column).value();
        }
        server.update();
      }
      saved.close();
      server.close();
    });
    log.WriteToLog("    Configuration data restored");
  } else {
    trapGeneral([&] { execute("DELETE FROM Configuration"); });
    log.WriteToLog("    Restored configuration data removed");
    log.WriteToLog("    Restoring Configuration data into OrvixDB.");
    bulkCopyIn("Configuration", "ConfigDBBackup.txt");
    log.WriteToLog("    Configuration data restore complete");
  }
  log.WriteToLog("    Removing restored ADDomain data from OrvixDB");
  trapGeneral([&] { execute("DELETE FROM ADDomain"); });
  log.WriteToLog("    Restored ADDomain data removed");
  log.WriteToLog("    Restoring new ADDomain data into OrvixDB.");
  bulkCopyIn("ADDomain", "ADDomainDBBackup.txt");
  log.WriteToLog("    ADDomain data restore complete");
}

void frmMain::clearDirectoryCaches() {
  Program& p = m_program;
  p.log.WriteToLog("    Removing entries in the AD 'cache' tables");
  Connection cn(p.machine);
  trapGeneral([&] { cn.open(p.connectionString); });
  bool first = true;
  for (const CacheTable& t : kCacheTables) {
    p.log.WriteToLog(t.line);
    auto clear = [&] { cn.execute(t.statement); };
    // Only the first table's failure is reported.
    if (first) trapGeneral(clear);
    else (void)trapStatement(clear);
    first = false;
  }
  if (cn.isOpen()) cn.close();
}

}  // namespace vrel::restore
