// INI files: decoding the file's bytes, then the profile reader's lookups.
#include "platform/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const vrel::IniFile ini = vrel::IniFile::parse(vrel::IniFile::decode(raw));
  // Names the stand-in's files use, and names cut from the input itself.
  for (std::string_view section : {"Settings", "General", ""})
    for (std::string_view key : {"InstallDir", "Version", ""}) (void)ini.value(section, key);
  const std::size_t half = size / 2;
  (void)ini.value(raw.substr(0, half), raw.substr(half));
  return 0;
}
