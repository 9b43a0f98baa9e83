#include "standin/server/Populate.h"
#include "standin/notes/NotesStore.h"

#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "platform/registry/RegImport.h"
#include "standin/server/PopulatePlan.h"
#include "standin/server/Provision.h"

#include <set>

namespace vrel::standin {

namespace {

// Fresh installs hold EAdmin, ESubscriber, Installer and the messaging
// account.
constexpr long kFreshSubscribers = 4;

std::string firstValue(data::Connection& cn, const std::string& sql) {
  data::Recordset rs;
  rs.open(sql, cn);
  std::string out = rs.eof() ? std::string() : rs.fields(0L).value().toString();
  rs.close();
  return out;
}

// GUID text as the rows hold it: no braces.
std::string bare(std::string guid) {
  if (guid.size() == 38 && guid.front() == '{') guid = guid.substr(1, 36);
  return guid;
}

bool readBase(Machine& machine, PopulateBase& base, std::string& error) {
  ProvisionOptions installed;
  if (!readInstalledIdentity(machine, installed, base.systemId, error)) return false;
  base.computer = installed.computerName;
  base.root = installed.installRoot;
  base.language = installed.language;
  base.mailStore = installed.mailStore;
  try {
    data::Connection cn(machine);
    cn.open(localDatabaseConnection("OrvixDB"));
    const long subscribers = std::stol(firstValue(cn, "SELECT COUNT(*) FROM Subscriber"));
    if (subscribers > kFreshSubscribers) {
      error = "the server is populated already (" + std::to_string(subscribers) +
              " subscribers); provision it again with --force to start over";
      return false;
    }
    base.storeAlias = firstValue(cn, "SELECT Alias FROM MailboxStore");
    base.storeId = bare(firstValue(cn, "SELECT MailboxStoreObjectID FROM MailboxStore"));
    base.locationId = bare(firstValue(cn, "SELECT LocationObjectID FROM Location WHERE Alias = 'default'"));
    base.adminId = bare(firstValue(cn, "SELECT SubscriberObjectID FROM Subscriber WHERE Alias = 'EAdmin'"));
    base.adminHandlerId = bare(firstValue(cn, "SELECT CallHandlerObjectID FROM Subscriber WHERE Alias = 'EAdmin'"));
    base.allSubscribersListId =
        bare(firstValue(cn, "SELECT SystemDListObjectID FROM DistributionList WHERE Alias = 'allsubscribers'"));
    cn.close();
  } catch (const data::AdoError& e) {
    error = "cannot read the installation from OrvixDB: " + e.description;
    return false;
  }
  if (base.storeAlias.empty() || base.locationId.empty() || base.adminId.empty() || base.adminHandlerId.empty() ||
      base.allSubscribersListId.empty()) {
    error = "the installed server lacks its mail store, default location, EAdmin or system lists; "
            "provision it again with --force";
    return false;
  }
  return true;
}

bool insertAll(Machine& machine, const char* database, const std::vector<PlannedRow>& rows, std::string& error) {
  try {
    data::Connection cn(machine);
    cn.open(localDatabaseConnection(database));
    cn.beginTrans();
    for (const PlannedRow& r : rows) insertRow(cn, r.table, r.row);
    cn.commitTrans();
    cn.close();
    return true;
  } catch (const data::AdoError& e) {
    error = std::string("cannot populate ") + database + ": " + e.description;
    return false;
  }
}

// A failed run leaves the databases fresh and is simply run again, so the
// files need to be on the disk only before the rows naming them go in: one
// sync per drive once all are written instead of one per file (which took
// most of the run's time).
bool writeFiles(Machine& machine, const PopulatePlan& plan, std::string& error) {
  const Files files(machine);
  for (const std::string& folder : plan.folders)
    if (const FileStatus st = files.createFolder(folder); !st) {
      error = "cannot create " + folder + ": " + st.description;
      return false;
    }
  std::set<std::string> drives;
  for (const PlannedFile& f : plan.files) {
    if (const FileStatus st = files.writeAll(f.path, f.content, Files::Durability::Deferred); !st) {
      error = "cannot write " + f.path + ": " + st.description;
      return false;
    }
    drives.insert(files.paths().absolute(f.path).substr(0, 3));
  }
  for (const std::string& drive : drives)
    if (const FileStatus st = files.syncDrive(drive); !st) {
      error = "cannot sync " + drive + ": " + st.description;
      return false;
    }
  return true;
}

}  // namespace

bool populateServer(Machine& machine, const PopulateOptions& options, PopulateResult& result, std::string& error) {
  if (options.subscribers < 1 || options.subscribers > kMaxPopulateSubscribers) {
    error = "the number of subscribers must be 1 to " + std::to_string(kMaxPopulateSubscribers);
    return false;
  }
  if (options.maxMessagesPerMailbox < 0) {
    error = "the number of messages per mailbox cannot be negative";
    return false;
  }
  PopulateBase base;
  if (!readBase(machine, base, error)) return false;
  const PopulatePlan plan = planPopulation(base, options);
  // Files first: a failure there leaves the databases fresh, so populate
  // can simply run again.
  if (!writeFiles(machine, plan, error) || !insertAll(machine, "OrvixDB", plan.orvixRows, error) ||
      !insertAll(machine, "ReportDB", plan.reportRows, error))
    return false;
  if (const RegStatus st = machine.registry().apply(plan.registry); st != kRegOk) {
    error = "cannot write the subscriber cache into the registry: " + describeRegStatus(st);
    return false;
  }
  // Domino subscribers get their person documents, as the directory
  // monitor would have made them.
  if (base.mailStore == MailStoreKind::Domino && !syncDominoBooks(machine, error)) return false;
  result = plan.counts;
  return true;
}

}  // namespace vrel::standin
