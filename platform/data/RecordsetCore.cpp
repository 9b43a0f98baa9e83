#include "platform/data/RecordsetCore.h"
#include "platform/data/AdoError.h"

#include "platform/Text.h"
#include "platform/data/TableSource.h"

namespace vrel::data {

void RecordsetCore::load() {
  Rowset rs;
  table.clear();
  updatable = false;
  if (runner) {
    rs = runner();
  } else {
    const TableSource ts = analyzeSource(*session, source, commandType);
    rs = session->query(ts.sql, params, &produced);
    if (!produced) return;
    if (ts.updatable) {
      updatable = true;
      table = ts.table;
    }
  }
  const bool withRowid = updatable;
  rows.clear();
  rows.reserve(rs.rows.size());
  for (auto& values : rs.rows) {
    Row r;
    if (withRowid) {
      // A row without a rowid (an outer-joined or computed row) cannot be
      // written back; neither can the recordset.
      if (values.front().kind() == VarKind::Int32 || values.front().kind() == VarKind::Int64)
        r.rowid = values.front().intValue();
      else
        updatable = false;
      values.erase(values.begin());
    }
    r.values = std::move(values);
    rows.push_back(std::move(r));
  }
  if (withRowid) rs.columns.erase(rs.columns.begin());
  columns = std::move(rs.columns);
  writable.assign(columns.size(), false);
  bool any = false;
  for (std::size_t i = 0; i < columns.size() && updatable; ++i) {
    writable[i] = iequals(columns[i].baseTable, table) && !columns[i].baseColumn.empty();
    any = any || writable[i];
  }
  updatable = updatable && any;
  if (!updatable) writable.assign(columns.size(), false);
  reread.clear();
  for (std::size_t i = 0; i < columns.size(); ++i)
    reread += (i ? ", " : "") + (writable[i] ? quoteIdentifier(columns[i].baseColumn) : std::string("NULL"));
  updateColumns.clear();
  updateSql.clear();
  fieldByName.clear();
  triggers = -1;
  lockType = updatable ? requestedLock : adLockReadOnly;
  if (location == adUseClient && lockType == adLockPessimistic) lockType = adLockOptimistic;
  edit = adEditNone;
  buffer.clear();
  if (!filterText.empty()) filter = bindCriteria(parseFilterCriteria(filterText), columns);
  applyView();
  rebuildIndexes();
  pos = nextLive(0);
}

void RecordsetCore::applyView() {
  view.clear();
  posOfRow.assign(rows.size(), -1);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (rows[r].deleted) continue;
    if (!filter.empty() && !criteriaMatch(filter, rows[r].values)) continue;
    posOfRow[r] = static_cast<long>(view.size());
    view.push_back(r);
  }
  live = static_cast<long>(view.size());
}

void RecordsetCore::rebuildIndexes() {
  for (auto& [col, index] : indexes) index.clear();
  for (std::size_t r = 0; r < rows.size(); ++r) indexRow(r, true);
}

void RecordsetCore::indexRow(std::size_t row, bool add) {
  for (auto& [col, index] : indexes) {
    const auto key = equalityKey(rows[row].values[col], typeClass(columns[col].type));
    if (!key) continue;
    if (add)
      index.add(*key, row);
    else
      index.remove(*key, row);
  }
}

Row* RecordsetCore::currentRow() {
  if (!onRow()) return nullptr;
  Row& r = rows[view[static_cast<std::size_t>(pos)]];
  return r.deleted ? nullptr : &r;
}

bool RecordsetCore::bof() const {
  if (edit == adEditAdd) return false;
  return pos < 0 || (live == 0 && !onRow());
}

bool RecordsetCore::eof() const {
  if (edit == adEditAdd) return false;
  return pos >= static_cast<long>(view.size()) || (live == 0 && !onRow());
}

long RecordsetCore::nextLive(long from) const {
  if (from < 0) from = 0;
  const long n = static_cast<long>(view.size());
  while (from < n && rows[view[static_cast<std::size_t>(from)]].deleted) ++from;
  return from > n ? n : from;
}

long RecordsetCore::prevLive(long from) const {
  const long n = static_cast<long>(view.size());
  if (from >= n) from = n - 1;
  while (from >= 0 && rows[view[static_cast<std::size_t>(from)]].deleted) --from;
  return from;
}

}  // namespace vrel::data
