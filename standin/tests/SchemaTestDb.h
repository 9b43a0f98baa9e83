// An in-memory SQLite database for schema tests, with stand-ins for what the
// data layer registers on every connection: the collations SQLSRV (case
// ignored, trailing blanks ignored) and SQLGUID (braces and case ignored),
// and NEWID(), which the schemas' object ID defaults call.
#pragma once

#include "platform/Sqlite.h"
#include "standin/server/SchemaObject.h"

#include <cctype>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vrel::test {

class SchemaTestDb {
 public:
  SchemaTestDb() {
    std::string error;
    m_ok =
        m_db.open(":memory:", true, error) &&
        sqlite3_create_collation(m_db.handle(), "SQLSRV", SQLITE_UTF8, nullptr, compareText) == SQLITE_OK &&
        sqlite3_create_collation(m_db.handle(), "SQLGUID", SQLITE_UTF8, nullptr, compareGuid) == SQLITE_OK &&
        sqlite3_create_function(m_db.handle(), "newid", 0, SQLITE_UTF8, &m_guids, newId, nullptr, nullptr) == SQLITE_OK;
  }

  bool ok() const { return m_ok; }
  sqlite3* handle() const { return m_db.handle(); }

  // Runs a script; the error text is empty on success.
  std::string run(std::string_view sql) {
    std::string error;
    if (!m_db.exec(sql, &error) && error.empty()) error = "failed";
    return error;
  }

  // Compiles one statement without running it; the error text is empty when
  // it compiles.
  std::string prepareError(std::string_view sql) {
    sqlite3_stmt* st = nullptr;
    const int rc = sqlite3_prepare_v2(handle(), sql.data(), static_cast<int>(sql.size()), &st, nullptr);
    sqlite3_finalize(st);
    return rc == SQLITE_OK ? std::string() : std::string(sqlite3_errmsg(handle()));
  }

  bool createSchema(std::span<const standin::SchemaObject> objects) {
    return run(standin::schemaScript(objects)).empty();
  }

  long long count(std::string_view sql) {
    sql::Statement st(m_db, sql);
    return st.ok() && st.step() == SQLITE_ROW ? st.int64(0) : -1;
  }

  struct Column {
    std::string name;
    std::string declaredType;
  };
  std::vector<Column> columns(const std::string& tableOrView) {
    std::vector<Column> out;
    sql::Statement st(m_db, "SELECT name, type FROM pragma_table_info(?)");
    st.bind(1, tableOrView);
    while (st.step() == SQLITE_ROW) out.push_back({st.text(0), st.text(1)});
    return out;
  }

  // The collation a table's column compares with; empty when the column
  // does not exist.
  std::string collation(const std::string& table, const std::string& column) {
    const char* type = nullptr;
    const char* coll = nullptr;
    if (sqlite3_table_column_metadata(handle(), "main", table.c_str(), column.c_str(), &type, &coll, nullptr, nullptr,
                                      nullptr) != SQLITE_OK)
      return {};
    return coll ? coll : "";
  }

  bool hasColumn(const std::string& table, const std::string& column) { return !collation(table, column).empty(); }

 private:
  static std::string key(std::string_view s, bool guid) {
    std::string k;
    for (char c : s)
      if (!guid || (c != '{' && c != '}')) k += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    while (!k.empty() && k.back() == ' ') k.pop_back();
    return k;
  }
  static int compare(int n1, const void* p1, int n2, const void* p2, bool guid) {
    return key({static_cast<const char*>(p1), static_cast<std::size_t>(n1)}, guid)
        .compare(key({static_cast<const char*>(p2), static_cast<std::size_t>(n2)}, guid));
  }
  static void newId(sqlite3_context* ctx, int, sqlite3_value**) {
    auto* counter = static_cast<unsigned*>(sqlite3_user_data(ctx));
    char text[40];
    std::snprintf(text, sizeof text, "00000000-0000-4000-8000-%012X", ++*counter);
    sqlite3_result_text(ctx, text, -1, SQLITE_TRANSIENT);
  }
  static int compareText(void*, int n1, const void* p1, int n2, const void* p2) {
    return compare(n1, p1, n2, p2, false);
  }
  static int compareGuid(void*, int n1, const void* p1, int n2, const void* p2) {
    return compare(n1, p1, n2, p2, true);
  }

  sql::Database m_db;
  unsigned m_guids = 0;
  bool m_ok = false;
};

}  // namespace vrel::test
