// ExMerge's log: its summary line and the two counts in it.
#include "platform/IniFile.h"
#include "restore/messages/ExMergeSummary.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const std::string line = vrel::restore::exMergeSummaryLine(vrel::IniFile::decode(raw));
  (void)vrel::restore::readExMergeSummary(line);
  // The input as the summary line itself, so the counts are reached at once.
  (void)vrel::restore::readExMergeSummary(std::string(raw));
  return 0;
}
