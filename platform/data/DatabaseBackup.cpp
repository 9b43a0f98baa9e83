#include "platform/data/DatabaseBackup.h"

#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/data/DatabaseRestoreText.h"
#include "platform/data/SqlInstance.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

namespace vrel::data {

namespace {

void putLe64(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

std::uint64_t imageChecksum(std::string_view bytes, std::uint64_t h) {
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 0x100000001b3ULL;
  }
  return h;
}

std::uint64_t getLe64(std::string_view in) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(in[static_cast<std::size_t>(i)]);
  return v;
}

namespace {

// The pages of an open database, copied by the online backup into memory.
bool snapshotPages(sqlite3* source, std::string& pages, std::string& error) {
  sqlite3* mem = nullptr;
  int rc = sqlite3_open_v2(":memory:", &mem, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_backup* b = sqlite3_backup_init(mem, "main", source, "main");
    if (!b) {
      rc = sqlite3_errcode(mem);
    } else {
      rc = sqlite3_backup_step(b, -1);
      const int fin = sqlite3_backup_finish(b);
      rc = rc == SQLITE_DONE ? fin : rc;
    }
  }
  if (rc == SQLITE_OK) {
    sqlite3_int64 size = 0;
    unsigned char* data = sqlite3_serialize(mem, "main", &size, 0);
    if (data)
      pages.assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
    else
      rc = SQLITE_NOMEM;
    sqlite3_free(data);
  }
  if (rc != SQLITE_OK) error = sqlite3_errstr(rc);
  sqlite3_close_v2(mem);
  return rc == SQLITE_OK;
}

}  // namespace

std::string makeDatabaseImage(std::string_view pages) {
  std::string image(kImageMagic);
  putLe64(image, pages.size());
  putLe64(image, imageChecksum(pages));
  image.append(pages);
  return image;
}

bool readDatabaseImage(std::string_view image, std::string_view& pages, std::string& reason) {
  if (image.size() < kImageHeaderSize || image.substr(0, kImageMagic.size()) != kImageMagic) {
    reason = "not a database backup";
    return false;
  }
  const std::uint64_t size = getLe64(image.substr(8, 8));
  const std::uint64_t sum = getLe64(image.substr(16, 8));
  if (image.size() - kImageHeaderSize != size) {
    reason = image.size() - kImageHeaderSize < size ? "the backup is truncated" : "the backup has trailing data";
    return false;
  }
  pages = image.substr(kImageHeaderSize);
  if (imageChecksum(pages) != sum) {
    reason = "the backup's checksum does not match its data";
    return false;
  }
  return true;
}

DatabaseImageStatus backupDatabase(Machine& machine, std::string_view name, std::string_view imagePath) {
  const SqlInstance instance(machine);
  const std::string file = instance.databaseFile(name);
  if (file.empty()) return {kErrBackupRestoreFailed, sqlServerText(missingDatabaseText(name, "BACKUP"))};
  std::string error;
  // A restore must not swap the file while it is being copied.
  auto hold = instance.holdShared(name, error);
  if (!hold) return {kErrBackupRestoreFailed, sqlServerText(error)};
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  std::string pages;
  bool ok = rc == SQLITE_OK;
  if (ok) {
    sqlite3_busy_timeout(db, 30000);
    ok = snapshotPages(db, pages, error);
  } else {
    error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  }
  sqlite3_close_v2(db);
  if (!ok) return {kErrBackupRestoreFailed, sqlServerText(abnormalText("BACKUP DATABASE", error))};
  const Files files(machine);
  if (const FileStatus st = files.writeAll(imagePath, makeDatabaseImage(pages)); !st)
    return {kErrBackupRestoreFailed, sqlServerText(deviceText(imagePath, st.description, "BACKUP DATABASE"))};
  return {};
}

bool createDatabaseFile(Machine& machine, std::string_view path, std::string& error) {
  const WinPaths paths(machine);
  const std::string host = paths.toHost(path);
  if (host.empty()) {
    error = "'" + std::string(path) + "' is not a path of this machine";
    return false;
  }
  std::error_code ec;
  if (std::filesystem::exists(host, ec)) {
    error = "'" + paths.absolute(path) + "' exists already";
    return false;
  }
  std::filesystem::create_directories(std::filesystem::path(host).parent_path(), ec);
  sqlite3* db = nullptr;
  int rc =
      sqlite3_open_v2(host.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr);
  // Give the file its header now, so it is a database from the start.
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, "PRAGMA user_version = 1", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK)
    error = "cannot create '" + paths.absolute(path) + "': " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  sqlite3_close_v2(db);
  if (rc != SQLITE_OK) std::filesystem::remove(host, ec);
  return rc == SQLITE_OK;
}

}  // namespace vrel::data
