#include "platform/data/FieldIndex.h"

#include <algorithm>

namespace vrel::data {

const std::vector<std::size_t>* FieldIndex::rowsOf(const std::string& key) const {
  const auto it = m_rows.find(key);
  return it == m_rows.end() ? nullptr : &it->second;
}

void FieldIndex::add(const std::string& key, std::size_t row) {
  auto& rows = m_rows[key];
  // Rows are added in ascending order while building and appending; an
  // edited row goes back to its place.
  if (rows.empty() || rows.back() < row)
    rows.push_back(row);
  else
    rows.insert(std::lower_bound(rows.begin(), rows.end(), row), row);
}

void FieldIndex::remove(const std::string& key, std::size_t row) {
  const auto it = m_rows.find(key);
  if (it == m_rows.end()) return;
  auto& rows = it->second;
  const auto at = std::lower_bound(rows.begin(), rows.end(), row);
  if (at != rows.end() && *at == row) rows.erase(at);
  if (rows.empty()) m_rows.erase(it);
}

}  // namespace vrel::data
