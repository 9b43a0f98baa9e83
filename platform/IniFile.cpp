#include "platform/IniFile.h"

#include "platform/Text.h"

namespace vrel {

namespace {

// The profile reader's blanks: white space, plus CR and ^Z (DOS end of file).
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n' || c == 0x1A;
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view trimTrailingBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string utf16ToUtf8(std::string_view raw, bool bigEndian) {
  std::u16string w;
  w.reserve(raw.size() / 2);
  for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
    const auto a = static_cast<unsigned char>(raw[i]);
    const auto b = static_cast<unsigned char>(raw[i + 1]);
    w += static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
  }
  return vrel::utf16ToUtf8(w);
}

std::string_view unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// What the A-API hands back in a buffer of `size` characters.
std::string throughAnsiBuffer(std::string_view utf8, std::size_t size) {
  if (size == 0) return {};
  std::string ansi = utf8ToAnsi(utf8);
  if (ansi.size() > size - 1) ansi.resize(size - 1);
  return ansiToUtf8(ansi);
}

}  // namespace

std::string IniFile::decode(std::string_view raw) {
  if (raw.starts_with("\xEF\xBB\xBF")) return std::string(raw.substr(3));
  if (raw.starts_with("\xFF\xFE")) return utf16ToUtf8(raw.substr(2), false);
  if (raw.starts_with("\xFE\xFF")) return utf16ToUtf8(raw.substr(2), true);
  return ansiToUtf8(raw);
}

IniFile IniFile::parse(std::string_view text) {
  IniFile ini;
  // Lines before the first section header belong to a nameless section that
  // no lookup can name.
  ini.m_sections.push_back({});
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = trimBlanks(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        ini.m_sections.push_back({std::string(trimBlanks(line.substr(1, close - 1))), {}});
        continue;
      }
    }
    Entry entry;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      entry.name = std::string(line);
    } else {
      entry.name = std::string(trimBlanks(line.substr(0, eq)));
      entry.value = std::string(trimBlanks(line.substr(eq + 1)));
    }
    ini.m_sections.back().entries.push_back(std::move(entry));
  }
  return ini;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
  section = trimBlanks(section);
  key = trimBlanks(key);
  for (std::size_t i = 1; i < m_sections.size(); ++i) {
    if (!iequals(m_sections[i].name, section)) continue;
    for (const Entry& e : m_sections[i].entries) {
      if (!iequals(e.name, key)) continue;
      if (!e.value) return std::nullopt;
      return std::string(unquote(*e.value));
    }
    return std::nullopt;  // later sections of the same name are not searched
  }
  return std::nullopt;
}

std::string getPrivateProfileString(const Files& files, std::string_view section, std::string_view key,
                                    std::string_view defaultText, std::size_t size, std::string_view path,
                                    FileStatus* status) {
  std::string raw;
  const FileStatus read = files.readAll(path, raw);
  if (status) *status = read;
  std::optional<std::string> found;
  if (read && !trimBlanks(key).empty()) found = IniFile::parse(IniFile::decode(raw)).value(section, key);
  return throughAnsiBuffer(found ? std::string_view(*found) : trimTrailingBlanks(defaultText), size);
}

FileStatus writePrivateProfileString(const Files& files, std::string_view section, std::string_view key,
                                     std::string_view value, std::string_view path) {
  std::string raw;
  if (files.fileExists(path)) {
    if (const FileStatus st = files.readAll(path, raw); !st) return st;
  }
  const bool utf16 = raw.starts_with("\xFF\xFE");
  const std::string text = IniFile::decode(raw);

  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  const std::string entry = std::string(trimBlanks(key)) + "=" + std::string(value);
  // The first section of the name: where it starts, and its last entry.
  std::size_t header = lines.size();
  for (std::size_t i = 0; i < lines.size() && header == lines.size(); ++i) {
    const std::string_view l = trimBlanks(lines[i]);
    const std::size_t close = l.rfind(']');
    if (l.starts_with('[') && close != std::string_view::npos && iequals(trimBlanks(l.substr(1, close - 1)), section))
      header = i;
  }
  if (header == lines.size()) {
    lines.push_back("[" + std::string(section) + "]");
    lines.push_back(entry);
  } else {
    std::size_t last = header;
    bool replaced = false;
    for (std::size_t i = header + 1; i < lines.size() && !replaced; ++i) {
      const std::string_view l = trimBlanks(lines[i]);
      if (l.starts_with('[')) break;
      if (l.empty() || l.front() == ';') continue;
      last = i;
      const std::size_t eq = l.find('=');
      if (eq != std::string_view::npos && iequals(trimBlanks(l.substr(0, eq)), trimBlanks(key))) {
        lines[i] = entry;
        replaced = true;
      }
    }
    if (!replaced) lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last + 1), entry);
  }
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  if (!utf16) return files.writeAll(path, utf8ToAnsi(out));
  const Bytes wide = utf8ToUtf16le(out, false);
  return files.writeAll(path, "\xFF\xFE" + std::string(wide.begin(), wide.end()));
}

}  // namespace vrel
