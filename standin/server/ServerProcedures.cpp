#include "standin/server/ServerProcedures.h"

#include "platform/data/AdoError.h"
#include "standin/server/ObjectReferences.h"
#include "standin/server/ServerProceduresParts.h"
#include "standin/server/StoredProcedures.h"

#include <stdexcept>

namespace vrel::standin {

namespace procedures {

using data::ProcedureCall;
using data::Variant;

namespace {

constexpr const char* kDatabase = "OrvixDB";
constexpr const char* kSavepoint = "vrel_procedure";

data::DataTypeEnum dataType(ParameterType type) {
  switch (type) {
    case ParameterType::Guid:
      return data::adGUID;
    case ParameterType::Integer:
      return data::adInteger;
    case ParameterType::String:
      break;
  }
  return data::adVarWChar;
}

}  // namespace

void inTransaction(const ProcedureCall& call, const std::function<void()>& body) {
  call.execute(std::string("SAVEPOINT ") + kSavepoint);
  try {
    body();
  } catch (...) {
    // A failed statement may already have ended the transaction; the
    // rollback is then a no-op and its own error is not the caller's.
    try {
      call.execute(std::string("ROLLBACK TO ") + kSavepoint);
      call.execute(std::string("RELEASE ") + kSavepoint);
    } catch (const data::AdoError&) {
    }
    throw;
  }
  call.execute(std::string("RELEASE ") + kSavepoint);
}

void answerReferencesChanged(ProcedureCall& call, long changed) {
  data::Rowset rows;
  rows.columns.push_back({"ReferencesChanged", data::adInteger, "", ""});
  rows.rows.push_back({Variant(static_cast<int>(changed))});
  call.setResult(std::move(rows));
}

Variant requiredGuid(const ProcedureCall& call, const char* name) {
  const Variant& v = call.param(name);
  if (v.isNull() || v.isEmpty())
    call.raise("Procedure '" + call.procedure() + "' needs a value for parameter '" + name + "'.");
  return v;
}

int intArgument(const ProcedureCall& call, const char* name) {
  const Variant& v = call.param(name);
  if (v.isNull() || v.isEmpty()) return 0;
  const auto n = v.toLong();
  return n ? n.value : 0;
}

long countObjects(const ProcedureCall& call, int typeCode, const Variant& id) {
  const ObjectTypeTable* type = findObjectTypeTable(typeCode);
  if (!type) call.raise("Object type " + std::to_string(typeCode) + " has no objects.");
  const data::Rowset rs =
      call.query(std::string("SELECT COUNT(*) FROM ") + type->table + " WHERE " + type->idColumn + " = ?", {id});
  if (rs.rows.empty() || rs.rows[0].empty()) return 0;
  const auto n = rs.rows[0][0].toLong();
  return n ? n.value : 0;
}

void requireOwnerObject(const ProcedureCall& call, const char* what, int typeCode, const Variant& id) {
  if (typeCode != 1 && typeCode != 2)
    call.raise(std::string("The new ") + what + " type " + std::to_string(typeCode) +
               " is neither a subscriber (1) nor a distribution list (2).");
  const long n = countObjects(call, typeCode, id);
  if (n == 0) call.raise(std::string("The new ") + what + " " + id.toString() + " does not exist.");
  if (n > 1) call.raise(std::string("The new ") + what + " " + id.toString() + " exists more than once.");
}

void registerOrvixProcedure(const char* name, data::ProcedureBody body) {
  const StoredProcedure* contract = findOrvixDbProcedure(name);
  if (!contract) throw std::logic_error(std::string("no OrvixDB procedure named ") + name);
  data::ProcedureDefinition def;
  def.name = contract->name;
  def.database = kDatabase;
  for (const ProcedureParameter& p : contract->parameters) def.parameters.emplace_back(p.name, dataType(p.type));
  def.body = std::move(body);
  data::registerProcedure(std::move(def));
}

namespace {

void insertReplicationSet(ProcedureCall& call) {
  const data::Rowset rs =
      call.query("SELECT Value FROM OrvixSetupParameters WHERE Name = ?", {Variant(kFailReplicationSetParameter)});
  for (const auto& row : rs.rows) {
    const std::string value = row.empty() ? "" : row[0].toString();
    if (!value.empty() && value != "0") call.raise("The replication set could not be built.");
  }
  // The replication set itself is the server's own business: nothing the
  // restore reads changes.
  call.setReturnValue(0);
}

void executeSql(ProcedureCall& call) {
  const std::string stmt = call.param("@stmt").toString();
  if (stmt.find_first_not_of(" \t\r\n") == std::string::npos) call.raise("The statement text is empty.");
  inTransaction(call, [&] { call.setResult(call.query(stmt)); });
}

}  // namespace

}  // namespace procedures

void registerServerProcedures() {
  procedures::registerOrvixProcedure("sp_InsertReplicationSet", procedures::insertReplicationSet);
  procedures::registerOrvixProcedure("sp_ExecuteSql", procedures::executeSql);
  procedures::registerReferenceProcedures();
  procedures::registerDeleteSubscriber();
}

}  // namespace vrel::standin
