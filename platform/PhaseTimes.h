// Wall-clock times of a program's phases for the benchmarks: when the
// environment names a host file in VREL_PHASE_TIMES, each timed phase appends
// one line "NAME<TAB>SECONDS" to it as it ends, and the program's peak
// memory can be appended the same way. Without the variable nothing is
// measured or written.
#pragma once

#include <chrono>
#include <string>

namespace vrel {

class PhaseTimer {
 public:
  explicit PhaseTimer(const char* name);
  ~PhaseTimer();
  PhaseTimer(const PhaseTimer&) = delete;
  PhaseTimer& operator=(const PhaseTimer&) = delete;

 private:
  const char* m_name;
  bool m_on;
  std::chrono::steady_clock::time_point m_start;
};

// Appends "peak-memory-kb<TAB>N": this process's largest resident set so far.
void recordPeakMemory();

}  // namespace vrel
