// One object of a stand-in database's schema (a table, view or index) with
// the SQLite statement that creates it. Each database is described by a list
// of these; provisioning runs them in order and tests walk the same list.
//
// Column conventions shared by every schema (SQL Server types, SQLite
// affinities): text is NVARCHAR(n) (Access: VARCHAR(n) or LONGTEXT) and
// carries COLLATE SQLSRV, the server's case-insensitive default collation;
// GUIDs are UNIQUEIDENTIFIER (Access: GUID) with COLLATE SQLGUID and hold the
// 36-character upper-case form, so "{...}" literals of any case compare
// equal; bits are BIT (0/1); dates are DATETIME text "YYYY-MM-DD HH:MM:SS".
// Both collations are registered by the data layer on every connection.
#pragma once

#include <span>
#include <string>

namespace vrel::standin {

enum class SchemaKind { Table, View, Index };

struct SchemaObject {
  SchemaKind kind;
  const char* name;
  const char* sql;  // one CREATE statement, no closing semicolon
};

// "table", "view" or "index": the type column of sqlite_master.
const char* schemaKindName(SchemaKind kind);

// The objects' statements in list order, each ended by ";\n".
std::string schemaScript(std::span<const SchemaObject> objects);

}  // namespace vrel::standin
