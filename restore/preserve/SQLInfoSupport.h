// Small recordset helpers shared by the procedures that read and write the
// server database.
#pragma once

#include "platform/data/Recordset.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vrel::restore {

// A criteria literal: the text between single quotes, with quotes doubled so
// a value from data can never end the literal early.
std::string criteriaQuote(std::string_view value);

// Moves to the first row; false when the recordset holds none.
bool moveToFirstRow(data::Recordset& rs);

// Moves to the first row and searches forward from it; true when a row was
// found (the recordset then stands on it). An empty recordset finds nothing.
bool findFromFirst(data::Recordset& rs, std::string_view criteria);

// The field's value as text; Null gives empty text.
std::string fieldText(data::Recordset& rs, std::string_view name);

// The number whose hexadecimal digits the system ID is ("1A2B" is 6699), as
// the 32-bit value a location row or the registry holds. Text that is empty,
// longer than eight digits or not hexadecimal raises 13 "Type mismatch"
// (an AdoError with that source).
std::int32_t systemIdNumber(std::string_view hex, const char* source);

}  // namespace vrel::restore
