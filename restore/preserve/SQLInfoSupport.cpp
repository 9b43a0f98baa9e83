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

bool findFromFirst(data::Recordset& rs, std::string_view criteria) {
  if (rs.bof() && rs.eof()) return false;
  rs.moveFirst();
  rs.find(criteria);
  return !rs.eof();
}

std::string fieldText(data::Recordset& rs, std::string_view name) { return rs.fields(name).value().toString(); }

}  // namespace vrel::restore
