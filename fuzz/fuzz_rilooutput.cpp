// "RILO.OUT" read back by the restore program: the list of failed stores.
#include "platform/Text.h"
#include "restore/accounts/RiloOutput.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  (void)vrel::restore::failedStoreList(vrel::ansiToUtf8(text));
  return 0;
}
