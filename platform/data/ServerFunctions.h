// What every connection registers on its SQLite handle before its first
// statement, so SQL text written for SQL Server behaves as the server would:
// the collations SQLSRV and SQLGUID (Collation.h), LIKE with SQL Server's
// rules and case-insensitivity, and the functions NEWID(), GETDATE(),
// GETUTCDATE(), LEN(), ISNULL() and CHARINDEX().
#pragma once

#include <sqlite3.h>

#include <string>

namespace vrel::data {

// False with error when SQLite refuses a registration.
bool registerServerFunctions(sqlite3* db, std::string& error);

// A fresh GUID in the stored form (36 upper-case characters).
std::string newGuidText();

}  // namespace vrel::data
