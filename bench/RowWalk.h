// The floor of the database fix-ups: each walk the fix-ups make over a table,
// made plainly through SQLite on the database as it was before them. Every
// row is read with the columns the walk reads, and the columns it rewrites
// are written by rowid with the values the fix-ups gave them, taken from the
// database after the fix-ups (read before the clock starts); one
// transaction a walk. A row with the same values written back would cost
// nothing: SQLite leaves a page alone when a cell's bytes do not change.
// Shared by bench_fixups and bench_walk.
#pragma once

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vrel::bench {

struct ValueDeleter {
  void operator()(sqlite3_value* v) const { sqlite3_value_free(v); }
};
using Value = std::unique_ptr<sqlite3_value, ValueDeleter>;
// A table's rewritten columns after the fix-ups, in rowid order.
using Targets = std::vector<std::pair<sqlite3_int64, std::vector<Value>>>;

// The values of columns in every row of a table of another database file.
inline Targets readTargets(sqlite3* after, const std::string& table, const std::vector<const char*>& columns) {
  Targets targets;
  std::string list = "rowid";
  for (const char* c : columns) list += std::string(", ") + c;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(after, ("SELECT " + list + " FROM " + table + " ORDER BY rowid").c_str(), -1, &st,
                         nullptr) != SQLITE_OK)
    return targets;
  while (sqlite3_step(st) == SQLITE_ROW) {
    auto& [rowid, values] = targets.emplace_back(sqlite3_column_int64(st, 0), std::vector<Value>());
    for (int c = 1; c <= static_cast<int>(columns.size()); ++c) values.emplace_back(sqlite3_value_dup(sqlite3_column_value(st, c)));
  }
  sqlite3_finalize(st);
  return targets;
}

// Seconds the walk took over databaseFile (a copy of the database before the
// fix-ups: the walk writes to it), writing the values afterFile holds; a
// negative number when a file does not open.
[[gnu::noinline]] inline double plainWalk(const std::string& databaseFile, const std::string& afterFile) {
  sqlite3* db = nullptr;
  sqlite3* after = nullptr;
  // Opened as the programs open their connections: one thread at a time.
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(databaseFile.c_str(), &db, flags, nullptr) != SQLITE_OK ||
      sqlite3_open_v2(afterFile.c_str(), &after, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    sqlite3_close(after);
    return -1;
  }
  struct Walk {
    const char* table;
    std::vector<const char*> read;     // the columns the walk reads
    std::vector<const char*> written;  // the ones it rewrites (read too)
  };
  // Read only: the system ID lookup, the administrator search, the servers'
  // names and the mail stores before they are emptied.
  const Walk walks[] = {
      {"OrvixSetupParameters", {"*"}, {}},
      {"Subscriber", {"Alias", "DirectoryID", "SubscriberObjectID"}, {}},
      {"Location", {"Alias", "HomeServer", "DirectoryID", "TextName"}, {"HomeServer", "DirectoryID"}},
      {"SubscriberTemplate", {"PwNT", "PwDTMF"}, {"PwNT", "PwDTMF"}},
      {"Servers", {"*"}, {}},
      {"MailboxStore", {"*"}, {}},
      {"Subscriber",
       {"IsSubscriber", "SubscriberType", "SubscriberObjectID", "Alias", "UID", "DisplayName", "DirectoryID",
        "HomeServer", "StreamPath", "MailTransferAgent"},
       {"StreamPath", "HomeServer"}},
      {"CallHandler", {"Alias", "StreamPath"}, {"StreamPath"}},
      {"MessagingRule", {"Alias", "StreamPath"}, {"StreamPath"}},
      {"DistributionList", {"Alias", "StreamPath"}, {"StreamPath"}},
      {"NameLookupHandler", {"Alias", "StreamPath"}, {"StreamPath"}}};
  // The cache the programs' connections take, so a walk's pages stay in
  // memory until its commit as theirs do.
  sqlite3_exec(db, "PRAGMA cache_size = -65536", nullptr, nullptr, nullptr);
  std::vector<Targets> targets;
  for (const Walk& w : walks) targets.push_back(readTargets(after, w.table, w.written));
  sqlite3_close(after);

  const auto start = std::chrono::steady_clock::now();
  for (std::size_t k = 0; k < std::size(walks); ++k) {
    const Walk& w = walks[k];
    // The rewritten columns come first after the rowid, then the rest read.
    std::string list = "rowid", sets;
    for (const char* c : w.written) {
      list += std::string(", ") + c;
      sets += std::string(sets.empty() ? "" : ", ") + c + " = ?";
    }
    for (const char* c : w.read) {
      bool written = false;
      for (const char* x : w.written) written = written || std::string_view(x) == c;
      if (!written) list += std::string(", ") + c;
    }
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* write = nullptr;
    sqlite3_prepare_v2(db, ("SELECT " + list + " FROM " + w.table).c_str(), -1, &read, nullptr);
    if (!w.written.empty())
      sqlite3_prepare_v2(db, ("UPDATE " + std::string(w.table) + " SET " + sets + " WHERE rowid = ?").c_str(), -1,
                         &write, nullptr);
    const int n = static_cast<int>(w.written.size());
    // The rows come in rowid order, as the targets do: each row's target is
    // the next one, found by a search only when the order differs.
    const Targets& t = targets[k];
    auto next = t.begin();
    while (sqlite3_step(read) == SQLITE_ROW) {
      // Each cell read as stored: text and blobs by their bytes, numbers as numbers.
      for (int c = 0; c < sqlite3_column_count(read); ++c) {
        const int type = sqlite3_column_type(read, c);
        if (type == SQLITE_TEXT) (void)sqlite3_column_text(read, c);
        else if (type == SQLITE_BLOB) (void)sqlite3_column_blob(read, c);
        else if (type == SQLITE_FLOAT) (void)sqlite3_column_double(read, c);
        else if (type == SQLITE_INTEGER) (void)sqlite3_column_int64(read, c);
      }
      if (!write) continue;
      // A row the fix-ups removed is written with its own values.
      const sqlite3_int64 rowid = sqlite3_column_int64(read, 0);
      if (next == t.end() || next->first != rowid)
        next = std::lower_bound(t.begin(), t.end(), rowid, [](const auto& e, sqlite3_int64 id) { return e.first < id; });
      const bool found = next != t.end() && next->first == rowid;
      for (int c = 0; c < n; ++c)
        sqlite3_bind_value(write, c + 1,
                           found ? next->second[static_cast<std::size_t>(c)].get() : sqlite3_column_value(read, c + 1));
      if (found) ++next;
      sqlite3_bind_int64(write, n + 1, rowid);
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
