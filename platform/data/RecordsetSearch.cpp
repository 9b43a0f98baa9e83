// Find, Filter and the Optimize index of a recordset.
#include "platform/data/Recordset.h"

#include "platform/Text.h"
#include "platform/data/AdoError.h"
#include "platform/data/RecordsetCore.h"

namespace vrel::data {

namespace {

// The view position of the first match at or after start (forward) or at or
// before it (backward); view.size() or -1 when none.
long scan(const RecordsetCore& c, const BoundClause& b, long start, bool forward) {
  const long n = static_cast<long>(c.view.size());
  if (forward) {
    for (long p = start < 0 ? 0 : start; p < n; ++p) {
      const Row& row = c.rows[c.view[static_cast<std::size_t>(p)]];
      if (!row.deleted && clauseMatches(b, row.values[b.column])) return p;
    }
    return n;
  }
  for (long p = start >= n ? n - 1 : start; p >= 0; --p) {
    const Row& row = c.rows[c.view[static_cast<std::size_t>(p)]];
    if (!row.deleted && clauseMatches(b, row.values[b.column])) return p;
  }
  return -1;
}

// The same through the Optimize index: only the rows of the key are looked at.
long lookUp(const RecordsetCore& c, const FieldIndex& index, const BoundClause& b, long start, bool forward) {
  const long n = static_cast<long>(c.view.size());
  long best = forward ? n : -1;
  const auto* rows = index.rowsOf(b.key);
  if (!rows) return best;
  for (std::size_t r : *rows) {
    const long p = c.posOfRow[r];
    if (p < 0 || c.rows[r].deleted) continue;
    if (forward && p >= start && p < best) best = p;
    if (!forward && p <= start && p > best) best = p;
  }
  return best;
}

}  // namespace

void Recordset::find(std::string_view criteria, long skipRows, SearchDirectionEnum direction) {
  RecordsetCore& c = core();
  const BoundClause b = bindClause(parseFindCriteria(criteria), c.columns);
  if (direction != adSearchForward && direction != adSearchBackward) raiseAdo(adErrInvalidArgument, kRecordsetSource);
  const bool forward = direction == adSearchForward;
  if (c.forwardOnly() && (!forward || skipRows < 0))
    throw AdoError(kErrCannotFetchBackward, adoDescription(kErrCannotFetchBackward), kRecordsetSource);
  c.saveEdit();
  if (!c.currentRow()) raiseAdo(adErrNoCurrentRecord, kRecordsetSource);
  const long start = c.pos + (forward ? skipRows : -skipRows);
  const auto index = c.indexes.find(b.column);
  if (b.op == CriteriaOp::Eq && index != c.indexes.end())
    c.pos = lookUp(c, index->second, b, start, forward);
  else
    c.pos = scan(c, b, start, forward);
}

void Recordset::setFilter(std::string_view criteria) {
  RecordsetCore& c = core();
  BoundCriteria bound;
  if (!trim(criteria).empty()) bound = bindCriteria(parseFilterCriteria(criteria), c.columns);
  c.saveEdit();
  c.filter = std::move(bound);
  c.filterText = c.filter.empty() ? std::string() : std::string(criteria);
  c.applyView();
  c.pos = c.nextLive(0);
}

const std::string& Recordset::filter() const {
  return core().filterText;
}

bool Recordset::optimized(std::size_t col) const {
  const RecordsetCore& c = core();
  if (c.location != adUseClient) raiseAdo(adErrItemNotFound, "ADODB.Properties");
  return c.indexes.count(col) != 0;
}

void Recordset::setOptimize(std::size_t col, bool on) {
  RecordsetCore& c = core();
  if (c.location != adUseClient) raiseAdo(adErrItemNotFound, "ADODB.Properties");
  if (!on) {
    c.indexes.erase(col);
    return;
  }
  if (c.indexes.count(col)) return;
  FieldIndex& index = c.indexes[col];
  const TypeClass kind = typeClass(c.columns[col].type);
  for (std::size_t r = 0; r < c.rows.size(); ++r)
    if (const auto key = equalityKey(c.rows[r].values[col], kind)) index.add(*key, r);
}

}  // namespace vrel::data
