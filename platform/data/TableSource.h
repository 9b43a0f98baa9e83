// Which table a recordset's rows can be written back to. A recordset is
// updatable when its source is a table name or a plain single-table SELECT
// (one table, no join, DISTINCT, GROUP BY, HAVING, UNION or sub-query in
// FROM) of a rowid table; its rows are then read with the table's rowid in
// front, and written back by it. Anything else (joins, views, expressions
// only) is read-only.
#pragma once

#include "platform/data/AdoEnums.h"

#include <string>
#include <string_view>

namespace vrel::data {

class Session;

struct TableSource {
  std::string sql;         // the statement to run
  std::string table;       // base table when updatable
  bool updatable = false;  // sql starts with the rowid column
};

// A bare name (or adCmdTable) is a table: "SELECT * FROM name".
TableSource analyzeSource(const Session& session, std::string_view source, CommandTypeEnum type);

// "name" quoted for SQLite, with '"' doubled.
std::string quoteIdentifier(std::string_view name);

}  // namespace vrel::data
