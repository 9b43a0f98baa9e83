// The little of SQL Server's dialect that SQLite cannot take as a function:
// ISNULL(a, b) is an operator keyword in SQLite, so the call is rewritten to
// IFNULL(a, b) before the text is prepared; and INDEX, outside CREATE
// [UNIQUE] INDEX and DROP INDEX, is a column name (Access databases have
// columns called Index) and is quoted. Quoted text, identifiers and comments
// are left alone.
#pragma once

#include <string>
#include <string_view>

namespace vrel::data {

std::string toSqliteText(std::string_view sql);

}  // namespace vrel::data
