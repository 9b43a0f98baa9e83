#include "restore/accounts/RiloOutput.h"

#include "platform/Text.h"

namespace vrel::restore {

std::string failedStoreList(const std::string& riloOut) {
  std::string list;
  for (std::string line : split(riloOut, '\n')) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() >= 8 && line.compare(line.size() - 3, 3, "\"0\"") == 0)
      list += line.substr(0, line.size() - 4) + "\r\n\r\n";
  }
  return list;
}

}  // namespace vrel::restore
