// Rilo's input file: its entries and the output line of each.
#include "platform/Text.h"
#include "rilo/RiloInput.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const std::string& raw : vrel::rilo::inputEntries(text)) (void)vrel::rilo::outputLine(vrel::ansiToUtf8(raw), 1);
  return 0;
}
