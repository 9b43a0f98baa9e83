// The default SQL Server instance of the machine: its databases are SQLite
// files <machine root>/mssql/<NAME>.mdf, found without regard to the case of
// the name. Every open connection to a database holds a shared lock on the
// database's lock file (<root>/mssql/<NAME IN UPPER CASE>.users), an open
// file description lock that the system drops when the connection closes or
// its process dies. "Is anyone connected?" is then a lock test that works
// across processes, and a restore takes the exclusive lock, which also keeps
// new connections out until it is done.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {
class Machine;
}

namespace vrel::data {

// A held lock on a database's lock file; released when destroyed.
class DatabaseHold {
 public:
  explicit DatabaseHold(int fd) : m_fd(fd) {}
  ~DatabaseHold();
  DatabaseHold(const DatabaseHold&) = delete;
  DatabaseHold& operator=(const DatabaseHold&) = delete;

 private:
  int m_fd;
};

class SqlInstance {
 public:
  explicit SqlInstance(Machine& machine);

  // The folder of the database files on the host.
  std::string folder() const;
  // True when name can be a database name: 1 to 123 characters, no path
  // separators, no ':' and no control characters, not "." or "..", no
  // leading or trailing blank.
  static bool isValidName(std::string_view name);
  // True when a data source names this machine's default instance: empty,
  // the computer name, "(local)", ".", "localhost" or "127.0.0.1" (any case).
  bool isLocalServer(std::string_view dataSource) const;

  // Host path of an existing database file, or "" when there is none.
  std::string databaseFile(std::string_view name) const;
  bool exists(std::string_view name) const { return !databaseFile(name).empty(); }
  // The names of the databases, as their files spell them.
  std::vector<std::string> databases() const;

  // Creates an empty database; false with error when the name is invalid or
  // the database exists already.
  bool createDatabase(std::string_view name, std::string& error);
  // Deletes a database; false with error when it is missing or in use.
  bool dropDatabase(std::string_view name, std::string& error);

  // True when any connection (of any process) holds the database.
  bool isInUse(std::string_view name) const;
  // The lock a connection holds; null with error when a restore holds the
  // database exclusively.
  std::unique_ptr<DatabaseHold> holdShared(std::string_view name, std::string& error) const;
  // The lock a restore holds while it replaces the database file; null with
  // error when a connection holds the database.
  std::unique_ptr<DatabaseHold> holdExclusive(std::string_view name, std::string& error) const;

 private:
  std::string lockFile(std::string_view name) const;
  std::unique_ptr<DatabaseHold> hold(std::string_view name, bool exclusive, std::string& error) const;

  Machine& m_machine;
};

}  // namespace vrel::data
