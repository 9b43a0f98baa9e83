#include "platform/Text.h"

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <locale.h>
#include <vector>

namespace vrel {

namespace {

// Decodes one UTF-8 sequence at s[i]; advances i. Returns U+FFFD on errors.
char32_t decodeUtf8(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i++]);
  if (b0 < 0x80) return b0;
  int extra = 0;
  char32_t cp = 0;
  if ((b0 & 0xE0) == 0xC0) { extra = 1; cp = b0 & 0x1F; }
  else if ((b0 & 0xF0) == 0xE0) { extra = 2; cp = b0 & 0x0F; }
  else if ((b0 & 0xF8) == 0xF0) { extra = 3; cp = b0 & 0x07; }
  else return 0xFFFD;
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size()) return 0xFFFD;
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (b & 0x3F);
    ++i;
  }
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
  return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Windows-1252 0x80..0x9F; 0 marks the five unassigned bytes.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

locale_t utf8Locale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return l;
  }();
  return loc;
}

char32_t upper(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  locale_t loc = utf8Locale();
  if (!loc) return c;
  return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), loc));
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp = decodeUtf8(s, i);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    appendUtf8(out, cp);
  }
  return out;
}

Bytes utf8ToUtf16le(std::string_view s, bool terminate) {
  const std::u16string w = utf8ToUtf16(s);
  Bytes out;
  out.reserve(w.size() * 2 + 2);
  for (char16_t c : w) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  if (terminate) {
    out.push_back(0);
    out.push_back(0);
  }
  return out;
}

std::string utf16leToUtf8(const std::uint8_t* data, std::size_t size) {
  std::u16string w;
  w.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2)
    w += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  return utf16ToUtf8(w);
}

std::string ansiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char ch : ansi) {
    const auto b = static_cast<unsigned char>(ch);
    char32_t cp = b;
    if (b >= 0x80 && b < 0xA0) cp = kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : b;
    appendUtf8(out, cp);
  }
  return out;
}

bool isAscii(std::string_view s) {
  // Eight bytes at a time: the high bits of all of them, or-ed together.
  const char* p = s.data();
  std::size_t n = s.size();
  std::uint64_t bits = 0;
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    bits |= word;
  }
  for (; n > 0; ++p, --n) bits |= static_cast<unsigned char>(*p);
  return (bits & 0x8080808080808080ull) == 0;
}

namespace {

char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

}  // namespace

std::string utf8ToAnsi(std::string_view utf8) {
  if (isAscii(utf8)) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t cp = decodeUtf8(utf8, i);
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
      continue;
    }
    char mapped = '?';
    for (int k = 0; k < 32; ++k)
      if (kCp1252High[k] == cp) mapped = static_cast<char>(0x80 + k);
    out += mapped;
  }
  return out;
}

std::string foldCase(std::string_view s) {
  std::string out;
  if (isAscii(s)) {
    out.resize(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) out[i] = asciiUpper(s[i]);
    return out;
  }
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) appendUtf8(out, upper(decodeUtf8(s, i)));
  return out;
}

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() == b.size()) {
    bool same = true;
    for (std::size_t i = 0; i < a.size() && same; ++i) {
      const auto x = static_cast<unsigned char>(a[i]);
      const auto y = static_cast<unsigned char>(b[i]);
      if (x >= 0x80 || y >= 0x80) return foldCase(a) == foldCase(b);
      same = (x == y) || ((x | 0x20) == (y | 0x20) && (x | 0x20) >= 'a' && (x | 0x20) <= 'z');
    }
    return same;
  }
  // Folding keeps the length of ASCII text: different lengths differ.
  if (isAscii(a) && isAscii(b)) return false;
  return foldCase(a) == foldCase(b);
}

std::size_t ifind(std::string_view hay, std::string_view needle, std::size_t from) {
  from = std::min(from, hay.size());
  if (isAscii(hay) && isAscii(needle)) {
    // Compared in place: no folded copies of either.
    if (needle.size() > hay.size()) return std::string::npos;
    if (needle.empty()) return from;
    if (from > hay.size() - needle.size()) return std::string::npos;
    auto matchesAt = [&](std::size_t at) {
      for (std::size_t k = 0; k < needle.size(); ++k)
        if (asciiUpper(hay[at + k]) != asciiUpper(needle[k])) return false;
      return true;
    };
    // A character that case does not change (a drive's colon, a backslash)
    // is found with memchr; only there is the rest compared.
    const auto caseless = [](char c) { return (c | 0x20) < 'a' || (c | 0x20) > 'z'; };
    const auto anchor = static_cast<std::size_t>(std::find_if(needle.begin(), needle.end(), caseless) - needle.begin());
    if (anchor < needle.size()) {
      const char* const begin = hay.data();
      const char* const last = begin + (hay.size() - needle.size()) + anchor;  // the anchor's last place
      for (const char* p = begin + from + anchor; p <= last;) {
        p = static_cast<const char*>(std::memchr(p, needle[anchor], static_cast<std::size_t>(last - p) + 1));
        if (!p) break;
        const std::size_t at = static_cast<std::size_t>(p - begin) - anchor;
        if (matchesAt(at)) return at;
        ++p;
      }
      return std::string::npos;
    }
    // Otherwise only where the first character matches, in either case, is
    // the rest compared.
    const char first = asciiUpper(needle[0]);
    const char other = first >= 'A' && first <= 'Z' ? static_cast<char>(first + 32) : first;
    for (std::size_t at = from; at + needle.size() <= hay.size(); ++at) {
      if (hay[at] != first && hay[at] != other) continue;
      std::size_t k = 1;
      while (k < needle.size() && asciiUpper(hay[at + k]) == asciiUpper(needle[k])) ++k;
      if (k == needle.size()) return at;
    }
    return std::string::npos;
  }
  const std::string n = foldCase(needle);
  // Folding may change byte lengths outside ASCII: fold character by
  // character and keep, for every folded byte, the offset of its character.
  std::string h;
  std::vector<std::size_t> origin;
  h.reserve(hay.size());
  origin.reserve(hay.size() + 1);
  for (std::size_t i = 0; i < hay.size();) {
    const std::size_t start = i;
    appendUtf8(h, upper(decodeUtf8(hay, i)));
    origin.resize(h.size(), start);
  }
  origin.push_back(hay.size());
  const auto first = std::lower_bound(origin.begin(), origin.end(), from);
  const std::size_t pos = h.find(n, static_cast<std::size_t>(first - origin.begin()));
  return pos == std::string::npos ? std::string::npos : origin[pos];
}

bool wildcardMatch(std::string_view pattern, std::string_view name) {
  const std::u16string p = utf8ToUtf16(foldCase(pattern));
  const std::u16string n = utf8ToUtf16(foldCase(name));
  std::size_t pi = 0, ni = 0, star = std::u16string::npos, mark = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == u'?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == u'*') {
      star = pi++;
      mark = ni;
    } else if (star != std::u16string::npos) {
      pi = star + 1;
      ni = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == u'*') ++pi;
  return pi == p.size();
}

std::string vbStr(long long n) { return n < 0 ? std::to_string(n) : " " + std::to_string(n); }

std::size_t textLength(std::string_view utf8) {
  std::size_t n = 0;
  for (const char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

std::string trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  return std::string(s.substr(b, e - b));
}

std::vector<std::string> split(std::string_view s, char sep) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == sep) {
      out.emplace_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return out;
}

}  // namespace vrel
