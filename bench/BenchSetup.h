// The set-up of the benchmarks that drive the stand-in tools: no fixed
// waits, and the tools of this build unless VREL_TOOLS names others.
#pragma once

#include <cstdlib>
#include <filesystem>

namespace vrel::bench {

inline void useThisBuildsTools() {
  setenv("VREL_TIME_SCALE", "0", 1);
  if (!std::getenv("VREL_TOOLS")) {
    const auto tools = std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "bin";
    setenv("VREL_TOOLS", tools.c_str(), 1);
  }
}

}  // namespace vrel::bench
