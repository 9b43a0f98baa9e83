// The native data file of the stand-in bulk-copy program (bcp -n):
//   "VRELBCP1", column count (4 bytes)
//   per row: 0x01, then per column a type byte and the value:
//     0 NULL; 1 integer (8 bytes); 2 float (8 bytes, IEEE);
//     3 text, 4 bytes (length 4 bytes, then the bytes)
//   0x00, the row count (8 bytes), FNV-1a of everything before the 0x00
// (all numbers little-endian).
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vrel::bcp {

inline constexpr std::string_view kMagic = "VRELBCP1";

// One value of a row; type is SQLite's (SQLITE_NULL, SQLITE_INTEGER, ...).
struct Value {
  int type = SQLITE_NULL;
  std::int64_t i = 0;
  double d = 0;
  std::string bytes;
};
using Row = std::vector<Value>;

// FNV-1a (64 bit) of the bytes.
std::uint64_t fnv1a(std::string_view bytes);
// v as size little-endian bytes appended to out.
void put(std::string& out, std::uint64_t v, int size);

// The rows of a native data file made for a table of columns columns; false
// with a reason (the real tool's message) when the file is not whole or was
// made for another number of columns.
bool parseNativeFile(std::string_view data, std::size_t columns, std::vector<Row>& rows, std::string& reason);

}  // namespace vrel::bcp
