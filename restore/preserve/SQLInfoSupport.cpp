#include "restore/preserve/SQLInfoSupport.h"

namespace vrel::restore {

std::string criteriaQuote(std::string_view value) {
  std::string out = "'";
  for (char c : value) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

bool moveToFirstRow(data::Recordset& rs) {
  if (rs.bof() && rs.eof()) return false;
  rs.moveFirst();
  return true;
}

bool findFromFirst(data::Recordset& rs, std::string_view criteria) {
  if (!moveToFirstRow(rs)) return false;
  rs.find(criteria);
  return !rs.eof();
}

std::string fieldText(data::Recordset& rs, std::string_view name) { return rs.fields(name).valueRef().toString(); }

std::int32_t systemIdNumber(std::string_view hex, const char* source) {
  if (hex.empty() || hex.size() > 8) throw data::AdoError(13, "Type mismatch", source);
  std::uint32_t v = 0;
  for (char c : hex) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else throw data::AdoError(13, "Type mismatch", source);
    v = (v << 4) | static_cast<std::uint32_t>(d);
  }
  return static_cast<std::int32_t>(v);
}

}  // namespace vrel::restore
