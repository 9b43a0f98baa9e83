#include "platform/ProcessTable.h"

#include "platform/Machine.h"
#include "platform/ProcessHost.h"
#include "platform/Text.h"

#include <csignal>
#include <unistd.h>

namespace vrel {

bool ProcessTable::ensureSchema(std::string& error) {
  return m_machine.store().exec(
      "CREATE TABLE IF NOT EXISTS processes ("
      " pid INTEGER PRIMARY KEY,"
      " start_time INTEGER NOT NULL,"
      " image TEXT NOT NULL,"
      " command_line TEXT NOT NULL)",
      &error);
}

bool ProcessTable::add(long pid, std::string_view image, std::string_view commandLine, std::string& error) {
  return write(pid, image, commandLine, false, error);
}

bool ProcessTable::addSelf(std::string_view image, std::string_view commandLine, std::string& error) {
  return write(static_cast<long>(getpid()), image, commandLine, true, error);
}

bool ProcessTable::write(long pid, std::string_view image, std::string_view commandLine, bool self,
                         std::string& error) {
  const auto st = host::readProcStat(pid);
  if (!st || st->ended()) {
    error = "process " + std::to_string(pid) + " is not running";
    return false;
  }
  if (!ensureSchema(error)) return false;
  // The starter's row comes after the fork, and a quick child may have
  // recorded itself by then under the name it runs as: that row of the same
  // process stays. A row of an earlier process with the pid is replaced.
  sql::Statement stmt(m_machine.store(),
                      self ? "INSERT OR REPLACE INTO processes (pid, start_time, image, command_line) "
                             "VALUES (?, ?, ?, ?)"
                           : "INSERT INTO processes (pid, start_time, image, command_line) VALUES (?, ?, ?, ?) "
                             "ON CONFLICT(pid) DO UPDATE SET start_time = excluded.start_time, "
                             "image = excluded.image, command_line = excluded.command_line "
                             "WHERE processes.start_time <> excluded.start_time");
  stmt.bind(1, static_cast<std::int64_t>(pid))
      .bind(2, static_cast<std::int64_t>(st->startTime))
      .bind(3, image)
      .bind(4, commandLine);
  if (!stmt.run()) {
    error = m_machine.store().lastError();
    return false;
  }
  return true;
}

bool ProcessTable::live(std::vector<ProcessInfo>& out, std::string& error) {
  out.clear();
  if (!ensureSchema(error)) return false;
  host::reapEnded();
  std::vector<long> gone;
  {
    sql::Statement stmt(m_machine.store(),
                        "SELECT pid, start_time, image, command_line FROM processes ORDER BY pid");
    int rc;
    while ((rc = stmt.step()) == SQLITE_ROW) {
      ProcessInfo p;
      p.pid = static_cast<long>(stmt.int64(0));
      p.startTime = static_cast<std::uint64_t>(stmt.int64(1));
      p.image = stmt.text(2);
      p.commandLine = stmt.text(3);
      const auto st = host::readProcStat(p.pid);
      if (st && st->startTime == p.startTime && !st->ended())
        out.push_back(std::move(p));
      else
        gone.push_back(p.pid);
    }
    if (rc != SQLITE_DONE) {
      error = m_machine.store().lastError();
      return false;
    }
  }
  for (const long pid : gone) {
    // Only the row that is still stale: another process may have recorded a
    // new process under the same pid meanwhile.
    sql::Statement del(m_machine.store(), "DELETE FROM processes WHERE pid = ? AND start_time <> ?");
    const auto st = host::readProcStat(pid);
    del.bind(1, static_cast<std::int64_t>(pid))
        .bind(2, st && !st->ended() ? static_cast<std::int64_t>(st->startTime) : -1);
    del.run();
  }
  return true;
}

bool ProcessTable::endOne(const ProcessInfo& p, bool force) {
  if (!host::signalIfSame(p.pid, p.startTime, force ? SIGKILL : SIGTERM)) return false;
  if (force) {
    sql::Statement del(m_machine.store(), "DELETE FROM processes WHERE pid = ? AND start_time = ?");
    del.bind(1, static_cast<std::int64_t>(p.pid)).bind(2, static_cast<std::int64_t>(p.startTime));
    del.run();
  }
  return true;
}

bool ProcessTable::endMatching(std::string_view pattern, bool force, std::vector<ProcessInfo>& ended,
                               std::string& error) {
  ended.clear();
  std::vector<ProcessInfo> all;
  if (!live(all, error)) return false;
  for (const auto& p : all) {
    if (p.pid == static_cast<long>(getpid()) || !wildcardMatch(pattern, p.image)) continue;
    if (endOne(p, force)) ended.push_back(p);
  }
  host::reapEnded();
  return true;
}

bool ProcessTable::endPid(long pid, bool force, ProcessInfo& ended, std::string& error) {
  std::vector<ProcessInfo> all;
  if (!live(all, error)) return false;
  for (const auto& p : all) {
    if (p.pid != pid) continue;
    if (pid == static_cast<long>(getpid()) || !endOne(p, force)) break;
    ended = p;
    host::reapEnded();
    return true;
  }
  error = "process " + std::to_string(pid) + " not found";
  return false;
}

}  // namespace vrel
