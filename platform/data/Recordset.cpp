#include "platform/data/Recordset.h"

#include "platform/data/AdoError.h"
#include "platform/data/Command.h"
#include "platform/data/Procedures.h"
#include "platform/data/RecordsetCore.h"

namespace vrel::data {

const std::string& Field::name() const {
  return m_rs->core().columns[m_col].name;
}
DataTypeEnum Field::type() const {
  return m_rs->core().columns[m_col].type;
}
Variant Field::value() const {
  return m_rs->fieldValue(m_col);
}
const Variant& Field::valueRef() const {
  return m_rs->fieldValue(m_col);
}
void Field::setValue(Variant v) {
  m_rs->setFieldValue(m_col, std::move(v));
}
bool Field::optimize() const {
  return m_rs->optimized(m_col);
}
void Field::setOptimize(bool on) {
  m_rs->setOptimize(m_col, on);
}

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

void Recordset::setCursorLocation(CursorLocationEnum location) {
  if (isOpen()) raiseAdo(adErrObjectOpen, kRecordsetSource);
  if (location != adUseServer && location != adUseClient) raiseAdo(adErrInvalidArgument, kRecordsetSource);
  m_location = location;
}

CursorLocationEnum Recordset::cursorLocation() const {
  return m_location;
}

RecordsetCore& Recordset::core() const {
  if (!m_core) raiseAdo(adErrObjectClosed, kRecordsetSource);
  return *m_core;
}

void Recordset::openCore(std::unique_ptr<RecordsetCore> c) {
  c->location = m_location;
  if (m_location == adUseClient || c->cursorType == adOpenUnspecified) {
    // The client cursor engine offers static cursors only.
    c->cursorType = m_location == adUseClient ? adOpenStatic : adOpenForwardOnly;
  }
  if (c->requestedLock == adLockUnspecified) c->requestedLock = adLockReadOnly;
  c->load();
  if (c->produced) m_core = std::move(c);
}

void Recordset::open(std::string_view source, Connection& connection, CursorTypeEnum cursorType, LockTypeEnum lockType,
                     long options) {
  if (isOpen()) raiseAdo(adErrObjectOpen, kRecordsetSource);
  if (!connection.isOpen()) raiseAdo(adErrInvalidConnection, kRecordsetSource);
  auto c = std::make_unique<RecordsetCore>();
  c->session = connection.session();
  c->source = std::string(source);
  c->commandType = static_cast<CommandTypeEnum>(options);
  if (options == adCmdStoredProc) {
    c->runner = [session = c->session, name = c->source] {
      ProcedureOutcome out = callProcedure(*session, name, {});
      if (!out.hasRows) raiseAdo(adErrObjectClosed, kRecordsetSource);
      return std::move(out.rows);
    };
  }
  c->cursorType = cursorType;
  c->requestedLock = lockType;
  openCore(std::move(c));
}

void Recordset::open(std::string_view source, Machine& machine, std::string_view connectionString,
                     CursorTypeEnum cursorType, LockTypeEnum lockType, long options) {
  auto cn = std::make_unique<Connection>(machine);
  cn->open(connectionString);
  open(source, *cn, cursorType, lockType, options);
  if (m_core) m_core->ownConnection = std::move(cn);
}

void Recordset::open(Command& command, CursorTypeEnum cursorType, LockTypeEnum lockType) {
  if (isOpen()) raiseAdo(adErrObjectOpen, kRecordsetSource);
  auto c = std::make_unique<RecordsetCore>();
  c->session = command.session();
  c->source = command.commandText();
  c->cursorType = cursorType;
  c->requestedLock = lockType;
  if (command.commandType() == adCmdStoredProc) {
    // The first rows come from the command itself, so its output parameters
    // are written back; a Requery calls the procedure again with the same
    // arguments, without needing the command any more.
    bool produced = false;
    auto first = std::make_shared<Rowset>(command.run(produced));
    if (!produced) return;
    std::vector<ProcedureArgument> args;
    for (long i = 0; i < command.parameters().count(); ++i) {
      const Parameter& p = command.parameters().item(i);
      args.push_back({p.name(), p.direction(), p.value()});
    }
    c->runner = [first, session = c->session, name = command.commandText(), args]() mutable {
      if (first) {
        Rowset rows = std::move(*first);
        first.reset();
        return rows;
      }
      return callProcedure(*session, name, args).rows;
    };
    openCore(std::move(c));
    return;
  }
  c->commandType = command.commandType() == adCmdTable ? adCmdTable : adCmdText;
  c->params = command.positionalValues();
  openCore(std::move(c));
}

void Recordset::close() {
  // A pending edit is neither saved nor dropped silently: ADO refuses.
  if (core().edit != adEditNone) raiseAdo(adErrIllegalOperation, kRecordsetSource);
  m_core.reset();
}

ObjectStateEnum Recordset::state() const {
  return m_core ? adStateOpen : adStateClosed;
}
const std::string& Recordset::source() const {
  return core().source;
}
CursorTypeEnum Recordset::cursorType() const {
  return core().cursorType;
}
LockTypeEnum Recordset::lockType() const {
  return core().lockType;
}
EditModeEnum Recordset::editMode() const {
  return core().edit;
}
bool Recordset::bof() const {
  return core().bof();
}
bool Recordset::eof() const {
  return core().eof();
}

long Recordset::recordCount() const {
  const RecordsetCore& c = core();
  if (c.location == adUseServer && (c.cursorType == adOpenForwardOnly || c.cursorType == adOpenDynamic)) return -1;
  return c.live;
}

void Recordset::moveFirst() {
  RecordsetCore& c = core();
  c.saveEdit();
  if (c.live == 0) raiseAdo(adErrNoCurrentRecord, kRecordsetSource);
  c.pos = c.nextLive(0);
}

void Recordset::moveLast() {
  RecordsetCore& c = core();
  if (c.forwardOnly())
    throw AdoError(kErrCannotFetchBackward, adoDescription(kErrCannotFetchBackward), kRecordsetSource);
  c.saveEdit();
  if (c.live == 0) raiseAdo(adErrNoCurrentRecord, kRecordsetSource);
  c.pos = c.prevLive(static_cast<long>(c.view.size()) - 1);
}

void Recordset::moveNext() {
  RecordsetCore& c = core();
  c.saveEdit();
  if (c.eof()) raiseAdo(adErrNoCurrentRecord, kRecordsetSource);
  c.pos = c.nextLive(c.pos + 1);
}

void Recordset::movePrevious() {
  RecordsetCore& c = core();
  if (c.forwardOnly())
    throw AdoError(kErrCannotFetchBackward, adoDescription(kErrCannotFetchBackward), kRecordsetSource);
  c.saveEdit();
  if (c.bof()) raiseAdo(adErrNoCurrentRecord, kRecordsetSource);
  c.pos = c.prevLive(c.pos - 1);
}

long Recordset::fieldCount() const {
  return static_cast<long>(core().columns.size());
}

Field Recordset::fields(std::string_view name) {
  RecordsetCore& c = core();
  for (const auto& [spelled, col] : c.fieldByName)
    if (spelled == name) return Field(*this, col);
  const std::size_t col = columnIndex(c.columns, name, "ADODB.Fields");
  c.fieldByName.emplace_back(name, col);
  return Field(*this, col);
}

Field Recordset::fields(long index) {
  if (index < 0 || index >= fieldCount()) raiseAdo(adErrItemNotFound, "ADODB.Fields");
  return Field(*this, static_cast<std::size_t>(index));
}

const Variant& Recordset::fieldValue(std::size_t col) const {
  return core().fieldRef(col);
}
void Recordset::setFieldValue(std::size_t col, Variant v) {
  core().setField(col, std::move(v));
}

void Recordset::addNew() {
  RecordsetCore& c = core();
  c.requireUpdatable();
  c.saveEdit();
  c.addReturnPos = c.pos;
  c.edit = adEditAdd;
  c.buffer.assign(c.columns.size(), std::nullopt);
}

void Recordset::addNew(const std::vector<std::string>& names, const std::vector<Variant>& values) {
  if (names.size() != values.size()) raiseAdo(adErrInvalidArgument, kRecordsetSource);
  addNew();
  try {
    for (std::size_t i = 0; i < names.size(); ++i) fields(names[i]).setValue(values[i]);
    update();
  } catch (...) {
    core().cancelEdit();
    throw;
  }
}

void Recordset::update() {
  core().update();
}

void Recordset::update(const std::vector<std::string>& names, const std::vector<Variant>& values) {
  if (names.size() != values.size()) raiseAdo(adErrInvalidArgument, kRecordsetSource);
  for (std::size_t i = 0; i < names.size(); ++i) fields(names[i]).setValue(values[i]);
  update();
}

void Recordset::cancelUpdate() {
  core().cancelEdit();
}

void Recordset::deleteRecord() {
  core().deleteCurrent();
}

void Recordset::requery() {
  RecordsetCore& c = core();
  if (c.edit != adEditNone) raiseAdo(adErrIllegalOperation, kRecordsetSource);
  c.load();
  if (!c.produced) m_core.reset();
}

}  // namespace vrel::data
