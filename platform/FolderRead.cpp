#include "platform/FolderRead.h"

#include "platform/Files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <unistd.h>

namespace vrel {

namespace fs = std::filesystem;

namespace {

// The reason a file cannot be read, or "" when its first block reads.
std::string readFirstBlock(const std::string& host) {
  const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::strerror(errno);
  char buf[4096];
  ssize_t n;
  do n = ::read(fd, buf, sizeof buf);
  while (n < 0 && errno == EINTR);
  const int readError = n < 0 ? errno : 0;
  ::close(fd);
  return readError ? std::strerror(readError) : std::string();
}

}  // namespace

FolderReadResult readEveryFile(const Files& files, std::string_view folder) {
  FolderReadResult out;
  const std::string root = files.paths().toHost(folder);
  std::string base(folder);
  while (!base.empty() && base.back() == '\\') base.pop_back();
  auto windowsOf = [&](const fs::path& host) {
    std::string rel = fs::path(host).lexically_relative(root).string();
    for (char& c : rel)
      if (c == '/') c = '\\';
    return base + "\\" + rel;
  };
  std::error_code ec;
  fs::recursive_directory_iterator it(root, ec);
  if (ec) {
    out.unreadable.push_back(base + " (" + ec.message() + ")");
    return out;
  }
  for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) {
      out.unreadable.push_back(windowsOf(it->path()) + " (" + ec.message() + ")");
      break;
    }
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    ++out.files;
    if (const std::string why = readFirstBlock(it->path().string()); !why.empty())
      out.unreadable.push_back(windowsOf(it->path()) + " (" + why + ")");
  }
  return out;
}

}  // namespace vrel
