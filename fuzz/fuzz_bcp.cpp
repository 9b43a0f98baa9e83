// The bulk-copy program's native data files. The column count the table
// would have is the one the file claims (kept small), so the rows are read.
#include "standin/bcp/BcpNative.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  std::size_t columns = 3;
  if (size >= 12) {
    columns = 0;
    for (int i = 11; i >= 8; --i) columns = (columns << 8) | data[i];
    if (columns > 64) columns = 3;
  }
  std::vector<vrel::bcp::Row> rows;
  std::string reason;
  (void)vrel::bcp::parseNativeFile(file, columns, rows, reason);
  return 0;
}
