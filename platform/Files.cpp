#include "platform/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace fs = std::filesystem;

namespace vrel {

namespace {

// Copies an open file's whole content into another, in the kernel: a
// reflink where the file system shares extents (FICLONE), else
// copy_file_range, else sendfile. Returns 0 or an errno value.
int copyContent(int in, int out, off_t size) {
  if (size == 0) return 0;
  if (::ioctl(out, FICLONE, in) == 0) return 0;
  off_t done = 0;
  bool ranges = true;
  while (done < size) {
    ssize_t n = -1;
    if (ranges) {
      n = ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(size - done), 0);
      if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL) && done == 0) {
        ranges = false;
        continue;
      }
    } else {
      n = ::sendfile(out, in, nullptr, static_cast<size_t>(size - done));
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) break;  // the source shrank while being copied
    done += n;
  }
  return 0;
}

// Copies a file the way CopyFile does: content and attributes (the
// read-only bit travels with it); an existing target is replaced in place.
int copyHostFile(const std::string& src, const std::string& dst, const struct stat& st) {
  const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  const int out = ::open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (out < 0) {
    const int e = errno;
    ::close(in);
    return e;
  }
  int e = copyContent(in, out, st.st_size);
  if (e == 0 && ::fchmod(out, st.st_mode & 07777) != 0) e = errno;
  if (::close(out) != 0 && e == 0) e = errno;
  ::close(in);
  return e;
}


FileStatus fromErrno(int err, std::string_view path) {
  switch (err) {
    case ENOENT: return {53, "File not found: " + std::string(path)};
    case ENOTDIR: return {76, "Path not found: " + std::string(path)};
    case EEXIST: return {58, "File already exists: " + std::string(path)};
    case ENOSPC:
    case EDQUOT: return {61, "Disk full"};
    default: return {75, "Path/File access error: " + std::string(path) + " (" + std::strerror(err) + ")"};
  }
}

FileStatus accessDenied(std::string_view path) { return {75, "Path/File access error: " + std::string(path)}; }

FileStatus diskFull() { return fromErrno(ENOSPC, ""); }

bool hostStat(const std::string& host, struct stat& st) { return !host.empty() && stat(host.c_str(), &st) == 0; }

bool ownerWritable(const struct stat& st) { return (st.st_mode & S_IWUSR) != 0; }

// A folder without its owner-write bit stands for read-only media: nothing
// is created in it, removed from it or written to it.
bool folderAcceptsChanges(const std::string& hostFile) {
  const std::string dir = fs::path(hostFile).parent_path().string();
  struct stat st{};
  return !hostStat(dir, st) || ownerWritable(st);
}

FileStatus writeFully(int fd, std::string_view data, std::string_view path) {
  std::size_t off = 0;
  while (off < data.size()) {
    const ssize_t n = ::write(fd, data.data() + off, data.size() - off);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fromErrno(errno, path);
    }
    off += static_cast<std::size_t>(n);
  }
  return FileStatus::ok();
}

}  // namespace

bool Files::exists(std::string_view path) const {
  struct stat st{};
  return hostStat(m_paths.toHost(path), st);
}

bool Files::fileExists(std::string_view path) const {
  struct stat st{};
  return hostStat(m_paths.toHost(path), st) && S_ISREG(st.st_mode);
}

bool Files::folderExists(std::string_view path) const {
  struct stat st{};
  return hostStat(m_paths.toHost(path), st) && S_ISDIR(st.st_mode);
}

FileStatus Files::readAll(std::string_view path, std::string& out) const {
  out.clear();
  const std::string host = m_paths.toHost(path);
  const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fromErrno(errno, path);
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      ::close(fd);
      return fromErrno(err, path);
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return FileStatus::ok();
}

FileStatus Files::writeAll(std::string_view path, std::string_view data, Durability durability) const {
  const std::string host = m_paths.toHost(path);
  if (host.empty()) return fromErrno(ENOENT, path);
  struct stat st{};
  if (hostStat(host, st) && !ownerWritable(st)) return accessDenied(path);
  if (!folderAcceptsChanges(host)) return accessDenied(path);
  if (m_paths.driveIsFull(path)) return diskFull();
  const std::string tmp = host + ".vrel-tmp";
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return fromErrno(errno, path);
  FileStatus s = writeFully(fd, data, path);
  if (s && durability == Durability::Flush && ::fsync(fd) != 0) s = fromErrno(errno, path);
  ::close(fd);
  if (s && ::rename(tmp.c_str(), host.c_str()) != 0) s = fromErrno(errno, path);
  if (!s) ::unlink(tmp.c_str());
  return s;
}

FileStatus Files::syncDrive(std::string_view path) const {
  const std::string host = m_paths.toHost(path);
  const int fd = host.empty() ? -1 : ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fromErrno(host.empty() ? ENOENT : errno, path);
  const FileStatus s = ::syncfs(fd) == 0 ? FileStatus::ok() : fromErrno(errno, path);
  ::close(fd);
  return s;
}

FileStatus Files::append(std::string_view path, std::string_view data) const {
  const std::string host = m_paths.toHost(path);
  if (host.empty()) return fromErrno(ENOENT, path);
  struct stat st{};
  const bool present = hostStat(host, st);
  if (present && !ownerWritable(st)) return accessDenied(path);
  // Read-only media take no writes at all, to new files or to old ones.
  if (!folderAcceptsChanges(host)) return accessDenied(path);
  if (m_paths.driveIsFull(path)) return diskFull();
  const int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return fromErrno(errno, path);
  FileStatus s = writeFully(fd, data, path);
  if (::close(fd) != 0 && s) s = fromErrno(errno, path);
  return s;
}

FileStatus Files::copyFile(std::string_view from, std::string_view to, bool overwrite) const {
  const std::string src = m_paths.toHost(from);
  const std::string dst = m_paths.toHost(to);
  struct stat st{};
  if (!hostStat(src, st)) return fromErrno(ENOENT, from);
  struct stat dt{};
  if (hostStat(dst, dt)) {
    if (!overwrite) return fromErrno(EEXIST, to);
    if (!ownerWritable(dt)) return accessDenied(to);
    // A file copied onto itself would be truncated before it is read.
    if (dt.st_dev == st.st_dev && dt.st_ino == st.st_ino) return fromErrno(EBUSY, to);
  } else if (!folderAcceptsChanges(dst)) {
    return accessDenied(to);
  }
  if (m_paths.driveIsFull(to)) return diskFull();
  if (!S_ISREG(st.st_mode)) return fromErrno(ENOENT, from);
  if (const int e = copyHostFile(src, dst, st); e != 0) return fromErrno(e, to);
  return FileStatus::ok();
}

namespace {

// The names a host folder holds, for finding a target's spelling without
// regard to case: the exact spelling when it exists, else any match (the
// rule WinPaths resolves by).
class FolderNames {
 public:
  explicit FolderNames(const std::string& hostFolder) {
    if (DIR* d = opendir(hostFolder.c_str())) {
      while (dirent* e = readdir(d)) add(e->d_name);
      closedir(d);
    }
  }
  const std::string* find(const std::string& name) const {
    if (const auto it = m_exact.find(name); it != m_exact.end()) return &*it;
    const auto it = m_folded.find(foldCase(name));
    return it == m_folded.end() ? nullptr : &it->second;
  }
  void add(const std::string& name) {
    m_exact.insert(name);
    m_folded.emplace(foldCase(name), name);
  }

 private:
  std::unordered_set<std::string> m_exact;
  std::unordered_map<std::string, std::string> m_folded;
};

}  // namespace

FileStatus Files::copyFiles(std::string_view from, std::string_view to, std::vector<std::string>& subfolders,
                            const std::function<void(const FileStatus&)>& done) const {
  const std::string srcHost = m_paths.toHost(from);
  DIR* d = srcHost.empty() ? nullptr : opendir(srcHost.c_str());
  if (!d) return {76, "Path not found: " + std::string(from)};
  if (!folderExists(to)) {
    if (FileStatus st = createFolder(to); !st) {
      closedir(d);
      return st;
    }
  }
  const std::string dstHost = m_paths.toHost(to);
  FolderNames present(dstHost);
  // What copyFile asks of each target's folder and drive, asked once.
  struct stat folder{};
  const bool accepts = !hostStat(dstHost, folder) || ownerWritable(folder);
  const bool full = m_paths.driveIsFull(to);
  const int dfd = dirfd(d);
  while (dirent* e = readdir(d)) {
    if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
    struct stat st{};
    if (fstatat(dfd, e->d_name, &st, 0) != 0) continue;  // gone since it was listed
    const std::string name = e->d_name;
    if (S_ISDIR(st.st_mode)) {
      subfolders.push_back(name);
      continue;
    }
    const std::string* spelled = present.find(name);
    const std::string dst = dstHost + "/" + (spelled ? *spelled : name);
    const auto copyOne = [&]() -> FileStatus {
      struct stat dt{};
      if (spelled && hostStat(dst, dt)) {
        if (!ownerWritable(dt)) return accessDenied(winJoin(to, name));
        if (dt.st_dev == st.st_dev && dt.st_ino == st.st_ino) return fromErrno(EBUSY, winJoin(to, name));
      } else if (!accepts) {
        return accessDenied(winJoin(to, name));
      }
      if (full) return diskFull();
      if (!S_ISREG(st.st_mode)) return fromErrno(ENOENT, winJoin(from, name));
      if (const int err = copyHostFile(srcHost + "/" + name, dst, st); err != 0) return fromErrno(err, winJoin(to, name));
      if (!spelled) present.add(name);
      return FileStatus::ok();
    };
    done(copyOne());
  }
  closedir(d);
  return FileStatus::ok();
}

FileStatus Files::deleteFile(std::string_view path, bool force) const {
  const std::string host = m_paths.toHost(path);
  struct stat st{};
  if (!hostStat(host, st) || S_ISDIR(st.st_mode)) return fromErrno(ENOENT, path);
  if (!force && !ownerWritable(st)) return accessDenied(path);
  if (!folderAcceptsChanges(host)) return accessDenied(path);
  if (::unlink(host.c_str()) != 0) return fromErrno(errno, path);
  return FileStatus::ok();
}

FileStatus Files::createFolder(std::string_view path, bool parents) const {
  const std::string host = m_paths.toHost(path);
  if (host.empty()) return fromErrno(ENOENT, path);
  if (m_paths.driveIsFull(path) && !folderExists(path)) return diskFull();
  std::error_code ec;
  if (parents) fs::create_directories(host, ec);
  else fs::create_directory(host, ec);
  if (ec) return fromErrno(ec.value(), path);
  return FileStatus::ok();
}

FileStatus Files::deleteFolder(std::string_view path) const {
  const std::string host = m_paths.toHost(path);
  struct stat st{};
  if (!hostStat(host, st) || !S_ISDIR(st.st_mode)) return {76, "Path not found: " + std::string(path)};
  std::error_code ec;
  fs::remove_all(host, ec);
  if (ec) return fromErrno(ec.value(), path);
  return FileStatus::ok();
}

FileStatus Files::list(std::string_view folder, std::vector<DirEntry>& out) const {
  out.clear();
  const std::string host = m_paths.toHost(folder);
  DIR* d = opendir(host.c_str());
  if (!d) return {76, "Path not found: " + std::string(folder)};
  // Each entry is looked at relative to the open folder: no path to build
  // and walk again per entry.
  const int dfd = dirfd(d);
  while (dirent* e = readdir(d)) {
    if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
    struct stat st{};
    if (fstatat(dfd, e->d_name, &st, 0) != 0) continue;
    out.push_back({e->d_name, S_ISDIR(st.st_mode), !ownerWritable(st), static_cast<std::uint64_t>(st.st_size)});
  }
  closedir(d);
  return FileStatus::ok();
}

bool Files::isReadOnly(std::string_view path) const {
  struct stat st{};
  return hostStat(m_paths.toHost(path), st) && !ownerWritable(st);
}

FileStatus Files::setReadOnly(std::string_view path, bool readOnly) const {
  const std::string host = m_paths.toHost(path);
  struct stat st{};
  if (!hostStat(host, st)) return fromErrno(ENOENT, path);
  // Read-only media: the attributes of what they hold cannot change either.
  if (!folderAcceptsChanges(host)) return accessDenied(path);
  const mode_t mode = readOnly ? (st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (st.st_mode | S_IWUSR);
  if (::chmod(host.c_str(), mode & 07777) != 0) return fromErrno(errno, path);
  return FileStatus::ok();
}

}  // namespace vrel
