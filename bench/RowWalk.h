// The floor of the database fix-ups: each walk the fix-ups make over a table,
// made plainly through SQLite. Every row is read with the columns the walk
// reads, and the columns it rewrites are written back, unchanged, by rowid;
// one transaction a walk. Shared by bench_fixups and bench_walk.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace vrel::bench {

// Seconds the walk took, or a negative number when the file does not open.
[[gnu::noinline]] inline double plainWalk(const std::string& databaseFile) {
  sqlite3* db = nullptr;
  // Opened as the programs open their connections: one thread at a time.
  if (sqlite3_open_v2(databaseFile.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
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
  const auto start = std::chrono::steady_clock::now();
  for (const Walk& w : walks) {
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
      for (int c = 0; c < n; ++c) sqlite3_bind_value(write, c + 1, sqlite3_column_value(read, c + 1));
      sqlite3_bind_int64(write, n + 1, sqlite3_column_int64(read, 0));
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
