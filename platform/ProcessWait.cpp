// Processes::wait: a pidfd where the kernel has them, else polling.
#include "platform/ProcessHost.h"
#include "platform/Processes.h"
#include "platform/TimeScale.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <optional>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vrel {

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until the deadline, for poll(): -1 without one, capped
// so the value fits an int.
int remainingMs(const std::optional<Clock::time_point>& deadline) {
  if (!deadline) return -1;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

bool pastDeadline(const std::optional<Clock::time_point>& deadline) { return deadline && Clock::now() >= *deadline; }

WaitResult waitPidfd(int fd, long pid, const std::optional<Clock::time_point>& deadline, std::string* error) {
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    const int r = poll(&p, 1, remainingMs(deadline));
    if (r > 0) {
      host::reapIfEnded(pid);
      return WaitResult::Ended;
    }
    if (r == 0) {
      if (pastDeadline(deadline)) return WaitResult::TimedOut;
      continue;
    }
    if (errno == EINTR) continue;
    if (error) *error = std::strerror(errno);
    return WaitResult::Failed;
  }
}

WaitResult waitPolling(long pid, const std::optional<Clock::time_point>& deadline) {
  constexpr auto kStep = std::chrono::milliseconds(10);
  for (;;) {
    if (host::reapIfEnded(pid)) return WaitResult::Ended;
    if (pastDeadline(deadline)) return WaitResult::TimedOut;
    auto step = kStep;
    if (deadline) step = std::min(step, std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()));
    std::this_thread::sleep_for(std::max(step, std::chrono::milliseconds(0)));
  }
}

}  // namespace

WaitResult Processes::wait(long pid, std::uint32_t timeoutMs, std::string* error) {
  if (pid <= 0) return WaitResult::Ended;
  host::reapEnded();
  if (host::reapIfEnded(pid)) return WaitResult::Ended;

  std::optional<Clock::time_point> deadline;
  if (timeoutMs != kWaitInfinite) deadline = Clock::now() + std::chrono::milliseconds(scaledTimeoutMs(timeoutMs));

  const int fd = host::pidfdOpen(pid);
  if (fd >= 0) {
    const WaitResult r = waitPidfd(fd, pid, deadline, error);
    close(fd);
    return r;
  }
  if (errno == ESRCH) {
    host::reapIfEnded(pid);
    return WaitResult::Ended;
  }
  // No pidfds here (ENOSYS) or none to spare: poll the process instead.
  return waitPolling(pid, deadline);
}

bool Processes::endedAbnormally(long pid) {
  const std::optional<int> status = host::endStatus(pid);
  return status && WIFSIGNALED(*status);
}

}  // namespace vrel
