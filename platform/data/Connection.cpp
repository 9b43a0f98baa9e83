#include "platform/data/Connection.h"

#include "platform/data/AdoError.h"
#include "platform/data/Procedures.h"
#include "platform/data/Session.h"

namespace vrel::data {

namespace {

constexpr long kErrNoTransaction = -2147168242;  // 0x8004D00E XACT_E_NOTRANSACTION
constexpr const char* kSource = "ADODB.Connection";

}  // namespace

Connection::Connection(Machine& machine) : m_machine(machine) {}

Connection::~Connection() = default;

void Connection::open(std::string_view connectionString) {
  if (isOpen()) raiseAdo(adErrObjectOpen, kSource);
  m_session = Session::open(m_machine, connectionString);
  m_session->setCommandTimeout(m_commandTimeout);
  m_connectionString = std::string(connectionString);
  m_transactionLevel = 0;
}

void Connection::close() {
  if (!isOpen()) raiseAdo(adErrObjectClosed, kSource);
  // Open transactions end with the connection, as SQL Server rolls them back.
  m_session->close();
  m_session.reset();
  m_transactionLevel = 0;
}

ObjectStateEnum Connection::state() const {
  return m_session && m_session->isOpen() ? adStateOpen : adStateClosed;
}

ProviderKind Connection::provider() const {
  return session()->kind();
}

std::string Connection::defaultDatabase() const {
  return session()->database();
}

void Connection::setCommandTimeout(long seconds) {
  m_commandTimeout = seconds < 0 ? 0 : seconds;
  if (isOpen()) m_session->setCommandTimeout(m_commandTimeout);
}

long Connection::execute(std::string_view sql, const std::vector<Variant>& params, CommandTypeEnum type) {
  if (type != adCmdStoredProc) return session()->execute(sql, params);
  std::vector<ProcedureArgument> args;
  for (const Variant& v : params) args.push_back({"", adParamInput, v});
  return callProcedure(*session(), sql, args).recordsAffected;
}

long Connection::beginTrans() {
  const auto& s = session();
  s->execute(m_transactionLevel == 0 ? "BEGIN" : "SAVEPOINT level" + std::to_string(m_transactionLevel));
  return ++m_transactionLevel;
}

void Connection::commitTrans() {
  const auto& s = session();
  if (m_transactionLevel == 0) s->raiseMessage(kErrNoTransaction, "No transaction is active.");
  s->execute(m_transactionLevel == 1 ? "COMMIT" : "RELEASE level" + std::to_string(m_transactionLevel - 1));
  --m_transactionLevel;
}

void Connection::rollbackTrans() {
  const auto& s = session();
  if (m_transactionLevel == 0) s->raiseMessage(kErrNoTransaction, "No transaction is active.");
  if (m_transactionLevel == 1) {
    s->execute("ROLLBACK");
  } else {
    const std::string name = "level" + std::to_string(m_transactionLevel - 1);
    s->execute("ROLLBACK TO " + name + "; RELEASE " + name);
  }
  --m_transactionLevel;
}

const std::shared_ptr<Session>& Connection::session() const {
  if (!isOpen()) raiseAdo(adErrInvalidConnection, kSource);
  return m_session;
}

}  // namespace vrel::data
