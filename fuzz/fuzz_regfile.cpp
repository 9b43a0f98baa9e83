// .reg files: the reader the registry editor's import uses.
#include "platform/registry/RegFileReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const vrel::Bytes file(data, data + size);
  vrel::RegFileContent content;
  std::string error;
  // A small line limit as well, so the limit's own path is reached.
  vrel::RegFileReader().read(file, content, error);
  vrel::RegFileContent small;
  vrel::RegFileReader(64).read(file, small, error);
  return 0;
}
