#include "platform/WinPath.h"

#include "platform/FolderIndex.h"
#include "platform/Machine.h"
#include "platform/Text.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vrel {

namespace {

std::mutex g_cwdMutex;
std::string g_cwd;  // empty until first asked

std::string hostCwdAsWindows() {
  char buf[4096];
  if (!getcwd(buf, sizeof buf)) return "Z:\\";
  std::string s = "Z:";
  for (const char* p = buf; *p; ++p) s += (*p == '/') ? '\\' : *p;
  if (s == "Z:") s += '\\';
  return s;
}

bool isDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The name of an entry of a host folder that equals name without regard to
// case; the exact spelling wins. Names that do not exist with the exact
// spelling (every file about to be created) go to the folder index, which
// answers without reading the whole folder each time.
std::string matchEntry(const std::string& folder, const std::string& name) {
  struct stat st{};
  if (lstat((folder + "/" + name).c_str(), &st) == 0) return name;
  return FolderIndex::shared().find(folder, name);
}

}  // namespace

std::string WinPaths::currentFolder() {
  std::lock_guard lock(g_cwdMutex);
  if (g_cwd.empty()) {
    const char* env = std::getenv("VREL_CWD");
    g_cwd = (env && *env) ? env : hostCwdAsWindows();
  }
  return g_cwd;
}

void WinPaths::setCurrentFolder(std::string_view winPath) {
  std::lock_guard lock(g_cwdMutex);
  g_cwd = std::string(winPath);
}

std::string WinPaths::absolute(std::string_view in) const {
  std::string p(in);
  for (char& c : p)
    if (c == '/') c = '\\';
  if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') return {};  // UNC: no drive
  std::string base;
  std::string rest;
  if (p.size() >= 2 && p[1] == ':') {
    if (!isDriveLetter(p[0])) return {};
    base = std::string(1, static_cast<char>(p[0] & ~0x20)) + ":";
    rest = p.substr(2);
  } else if (!p.empty() && p[0] == '\\') {
    base = currentFolder().substr(0, 2);
    rest = p;
  } else {
    const std::string cwd = currentFolder();
    base = cwd.substr(0, 2);
    rest = cwd.substr(2) + "\\" + p;
  }
  std::vector<std::string> segs;
  for (auto& seg : split(rest, '\\')) {
    if (seg.empty() || seg == ".") continue;
    if (seg == "..") {
      if (!segs.empty()) segs.pop_back();
      continue;
    }
    segs.push_back(seg);
  }
  std::string out = base;
  for (auto& s : segs) out += "\\" + s;
  if (segs.empty()) out += "\\";
  return out;
}

std::string WinPaths::toHost(std::string_view winPath) const {
  const std::string abs = absolute(winPath);
  if (abs.empty()) return {};
  std::string host = m_machine.driveFolder(abs[0]);
  bool resolving = true;
  for (auto& seg : split(abs.substr(3), '\\')) {
    if (seg.empty()) continue;
    std::string name = seg;
    if (resolving) {
      const std::string found = matchEntry(host, seg);
      if (found.empty()) resolving = false;
      else name = found;
    }
    host += "/" + name;
  }
  return host.empty() ? "/" : host;
}

std::string WinPaths::toWindows(std::string_view hostPath) const {
  std::string h(hostPath);
  if (h.empty() || h[0] != '/') {
    char buf[4096];
    if (getcwd(buf, sizeof buf)) h = std::string(buf) + "/" + h;
  }
  const std::string prefix = m_machine.root() + "/drive_";
  if (h.compare(0, prefix.size(), prefix) == 0 && h.size() > prefix.size() && isDriveLetter(h[prefix.size()]) &&
      (h.size() == prefix.size() + 1 || h[prefix.size() + 1] == '/')) {
    std::string out(1, static_cast<char>(h[prefix.size()] & ~0x20));
    out += ":";
    std::string rest = h.substr(prefix.size() + 1);
    for (char& c : rest)
      if (c == '/') c = '\\';
    out += rest.empty() ? "\\" : rest;
    return absolute(out);
  }
  std::string out = "Z:";
  for (char c : h) out += (c == '/') ? '\\' : c;
  return absolute(out);
}

std::string winParent(std::string_view p) {
  std::string s(p);
  while (s.size() > 3 && s.back() == '\\') s.pop_back();
  const std::size_t pos = s.find_last_of('\\');
  if (pos == std::string::npos) return {};
  if (pos == 2 && s.size() > 1 && s[1] == ':') return s.substr(0, 3);
  return s.substr(0, pos);
}

std::string winFileName(std::string_view p) {
  const std::size_t pos = p.find_last_of("\\/");
  return std::string(pos == std::string_view::npos ? p : p.substr(pos + 1));
}

std::string winJoin(std::string_view a, std::string_view b) {
  std::string out(a);
  if (!out.empty() && out.back() != '\\') out += '\\';
  while (!b.empty() && b.front() == '\\') b.remove_prefix(1);
  return out + std::string(b);
}

std::string executableHostPath(const char* argv0) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const std::string given = argv0 ? argv0 : "";
  // A path as started keeps the folder it was started from, even through a
  // link: that is the program's folder on the machine.
  if (given.find('/') != std::string::npos) {
    const fs::path p = fs::absolute(given, ec);
    if (!ec) return p.lexically_normal().string();
  }
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? given : self.string();
}

std::string programFolderOf(const WinPaths& paths, const std::string& executableHostPath) {
  const std::string folder = std::filesystem::path(executableHostPath).parent_path().string();
  std::string win = paths.toWindows(folder);
  while (win.size() > 2 && win.back() == '\\') win.pop_back();
  return win;
}

bool WinPaths::driveIsFull(std::string_view winPath) const {
  const std::string path = absolute(winPath);
  return path.size() >= 2 && path[1] == ':' && m_machine.driveFull(path[0]);
}

}  // namespace vrel
