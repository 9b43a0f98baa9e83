#include "restore/gui/DialogFilters.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace vrel::restore {

namespace {

std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::string trimmed(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

std::string cased(std::string s, int (*change)(int)) {
  std::transform(s.begin(), s.end(), s.begin(), [change](unsigned char c) { return static_cast<char>(change(c)); });
  return s;
}

// "*.csv;*.Txt" -> "*.csv *.CSV *.Txt *.txt *.TXT": each pattern as given,
// then in lower and upper case, without repeats.
std::string patternList(std::string_view patterns) {
  std::vector<std::string> out;
  auto addOnce = [&out](const std::string& p) {
    if (!p.empty() && std::find(out.begin(), out.end(), p) == out.end()) out.push_back(p);
  };
  for (const std::string& raw : split(patterns, ';')) {
    for (const std::string& word : split(raw, ' ')) {
      const std::string p = trimmed(word);
      addOnce(p);
      addOnce(cased(p, ::tolower));
      addOnce(cased(p, ::toupper));
    }
  }
  std::string joined;
  for (const std::string& p : out) joined += (joined.empty() ? "" : " ") + p;
  return joined;
}

}  // namespace

std::string qtFilter(std::string_view windowsFilter) {
  const std::string text = trimmed(windowsFilter);
  if (text.empty()) return {};
  const std::vector<std::string> parts = split(text, '|');
  if (parts.size() == 1) return patternList(parts[0]);
  std::string out;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    const std::string patterns = patternList(parts[i + 1]);
    if (patterns.empty()) continue;
    // Qt reads the patterns from the parentheses at the end of the entry, so
    // a description that already names them gets them once more in full.
    std::string description = trimmed(parts[i]);
    if (description.empty()) description = trimmed(parts[i + 1]);
    out += (out.empty() ? "" : ";;") + description + " (" + patterns + ")";
  }
  // A trailing description without patterns is dropped, as Windows does.
  return out;
}

}  // namespace vrel::restore
