// The stored procedures of the stand-in server's OrvixDB that other programs
// call by name: their parameters (names and types as callers pass them) and
// what each one does. SQLite has no stored procedures; the stand-in runs
// these in code, and this list is what callers are checked against.
#pragma once

#include <span>
#include <string_view>

namespace vrel::standin {

enum class ParameterType { Guid, Integer, String };

struct ProcedureParameter {
  const char* name;  // with its "@"
  ParameterType type;
};

struct StoredProcedure {
  const char* name;
  std::span<const ProcedureParameter> parameters;  // in the order callers list them
  // Callers open a recordset on the call, so the procedure answers with a
  // result set (possibly without rows) rather than none.
  bool returnsResultSet;
  const char* effect;  // one line; docs/server-schema.md says it in full
};

std::span<const StoredProcedure> orvixDbProcedures();
// Looks a procedure up by name, ignoring case; nullptr when there is none.
const StoredProcedure* findOrvixDbProcedure(std::string_view name);
// Looks a parameter up by name, ignoring case; nullptr when there is none.
const ProcedureParameter* findParameter(const StoredProcedure& procedure, std::string_view name);

}  // namespace vrel::standin
