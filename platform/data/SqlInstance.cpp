#include "platform/data/SqlInstance.h"

#include "platform/Machine.h"
#include "platform/Text.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace vrel::data {

namespace {

constexpr const char* kExtension = ".mdf";

struct flock wholeFileLock(short type) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 1;
  fl.l_pid = 0;  // required for open file description locks
  return fl;
}

}  // namespace

DatabaseHold::~DatabaseHold() {
  if (m_fd >= 0) ::close(m_fd);
}

SqlInstance::SqlInstance(Machine& machine) : m_machine(machine) {}

std::string SqlInstance::folder() const {
  return m_machine.root() + "/mssql";
}

bool SqlInstance::isValidName(std::string_view name) {
  if (name.empty() || name.size() > 123 || name == "." || name == "..") return false;
  if (name.front() == ' ' || name.back() == ' ') return false;
  for (char c : name)
    if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

bool SqlInstance::isLocalServer(std::string_view dataSource) const {
  const std::string s = trim(dataSource);
  return s.empty() || iequals(s, m_machine.computerName()) || iequals(s, "(local)") || s == "." ||
         iequals(s, "localhost") || s == "127.0.0.1";
}

std::string SqlInstance::databaseFile(std::string_view name) const {
  if (!isValidName(name)) return {};
  const std::string wanted = std::string(name) + kExtension;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder(), ec)) {
    const std::string file = entry.path().filename().string();
    if (iequals(file, wanted) && entry.is_regular_file(ec)) return entry.path().string();
  }
  return {};
}

std::vector<std::string> SqlInstance::databases() const {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder(), ec)) {
    const std::string file = entry.path().filename().string();
    if (file.size() > 4 && iequals(file.substr(file.size() - 4), kExtension) && entry.is_regular_file(ec))
      out.push_back(file.substr(0, file.size() - 4));
  }
  return out;
}

bool SqlInstance::createDatabase(std::string_view name, std::string& error) {
  if (!isValidName(name)) {
    error = "'" + std::string(name) + "' is not a valid database name.";
    return false;
  }
  if (exists(name)) {
    error = "Database '" + std::string(name) + "' already exists. Choose a different database name.";
    return false;
  }
  std::error_code ec;
  fs::create_directories(folder(), ec);
  const std::string file = folder() + "/" + std::string(name) + kExtension;
  sqlite3* db = nullptr;
  int rc =
      sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr);
  // An empty SQLite file is only written on the first change; give it its
  // header now so the file is a database image from the start.
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, "PRAGMA user_version = 1", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) error = "cannot create " + file + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  sqlite3_close_v2(db);
  if (rc != SQLITE_OK) fs::remove(file, ec);
  return rc == SQLITE_OK;
}

bool SqlInstance::dropDatabase(std::string_view name, std::string& error) {
  const std::string file = databaseFile(name);
  if (file.empty()) {
    error = "Cannot drop the database '" + std::string(name) + "', because it does not exist.";
    return false;
  }
  auto hold = holdExclusive(name, error);
  if (!hold) return false;
  std::error_code ec;
  fs::remove(file, ec);
  fs::remove(file + "-journal", ec);
  if (ec) error = "cannot delete " + file + ": " + ec.message();
  return !ec;
}

std::string SqlInstance::lockFile(std::string_view name) const {
  return folder() + "/" + foldCase(name) + ".users";
}

bool SqlInstance::isInUse(std::string_view name) const {
  if (!isValidName(name)) return false;
  const int fd = ::open(lockFile(name).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock fl = wholeFileLock(F_WRLCK);
  const bool busy = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
  ::close(fd);
  return busy;
}

std::unique_ptr<DatabaseHold> SqlInstance::holdShared(std::string_view name, std::string& error) const {
  return hold(name, false, error);
}

std::unique_ptr<DatabaseHold> SqlInstance::holdExclusive(std::string_view name, std::string& error) const {
  return hold(name, true, error);
}

std::unique_ptr<DatabaseHold> SqlInstance::hold(std::string_view name, bool exclusive, std::string& error) const {
  if (!isValidName(name)) {
    error = "'" + std::string(name) + "' is not a valid database name.";
    return nullptr;
  }
  std::error_code ec;
  fs::create_directories(folder(), ec);
  const int fd = ::open(lockFile(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot open the lock file of database '" + std::string(name) + "': " + std::strerror(errno);
    return nullptr;
  }
  struct flock fl = wholeFileLock(exclusive ? F_WRLCK : F_RDLCK);
  if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
    const int err = errno;
    ::close(fd);
    if (err == EAGAIN || err == EACCES)
      error = exclusive ? "Exclusive access could not be obtained because the database is in use."
                        : "Database '" + std::string(name) + "' cannot be opened. It is in the middle of a restore.";
    else
      error = "cannot lock database '" + std::string(name) + "': " + std::strerror(err);
    return nullptr;
  }
  return std::make_unique<DatabaseHold>(fd);
}

}  // namespace vrel::data
