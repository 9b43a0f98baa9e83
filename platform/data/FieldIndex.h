// The index a field's "Optimize" property builds on a client cursor: the
// rows of each equality key (CriteriaMatch.h), so Find with '=' on the field
// looks its candidates up instead of scanning.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace vrel::data {

class FieldIndex {
 public:
  // Row numbers of a key in ascending order; null when none.
  const std::vector<std::size_t>* rowsOf(const std::string& key) const;
  void add(const std::string& key, std::size_t row);
  void remove(const std::string& key, std::size_t row);
  void clear() { m_rows.clear(); }

 private:
  std::unordered_map<std::string, std::vector<std::size_t>> m_rows;
};

}  // namespace vrel::data
