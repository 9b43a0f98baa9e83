// The stand-in server's stored procedures: C++ functions registered under a
// procedure name (process-wide, names without regard to case, an optional
// "dbo." or brackets ignored), with declared parameters. A Command of type
// adCmdStoredProc calls them on its connection: arguments matched by name
// (or by position when unnamed), converted to the declared types, defaults
// filled in, missing ones refused with SQL Server's messages.
#pragma once

#include "platform/data/AdoEnums.h"
#include "platform/data/Rowset.h"
#include "platform/data/Variant.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vrel::data {

class Session;

struct ProcedureParameter {
  ProcedureParameter(std::string name, DataTypeEnum type, ParameterDirectionEnum direction = adParamInput)
      : name(std::move(name)), type(type), direction(direction) {}
  // An input parameter that takes a default value when not supplied.
  static ProcedureParameter withDefault(std::string name, DataTypeEnum type, Variant value) {
    ProcedureParameter p(std::move(name), type);
    p.hasDefault = true;
    p.defaultValue = std::move(value);
    return p;
  }

  std::string name;  // "@ObjectID"
  DataTypeEnum type = adVarWChar;
  ParameterDirectionEnum direction = adParamInput;
  bool hasDefault = false;
  Variant defaultValue;
};

// What a procedure body sees: its arguments, its connection, and where its
// results go.
class ProcedureCall {
 public:
  ProcedureCall(const Session& session, std::string procedure, std::vector<ProcedureParameter> params,
                std::vector<Variant> values);

  const std::string& procedure() const { return m_procedure; }
  // The database the call runs in.
  const std::string& database() const;
  // An argument after conversion and defaults (Null for an output-only
  // parameter not yet set); 3265 for a name the procedure does not declare.
  const Variant& param(std::string_view name) const;
  void setOutput(std::string_view name, const Variant& value);
  void setReturnValue(long value) { m_returnValue = value; }
  // The rows the call returns (a recordset opened on the command gets them).
  void setResult(Rowset rows);

  long execute(std::string_view sql, const std::vector<Variant>& params = {}) const;
  Rowset query(std::string_view sql, const std::vector<Variant>& params = {}) const;
  // Fails the call with a message, as RAISERROR does.
  [[noreturn]] void raise(const std::string& message) const;

  // Results, read by the caller.
  long returnValue() const { return m_returnValue; }
  long recordsAffected() const { return m_affected; }
  bool hasRows() const { return m_hasRows; }
  Rowset& rows() { return m_rows; }
  const std::vector<Variant>& values() const { return m_values; }
  const std::vector<ProcedureParameter>& declared() const { return m_params; }

 private:
  std::size_t indexOf(std::string_view name) const;

  const Session& m_session;
  std::string m_procedure;
  std::vector<ProcedureParameter> m_params;
  std::vector<Variant> m_values;
  long m_returnValue = 0;
  mutable long m_affected = -1;
  bool m_hasRows = false;
  Rowset m_rows;
};

using ProcedureBody = std::function<void(ProcedureCall&)>;

struct ProcedureDefinition {
  std::string name;
  std::vector<ProcedureParameter> parameters;
  ProcedureBody body;
  std::string database;  // "" = every database
};

// Adds or replaces a procedure.
void registerProcedure(ProcedureDefinition definition);
bool unregisterProcedure(std::string_view name, std::string_view database = "");
// The procedure of a name callable in a database; null when none.
std::shared_ptr<const ProcedureDefinition> findProcedure(std::string_view name, std::string_view database);

// One argument of a call as a Command passes it.
struct ProcedureArgument {
  std::string name;
  ParameterDirectionEnum direction = adParamInput;
  Variant value;
};

struct ProcedureOutcome {
  bool hasRows = false;
  Rowset rows;
  long recordsAffected = -1;
  std::vector<Variant> argumentValues;  // per argument: outputs and the return value filled in
};

// Calls a procedure; raises the provider's errors (unknown procedure,
// unknown or missing parameter, unconvertible value, the body's own).
ProcedureOutcome callProcedure(const Session& session, std::string_view name,
                               const std::vector<ProcedureArgument>& args);

}  // namespace vrel::data
