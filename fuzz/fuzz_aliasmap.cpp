// The alias mapping file: its lines, the header's columns, and the check of
// every alias on the other lines, as the browse-time check and the remapping
// read them.
#include "platform/Text.h"
#include "restore/aliases/AliasMapText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = vrel::restore::mappingFileLines(raw);
  if (lines.empty()) return 0;
  const vrel::restore::AliasColumns columns = vrel::restore::findAliasColumns(vrel::split(lines[0], ','));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> fields = vrel::split(lines[i], ',');
    for (int at : {columns.oldAlias, columns.newAlias}) {
      if (at < 0 || static_cast<std::size_t>(at) >= fields.size()) continue;
      const std::string alias = vrel::trim(fields[static_cast<std::size_t>(at)]);
      (void)vrel::restore::aliasFileNameFault(alias);
      (void)vrel::restore::printableAlias(alias);
    }
  }
  return 0;
}
