#include "platform/data/DatabaseRestore.h"

#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/data/DatabaseRestoreText.h"
#include "platform/data/ServerFunctions.h"
#include "platform/data/SqlInstance.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>
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

ssize_t readSome(int fd, char* buf, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, buf, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

bool writeAll(int fd, const char* buf, std::size_t size) {
  for (std::size_t done = 0; done < size;) {
    const ssize_t w = ::write(fd, buf + done, size - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += static_cast<std::size_t>(w);
  }
  return true;
}

// Reads the image's header and checks it against the file's length; the
// file's offset is then at the pages.
CopyFault readImageHeader(int in, std::uint64_t& size, std::uint64_t& sum, std::string& reason) {
  char header[kImageHeaderSize];
  std::size_t have = 0;
  while (have < sizeof header) {
    const ssize_t n = readSome(in, header + have, sizeof header - have);
    if (n < 0) {
      reason = std::strerror(errno);
      return CopyFault::Device;
    }
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
  }
  if (have < sizeof header || std::memcmp(header, kImageMagic.data(), kImageMagic.size()) != 0) {
    reason = "not a database backup";
    return CopyFault::Image;
  }
  size = getLe64(std::string_view(header + 8, 8));
  sum = getLe64(std::string_view(header + 16, 8));
  struct stat st{};
  if (::fstat(in, &st) == 0 && S_ISREG(st.st_mode)) {
    const auto pages = static_cast<std::uint64_t>(st.st_size) - kImageHeaderSize;
    if (pages != size) {
      reason = pages < size ? "the backup is truncated" : "the backup has trailing data";
      return CopyFault::Image;
    }
  }
  return CopyFault::None;
}

// Copies size bytes from in's offset to out, in the kernel where it can;
// the count copied goes to copied.
CopyFault copyPages(int in, int out, std::uint64_t size, std::uint64_t& copied, const std::string& target,
                    std::string& reason) {
  copied = 0;
  bool ranges = true;
  std::vector<char> buf;
  while (copied < size) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size - copied, 1u << 30));
    if (ranges) {
      const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, want, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && copied == 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
        ranges = false;
        continue;
      }
      if (n < 0) {
        const int e = errno;
        reason = std::strerror(e);
        if (e == ENOSPC || e == EDQUOT || e == EFBIG || e == EROFS) {
          reason = "Write on '" + target + "' failed: " + reason;
          return CopyFault::Write;
        }
        return CopyFault::Device;
      }
      if (n == 0) break;  // the image shrank while being copied
      copied += static_cast<std::uint64_t>(n);
      continue;
    }
    buf.resize(1 << 20);
    const ssize_t n = readSome(in, buf.data(), std::min(buf.size(), want));
    if (n < 0) {
      reason = std::strerror(errno);
      return CopyFault::Device;
    }
    if (n == 0) break;
    if (!writeAll(out, buf.data(), static_cast<std::size_t>(n))) {
      reason = "Write on '" + target + "' failed: " + std::strerror(errno);
      return CopyFault::Write;
    }
    copied += static_cast<std::uint64_t>(n);
  }
  return CopyFault::None;
}

// The checksum of a file's whole content, or false when it cannot be read.
bool fileChecksum(const std::string& file, std::uint64_t& h) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::vector<char> buf(1 << 20);
  h = kImageChecksumSeed;
  bool ok = true;
  for (;;) {
    const ssize_t n = readSome(fd, buf.data(), buf.size());
    if (n < 0) ok = false;
    if (n <= 0) break;
    h = imageChecksum(std::string_view(buf.data(), static_cast<std::size_t>(n)), h);
  }
  ::close(fd);
  return ok;
}

// Copies the pages of the image at source into the new file target and
// checks the copy: the header and the length first, then, side by side, the
// checksum over the copied pages (on a second thread) and SQLite's check of
// the database they make. The pages go from file to file in the kernel and
// are never held in memory whole; the copy is on the disk before it is
// checked. A wrong checksum is named before a damaged database.
CopyFault copyAndCheckImage(const std::string& source, const std::string& target, std::string& reason) {
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    reason = std::strerror(errno);
    return CopyFault::Device;
  }
  std::uint64_t size = 0, sum = 0;
  if (const CopyFault f = readImageHeader(in, size, sum, reason); f != CopyFault::None) {
    ::close(in);
    return f;
  }
  if (size == 0) {
    // Even an empty database has its first page; no pages at all is no backup.
    ::close(in);
    reason = "the backup holds no database";
    return CopyFault::Image;
  }
  const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) {
    reason = std::strerror(errno);
    ::close(in);
    return CopyFault::Write;
  }
  std::uint64_t copied = 0;
  CopyFault fault = copyPages(in, out, size, copied, target, reason);
  ::close(in);
  if (fault == CopyFault::None && copied != size) {
    reason = "the backup is truncated";
    fault = CopyFault::Image;
  }
  if (fault == CopyFault::None && ::fsync(out) != 0) {
    reason = "Write on '" + target + "' failed: " + std::strerror(errno);
    fault = CopyFault::Write;
  }
  ::close(out);
  if (fault != CopyFault::None) return fault;

  std::uint64_t h = 0;
  bool readable = false;
  std::thread checksum([&] { readable = fileChecksum(target, h); });
  std::string unsound;
  const bool sound = databaseFileIsSound(target, unsound);
  checksum.join();
  if (!readable) {
    reason = "Read of '" + target + "' failed";
    return CopyFault::Write;
  }
  if (h != sum) {
    reason = "the backup's checksum does not match its data";
    return CopyFault::Image;
  }
  if (!sound) {
    reason = unsound;
    return CopyFault::Image;
  }
  return CopyFault::None;
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
  const bool sound = copyAndCheckImage(hostImagePath, scratch, reason) == CopyFault::None;
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
  switch (copyAndCheckImage(files.paths().toHost(imagePath), temp, reason)) {
    case CopyFault::None: break;
    case CopyFault::Image: removeTemp(); return failed(malformedMediaText(device, reason));
    case CopyFault::Device: removeTemp(); return failed(deviceText(device, reason, kRestore));
    case CopyFault::Write: removeTemp(); return failed(abnormalText(kRestore, reason));
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
