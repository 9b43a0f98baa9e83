// Idle connections to server databases, kept for reuse as OLE DB's services
// keep pooled sessions: the run opens a connection for nearly every step,
// and each fresh one reads the whole schema again. A pooled connection holds
// no lock on the database and no hold on it (an idle pooled session does
// not make a database "in use"); it is taken again only by this process,
// within a minute, and only while its path still names the same file (a
// restore that renames a new image into place, or a dropped database,
// makes it stale).
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vrel::data {

class ConnectionPool {
 public:
  static ConnectionPool& shared();

  // An idle connection to the file, or nullptr.
  sqlite3* take(const std::string& file);
  // Keeps db for reuse when it is idle (no transaction, no statement) and
  // its file is there; else closes it.
  void give(const std::string& file, sqlite3* db);

 private:
  using Clock = std::chrono::steady_clock;
  struct Idle {
    std::string file;
    dev_t dev;
    ino_t ino;
    pid_t pid;
    Clock::time_point since;
    sqlite3* db;
  };
  static constexpr std::size_t kMost = 8;
  static constexpr std::chrono::seconds kIdleFor{60};

  void expire();
  void closeIdle(std::vector<Idle>::iterator it);

  std::mutex m_mutex;
  std::vector<Idle> m_idle;
};

}  // namespace vrel::data
