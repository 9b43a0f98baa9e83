#include "platform/data/DatabaseRestore.h"

#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/data/DatabaseRestoreText.h"
#include "platform/data/ServerFunctions.h"
#include "platform/data/SqlInstance.h"

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

constexpr std::string_view kRestore = "RESTORE DATABASE";

DatabaseImageStatus failed(const std::string& text) {
  return {kErrBackupRestoreFailed, sqlServerText(text)};
}

// True when pages are a sound database: SQLite reads them and finds every
// page and index in order.
bool pagesAreSound(std::string_view pages, std::string& reason) {
  // Even an empty database has its first page; no pages at all is no backup.
  if (pages.empty()) {
    reason = "the backup holds no database";
    return false;
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  std::string error;
  if (rc == SQLITE_OK && !registerServerFunctions(db, error)) rc = SQLITE_ERROR;
  if (rc == SQLITE_OK) {
    auto* copy = static_cast<unsigned char*>(sqlite3_malloc64(pages.size() ? pages.size() : 1));
    if (!copy)
      rc = SQLITE_NOMEM;
    else {
      std::memcpy(copy, pages.data(), pages.size());
      rc = sqlite3_deserialize(db, "main", copy, static_cast<sqlite3_int64>(pages.size()),
                               static_cast<sqlite3_int64>(pages.size()),
                               SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY);
    }
  }
  std::string verdict;
  if (rc == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &st, nullptr);
    if (rc == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(st, 0);
      verdict = text ? reinterpret_cast<const char*>(text) : "";
    } else if (rc == SQLITE_OK) {
      rc = sqlite3_errcode(db);
    }
    sqlite3_finalize(st);
  }
  if (rc != SQLITE_OK)
    reason = error.empty() ? (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)) : error;
  else if (verdict != "ok")
    reason = "the database in the backup is damaged: " + verdict;
  sqlite3_close_v2(db);
  return rc == SQLITE_OK && verdict == "ok";
}

// Writes data to a new host file and flushes it to disk.
bool writeDurably(const std::string& file, std::string_view data, std::string& error) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = std::strerror(errno);
      ::close(fd);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  const bool synced = ::fsync(fd) == 0;
  if (!synced) error = std::strerror(errno);
  ::close(fd);
  return synced;
}

}  // namespace

DatabaseImageStatus restoreDatabase(Machine& machine, std::string_view name, std::string_view imagePath) {
  if (!SqlInstance::isValidName(name))
    return failed(abnormalText(kRestore, "'" + std::string(name) + "' is not a valid database name."));
  const Files files(machine);
  const std::string device = files.paths().absolute(imagePath);
  std::string image;
  if (const FileStatus st = files.readAll(imagePath, image); !st)
    return failed(deviceText(device, st.description, kRestore));
  std::string_view pages;
  std::string reason;
  if (!readDatabaseImage(image, pages, reason) || !pagesAreSound(pages, reason))
    return failed(malformedMediaText(device, reason));

  const SqlInstance instance(machine);
  std::string error;
  auto hold = instance.holdExclusive(name, error);
  if (!hold) {
    if (instance.isInUse(name)) return {kErrExclusiveAccess, sqlServerText(exclusiveAccessText())};
    return failed(abnormalText(kRestore, error));
  }
  std::string target = instance.databaseFile(name);
  if (target.empty()) target = instance.folder() + "/" + std::string(name) + ".mdf";
  const std::string temp = instance.folder() + "/.restore-" + std::to_string(::getpid()) + "-" + std::string(name);
  if (!writeDurably(temp, pages, error)) {
    std::error_code ec;
    fs::remove(temp, ec);
    return failed(abnormalText(kRestore, "Write on '" + temp + "' failed: " + error));
  }
  // Nobody is connected, so a journal beside the old file is a crashed
  // writer's; it belongs to the file being replaced and must not be rolled
  // into the restored one.
  std::error_code ec;
  for (const char* suffix : {"-journal", "-wal", "-shm"}) fs::remove(target + suffix, ec);
  fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return failed(abnormalText(kRestore, "Cannot replace '" + target + "': " + ec.message()));
  }
  return {};
}

}  // namespace vrel::data
