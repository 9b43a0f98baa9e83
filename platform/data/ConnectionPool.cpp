#include "platform/data/ConnectionPool.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vrel::data {

ConnectionPool& ConnectionPool::shared() {
  static ConnectionPool* pool = new ConnectionPool();  // never destroyed
  return *pool;
}

sqlite3* ConnectionPool::take(const std::string& file) {
  struct stat st{};
  const bool exists = ::stat(file.c_str(), &st) == 0;
  std::lock_guard lock(m_mutex);
  expire();
  for (auto it = m_idle.begin(); it != m_idle.end(); ++it) {
    if (it->file != file) continue;
    if (!exists || it->dev != st.st_dev || it->ino != st.st_ino) {
      closeIdle(it);
      return nullptr;
    }
    sqlite3* db = it->db;
    m_idle.erase(it);
    return db;
  }
  return nullptr;
}

void ConnectionPool::give(const std::string& file, sqlite3* db) {
  struct stat st{};
  if (file.empty() || !sqlite3_get_autocommit(db) || sqlite3_next_stmt(db, nullptr) ||
      ::stat(file.c_str(), &st) != 0) {
    sqlite3_close_v2(db);
    return;
  }
  // An idle connection keeps its schema but not its pages: each may cache
  // 64 MB, and the next user reads what it needs again.
  sqlite3_db_release_memory(db);
  std::lock_guard lock(m_mutex);
  expire();
  if (m_idle.size() >= kMost) closeIdle(m_idle.begin());
  m_idle.push_back({file, st.st_dev, st.st_ino, ::getpid(), Clock::now(), db});
}

// Drops connections idle too long, and those a forked child inherited (a
// connection is not carried across fork; the child leaves it unclosed).
void ConnectionPool::expire() {
  const Clock::time_point now = Clock::now();
  const pid_t self = ::getpid();
  for (auto it = m_idle.begin(); it != m_idle.end();) {
    if (it->pid != self) {
      it = m_idle.erase(it);
    } else if (now - it->since > kIdleFor) {
      sqlite3_close_v2(it->db);
      it = m_idle.erase(it);
    } else {
      ++it;
    }
  }
}

void ConnectionPool::closeIdle(std::vector<Idle>::iterator it) {
  sqlite3_close_v2(it->db);
  m_idle.erase(it);
}

}  // namespace vrel::data
