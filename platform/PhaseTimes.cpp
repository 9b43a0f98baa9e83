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

void recordPhaseTime(const std::string& name, double seconds) {
  if (!timesFile()) return;
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  appendLine(name.c_str(), text);
}

void recordPeakMemory() {
  if (!timesFile()) return;
  struct rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) == 0) appendLine("peak-memory-kb", std::to_string(usage.ru_maxrss));
}

}  // namespace vrel
