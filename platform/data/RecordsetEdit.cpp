// Editing a recordset: pending values, and writing them to the base table
// by rowid (Update, AddNew, Delete).
#include "platform/data/AdoError.h"
#include "platform/data/RecordsetCore.h"

#include "platform/data/ProviderErrors.h"
#include "platform/data/SqlValue.h"
#include "platform/data/TableSource.h"

namespace vrel::data {

namespace {

[[noreturn]] void multipleStep(const Session& s) {
  throw providerMessage(s.kind(), kErrMultipleStep, adoDescription(kErrMultipleStep));
}

[[noreturn]] void rowNotFound(const Session& s) {
  throw providerMessage(s.kind(), kErrRowNotFound, adoDescription(kErrRowNotFound));
}

}  // namespace

void RecordsetCore::requireUpdatable() const {
  if (lockType == adLockReadOnly) raiseAdo(adErrFeatureNotAvailable, kRecordsetSource);
}

void RecordsetCore::setField(std::size_t col, Variant v) {
  requireUpdatable();
  if (edit == adEditNone && !currentRow()) raiseAdo(adErrNoCurrentRecord, "ADODB.Field");
  if (!writable[col]) multipleStep(*session);
  auto converted = convertForType(std::move(v), columns[col].type);
  if (!converted) multipleStep(*session);
  if (edit == adEditNone) {
    edit = adEditInProgress;
    buffer.assign(columns.size(), std::nullopt);
  }
  buffer[col] = std::move(converted);
}

const Variant& RecordsetCore::fieldRef(std::size_t col) {
  static const Variant kNull = Variant::null();
  if (edit != adEditNone && buffer[col]) return *buffer[col];
  if (edit == adEditAdd) return kNull;
  const Row* r = currentRow();
  if (!r) raiseAdo(adErrNoCurrentRecord, "ADODB.Field");
  return r->values[col];
}

void RecordsetCore::update() {
  if (edit == adEditAdd)
    insertRow();
  else if (edit == adEditInProgress)
    updateRow();
}

void RecordsetCore::updateRow() {
  Row* r = currentRow();
  if (!r) raiseAdo(adErrNoCurrentRecord, kRecordsetSource);
  bool any = false, sameColumns = updateColumns.size() == columns.size();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    any = any || buffer[i].has_value();
    sameColumns = sameColumns && updateColumns[i] == buffer[i].has_value();
  }
  if (any) {
    if (!sameColumns) {
      std::string sets;
      updateColumns.assign(columns.size(), false);
      for (std::size_t i = 0; i < columns.size(); ++i) {
        if (!buffer[i]) continue;
        updateColumns[i] = true;
        sets += (sets.empty() ? "" : ", ") + quoteIdentifier(columns[i].baseColumn) + " = ?";
      }
      updateSql = "UPDATE " + quoteIdentifier(table) + " SET " + sets + " WHERE _rowid_ = ?";
    }
    const std::size_t rowNumber = view[static_cast<std::size_t>(pos)];
    {
      const Statement st = session->prepareCached(updateSql);
      // The pending values stay put until the statement has run: bound in
      // place, not copied.
      int index = 0;
      for (std::size_t i = 0; i < columns.size(); ++i) {
        if (!buffer[i]) continue;
        const int rc = bindValue(st.get(), ++index, *buffer[i], SQLITE_STATIC);
        if (rc != SQLITE_OK) session->raiseLast(rc);
      }
      sqlite3_bind_int64(st.get(), ++index, r->rowid);
      const int rc = sqlite3_step(st.get());
      sqlite3_clear_bindings(st.get());
      if (rc != SQLITE_DONE) session->raiseLast(rc);
      if (sqlite3_changes(session->db()) == 0) rowNotFound(*session);
    }
    indexRow(rowNumber, false);
    for (std::size_t i = 0; i < columns.size(); ++i)
      if (buffer[i]) r->values[i] = std::move(*buffer[i]);
    if (!storedAsWritten(updateColumns)) rereadRow(*r);
    indexRow(rowNumber, true);
  }
  edit = adEditNone;
  buffer.clear();
}

void RecordsetCore::insertRow() {
  std::string names, marks;
  std::vector<Variant> params;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (!buffer[i]) continue;
    names += (names.empty() ? "" : ", ") + quoteIdentifier(columns[i].baseColumn);
    marks += marks.empty() ? "?" : ", ?";
    params.push_back(*buffer[i]);
  }
  const std::string target = "INSERT INTO " + quoteIdentifier(table);
  session->execute(params.empty() ? target + " DEFAULT VALUES" : target + " (" + names + ") VALUES (" + marks + ")",
                   params);
  Row row;
  row.rowid = sqlite3_last_insert_rowid(session->db());
  row.values.reserve(columns.size());
  for (std::size_t i = 0; i < columns.size(); ++i) row.values.push_back(buffer[i] ? *buffer[i] : Variant::null());
  rereadRow(row);
  rows.push_back(std::move(row));
  const std::size_t rowNumber = rows.size() - 1;
  posOfRow.push_back(static_cast<long>(view.size()));
  view.push_back(rowNumber);
  ++live;
  indexRow(rowNumber, true);
  pos = static_cast<long>(view.size()) - 1;
  edit = adEditNone;
  buffer.clear();
}

// Whether a saved row holds exactly the values written: text written to
// text columns is stored as it is, and without a trigger nothing else in
// the row changes. Otherwise the row is read back.
bool RecordsetCore::storedAsWritten(const std::vector<bool>& set) {
  if (triggers < 0) {
    const Statement st = session->prepareCached(
        "SELECT COUNT(*) FROM sqlite_master WHERE type = 'trigger' AND tbl_name = ? COLLATE NOCASE");
    sqlite3_bind_text(st.get(), 1, table.c_str(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
    // Unknown counts as "has": reading back is right either way.
    triggers = sqlite3_step(st.get()) == SQLITE_ROW ? sqlite3_column_int(st.get(), 0) > 0 : 1;
  }
  if (triggers > 0) return false;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (!set[i]) continue;
    const DataTypeEnum type = columns[i].type;
    if (type == adEmpty || type == adVariant || typeClass(type) != TypeClass::Text) return false;
    if (buffer[i]->kind() != VarKind::String && !buffer[i]->isNull()) return false;
  }
  return true;
}

// Takes the stored values back, so defaults, triggers and the database's
// own conversions show as the next reader would see them.
void RecordsetCore::rereadRow(Row& row) {
  const std::string& list = rereadList();
  if (list.empty()) return;
  const Statement st = session->prepareCached("SELECT " + list + " FROM " + quoteIdentifier(table) + " WHERE _rowid_ = ?");
  sqlite3_bind_int64(st.get(), 1, row.rowid);
  const int rc = sqlite3_step(st.get());
  if (rc == SQLITE_DONE) return;
  if (rc != SQLITE_ROW) session->raiseLast(rc);
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (writable[i]) row.values[i] = readColumn(st.get(), static_cast<int>(i), columns[i].type);
}

void RecordsetCore::deleteCurrent() {
  requireUpdatable();
  if (edit == adEditAdd) {
    cancelEdit();
    return;
  }
  Row* r = currentRow();
  if (!r) raiseAdo(adErrNoCurrentRecord, kRecordsetSource);
  if (session->execute("DELETE FROM " + quoteIdentifier(table) + " WHERE _rowid_ = ?",
                       {Variant(static_cast<long long>(r->rowid))}) == 0)
    rowNotFound(*session);
  edit = adEditNone;
  buffer.clear();
  indexRow(view[static_cast<std::size_t>(pos)], false);
  r->deleted = true;
  --live;
}

void RecordsetCore::cancelEdit() {
  if (edit == adEditAdd) pos = addReturnPos;
  edit = adEditNone;
  buffer.clear();
}

}  // namespace vrel::data
