#include "platform/ProcessHost.h"

#include <cerrno>
#include <csignal>
#include <fstream>
#include <mutex>
#include <deque>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vrel::host {

std::optional<ProcStat> readProcStat(long pid) {
  if (pid <= 0) return std::nullopt;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  // The command name (field 2) may hold blanks and parentheses; the fields
  // after it start behind the last ')'.
  const auto close = line.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream rest(line.substr(close + 1));
  ProcStat st;
  rest >> st.state;
  std::string field;
  // Fields 4..21 skipped, field 22 is the start time.
  for (int i = 4; i <= 21 && rest >> field; ++i) {
  }
  if (!(rest >> st.startTime)) return std::nullopt;
  return st;
}

int pidfdOpen(long pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
#else
  (void)pid;
  errno = ENOSYS;
  return -1;
#endif
}

bool signalIfSame(long pid, std::uint64_t startTime, int sig) {
  if (pid <= 0 || pid == static_cast<long>(getpid())) return false;
  const int fd = pidfdOpen(pid);
  auto same = [&] {
    const auto st = readProcStat(pid);
    return st && st->startTime == startTime && !st->ended();
  };
  if (fd < 0) {
    if (errno != ENOSYS) return false;
    return same() && ::kill(static_cast<pid_t>(pid), sig) == 0;
  }
  // The pidfd pins the process it was opened on; if /proc still shows the
  // recorded start time after opening it, the fd names that process.
  bool sent = false;
#ifdef SYS_pidfd_send_signal
  if (same()) sent = syscall(SYS_pidfd_send_signal, fd, sig, nullptr, 0) == 0;
#else
  if (same()) sent = ::kill(static_cast<pid_t>(pid), sig) == 0;
#endif
  close(fd);
  return sent;
}

namespace {

std::mutex g_childrenMutex;
std::set<long>& children() {
  static std::set<long> s;
  return s;
}

// How reaped children ended (their wait status), for callers that ask
// afterwards; bounded, oldest forgotten first.
std::map<long, int>& endStatuses() {
  static std::map<long, int> m;
  return m;
}
std::deque<long>& endOrder() {
  static std::deque<long> d;
  return d;
}

// Called with g_childrenMutex held.
void recordEnd(long pid, pid_t reaped, int status) {
  if (reaped != static_cast<pid_t>(pid)) return;
  constexpr std::size_t kKept = 256;
  if (endStatuses().insert_or_assign(pid, status).second) endOrder().push_back(pid);
  while (endOrder().size() > kKept) {
    endStatuses().erase(endOrder().front());
    endOrder().pop_front();
  }
}

}  // namespace

std::optional<int> endStatus(long pid) {
  std::lock_guard lock(g_childrenMutex);
  const auto it = endStatuses().find(pid);
  if (it == endStatuses().end()) return std::nullopt;
  return it->second;
}

void rememberChild(long pid) {
  std::lock_guard lock(g_childrenMutex);
  children().insert(pid);
}

bool isOurChild(long pid) {
  std::lock_guard lock(g_childrenMutex);
  return children().count(pid) != 0;
}

bool reapIfEnded(long pid) {
  if (pid <= 0) return true;
  {
    std::lock_guard lock(g_childrenMutex);
    if (children().count(pid)) {
      int status = 0;
      const pid_t r = waitpid(static_cast<pid_t>(pid), &status, WNOHANG);
      if (r == 0) return false;
      recordEnd(pid, r, status);
      // Reaped now, or someone else reaped it (ECHILD): either way it ended.
      children().erase(pid);
      return true;
    }
  }
  return !isRunning(pid);
}

void reapEnded() {
  std::lock_guard lock(g_childrenMutex);
  for (auto it = children().begin(); it != children().end();) {
    int status = 0;
    const pid_t r = waitpid(static_cast<pid_t>(*it), &status, WNOHANG);
    if (r == 0) {
      ++it;
    } else {
      recordEnd(*it, r, status);
      it = children().erase(it);
    }
  }
}

bool isRunning(long pid) {
  if (pid <= 0) return false;
  {
    std::lock_guard lock(g_childrenMutex);
    if (children().count(pid)) {
      int status = 0;
      const pid_t r = waitpid(static_cast<pid_t>(pid), &status, WNOHANG);
      if (r == 0) return true;
      recordEnd(pid, r, status);
      children().erase(pid);
      return false;
    }
  }
  if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
  const auto st = readProcStat(pid);
  return st && !st->ended();
}

}  // namespace vrel::host
