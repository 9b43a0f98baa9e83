// A grid control as data: columns addressed by key, a header row (row 0)
// and data rows of cells with text, a check box value and a picture key,
// and the selected row. Front-ends render it and report clicks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vrel::restore {

struct GridColumn {
  std::string key;
  std::string header;
  bool visible = true;
  bool checkBox = false;  // the column's cells are check boxes
  int width = 0;          // twips; 0 for the front-end's default
};

struct GridCell {
  std::string text;
  int value = 0;        // a check box cell: 1 ticked
  std::string picture;  // a picture key ("Match")
};

class Grid {
 public:
  std::vector<GridColumn> columns;
  // The selected row: 0 is the header row.
  int row = 0;

  // Rows including the header row.
  int rows() const { return static_cast<int>(m_cells.size()) + 1; }
  // Back to the header row only.
  void reset();
  // Appends a data row; its number.
  int addRow();
  // The column of that key; VbError 35601 "Element not found" when none.
  int column(std::string_view key) const;
  // The cell of a data row (1 ...) and column; VbError 381 for a bad row.
  GridCell& cell(int row, std::string_view key);
  const GridCell& cell(int row, std::string_view key) const;
  GridCell& cell(int row, int column);
  // Widens every column from `from` on to its longest text plus extra twips
  // (about 120 twips a character).
  void autoSize(int from, int extra);

  // Bumped on every change; front-ends compare it.
  unsigned revision = 0;

 private:
  std::vector<std::vector<GridCell>> m_cells;
};

}  // namespace vrel::restore
