#include "platform/Sqlite.h"

namespace vrel::sql {

Database::~Database() { close(); }

bool Database::open(const std::string& file, bool create, std::string& error) {
  close();
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(file.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
    error = m_db ? sqlite3_errmsg(m_db) : "cannot open " + file;
    close();
    return false;
  }
  sqlite3_busy_timeout(m_db, 30000);
  exec("PRAGMA journal_mode=WAL");
  exec("PRAGMA synchronous=NORMAL");
  return true;
}

void Database::close() {
  if (m_db) sqlite3_close_v2(m_db);
  m_db = nullptr;
}

bool Database::exec(std::string_view sql, std::string* error) {
  char* msg = nullptr;
  const int rc = sqlite3_exec(m_db, std::string(sql).c_str(), nullptr, nullptr, &msg);
  if (rc != SQLITE_OK && error) *error = msg ? msg : sqlite3_errstr(rc);
  sqlite3_free(msg);
  return rc == SQLITE_OK;
}

std::string Database::lastError() const { return m_db ? sqlite3_errmsg(m_db) : "database not open"; }

Statement::Statement(Database& db, std::string_view sql) {
  if (sqlite3_prepare_v2(db.handle(), sql.data(), static_cast<int>(sql.size()), &m_stmt, nullptr) != SQLITE_OK)
    m_stmt = nullptr;
}

Statement::~Statement() { sqlite3_finalize(m_stmt); }

Statement& Statement::bind(int i, std::int64_t v) {
  sqlite3_bind_int64(m_stmt, i, v);
  return *this;
}

Statement& Statement::bind(int i, std::string_view text) {
  sqlite3_bind_text(m_stmt, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  return *this;
}

Statement& Statement::bindBlob(int i, const void* data, std::size_t size) {
  // A zero-length blob must stay a blob, not NULL.
  static const char kEmpty = 0;
  sqlite3_bind_blob(m_stmt, i, size ? data : &kEmpty, static_cast<int>(size), SQLITE_TRANSIENT);
  return *this;
}

Statement& Statement::bindNull(int i) {
  sqlite3_bind_null(m_stmt, i);
  return *this;
}

int Statement::step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_MISUSE; }

bool Statement::run() {
  int rc;
  while ((rc = step()) == SQLITE_ROW) {
  }
  return rc == SQLITE_DONE;
}

void Statement::reset() {
  sqlite3_reset(m_stmt);
  sqlite3_clear_bindings(m_stmt);
}

std::int64_t Statement::int64(int col) const { return sqlite3_column_int64(m_stmt, col); }

std::string Statement::text(int col) const {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
  return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, col))) : std::string();
}

std::vector<std::uint8_t> Statement::blob(int col) const {
  const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(m_stmt, col));
  const int n = sqlite3_column_bytes(m_stmt, col);
  return p ? std::vector<std::uint8_t>(p, p + n) : std::vector<std::uint8_t>();
}

bool Statement::isNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }

Transaction::Transaction(Database& db) : m_db(db) { m_ok = m_db.exec("BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
  if (m_ok && !m_done) m_db.exec("ROLLBACK");
}

bool Transaction::commit() {
  if (!m_ok || m_done) return false;
  m_done = m_db.exec("COMMIT");
  return m_done;
}

StatementCache::Lease StatementCache::get(const char* sql) {
  auto& slot = m_stmts[sql];
  if (!slot) slot = std::make_unique<Statement>(m_db, sql);
  slot->reset();
  return Lease(*slot);
}

}  // namespace vrel::sql
