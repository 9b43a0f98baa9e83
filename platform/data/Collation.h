// The SQL Server default collation as the stand-in server compares text:
// case-insensitive (Unicode upper-casing), accent-sensitive, trailing blanks
// ignored by comparisons (SQL Server pads the shorter string). One comparator
// serves the database files' collation, recordset Find and Filter, and the
// Optimize indexes, so they all agree.
#pragma once

#include <string>
#include <string_view>

namespace vrel::data {

// The collation names the stand-in server declares on its columns:
// `Alias VARCHAR(64) COLLATE SQLSRV`, `ObjectId UNIQUEIDENTIFIER COLLATE SQLGUID`.
inline constexpr const char* kTextCollation = "SQLSRV";
inline constexpr const char* kGuidCollation = "SQLGUID";

// <0, 0, >0. Equal exactly when their collation keys are equal.
int compareText(std::string_view a, std::string_view b);
// Trailing U+0020 removed, then upper-cased: equal keys = equal text.
std::string collationKey(std::string_view text);

// GUID columns compare their canonical form, so "{abc...}" equals "ABC..."
// stored; text that is no GUID compares by its collation key.
std::string guidCollationKey(std::string_view text);

// SQL Server's LIKE: '%' any run, '_' one character, "[abc]", "[a-z]",
// "[^abc]"; escape (0 = none) makes the next pattern character literal.
// Case-insensitive; trailing blanks of the value are ignored, those of the
// pattern are not.
bool sqlLike(std::string_view pattern, std::string_view value, char32_t escape = 0);

}  // namespace vrel::data
