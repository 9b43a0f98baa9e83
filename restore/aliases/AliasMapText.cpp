#include "restore/aliases/AliasMapText.h"

#include "platform/Text.h"

#include <array>
#include <cstdio>

namespace vrel::restore {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Characters Windows refuses in a file name; '\' '/' and ':' would also
// lead the name out of its folder or onto another drive.
constexpr std::string_view kNotInFileNames = "\\/:*?\"<>|";

constexpr std::array<std::string_view, 22> kDeviceNames = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};

bool isControl(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

}  // namespace

std::vector<std::string> mappingFileLines(std::string_view data) {
  std::string text;
  if (data.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    // Through UTF-16 and back, so bytes that are no UTF-8 become U+FFFD
    // instead of reaching the database as they are.
    text = utf16ToUtf8(utf8ToUtf16(data.substr(kUtf8Mark.size())));
  } else {
    text = ansiToUtf8(data);
  }
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

AliasColumns findAliasColumns(const std::vector<std::string>& fields) {
  AliasColumns columns;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::string name = trim(fields[i]);
    if (iequals(name, "NEW_ALIAS")) columns.newAlias = static_cast<int>(i);
    if (iequals(name, "OLD_ALIAS")) columns.oldAlias = static_cast<int>(i);
  }
  return columns;
}

std::string aliasFileNameFault(std::string_view alias) {
  for (const char c : alias) {
    if (isControl(static_cast<unsigned char>(c))) return "it holds a control character";
    if (kNotInFileNames.find(c) != std::string_view::npos)
      return std::string("it holds the character ") + c + ", which a file name cannot hold";
  }
  if (alias == "." || alias == "..") return "it names a folder, not a file";
  const std::string_view base = alias.substr(0, alias.find('.'));
  for (const std::string_view device : kDeviceNames)
    if (iequals(trim(base), device)) return "it is the name of a device";
  return {};
}

std::string printableAlias(std::string_view alias) {
  std::string out;
  for (const char c : alias) {
    if (!isControl(static_cast<unsigned char>(c))) {
      out += c;
      continue;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "<0x%02X>", static_cast<unsigned>(static_cast<unsigned char>(c)));
    out += hex;
  }
  return out;
}

}  // namespace vrel::restore
