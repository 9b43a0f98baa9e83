// The Windows command line: splitting into argv, and quoting that must
// survive the splitting unchanged.
#include "platform/CommandLine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> argv = vrel::parseCommandLine(line);
  (void)vrel::argumentsText(line);
  (void)vrel::splitProgramPart(line);

  // Every argument quoted and parsed back gives the same arguments.
  const std::vector<std::string> args = vrel::parseArguments(line);
  std::string joined;
  for (const std::string& a : args) joined += (joined.empty() ? "" : " ") + vrel::quoteArgument(a);
  if (vrel::parseArguments(joined) != args) std::abort();
  // The input's bytes as one argument survive quoting too.
  if (line.find('\0') == std::string_view::npos) {
    const std::vector<std::string> one = vrel::parseArguments(vrel::quoteArgument(line));
    if (one.size() != 1 || one[0] != line) std::abort();
  }
  return 0;
}
