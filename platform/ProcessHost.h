// Host-process primitives behind the machine's process table and the
// process runner. Internal to platform/.
#pragma once

#include <cstdint>
#include <optional>

namespace vrel::host {

// What /proc/<pid>/stat tells about a process.
struct ProcStat {
  std::uint64_t startTime = 0;  // clock ticks after boot; tells a reused pid apart
  char state = '?';             // 'Z' zombie, 'X' dead, others alive
  bool ended() const { return state == 'Z' || state == 'X'; }
};
std::optional<ProcStat> readProcStat(long pid);

// A pidfd for pid, or -1 with errno set (ENOSYS where the kernel lacks it).
int pidfdOpen(long pid);

// Sends sig to pid only while it is still the process that started at
// startTime. Uses a pidfd where the kernel has them, so a pid reused between
// the check and the signal cannot be hit. False when the process is gone or
// another one holds the pid.
bool signalIfSame(long pid, std::uint64_t startTime, int sig);

// Children this process spawned and has not reaped yet. The runner records
// each child; reapEnded() collects every one that has ended, so a child that
// outlived its wait does not stay a zombie once a later call comes by.
void rememberChild(long pid);
bool isOurChild(long pid);
// Reaps pid if it is our child and has ended; true when it was reaped now
// (or is not our child and no longer runs).
bool reapIfEnded(long pid);
void reapEnded();
// The wait status of a child reaped here (as waitpid gives it); nothing for
// a child not reaped yet, not ours, or reaped long ago.
std::optional<int> endStatus(long pid);

// True while pid runs: our own child until reaped, another process until it
// is gone or a zombie.
bool isRunning(long pid);

}  // namespace vrel::host
