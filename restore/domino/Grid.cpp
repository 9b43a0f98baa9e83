#include "restore/domino/Grid.h"

#include "platform/Text.h"
#include "restore/run/VbError.h"

#include <algorithm>

namespace vrel::restore {

void Grid::reset() {
  m_cells.clear();
  row = 0;
  ++revision;
}

int Grid::addRow() {
  m_cells.emplace_back(columns.size());
  ++revision;
  return rows() - 1;
}

int Grid::column(std::string_view key) const {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (iequals(columns[i].key, key)) return static_cast<int>(i);
  throw VbError(35601, "Element not found");
}

GridCell& Grid::cell(int r, int c) {
  if (r < 1 || r >= rows() || c < 0 || c >= static_cast<int>(columns.size()))
    throw VbError(381, "Subscript out of range");
  ++revision;
  return m_cells[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(c)];
}

GridCell& Grid::cell(int r, std::string_view key) { return cell(r, column(key)); }

const GridCell& Grid::cell(int r, std::string_view key) const {
  const int c = column(key);
  if (r < 1 || r >= rows()) throw VbError(381, "Subscript out of range");
  return m_cells[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(c)];
}

void Grid::autoSize(int from, int extra) {
  constexpr int kTwipsPerCharacter = 120;
  for (std::size_t c = static_cast<std::size_t>(std::max(from, 0)); c < columns.size(); ++c) {
    std::size_t longest = columns[c].header.size();
    for (const auto& cells : m_cells) longest = std::max(longest, cells[c].text.size());
    columns[c].width = static_cast<int>(longest) * kTwipsPerCharacter + extra;
  }
  ++revision;
}

}  // namespace vrel::restore
