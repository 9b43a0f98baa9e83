// ADO's Connection over the stand-in machine's databases. Open() reads a
// connection string (ConnectionString.h) and opens the SQL Server database
// or Jet file it names; errors are raised as AdoError with the provider's
// numbers and texts. Like a COM object, the open database lives on while a
// recordset or command opened on it does; close() closes it for all of them.
#pragma once

#include "platform/data/AdoEnums.h"
#include "platform/data/AdoError.h"
#include "platform/data/ConnectionString.h"
#include "platform/data/Variant.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {
class Machine;
}

namespace vrel::data {

class Session;

class Connection {
 public:
  explicit Connection(Machine& machine);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // 3705 when already open.
  void open(std::string_view connectionString);
  // 3704 when not open.
  void close();
  ObjectStateEnum state() const;
  bool isOpen() const { return state() == adStateOpen; }
  const std::string& connectionString() const { return m_connectionString; }
  ProviderKind provider() const;
  // The database name (SQL Server, as its file spells it) or file (Jet).
  std::string defaultDatabase() const;

  // Seconds a statement waits for locks held by other connections (0 = no
  // limit); 30 by default.
  void setCommandTimeout(long seconds);
  long commandTimeout() const { return m_commandTimeout; }

  // Runs SQL text (one statement or a batch); returns the rows changed, -1
  // when only queries ran. params bind to '?' placeholders of the first
  // statement, so values never need quoting. With adCmdStoredProc the text
  // names a stored procedure and params are its arguments in order.
  long execute(std::string_view sql, const std::vector<Variant>& params = {}, CommandTypeEnum type = adCmdText);

  // Transactions on this connection; the level after the call.
  long beginTrans();
  void commitTrans();
  void rollbackTrans();

  Machine& machine() const { return m_machine; }
  // The open database; throws 3709 when the connection is closed.
  const std::shared_ptr<Session>& session() const;

 private:
  Machine& m_machine;
  std::shared_ptr<Session> m_session;
  std::string m_connectionString;
  long m_commandTimeout = 30;
  long m_transactionLevel = 0;
};

}  // namespace vrel::data
