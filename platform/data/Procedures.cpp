#include "platform/data/Procedures.h"

#include "platform/Text.h"
#include "platform/data/AdoError.h"
#include "platform/data/ProviderErrors.h"
#include "platform/data/Session.h"
#include "platform/data/SqlValue.h"

#include <mutex>

namespace vrel::data {

namespace {

struct Registry {
  std::mutex mutex;
  std::vector<std::shared_ptr<const ProcedureDefinition>> procedures;
};

Registry& registry() {
  static Registry r;
  return r;
}

// "dbo.[sp_X]" -> "sp_X"
std::string bareName(std::string_view name) {
  std::string n = trim(name);
  if (n.size() > 4 && iequals(n.substr(0, 4), "dbo.")) n = n.substr(4);
  if (n.size() >= 2 && n.front() == '[' && n.back() == ']') n = n.substr(1, n.size() - 2);
  return n;
}

const char* sqlTypeName(DataTypeEnum type) {
  switch (type) {
    case adGUID:
      return "uniqueidentifier";
    case adSmallInt:
      return "smallint";
    case adInteger:
      return "int";
    case adBigInt:
      return "bigint";
    case adBoolean:
      return "bit";
    case adDouble:
      return "float";
    case adNumeric:
      return "numeric";
    case adDate:
    case adDBTimeStamp:
      return "datetime";
    default:
      return "nvarchar";
  }
}

}  // namespace

ProcedureCall::ProcedureCall(const Session& session, std::string procedure, std::vector<ProcedureParameter> params,
                             std::vector<Variant> values)
    : m_session(session), m_procedure(std::move(procedure)), m_params(std::move(params)), m_values(std::move(values)) {}

const std::string& ProcedureCall::database() const {
  return m_session.database();
}

std::size_t ProcedureCall::indexOf(std::string_view name) const {
  for (std::size_t i = 0; i < m_params.size(); ++i)
    if (iequals(m_params[i].name, name)) return i;
  raiseAdo(adErrItemNotFound, "ADODB.Parameters");
}

const Variant& ProcedureCall::param(std::string_view name) const {
  return m_values[indexOf(name)];
}

void ProcedureCall::setOutput(std::string_view name, const Variant& value) {
  m_values[indexOf(name)] = value;
}

void ProcedureCall::setResult(Rowset rows) {
  m_rows = std::move(rows);
  m_hasRows = true;
}

long ProcedureCall::execute(std::string_view sql, const std::vector<Variant>& params) const {
  const long n = m_session.execute(sql, params);
  if (n >= 0) m_affected = (m_affected < 0 ? 0 : m_affected) + n;
  return n;
}

Rowset ProcedureCall::query(std::string_view sql, const std::vector<Variant>& params) const {
  return m_session.query(sql, params);
}

void ProcedureCall::raise(const std::string& message) const {
  m_session.raiseMessage(kErrUnspecified, message);
}

void registerProcedure(ProcedureDefinition definition) {
  definition.name = bareName(definition.name);
  auto def = std::make_shared<const ProcedureDefinition>(std::move(definition));
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  for (auto& p : r.procedures) {
    if (iequals(p->name, def->name) && iequals(p->database, def->database)) {
      p = def;
      return;
    }
  }
  r.procedures.push_back(def);
}

bool unregisterProcedure(std::string_view name, std::string_view database) {
  const std::string n = bareName(name);
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  for (auto it = r.procedures.begin(); it != r.procedures.end(); ++it) {
    if (iequals((*it)->name, n) && iequals((*it)->database, database)) {
      r.procedures.erase(it);
      return true;
    }
  }
  return false;
}

std::shared_ptr<const ProcedureDefinition> findProcedure(std::string_view name, std::string_view database) {
  const std::string n = bareName(name);
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  std::shared_ptr<const ProcedureDefinition> any;
  for (const auto& p : r.procedures) {
    if (!iequals(p->name, n)) continue;
    if (!p->database.empty() && iequals(p->database, database)) return p;
    if (p->database.empty()) any = p;
  }
  return any;
}

ProcedureOutcome callProcedure(const Session& session, std::string_view name,
                               const std::vector<ProcedureArgument>& args) {
  const auto def = findProcedure(name, session.database());
  const std::string proc = bareName(name);
  if (!def) session.raiseMessage(kErrCommand, "Could not find stored procedure '" + proc + "'.");
  const auto& declared = def->parameters;
  std::vector<Variant> values(declared.size());
  std::vector<bool> given(declared.size(), false);
  std::vector<long> slotOf(args.size(), -1);
  std::size_t position = 0;
  for (std::size_t a = 0; a < args.size(); ++a) {
    const ProcedureArgument& arg = args[a];
    if (arg.direction == adParamReturnValue) continue;
    std::size_t slot = declared.size();
    if (arg.name.empty()) {
      slot = position++;
      if (slot >= declared.size())
        session.raiseMessage(kErrCommand, "Procedure or function " + proc + " has too many arguments specified.");
    } else {
      for (std::size_t i = 0; i < declared.size() && slot == declared.size(); ++i)
        if (iequals(declared[i].name, arg.name)) slot = i;
      if (slot == declared.size())
        session.raiseMessage(kErrCommand, arg.name + " is not a parameter for procedure " + proc + ".");
    }
    slotOf[a] = static_cast<long>(slot);
    if (arg.direction == adParamOutput || arg.value.isEmpty()) continue;
    const auto converted = convertForType(arg.value, declared[slot].type);
    if (!converted)
      session.raiseMessage(
          kErrCommand, std::string("Error converting data type nvarchar to ") + sqlTypeName(declared[slot].type) + ".");
    values[slot] = *converted;
    given[slot] = true;
  }
  for (std::size_t i = 0; i < declared.size(); ++i) {
    if (given[i] || declared[i].direction == adParamOutput) {
      if (!given[i]) values[i] = Variant::null();
      continue;
    }
    if (!declared[i].hasDefault)
      session.raiseMessage(kErrMissingParameter, "Procedure '" + proc + "' expects parameter '" + declared[i].name +
                                                     "', which was not supplied.");
    values[i] = declared[i].defaultValue;
  }
  ProcedureCall call(session, def->name, declared, std::move(values));
  try {
    def->body(call);
  } catch (const AdoError&) {
    throw;
  } catch (const std::exception& e) {
    session.raiseMessage(kErrUnspecified, e.what());
  }
  ProcedureOutcome out;
  out.hasRows = call.hasRows();
  out.rows = std::move(call.rows());
  out.recordsAffected = call.recordsAffected();
  out.argumentValues.resize(args.size());
  for (std::size_t a = 0; a < args.size(); ++a) {
    if (args[a].direction == adParamReturnValue)
      out.argumentValues[a] = Variant(static_cast<int>(call.returnValue()));
    else if (slotOf[a] >= 0 && args[a].direction != adParamInput)
      out.argumentValues[a] = call.values()[static_cast<std::size_t>(slotOf[a])];
    else
      out.argumentValues[a] = args[a].value;
  }
  return out;
}

}  // namespace vrel::data
