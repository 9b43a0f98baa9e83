// What populate adds, worked out before anything is written: the rows of
// OrvixDB and ReportDB and the files, all from the installation's own
// objects and a seed. No outside effect here, so the plan is the unit that
// tests check for consistency and determinism.
#pragma once

#include "platform/Registry.h"
#include "standin/server/Populate.h"
#include "standin/server/ProvisionDatabases.h"
#include "standin/server/ProvisionOptions.h"

#include <string>
#include <vector>

namespace vrel::standin {

// The fresh installation's objects that populated ones refer to.
struct PopulateBase {
  std::string computer;
  std::string root;  // ends in '\'
  std::string language;  // three-letter code of the installation, e.g. "ENU"
  std::string systemId;
  MailStoreKind mailStore = MailStoreKind::Exchange2000;
  std::string storeAlias;
  std::string storeId;
  std::string locationId;
  std::string adminId;         // EAdmin's SubscriberObjectID
  std::string adminHandlerId;  // its primary call handler
  std::string allSubscribersListId;
};

struct PlannedRow {
  const char* table;
  Row row;
};

struct PlannedFile {
  std::string path;  // Windows path
  std::string content;
};

struct PopulatePlan {
  std::vector<PlannedRow> orvixRows;
  std::vector<PlannedRow> reportRows;
  std::vector<std::string> folders;
  std::vector<PlannedFile> files;
  std::vector<RegOp> registry;  // HKEY_LOCAL_MACHINE keys and values
  PopulateResult counts;
};

PopulatePlan planPopulation(const PopulateBase& base, const PopulateOptions& options);

}  // namespace vrel::standin
