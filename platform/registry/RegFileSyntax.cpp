#include "platform/registry/RegFileSyntax.h"

#include "platform/Registry.h"
#include "platform/registry/RegFileLines.h"

namespace vrel::regfile {

namespace {

void appendUnit(Bytes& out, char16_t c) {
  out.push_back(static_cast<std::uint8_t>(c & 0xFF));
  out.push_back(static_cast<std::uint8_t>(c >> 8));
}

}  // namespace

int hexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::size_t skipBlanks(std::u16string_view s, std::size_t i) {
  while (i < s.size() && isBlank(s[i])) ++i;
  return i;
}

bool restIsEmpty(std::u16string_view s, std::size_t i) {
  i = skipBlanks(s, i);
  return i == s.size() || s[i] == u';';
}

Unescape unescape(std::u16string_view s, std::size_t start, std::u16string& text, std::size_t& end) {
  text.clear();
  for (std::size_t i = start; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c == u'"') {
      end = i + 1;
      return Unescape::Ok;
    }
    if (c != u'\\') {
      text += c;
      continue;
    }
    if (++i == s.size()) return Unescape::NoClosingQuote;
    switch (s[i]) {
      case u'n': text += u'\n'; break;
      case u'r': text += u'\r'; break;
      case u'\\':
      case u'"': text += s[i]; break;
      default:
        text += u'\\';
        text += s[i];
        break;
    }
  }
  return Unescape::NoClosingQuote;
}

bool parseDword(std::u16string_view s, std::uint32_t& value) {
  std::size_t i = skipBlanks(s, 0);
  const std::size_t start = i;
  std::uint32_t v = 0;
  while (i < s.size() && hexDigit(s[i]) >= 0) {
    if (i - start == 8) return false;  // more than eight digits, even leading zeros
    v = v * 16 + static_cast<std::uint32_t>(hexDigit(s[i]));
    ++i;
  }
  if (i == start || !restIsEmpty(s, i)) return false;
  value = v;
  return true;
}

bool parseHexType(std::u16string_view s, std::uint32_t& type, std::size_t& dataStart) {
  std::uint64_t v = 0;
  std::size_t i = 0;
  while (i < s.size() && hexDigit(s[i]) >= 0) {
    v = v * 16 + static_cast<std::uint64_t>(hexDigit(s[i]));
    if (v > 0xFFFFFFFFu) return false;
    ++i;
  }
  if (i == 0 || i + 1 >= s.size() || s[i] != u')' || s[i + 1] != u':') return false;
  type = static_cast<std::uint32_t>(v);
  dataStart = i + 2;
  return true;
}

HexRun parseHexBytes(std::u16string_view s, Bytes& out) {
  std::size_t i = 0;
  for (;;) {
    i = skipBlanks(s, i);
    if (i == s.size()) return HexRun::Done;
    const int hi = hexDigit(s[i]);
    if (hi < 0) {
      if (s[i] == u'\\') return restIsEmpty(s, i + 1) ? HexRun::Continued : HexRun::Bad;
      return s[i] == u';' ? HexRun::Done : HexRun::Bad;
    }
    int byte = hi;
    ++i;
    if (i < s.size() && hexDigit(s[i]) >= 0) byte = byte * 16 + hexDigit(s[i++]);
    if (i < s.size() && hexDigit(s[i]) >= 0) return HexRun::Bad;  // more than one byte
    out.push_back(static_cast<std::uint8_t>(byte));
    if (i == s.size()) return HexRun::Done;
    if (s[i] != u',') return restIsEmpty(s, i) ? HexRun::Done : HexRun::Bad;
    ++i;
  }
}

void finishStringData(std::uint32_t type, bool ansi, Bytes& data) {
  if ((type != kRegSz && type != kRegExpandSz && type != kRegMultiSz) || data.empty()) return;
  if (ansi) {
    if (data.back() != 0) data.push_back(0);
    Bytes wide;
    wide.reserve(data.size() * 2);
    for (std::uint8_t b : data) appendUnit(wide, ansiUnit(b));
    data.swap(wide);
    return;
  }
  // An odd size is no UTF-16 string at all; its bytes are kept as they are.
  const std::size_t n = data.size();
  if (n % 2 == 0 && (data[n - 2] != 0 || data[n - 1] != 0)) {
    data.push_back(0);
    data.push_back(0);
  }
}

Bytes terminatedUtf16(std::u16string_view text) {
  Bytes out;
  out.reserve(text.size() * 2 + 2);
  for (char16_t c : text) appendUnit(out, c);
  appendUnit(out, 0);
  return out;
}

}  // namespace vrel::regfile
