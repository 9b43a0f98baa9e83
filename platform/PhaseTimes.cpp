#include "platform/PhaseTimes.h"

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace vrel {

namespace {

const char* timesFile() {
  const char* file = std::getenv("VREL_PHASE_TIMES");
  return file && *file ? file : nullptr;
}

void appendLine(const char* name, const std::string& value) {
  const char* file = timesFile();
  if (!file) return;
  if (std::FILE* f = std::fopen(file, "a")) {
    std::fprintf(f, "%s\t%s\n", name, value.c_str());
    std::fclose(f);
  }
}

}  // namespace

PhaseTimer::PhaseTimer(const char* name) : m_name(name), m_on(timesFile() != nullptr) {
  if (m_on) m_start = std::chrono::steady_clock::now();
}

PhaseTimer::~PhaseTimer() {
  if (!m_on) return;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count());
  appendLine(m_name, seconds);
}

void recordPeakMemory() {
  if (!timesFile()) return;
  struct rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) == 0) appendLine("peak-memory-kb", std::to_string(usage.ru_maxrss));
}

}  // namespace vrel
