// A thin RAII layer over SQLite, used by the machine's stores.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <string>
#include <string_view>
#include <vector>

namespace vrel::sql {

class Statement;

class Database {
 public:
  Database() = default;
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  Database(Database&& o) noexcept : m_db(o.m_db) { o.m_db = nullptr; }

  // Opens (creating when asked) a database file; WAL journal and a busy wait,
  // so several processes can share it.
  bool open(const std::string& file, bool create, std::string& error);
  void close();
  bool isOpen() const { return m_db != nullptr; }
  sqlite3* handle() const { return m_db; }

  bool exec(std::string_view sql, std::string* error = nullptr);
  std::string lastError() const;

 private:
  sqlite3* m_db = nullptr;
};

class Statement {
 public:
  Statement(Database& db, std::string_view sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool ok() const { return m_stmt != nullptr; }
  Statement& bind(int i, std::int64_t v);
  Statement& bind(int i, std::string_view text);
  Statement& bindBlob(int i, const void* data, std::size_t size);
  Statement& bindNull(int i);

  // SQLITE_ROW, SQLITE_DONE or an error code.
  int step();
  bool run();  // step() to the end; true on SQLITE_DONE
  void reset();

  std::int64_t int64(int col) const;
  std::string text(int col) const;
  std::vector<std::uint8_t> blob(int col) const;
  bool isNull(int col) const;

 private:
  sqlite3_stmt* m_stmt = nullptr;
};

// BEGIN IMMEDIATE ... COMMIT, rolled back unless committed.
class Transaction {
 public:
  explicit Transaction(Database& db);
  ~Transaction();
  bool ok() const { return m_ok; }
  bool commit();

 private:
  Database& m_db;
  bool m_ok = false;
  bool m_done = false;
};

// Prepared statements kept for reuse. A lease resets its statement when it
// ends, so no statement stays in the middle of a read between operations.
class StatementCache {
 public:
  explicit StatementCache(Database& db) : m_db(db) {}

  class Lease {
   public:
    explicit Lease(Statement& st) : m_st(st) {}
    ~Lease() { m_st.reset(); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    Statement* operator->() { return &m_st; }
    Statement& operator*() { return m_st; }

   private:
    Statement& m_st;
  };

  Lease get(const char* sql);

 private:
  Database& m_db;
  std::unordered_map<const char*, std::unique_ptr<Statement>> m_stmts;
};

}  // namespace vrel::sql
