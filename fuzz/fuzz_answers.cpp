// The headless front-end's answers file, and its command-line options.
#include "platform/CommandLine.h"
#include "restore/headless/HeadlessOptions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  vrel::restore::HeadlessOptions options;
  std::string error;
  (void)vrel::restore::parseAnswerText(text, options, error);
  (void)options.pressRestore();
  vrel::restore::HeadlessOptions merged;
  merged.overrideWith(options);

  vrel::restore::ProgramArguments arguments;
  (void)vrel::restore::parseProgramArguments(vrel::parseArguments(text), arguments, error);
  return 0;
}
