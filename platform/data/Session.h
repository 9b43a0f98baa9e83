// The open database behind a Connection, shared with the recordsets and
// commands opened on it, so they keep working while it is open and fail
// with ADO's "closed" errors once it is not. It owns the SQLite handle
// (server functions registered) and, for a SQL Server database, the shared
// hold that tells a restore the database is in use.
#pragma once

#include "platform/Text.h"
#include "platform/data/ConnectionString.h"
#include "platform/data/Rowset.h"
#include "platform/data/SqlInstance.h"

#include <sqlite3.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vrel {
class Machine;
}

namespace vrel::data {

// A prepared statement, finalized when it goes; or one lent by a session's
// statement cache, which is reset and handed back instead.
class Statement {
 public:
  Statement() = default;
  explicit Statement(sqlite3_stmt* st) : m_st(st) {}
  ~Statement() { release(); }
  Statement(Statement&& o) noexcept : m_st(o.m_st), m_lent(o.m_lent) {
    o.m_st = nullptr;
    o.m_lent = nullptr;
  }
  Statement& operator=(Statement&& o) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return m_st; }
  explicit operator bool() const { return m_st != nullptr; }

 private:
  friend class Session;
  // A cached statement; *inUse is cleared when it is handed back.
  Statement(sqlite3_stmt* st, bool* inUse) : m_st(st), m_lent(inUse) {}
  void release();

  sqlite3_stmt* m_st = nullptr;
  bool* m_lent = nullptr;
};

class Session {
 public:
  // Opens what a connection string names on the machine; throws AdoError.
  static std::shared_ptr<Session> open(Machine& machine, std::string_view connectionString);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void close();
  bool isOpen() const { return m_db != nullptr; }
  sqlite3* db() const { return m_db; }
  ProviderKind kind() const { return m_kind; }
  Machine& machine() const { return m_machine; }
  // The database name (SQL Server) or Windows path (Jet).
  const std::string& database() const { return m_database; }

  // Command time-out in seconds; 0 waits without limit for locks.
  void setCommandTimeout(long seconds);

  // One statement; *tail (when given) gets the text after it. An empty
  // statement (only blanks or comments) gives an empty Statement.
  Statement prepare(std::string_view sql, std::string_view* tail = nullptr) const;
  // One statement of SQLite's dialect, prepared once per session and lent
  // out for each use (a fresh one while the cached one is in use).
  Statement prepareCached(const std::string& sql) const;
  // Binds params to the statement's '?' placeholders, in order; throws 3001
  // when their counts differ.
  void bindAll(const Statement& st, const std::vector<Variant>& params) const;
  // Runs every statement of the text (a batch); the total of rows changed.
  long execute(std::string_view sql, const std::vector<Variant>& params = {}) const;
  // Runs a batch and reads the rows of its first statement that returns
  // rows. With produced, a batch without one sets it false; without,
  // that is an error (3704, as a closed recordset would raise).
  Rowset query(std::string_view sql, const std::vector<Variant>& params = {}, bool* produced = nullptr) const;
  // Reads the rest of a stepped statement's rows into rs.
  void readRows(const Statement& st, Rowset& rs) const;

  // The provider's error for the last SQLite failure.
  [[noreturn]] void raiseLast(int code) const;
  [[noreturn]] void raiseMessage(long number, const std::string& message) const;

 private:
  Session(Machine& machine, ProviderKind kind) : m_machine(machine), m_kind(kind) {}
  void openSql(const DataSourceSpec& spec);
  void openJet(const DataSourceSpec& spec);
  void openFile(const std::string& hostFile, const std::string& displayName);
  // Prepares each statement of a batch in turn (binding params to the
  // first) and hands it to each; false when the batch held no statement.
  template <typename F>
  bool forEachStatement(std::string_view sql, const std::vector<Variant>& params, F&& each) const;
  // Steps a statement to its end, discarding rows.
  void stepToEnd(const Statement& st) const;
  // The cached statement of a single-statement text (the caller's own
  // spelling, before dialect conversion), lent while it is not in use.
  Statement lend(std::string_view key) const;
  // Keeps a freshly prepared statement for its text and lends it.
  Statement keep(const std::string& key, Statement st) const;

  struct CachedStatement {
    sqlite3_stmt* st = nullptr;
    bool inUse = false;
  };
  // Prepared statements by text: the row updates of a walk repeat the same
  // few statements thousands of times. Bounded; emptied when the session
  // closes.
  static constexpr std::size_t kCachedStatements = 64;
  // Looked up by the statement's text as given, without copying it.
  mutable std::unordered_map<std::string, CachedStatement, TextHash, std::equal_to<>> m_cache;

  Machine& m_machine;
  ProviderKind m_kind;
  std::string m_database;
  sqlite3* m_db = nullptr;
  // A server database's file: its connection goes back to the pool on close.
  std::string m_pooledFile;
  std::unique_ptr<DatabaseHold> m_hold;
};

}  // namespace vrel::data
