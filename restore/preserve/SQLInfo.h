// The new installation's SQL identities carried across the database restore:
// GetSQLInfo reads them from the fresh database before it is replaced, and
// SetSQLInfo writes them into the restored one, so that the restored objects
// point at this machine's directory objects.
#pragma once

#include "restore/preserve/Module1.h"
#include "restore/run/RunLog.h"

#include <string>

namespace vrel {
class Machine;
}

namespace vrel::restore {

// What GetSQLInfo returns, in its order; empty when not found.
struct NewInstallSqlValues {
  std::string mailStoreAlias;
  std::string mailStoreDirectoryId;
  std::string mailDatabaseIndex;
  std::string mailDatabase;
  std::string mailTransferAgent;
  std::string locationDirectoryId;
  std::string eadminDirectoryId;
  std::string esubscriberDirectoryId;
  std::string allSubscribersDirectoryId;
  std::string unaddressedMessagesDirectoryId;
  std::string systemEventMessagesDirectoryId;
  std::string newSystemId;
  std::string locationUid;
  std::string locationHomeServer;
  std::string installerUid;
};

// SetSQLInfo's ten inputs, in its order.
struct SetSqlInfoArgs {
  std::string locationDirectoryId;
  std::string eadminDirectoryId;
  std::string esubscriberDirectoryId;
  std::string allSubscribersDirectoryId;
  std::string unaddressedMessagesDirectoryId;
  std::string systemEventMessagesDirectoryId;
  std::string newSystemId;
  std::string oldSystemId;
  std::string locationUid;
  std::string locationHomeServer;
};

class SQLInfo {
 public:
  SQLInfo(Machine& machine, RunLog& log, const Module1& module1, std::string connectionString)
      : m_machine(machine), m_log(log), m_module1(module1), m_connectionString(std::move(connectionString)) {}

  // Reads the fresh installation's values; every run-time error is ignored
  // and the value it would have read stays empty.
  void GetSQLInfo(NewInstallSqlValues& out);
  // Writes them into the restored database; a run-time error is logged as
  // "(error) in SetSQLInfo routine: " and the next statement goes on.
  void SetSQLInfo(const SetSqlInfoArgs& in);

 private:
  bool viewsAvailable() const { return m_module1.bLocalVersionAtLeast(4, 0, 2, 22); }
  void setLocations(const SetSqlInfoArgs& in);
  void setDistributionLists(const SetSqlInfoArgs& in);
  void removeDuplicateSystemLists(const SetSqlInfoArgs& in);
  // Runs one statement of SetSQLInfo under its trap.
  template <typename F>
  void trapped(F&& statement);

  Machine& m_machine;
  RunLog& m_log;
  const Module1& m_module1;
  std::string m_connectionString;
};

}  // namespace vrel::restore
