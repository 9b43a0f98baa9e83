#include "platform/data/Command.h"

#include "platform/Text.h"
#include "platform/data/AdoError.h"
#include "platform/data/Connection.h"
#include "platform/data/Procedures.h"
#include "platform/data/Session.h"
#include "platform/data/TableSource.h"

namespace vrel::data {

namespace {

constexpr const char* kSource = "ADODB.Command";

}  // namespace

void Parameters::append(Parameter p) {
  m_items.push_back(std::move(p));
}

Parameter& Parameters::item(long index) {
  if (index < 0 || index >= count()) raiseAdo(adErrItemNotFound, "ADODB.Parameters");
  return m_items[static_cast<std::size_t>(index)];
}

Parameter& Parameters::item(std::string_view name) {
  if (m_items.empty() && m_owner.commandType() == adCmdStoredProc) refresh();
  for (auto& p : m_items)
    if (iequals(p.name(), name)) return p;
  raiseAdo(adErrItemNotFound, "ADODB.Parameters");
}

void Parameters::refresh() {
  const auto& session = m_owner.session();
  const auto def = findProcedure(m_owner.commandText(), session->database());
  if (!def) session->raiseMessage(kErrCommand, "Could not find stored procedure '" + m_owner.commandText() + "'.");
  m_items.clear();
  const Variant none;
  m_items.emplace_back("@RETURN_VALUE", adInteger, adParamReturnValue, 0, none);
  for (const auto& p : def->parameters) m_items.emplace_back(p.name, p.type, p.direction, 0, none);
}

Command::Command() = default;
Command::~Command() = default;

void Command::setActiveConnection(Connection& connection) {
  m_session = connection.session();
}

Parameter Command::createParameter(std::string name, DataTypeEnum type, ParameterDirectionEnum direction, long size,
                                   const Variant& value) {
  return Parameter(std::move(name), type, direction, size, value);
}

const std::shared_ptr<Session>& Command::session() const {
  if (!m_session || !m_session->isOpen()) raiseAdo(adErrInvalidConnection, kSource);
  return m_session;
}

std::vector<Variant> Command::positionalValues() const {
  std::vector<Variant> out;
  for (const auto& p : m_parameters.m_items)
    if (p.direction() == adParamInput || p.direction() == adParamInputOutput) out.push_back(p.value());
  return out;
}

long Command::runProcedure(Rowset* rows, bool* produced) {
  std::vector<ProcedureArgument> args;
  for (const auto& p : m_parameters.m_items) args.push_back({p.name(), p.direction(), p.value()});
  ProcedureOutcome out = callProcedure(*session(), m_text, args);
  for (std::size_t i = 0; i < args.size(); ++i)
    if (args[i].direction != adParamInput) m_parameters.m_items[i].setValue(out.argumentValues[i]);
  if (produced) *produced = out.hasRows;
  if (rows) *rows = std::move(out.rows);
  return out.recordsAffected;
}

long Command::execute() {
  if (m_text.empty()) raiseAdo(adErrInvalidArgument, kSource);
  if (m_type == adCmdStoredProc) return runProcedure(nullptr, nullptr);
  if (m_type == adCmdTable || m_type == adCmdTableDirect) {
    session()->query("SELECT * FROM " + quoteIdentifier(m_text));
    return -1;
  }
  return session()->execute(m_text, positionalValues());
}

Rowset Command::run(bool& produced) {
  if (m_text.empty()) raiseAdo(adErrInvalidArgument, kSource);
  Rowset rows;
  if (m_type == adCmdStoredProc) {
    runProcedure(&rows, &produced);
    return rows;
  }
  return session()->query(m_text, positionalValues(), &produced);
}

}  // namespace vrel::data
