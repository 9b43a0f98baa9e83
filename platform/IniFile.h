// INI files as the Windows profile reader (GetPrivateProfileStringA) reads
// them: "[section]" lines, "key=value" lines, ';' comment lines; names
// compared without regard to case; blanks around names and values dropped;
// one pair of matching quotes around a value removed. Only the first section
// of a name is searched, and in it the first key of a name.
#pragma once

#include "platform/Files.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {

class IniFile {
 public:
  // Parses text already decoded to UTF-8.
  static IniFile parse(std::string_view text);
  // File bytes to UTF-8: a UTF-16LE, UTF-16BE or UTF-8 byte-order mark selects
  // that encoding; anything else is ANSI text.
  static std::string decode(std::string_view raw);

  // The value of the key in the section (quotes removed), or nothing when the
  // section or key is missing or the key's line has no '='.
  std::optional<std::string> value(std::string_view section, std::string_view key) const;

 private:
  struct Entry {
    std::string name;
    std::optional<std::string> value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  std::vector<Section> m_sections;
};

// GetPrivateProfileStringA: the value of the key, else the default (less its
// trailing blanks), passed through the ANSI code page and cut to size - 1
// characters as the API does with a buffer of that size. A missing file gives
// the default. status (optional) receives the outcome of reading the file:
// ok, 53/76 when it does not exist, another number when it exists but cannot
// be read.
std::string getPrivateProfileString(const Files& files, std::string_view section, std::string_view key,
                                    std::string_view defaultText, std::size_t size, std::string_view path,
                                    FileStatus* status = nullptr);

// WritePrivateProfileStringA: sets the key in the first section of that
// name (the section is added at the end when missing, the key after the
// section's last entry when missing) and keeps every other line as it was.
// A file that starts with a UTF-16LE byte-order mark stays UTF-16LE; any
// other file is written in the ANSI code page. A missing file is created.
FileStatus writePrivateProfileString(const Files& files, std::string_view section, std::string_view key,
                                     std::string_view value, std::string_view path);

}  // namespace vrel
