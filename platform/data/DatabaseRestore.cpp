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
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace vrel::data {

namespace {

constexpr std::string_view kRestore = "RESTORE DATABASE";

DatabaseImageStatus failed(const std::string& text) {
  return {kErrBackupRestoreFailed, sqlServerText(text)};
}

// Where copying an image stopped.
enum class CopyFault { None, Image, Device, Write };

// Copies the pages of the image at source into the new file target in
// pieces, checking the header, the length and the checksum on the way, and
// flushes the copy to disk: the image is never held in memory whole.
CopyFault copyImagePages(const std::string& source, const std::string& target, std::string& reason) {
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    reason = std::strerror(errno);
    return CopyFault::Device;
  }
  const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) {
    reason = std::strerror(errno);
    ::close(in);
    return CopyFault::Write;
  }
  auto readSome = [&](char* buf, std::size_t size) -> ssize_t {
    for (;;) {
      const ssize_t n = ::read(in, buf, size);
      if (n >= 0 || errno != EINTR) return n;
    }
  };
  CopyFault fault = CopyFault::None;
  char header[kImageHeaderSize];
  std::size_t have = 0;
  while (have < sizeof header) {
    const ssize_t n = readSome(header + have, sizeof header - have);
    if (n <= 0) break;
    have += static_cast<std::size_t>(n);
  }
  std::uint64_t size = 0, sum = 0, copied = 0;
  std::uint64_t h = kImageChecksumSeed;
  if (have < sizeof header || std::memcmp(header, kImageMagic.data(), kImageMagic.size()) != 0) {
    reason = "not a database backup";
    fault = CopyFault::Image;
  } else {
    size = getLe64(std::string_view(header + 8, 8));
    sum = getLe64(std::string_view(header + 16, 8));
  }
  std::vector<char> buf(fault == CopyFault::None ? 1 << 20 : 0);
  while (fault == CopyFault::None) {
    const ssize_t n = readSome(buf.data(), buf.size());
    if (n < 0) {
      reason = std::strerror(errno);
      fault = CopyFault::Device;
      break;
    }
    if (n == 0) break;
    h = imageChecksum(std::string_view(buf.data(), static_cast<std::size_t>(n)), h);
    copied += static_cast<std::uint64_t>(n);
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buf.data() + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        reason = "Write on '" + target + "' failed: " + std::strerror(errno);
        fault = CopyFault::Write;
        break;
      }
      done += w;
    }
  }
  if (fault == CopyFault::None && copied != size) {
    reason = copied < size ? "the backup is truncated" : "the backup has trailing data";
    fault = CopyFault::Image;
  } else if (fault == CopyFault::None && h != sum) {
    reason = "the backup's checksum does not match its data";
    fault = CopyFault::Image;
  } else if (fault == CopyFault::None && size == 0) {
    // Even an empty database has its first page; no pages at all is no backup.
    reason = "the backup holds no database";
    fault = CopyFault::Image;
  }
  if (fault == CopyFault::None && ::fsync(out) != 0) {
    reason = "Write on '" + target + "' failed: " + std::strerror(errno);
    fault = CopyFault::Write;
  }
  ::close(out);
  ::close(in);
  return fault;
}

}  // namespace

bool databaseFileIsSound(const std::string& file, std::string& reason) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  std::string error;
  if (rc == SQLITE_OK && !registerServerFunctions(db, error)) rc = SQLITE_ERROR;
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

bool checkDatabaseImage(const std::string& hostImagePath, std::string& reason) {
  std::error_code ec;
  const fs::path folder = fs::temp_directory_path(ec);
  if (ec) {
    reason = "no temporary folder: " + ec.message();
    return false;
  }
  const std::string scratch = (folder / ("vrel-check-" + std::to_string(::getpid()) + "-" +
                                         std::to_string(reinterpret_cast<std::uintptr_t>(&reason))))
                                  .string();
  const bool sound = copyImagePages(hostImagePath, scratch, reason) == CopyFault::None && databaseFileIsSound(scratch, reason);
  fs::remove(scratch, ec);
  return sound;
}

DatabaseImageStatus restoreDatabase(Machine& machine, std::string_view name, std::string_view imagePath) {
  if (!SqlInstance::isValidName(name))
    return failed(abnormalText(kRestore, "'" + std::string(name) + "' is not a valid database name."));
  const Files files(machine);
  const std::string device = files.paths().absolute(imagePath);
  if (!files.fileExists(imagePath))
    return failed(deviceText(device, "File not found: " + std::string(imagePath), kRestore));

  // The image is copied next to the live database and checked there; only a
  // sound copy replaces it, in one rename.
  const SqlInstance instance(machine);
  const std::string temp = instance.folder() + "/.restore-" + std::to_string(::getpid()) + "-" + std::string(name);
  // A machine without databases yet has no instance folder.
  std::error_code folderError;
  fs::create_directories(instance.folder(), folderError);
  auto removeTemp = [&] {
    std::error_code ec;
    fs::remove(temp, ec);
  };
  std::string reason;
  switch (copyImagePages(files.paths().toHost(imagePath), temp, reason)) {
    case CopyFault::None: break;
    case CopyFault::Image: removeTemp(); return failed(malformedMediaText(device, reason));
    case CopyFault::Device: removeTemp(); return failed(deviceText(device, reason, kRestore));
    case CopyFault::Write: removeTemp(); return failed(abnormalText(kRestore, reason));
  }
  if (!databaseFileIsSound(temp, reason)) {
    removeTemp();
    return failed(malformedMediaText(device, reason));
  }

  std::string error;
  auto hold = instance.holdExclusive(name, error);
  if (!hold) {
    removeTemp();
    if (instance.isInUse(name)) return {kErrExclusiveAccess, sqlServerText(exclusiveAccessText())};
    return failed(abnormalText(kRestore, error));
  }
  std::string target = instance.databaseFile(name);
  if (target.empty()) target = instance.folder() + "/" + std::string(name) + ".mdf";
  // Nobody is connected, so a journal beside the old file is a crashed
  // writer's; it belongs to the file being replaced and must not be rolled
  // into the restored one.
  std::error_code ec;
  for (const char* suffix : {"-journal", "-wal", "-shm"}) fs::remove(target + suffix, ec);
  fs::rename(temp, target, ec);
  if (ec) {
    removeTemp();
    return failed(abnormalText(kRestore, "Cannot replace '" + target + "': " + ec.message()));
  }
  return {};
}

}  // namespace vrel::data
