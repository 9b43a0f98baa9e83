#include "restore/shell/StringLibrary.h"

#include "platform/Files.h"

#include <array>
#include <charconv>
#include <cstring>

namespace vrel::restore {

namespace {

constexpr std::size_t kHeaderSize = 16;  // magic, version, flags, language, count
constexpr std::size_t kEntryHeaderSize = 8;
constexpr std::size_t kTrailerSize = 4;

std::array<std::uint32_t, 256> makeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

void putU16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void putU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t getU32(std::string_view b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

std::uint16_t getU16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no NUL.
bool validUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == 0) return false;
    int extra = 0;
    std::uint32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (int k = 1; k <= extra; ++k) {
      const auto d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static constexpr std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

bool readEntries(std::string_view b, std::uint32_t count, std::map<int, std::string>& out, std::string& error) {
  std::size_t at = kHeaderSize;
  const std::size_t end = b.size() - kTrailerSize;
  int previous = -1;
  for (std::uint32_t n = 0; n < count; ++n) {
    if (end - at < kEntryHeaderSize) return error = "entry " + std::to_string(n) + " is truncated", false;
    const std::uint32_t id = getU32(b, at);
    const std::uint32_t length = getU32(b, at + 4);
    at += kEntryHeaderSize;
    if (id > static_cast<std::uint32_t>(StringLibrary::kMaxId) || static_cast<int>(id) <= previous)
      return error = "entry " + std::to_string(n) + " has ID " + std::to_string(id) + " out of order or range", false;
    if (length > StringLibrary::kMaxTextBytes || end - at < length)
      return error = "text of ID " + std::to_string(id) + " is truncated", false;
    std::string_view text = b.substr(at, length);
    if (!validUtf8(text)) return error = "text of ID " + std::to_string(id) + " is not UTF-8", false;
    out.emplace(static_cast<int>(id), std::string(text));
    previous = static_cast<int>(id);
    at += length;
  }
  if (at != end) return error = "bytes left over after the last entry", false;
  return true;
}

// One quoted text with its escapes; pos starts at the opening quote.
bool readQuoted(std::string_view line, std::size_t pos, std::string& out, std::string& error) {
  out.clear();
  for (std::size_t i = pos + 1; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') {
      if (line.find_first_not_of(" \t\r", i + 1) != std::string_view::npos)
        return error = "text after the closing quote", false;
      return true;
    }
    if (c == '\\') {
      if (++i == line.size()) break;
      switch (line[i]) {
        case '"':
          c = '"';
          break;
        case '\\':
          c = '\\';
          break;
        case 'n':
          c = '\n';
          break;
        case 'r':
          c = '\r';
          break;
        case 't':
          c = '\t';
          break;
        default:
          return error = std::string("unknown escape \\") + line[i], false;
      }
    }
    out.push_back(c);
  }
  return error = "missing closing quote", false;
}

bool parseNumber(std::string_view text, long long& value) {
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && p == text.data() + text.size();
}

bool parseSourceLine(std::string_view line, StringSource& out, bool& haveLanguage, std::string& error) {
  const std::size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string_view::npos || line[first] == '#') return true;
  line.remove_prefix(first);
  const std::size_t gap = line.find_first_of(" \t");
  const std::string_view head = line.substr(0, gap);
  // Where the value after the head starts; npos when nothing follows it.
  const std::size_t rest = gap == std::string_view::npos ? gap : line.find_first_not_of(" \t", gap);
  long long number = 0;
  if (head == "language") {
    const std::string_view value = rest == std::string_view::npos ? std::string_view() : line.substr(rest);
    if (haveLanguage) return error = "second language line", false;
    if (!parseNumber(vrel::trim(value), number) || number <= 0 || number > 0x7FFFFFFF)
      return error = "language needs a language ID", false;
    out.languageId = static_cast<std::int32_t>(number);
    haveLanguage = true;
    return true;
  }
  if (!parseNumber(head, number) || number < 0 || number > StringLibrary::kMaxId)
    return error = "expected a string ID (0 to 65535)", false;
  if (rest == std::string_view::npos || line[rest] != '"') return error = "expected a quoted text", false;
  std::string text;
  if (!readQuoted(line, rest, text, error)) return false;
  if (!validUtf8(text)) return error = "text is not UTF-8", false;
  // The library holds at most this much per text; a longer one would build a
  // library its reader refuses.
  if (text.size() > StringLibrary::kMaxTextBytes)
    return error = "text longer than " + std::to_string(StringLibrary::kMaxTextBytes) + " bytes", false;
  if (!out.strings.emplace(static_cast<int>(number), std::move(text)).second)
    return error = "ID " + std::to_string(number) + " given twice", false;
  return true;
}

}  // namespace

std::uint32_t crc32Of(std::string_view bytes) {
  static const auto kTable = makeCrcTable();
  std::uint32_t c = 0xFFFFFFFFu;
  for (char ch : bytes) c = kTable[(c ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::unique_ptr<StringLibrary> StringLibrary::parse(std::string_view b, std::string& error) {
  if (b.size() > kMaxFileSize) return error = "file too large", nullptr;
  if (b.size() < kHeaderSize + kTrailerSize) return error = "file too short", nullptr;
  if (std::memcmp(b.data(), kMagic, sizeof kMagic) != 0) return error = "not a language library", nullptr;
  if (getU16(b, 4) != kFormatVersion) return error = "unknown format version", nullptr;
  const std::string_view body = b.substr(0, b.size() - kTrailerSize);
  if (crc32Of(body) != getU32(b, b.size() - kTrailerSize)) return error = "checksum mismatch", nullptr;
  auto library = std::make_unique<StringLibrary>();
  library->m_languageId = static_cast<std::int32_t>(getU32(b, 8));
  if (!readEntries(b, getU32(b, 12), library->m_strings, error)) return nullptr;
  return library;
}

std::unique_ptr<StringLibrary> StringLibrary::load(const Files& files, const std::string& path, std::string& error) {
  if (!files.fileExists(path)) return error = "no library " + path, nullptr;
  std::string bytes;
  if (FileStatus st = files.readAll(path, bytes); !st) return error = st.description + ": " + path, nullptr;
  auto library = parse(bytes, error);
  if (!library) error = path + ": " + error;
  return library;
}

std::string StringLibrary::build(const StringSource& source) {
  std::string out(kMagic, sizeof kMagic);
  putU16(out, kFormatVersion);
  putU16(out, 0);
  putU32(out, static_cast<std::uint32_t>(source.languageId));
  putU32(out, static_cast<std::uint32_t>(source.strings.size()));
  for (const auto& [id, text] : source.strings) {
    putU32(out, static_cast<std::uint32_t>(id));
    putU32(out, static_cast<std::uint32_t>(text.size()));
    out += text;
  }
  putU32(out, crc32Of(out));
  return out;
}

bool StringLibrary::parseSource(std::string_view text, StringSource& out, std::string& error) {
  out = {};
  bool haveLanguage = false;
  std::size_t lineNo = 0;
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    const std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    ++lineNo;
    if (!parseSourceLine(line, out, haveLanguage, error)) {
      error = "line " + std::to_string(lineNo) + ": " + error;
      return false;
    }
  }
  if (!haveLanguage) return error = "no language line", false;
  return true;
}

std::string_view StringLibrary::text(int id) const {
  auto it = m_strings.find(id);
  return it == m_strings.end() ? std::string_view() : std::string_view(it->second);
}

}  // namespace vrel::restore
