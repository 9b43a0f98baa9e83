// A language library: the restore program's texts in one language, stored as
// a small binary string table in a file next to the program
// ("VrelRestore_DEU.dll"). The file is only read, never executed. The format
// (docs/language-libraries.md): magic "VSTR", format version, language ID,
// entry count, entries of (ID, UTF-8 text) in ascending ID order, CRC-32.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace vrel {
class Files;
}

namespace vrel::restore {

// The texts of one translation as its source file "lang/DEU.txt" gives them.
struct StringSource {
  std::int32_t languageId = 0;
  std::map<int, std::string> strings;
};

class StringLibrary {
 public:
  static constexpr char kMagic[4] = {'V', 'S', 'T', 'R'};
  static constexpr std::uint16_t kFormatVersion = 1;
  static constexpr int kMaxId = 65535;                   // string IDs are 16-bit
  static constexpr std::size_t kMaxFileSize = 4u << 20;  // anything larger is not a library of ours
  static constexpr std::size_t kMaxTextBytes = 65535;

  // Reads a library from its bytes. A damaged library (wrong magic or
  // version, truncated, bad checksum, entries out of order, text that is not
  // UTF-8) gives nullptr and the reason in error.
  static std::unique_ptr<StringLibrary> parse(std::string_view bytes, std::string& error);
  // Reads the library file at a Windows path; nullptr with the reason when
  // it is missing or damaged.
  static std::unique_ptr<StringLibrary> load(const Files& files, const std::string& path, std::string& error);

  // The library file of a translation.
  static std::string build(const StringSource& source);
  // Reads a translation source: "language <ID>" once, then one entry per
  // line, "<ID> "<text>"" with the escapes \" \\ \n \r \t; '#' starts a
  // comment line. Errors name the line.
  static bool parseSource(std::string_view text, StringSource& out, std::string& error);

  std::int32_t languageId() const { return m_languageId; }
  std::size_t size() const { return m_strings.size(); }
  // The text of an ID; empty when the library has none.
  std::string_view text(int id) const;

 private:
  std::int32_t m_languageId = 0;
  std::map<int, std::string> m_strings;
};

// CRC-32 (the polynomial of zip and PNG) of a block of bytes.
std::uint32_t crc32Of(std::string_view bytes);

}  // namespace vrel::restore
