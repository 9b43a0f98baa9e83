// Language libraries: the binary string table, and the translation source
// it is built from. A source that reads builds a library that reads back.
#include "restore/shell/StringLibrary.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using vrel::restore::StringLibrary;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string error;
  (void)StringLibrary::parse(bytes, error);
  // The same bytes with a checksum that matches, so the entries are read.
  if (size >= 4) {
    std::string fixed(bytes);
    const std::uint32_t crc = vrel::restore::crc32Of(bytes.substr(0, size - 4));
    for (int i = 0; i < 4; ++i) fixed[size - 4 + static_cast<std::size_t>(i)] = static_cast<char>(crc >> (8 * i));
    (void)StringLibrary::parse(fixed, error);
  }

  vrel::restore::StringSource source;
  if (StringLibrary::parseSource(bytes, source, error)) {
    auto library = StringLibrary::parse(StringLibrary::build(source), error);
    if (!library || library->size() != source.strings.size()) std::abort();
    for (const auto& [id, text] : source.strings)
      if (library->text(id) != text) std::abort();
  }
  return 0;
}
