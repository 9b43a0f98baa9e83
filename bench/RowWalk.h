// The floor of the database fix-ups: every row of the tables the fix-ups
// rewrite read and the same column written back by rowid through SQLite,
// one transaction a table. Shared by bench_fixups and bench_walk.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <string>

namespace vrel::bench {

// Seconds the walk took, or a negative number when the file does not open.
inline double plainWalk(const std::string& databaseFile) {
  sqlite3* db = nullptr;
  if (sqlite3_open(databaseFile.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    return -1;
  }
  const char* tables[][2] = {{"Location", "HomeServer"},          {"SubscriberTemplate", "PwNT"},
                             {"Servers", "Alias"},                {"MailboxStore", "Alias"},
                             {"Subscriber", "StreamPath"},        {"CallHandler", "StreamPath"},
                             {"MessagingRule", "StreamPath"},     {"DistributionList", "StreamPath"},
                             {"NameLookupHandler", "StreamPath"}};
  const auto start = std::chrono::steady_clock::now();
  for (const auto& [table, column] : tables) {
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* write = nullptr;
    sqlite3_prepare_v2(db, (std::string("SELECT rowid, ") + column + " FROM " + table).c_str(), -1, &read, nullptr);
    sqlite3_prepare_v2(db, (std::string("UPDATE ") + table + " SET " + column + " = ? WHERE rowid = ?").c_str(), -1,
                       &write, nullptr);
    while (sqlite3_step(read) == SQLITE_ROW) {
      sqlite3_bind_value(write, 1, sqlite3_column_value(read, 1));
      sqlite3_bind_int64(write, 2, sqlite3_column_int64(read, 0));
      sqlite3_step(write);
      sqlite3_reset(write);
    }
    sqlite3_finalize(read);
    sqlite3_finalize(write);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  sqlite3_close(db);
  return seconds;
}

}  // namespace vrel::bench
