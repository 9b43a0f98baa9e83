// The inside of a Recordset, shared by its source files: the rows read at
// open, the visible rows (after Filter), the position, the pending edit and
// the Optimize indexes. Positions count visible rows: -1 is BOF, view.size()
// is EOF. A deleted row stays in the view, skipped by every move, so the
// row deleted last stays current until the next move, as ADO keeps it.
#pragma once

#include "platform/data/AdoEnums.h"
#include "platform/data/Connection.h"
#include "platform/data/CriteriaMatch.h"
#include "platform/data/FieldIndex.h"
#include "platform/data/Rowset.h"
#include "platform/data/Session.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vrel::data {

inline constexpr const char* kRecordsetSource = "ADODB.Recordset";

struct Row {
  std::vector<Variant> values;
  std::int64_t rowid = 0;
  bool deleted = false;
};

struct RecordsetCore {
  // How the rows are read (again, for Requery).
  std::shared_ptr<Session> session;
  std::unique_ptr<Connection> ownConnection;
  std::string source;
  CommandTypeEnum commandType = adCmdUnknown;
  std::vector<Variant> params;
  std::function<Rowset()> runner;  // rows of a stored procedure
  bool produced = true;            // false: the source returned no rows

  CursorTypeEnum cursorType = adOpenForwardOnly;
  LockTypeEnum requestedLock = adLockReadOnly;
  LockTypeEnum lockType = adLockReadOnly;
  CursorLocationEnum location = adUseServer;

  std::string table;  // base table when updatable
  bool updatable = false;
  std::vector<ColumnInfo> columns;
  std::vector<bool> writable;
  std::vector<Row> rows;
  std::string reread;  // the stored columns, NULL for the others; set by load
  int triggers = -1;   // whether the base table has triggers; -1 not known yet
  // Field names as callers spelled them, to their columns: a walk asks for
  // the same few names on every row, found quicker in a short list than by
  // hashing.
  std::vector<std::pair<std::string, std::size_t>> fieldByName;
  // The last UPDATE's text and the columns it sets: a walk that saves the
  // same columns row after row builds the statement once.
  std::vector<bool> updateColumns;
  std::string updateSql;

  std::vector<std::size_t> view;  // row numbers shown, in order
  std::vector<long> posOfRow;     // row number -> view position, -1 when hidden
  long pos = -1;
  long live = 0;  // undeleted rows in the view

  EditModeEnum edit = adEditNone;
  std::vector<std::optional<Variant>> buffer;
  long addReturnPos = -1;

  std::string filterText;
  BoundCriteria filter;
  std::map<std::size_t, FieldIndex> indexes;  // column -> Optimize index

  // Reading.
  void load();
  void applyView();  // view from rows and filter; posOfRow; live
  void rebuildIndexes();
  void indexRow(std::size_t row, bool add);

  // Position.
  bool onRow() const { return pos >= 0 && pos < static_cast<long>(view.size()); }
  Row* currentRow();
  bool bof() const;
  bool eof() const;
  long nextLive(long from) const;  // first undeleted position >= from, else view.size()
  long prevLive(long from) const;  // last undeleted position <= from, else -1
  bool forwardOnly() const { return location == adUseServer && cursorType == adOpenForwardOnly; }

  // Editing (RecordsetEdit.cpp).
  void requireUpdatable() const;
  void setField(std::size_t col, Variant v);
  // The value in the current row (the pending one while editing); valid
  // until the next move or edit.
  const Variant& fieldRef(std::size_t col);
  void update();
  void saveEdit() {
    if (edit != adEditNone) update();
  }
  void insertRow();
  void updateRow();
  void deleteCurrent();
  void cancelEdit();
  void rereadRow(Row& row);
  const std::string& rereadList() const { return reread; }
  bool storedAsWritten(const std::vector<bool>& set);
};

}  // namespace vrel::data
