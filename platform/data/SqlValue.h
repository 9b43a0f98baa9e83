// Values between SQLite and the data objects: the ADO type of a column from
// its declared type, reading a column as the Variant ADO would hand out
// (GUIDs braced, dates as dates, bits as Booleans) and binding a Variant in
// the form the database files store (GUIDs as 36 upper-case characters,
// dates as "YYYY-MM-DD HH:MM:SS").
#pragma once

#include "platform/data/AdoEnums.h"
#include "platform/data/Variant.h"

#include <sqlite3.h>

#include <optional>
#include <string_view>

namespace vrel::data {

// The ADO type of a declared SQL type ("varchar(64)", "uniqueidentifier",
// "datetime", "bit", ...); adEmpty when there is none.
DataTypeEnum typeFromDeclaration(std::string_view declared);
// The type of a value without a declared type (an expression's result).
DataTypeEnum typeFromStorage(int sqliteType);

enum class TypeClass { Text, Number, Bool, Date, Guid, Binary };
TypeClass typeClass(DataTypeEnum type);

// Column col of the current row, as a value of the given ADO type.
Variant readColumn(sqlite3_stmt* st, int col, DataTypeEnum type);
// Binds v (already converted) as parameter index (1-based).
// Text and bytes are copied unless keep is SQLITE_STATIC: then v must
// outlive the statement's next step.
int bindValue(sqlite3_stmt* st, int index, const Variant& v, sqlite3_destructor_type keep = SQLITE_TRANSIENT);

// Converts a value to be stored in a column of the given type: GUID text
// checked, dates parsed, numbers converted. nullopt when it does not
// convert. Null and Empty become Null.
std::optional<Variant> convertForType(const Variant& v, DataTypeEnum type);
// The same for a value handed over: one already of the column's kind is
// moved, not copied.
std::optional<Variant> convertForType(Variant&& v, DataTypeEnum type);

}  // namespace vrel::data
