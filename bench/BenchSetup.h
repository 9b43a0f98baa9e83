// The set-up of the benchmarks that drive the stand-in tools: no fixed
// waits, the tools of this build unless VREL_TOOLS names others, and a
// scratch folder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vrel::bench {

inline void useThisBuildsTools() {
  setenv("VREL_TIME_SCALE", "0", 1);
  if (!std::getenv("VREL_TOOLS")) {
    const auto tools = std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "bin";
    setenv("VREL_TOOLS", tools.c_str(), 1);
  }
}

// A new folder for the benchmark's machines under TMPDIR (default /tmp),
// or an empty string. TMPDIR=/dev/shm measures without the disk.
inline std::string scratchFolder(const char* name) {
  const char* tmp = std::getenv("TMPDIR");
  std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + "-XXXXXX";
  return mkdtemp(path.data()) ? path : std::string();
}

}  // namespace vrel::bench
