// ADO's Recordset over the stand-in databases. Rows are read when the
// recordset opens (a snapshot, whatever the cursor type; Requery reads them
// again), so no statement stays open between calls. Cursor type, location
// and lock type decide what ADO would allow and report: RecordCount is -1
// for forward-only and dynamic server cursors, a client cursor is always
// static and alone has the field property "Optimize", a read-only lock
// refuses edits with 3251, a forward-only cursor refuses to move back.
// Updates go to the base table by rowid at once (Update, Delete, AddNew);
// a source that is not one table (a join, a view) is read-only. Errors are
// raised as AdoError with ADO's numbers.
#pragma once

#include "platform/data/AdoEnums.h"
#include "platform/data/AdoError.h"
#include "platform/data/Variant.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {
class Machine;
}

namespace vrel::data {

class Command;
class Connection;
class Recordset;
struct RecordsetCore;

// A field of the current row, by position; valid while its recordset lives.
class Field {
 public:
  const std::string& name() const;
  DataTypeEnum type() const;
  long index() const { return static_cast<long>(m_col); }
  // The value in the current row (the pending value while editing); 3021
  // when there is no current row.
  Variant value() const;
  // The same value without a copy; valid until the recordset moves or is
  // edited.
  const Variant& valueRef() const;
  // Changes the value in the current row and starts editing it. A value
  // handed over is kept as it is where the column's type allows.
  void setValue(Variant v);
  Field& operator=(Variant v) {
    setValue(std::move(v));
    return *this;
  }
  bool isNull() const { return valueRef().isNull(); }
  // The dynamic property "Optimize" (client cursors only, else 3265).
  bool optimize() const;
  void setOptimize(bool on);

 private:
  friend class Recordset;
  Field(Recordset& rs, std::size_t col) : m_rs(&rs), m_col(col) {}
  Recordset* m_rs;
  std::size_t m_col;
};

class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Before Open: adUseServer (default) or adUseClient.
  void setCursorLocation(CursorLocationEnum location);
  CursorLocationEnum cursorLocation() const;

  // Opens a SELECT, a table name or any statement; a statement that returns
  // no rows leaves the recordset closed, as ADO does. 3705 when open.
  void open(std::string_view source, Connection& connection, CursorTypeEnum cursorType = adOpenForwardOnly,
            LockTypeEnum lockType = adLockReadOnly, long options = adCmdUnknown);
  // The same on a connection of its own, opened from a connection string.
  void open(std::string_view source, Machine& machine, std::string_view connectionString,
            CursorTypeEnum cursorType = adOpenForwardOnly, LockTypeEnum lockType = adLockReadOnly,
            long options = adCmdUnknown);
  // Runs a command and holds the rows it returns.
  void open(Command& command, CursorTypeEnum cursorType = adOpenForwardOnly, LockTypeEnum lockType = adLockReadOnly);
  // 3704 when closed, 3219 while an edit is pending (Update or
  // CancelUpdate it first, as ADO demands).
  void close();
  ObjectStateEnum state() const;
  bool isOpen() const { return state() == adStateOpen; }
  const std::string& source() const;
  CursorTypeEnum cursorType() const;
  LockTypeEnum lockType() const;
  EditModeEnum editMode() const;

  bool bof() const;
  bool eof() const;
  long recordCount() const;

  // Moving off an edited or added row saves it first (Update).
  void moveFirst();
  void moveLast();
  void moveNext();
  void movePrevious();

  long fieldCount() const;
  Field fields(std::string_view name);  // 3265 for an unknown name
  Field fields(long index);             // 3265 out of range

  void addNew();
  void addNew(const std::vector<std::string>& names, const std::vector<Variant>& values);
  void update();
  void update(const std::vector<std::string>& names, const std::vector<Variant>& values);
  void cancelUpdate();
  void deleteRecord();
  // Reads the rows again and goes to the first; 3219 while editing.
  void requery();

  // Searches from the current row (SkipRows rows on) for the first row that
  // matches one criteria clause; no match leaves EOF (BOF searching back).
  void find(std::string_view criteria, long skipRows = 0, SearchDirectionEnum direction = adSearchForward);
  // Shows only matching rows ("" shows all again) and goes to the first.
  void setFilter(std::string_view criteria);
  const std::string& filter() const;

 private:
  friend class Field;
  RecordsetCore& core() const;  // 3704 when closed
  const Variant& fieldValue(std::size_t col) const;
  void setFieldValue(std::size_t col, Variant v);
  void setOptimize(std::size_t col, bool on);
  bool optimized(std::size_t col) const;
  void openCore(std::unique_ptr<RecordsetCore> core);

  std::unique_ptr<RecordsetCore> m_core;
  CursorLocationEnum m_location = adUseServer;
};

}  // namespace vrel::data
