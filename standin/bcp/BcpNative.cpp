#include "standin/bcp/BcpNative.h"

#include <cstring>

namespace vrel::bcp {

namespace {

// Reads the native format; false with a reason when it is not whole.
class Reader {
 public:
  explicit Reader(std::string_view data) : m_data(data) {}
  bool take(std::size_t n, std::string_view& out) {
    if (m_data.size() - m_pos < n) return false;
    out = m_data.substr(m_pos, n);
    m_pos += n;
    return true;
  }
  bool number(int size, std::uint64_t& v) {
    std::string_view b;
    if (!take(static_cast<std::size_t>(size), b)) return false;
    v = 0;
    for (int i = size - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[static_cast<std::size_t>(i)]);
    return true;
  }
  std::size_t pos() const { return m_pos; }
  bool atEnd() const { return m_pos == m_data.size(); }

 private:
  std::string_view m_data;
  std::size_t m_pos = 0;
};

bool readValue(Reader& r, Value& v) {
  std::string_view tag;
  std::uint64_t n = 0;
  if (!r.take(1, tag)) return false;
  v.type = static_cast<unsigned char>(tag[0]);
  switch (v.type) {
    case 0: v.type = SQLITE_NULL; return true;
    case 1: v.type = SQLITE_INTEGER; if (!r.number(8, n)) return false; v.i = static_cast<std::int64_t>(n); return true;
    case 2: v.type = SQLITE_FLOAT; if (!r.number(8, n)) return false; std::memcpy(&v.d, &n, 8); return true;
    case 3: case 4: {
      v.type = v.type == 3 ? SQLITE_TEXT : SQLITE_BLOB;
      std::string_view b;
      if (!r.number(4, n) || !r.take(n, b)) return false;
      v.bytes = b;
      return true;
    }
    default: return false;
  }
}

}  // namespace

std::uint64_t fnv1a(std::string_view bytes) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  for (unsigned char c : bytes) h = (h ^ c) * 0x100000001b3ULL;
  return h;
}
void put(std::string& out, std::uint64_t v, int size) {
  for (int i = 0; i < size; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool parseNativeFile(std::string_view data, std::size_t columns, std::vector<Row>& rows, std::string& reason) {
  Reader r(data);
  std::string_view magic;
  std::uint64_t count = 0;
  if (!r.take(kMagic.size(), magic) || magic != kMagic || !r.number(4, count)) {
    reason = "Invalid BCP host data-file: not a native data file of this program";
    return false;
  }
  if (count != columns) {
    reason = "The data-file holds " + std::to_string(count) + " columns, the table " + std::to_string(columns);
    return false;
  }
  for (;;) {
    std::string_view marker;
    if (!r.take(1, marker)) break;
    if (marker[0] == 0) {
      const std::size_t end = r.pos() - 1;
      std::uint64_t n = 0, sum = 0;
      if (!r.number(8, n) || !r.number(8, sum) || !r.atEnd() || n != rows.size() || sum != fnv1a(data.substr(0, end)))
        break;
      return true;
    }
    if (marker[0] != 1) break;
    Row row(columns);
    for (Value& v : row)
      if (!readValue(r, v)) {
        reason = "Unexpected EOF encountered in BCP data-file";
        return false;
      }
    rows.push_back(std::move(row));
  }
  reason = "Unexpected EOF encountered in BCP data-file";
  return false;
}

}  // namespace vrel::bcp
