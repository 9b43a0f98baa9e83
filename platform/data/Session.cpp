#include "platform/data/Session.h"

#include "platform/Machine.h"
#include "platform/WinPath.h"
#include "platform/data/ConnectionPool.h"
#include "platform/data/ProviderErrors.h"
#include "platform/data/ServerFunctions.h"
#include "platform/data/SqlDialect.h"
#include "platform/data/SqlValue.h"

#include <climits>
#include <filesystem>
#include <system_error>

namespace vrel::data {

namespace {

// SQLite's allocation statistics take a global lock on every allocation;
// nothing here reads them. Set before the library first initialises.
const int kNoMemoryStatistics = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);

constexpr long kDefaultTimeoutSeconds = 30;

// Whether the text holds nothing SQLite would run.
bool blank(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != ';') return false;
  return true;
}

DataTypeEnum typeOfValue(const Variant& v) {
  switch (v.kind()) {
    case VarKind::Int32:
      return adInteger;
    case VarKind::Int64:
      return adBigInt;
    case VarKind::Double:
      return adDouble;
    case VarKind::Bytes:
      return adLongVarBinary;
    default:
      return adVarWChar;
  }
}

}  // namespace

Statement& Statement::operator=(Statement&& o) noexcept {
  if (this != &o) {
    release();
    m_st = o.m_st;
    m_lent = o.m_lent;
    o.m_st = nullptr;
    o.m_lent = nullptr;
  }
  return *this;
}

void Statement::release() {
  if (m_lent) {
    sqlite3_reset(m_st);
    sqlite3_clear_bindings(m_st);
    *m_lent = false;
  } else {
    sqlite3_finalize(m_st);
  }
  m_st = nullptr;
  m_lent = nullptr;
}

std::shared_ptr<Session> Session::open(Machine& machine, std::string_view connectionString) {
  const DataSourceSpec spec = resolveConnectionString(connectionString);
  std::shared_ptr<Session> s(new Session(machine, spec.kind));
  if (spec.kind == ProviderKind::Jet)
    s->openJet(spec);
  else
    s->openSql(spec);
  return s;
}

Session::~Session() {
  close();
}

void Session::close() {
  for (auto& [text, cached] : m_cache) sqlite3_finalize(cached.st);
  m_cache.clear();
  if (m_db && !m_pooledFile.empty()) {
    // Work left uncommitted goes, as it would with the connection.
    if (!sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    ConnectionPool::shared().give(m_pooledFile, m_db);
  } else if (m_db) {
    sqlite3_close_v2(m_db);
  }
  m_db = nullptr;
  m_hold.reset();
}

void Session::openSql(const DataSourceSpec& spec) {
  SqlInstance instance(m_machine);
  if (!instance.isLocalServer(spec.server)) {
    const char* text = m_kind == ProviderKind::SqlOdbc
                           ? "[Microsoft][ODBC SQL Server Driver][DBNETLIB]SQL Server does not exist or access denied."
                           : "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or access denied.";
    throw AdoError(kErrUnspecified, text, providerErrorSource(m_kind));
  }
  const std::string file = instance.databaseFile(spec.database);
  if (file.empty())
    throw providerMessage(m_kind, kErrUnspecified,
                          "Cannot open database \"" + spec.database + "\" requested by the login. The login failed.");
  const std::string stem = std::filesystem::path(file).stem().string();
  std::string error;
  m_hold = instance.holdShared(stem, error);
  if (!m_hold) throw providerMessage(m_kind, kErrUnspecified, error);
  if (sqlite3* pooled = ConnectionPool::shared().take(file)) {
    m_db = pooled;
    setCommandTimeout(kDefaultTimeoutSeconds);
  } else {
    openFile(file, stem);
  }
  m_pooledFile = file;
  m_database = stem;
}

void Session::openJet(const DataSourceSpec& spec) {
  const WinPaths paths(m_machine);
  const std::string shown = paths.absolute(spec.file);
  const std::string host = paths.toHost(spec.file);
  std::error_code ec;
  if (host.empty() || !std::filesystem::is_regular_file(host, ec))
    throw providerMessage(m_kind, kErrUnspecified, "Could not find file '" + shown + "'.");
  openFile(host, shown);
  m_database = shown;
}

void Session::openFile(const std::string& hostFile, const std::string& displayName) {
  // A session is used by one thread at a time: its connection needs no lock
  // of its own around every call.
  int rc = sqlite3_open_v2(hostFile.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  std::string error;
  if (rc == SQLITE_OK) {
    setCommandTimeout(kDefaultTimeoutSeconds);
    if (!registerServerFunctions(m_db, error)) rc = SQLITE_ERROR;
  }
  // Reading the schema is what tells a database file from anything else.
  if (rc == SQLITE_OK) rc = sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_exec(m_db, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);
  // A transaction that rewrites a whole table keeps its pages in memory:
  // with the default cache of 2 MB it would spill them, and each spill
  // syncs the journal. The cache only grows as it is used.
  if (rc == SQLITE_OK) rc = sqlite3_exec(m_db, "PRAGMA cache_size = -65536", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) return;
  if (error.empty()) error = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
  close();
  if ((rc & 0xFF) == SQLITE_NOTADB || (rc & 0xFF) == SQLITE_CORRUPT) {
    if (m_kind == ProviderKind::Jet)
      throw providerMessage(m_kind, kErrUnspecified, "Unrecognized database format '" + displayName + "'.");
    throw providerMessage(m_kind, kErrUnspecified,
                          "Database '" + displayName +
                              "' cannot be opened due to inaccessible files or "
                              "insufficient memory or disk space.");
  }
  throw providerMessage(m_kind, kErrUnspecified, error);
}

void Session::setCommandTimeout(long seconds) {
  // A lock wait is not shortened by the time scale: ending it early would be
  // a failure, not a faster test.
  if (m_db)
    sqlite3_busy_timeout(m_db, seconds <= 0 || seconds > INT_MAX / 1000 ? INT_MAX : static_cast<int>(seconds * 1000));
}

Statement Session::prepare(std::string_view sql, std::string_view* tail) const {
  if (!m_db) raiseAdo(adErrInvalidConnection, "ADODB.Connection");
  sqlite3_stmt* st = nullptr;
  const char* rest = nullptr;
  const int rc = sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &st, &rest);
  if (rc != SQLITE_OK) raiseLast(rc);
  if (tail) *tail = sql.substr(static_cast<std::size_t>(rest - sql.data()));
  return Statement(st);
}

Statement Session::lend(std::string_view key) const {
  const auto it = m_cache.find(key);
  if (it == m_cache.end() || it->second.inUse) return {};
  it->second.inUse = true;
  return Statement(it->second.st, &it->second.inUse);
}

Statement Session::keep(const std::string& key, Statement st) const {
  if (!st || m_cache.size() >= kCachedStatements || m_cache.count(key)) return st;
  CachedStatement& cached = m_cache[key];
  cached.st = st.m_st;
  cached.inUse = true;
  st.m_st = nullptr;
  return Statement(cached.st, &cached.inUse);
}

Statement Session::prepareCached(const std::string& sql) const {
  if (Statement st = lend(sql)) return st;
  std::string_view tail;
  Statement st = prepare(sql, &tail);
  return blank(tail) ? keep(sql, std::move(st)) : std::move(st);
}

void Session::bindAll(const Statement& st, const std::vector<Variant>& params) const {
  if (sqlite3_bind_parameter_count(st.get()) != static_cast<int>(params.size()))
    raiseAdo(adErrInvalidArgument, "ADODB.Command");
  for (std::size_t i = 0; i < params.size(); ++i) {
    const int rc = bindValue(st.get(), static_cast<int>(i) + 1, params[i]);
    if (rc != SQLITE_OK) raiseLast(rc);
  }
}

template <typename F>
bool Session::forEachStatement(std::string_view sql, const std::vector<Variant>& params, F&& each) const {
  bool first = true;
  // A single statement run before: its prepared form is reused as it is.
  if (Statement st = lend(sql)) {
    bindAll(st, params);
    each(st);
    return true;
  }
  const std::string text = toSqliteText(sql);
  std::string_view rest = text;
  while (!blank(rest)) {
    std::string_view tail;
    Statement st = prepare(rest, &tail);
    rest = tail;
    if (!st) continue;
    if (first && blank(rest)) st = keep(std::string(sql), std::move(st));
    if (first) bindAll(st, params);  // parameters belong to the first statement
    first = false;
    each(st);
  }
  return !first;
}

void Session::stepToEnd(const Statement& st) const {
  int rc;
  while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) raiseLast(rc);
}

long Session::execute(std::string_view sql, const std::vector<Variant>& params) const {
  long total = 0;
  bool changed = false;
  const bool ran = forEachStatement(sql, params, [&](const Statement& st) {
    stepToEnd(st);
    if (!sqlite3_stmt_readonly(st.get())) {
      changed = true;
      total += static_cast<long>(sqlite3_changes(m_db));
    }
  });
  if (!ran && !params.empty()) raiseAdo(adErrInvalidArgument, "ADODB.Command");
  return changed ? total : -1;
}

Rowset Session::query(std::string_view sql, const std::vector<Variant>& params, bool* produced) const {
  Rowset result;
  bool haveRows = false;
  forEachStatement(sql, params, [&](const Statement& st) {
    if (!haveRows && sqlite3_column_count(st.get()) > 0) {
      haveRows = true;
      readRows(st, result);
    } else {
      stepToEnd(st);
    }
  });
  if (produced)
    *produced = haveRows;
  else if (!haveRows)
    raiseAdo(adErrObjectClosed, "ADODB.Recordset");
  return result;
}

void Session::readRows(const Statement& st, Rowset& rs) const {
  sqlite3_stmt* s = st.get();
  const int n = sqlite3_column_count(s);
  rs.columns.clear();
  for (int i = 0; i < n; ++i) {
    ColumnInfo c;
    c.name = sqlite3_column_name(s, i);
    const char* decl = sqlite3_column_decltype(s, i);
    c.type = decl ? typeFromDeclaration(decl) : adEmpty;
    const char* table = sqlite3_column_table_name(s, i);
    const char* origin = sqlite3_column_origin_name(s, i);
    c.baseTable = table ? table : "";
    c.baseColumn = origin ? origin : "";
    rs.columns.push_back(std::move(c));
  }
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    std::vector<Variant> row;
    row.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) row.push_back(readColumn(s, i, rs.columns[static_cast<std::size_t>(i)].type));
    rs.rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) raiseLast(rc);
  // Expressions have no declared type: take the first value's.
  for (std::size_t i = 0; i < rs.columns.size(); ++i) {
    if (rs.columns[i].type != adEmpty) continue;
    rs.columns[i].type = adVarWChar;
    for (const auto& row : rs.rows) {
      if (!row[i].isNull()) {
        rs.columns[i].type = typeOfValue(row[i]);
        break;
      }
    }
  }
}

void Session::raiseLast(int code) const {
  throw providerError(m_kind, code, m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code));
}

void Session::raiseMessage(long number, const std::string& message) const {
  throw providerMessage(m_kind, number, message);
}

}  // namespace vrel::data
