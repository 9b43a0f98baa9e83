// Recordset criteria: the texts Find and Filter take.
#include "platform/data/AdoError.h"
#include "platform/data/Criteria.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    (void)vrel::data::parseFindCriteria(text);
  } catch (const vrel::data::AdoError&) {
  }
  try {
    (void)vrel::data::parseFilterCriteria(text);
  } catch (const vrel::data::AdoError&) {
  }
  return 0;
}
