#include "platform/security/Guid.h"

#include <cstdio>

namespace vrel::sec {

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool hexBytes(std::string_view text, std::uint8_t* out, std::size_t count) {
  if (text.size() != count * 2) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const int hi = hexDigit(text[2 * i]), lo = hexDigit(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i] = static_cast<std::uint8_t>(hi << 4 | lo);
  }
  return true;
}

Guid fixed(const char* text) {
  Guid g;
  parseGuid(text, g);
  return g;
}

}  // namespace

bool Guid::isNull() const {
  for (std::uint8_t b : bytes)
    if (b) return false;
  return true;
}

bool parseGuid(std::string_view text, Guid& out, bool allowBraces) {
  if (allowBraces && text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') return false;
  std::uint8_t d1[4], d2[2], d3[2];
  Guid g;
  if (!hexBytes(text.substr(0, 8), d1, 4) || !hexBytes(text.substr(9, 4), d2, 2) ||
      !hexBytes(text.substr(14, 4), d3, 2) || !hexBytes(text.substr(19, 4), g.bytes.data() + 8, 2) ||
      !hexBytes(text.substr(24, 12), g.bytes.data() + 10, 6))
    return false;
  // Data1, Data2 and Data3 are stored little-endian.
  g.bytes[0] = d1[3], g.bytes[1] = d1[2], g.bytes[2] = d1[1], g.bytes[3] = d1[0];
  g.bytes[4] = d2[1], g.bytes[5] = d2[0], g.bytes[6] = d3[1], g.bytes[7] = d3[0];
  out = g;
  return true;
}

bool parseGuidOctets(std::string_view text, Guid& out) {
  Guid g;
  if (!hexBytes(text, g.bytes.data(), 16)) return false;
  out = g;
  return true;
}

std::string guidBraced(const Guid& g) {
  const auto& b = g.bytes;
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3], b[2],
                b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
  return buf;
}

std::string guidBare(const Guid& g) {
  std::string s = guidBraced(g).substr(1, 36);
  for (char& c : s)
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

Guid sendAsRightGuid() { return fixed("ab721a54-1e2f-11d0-9819-00aa0040529b"); }
Guid receiveAsRightGuid() { return fixed("ab721a56-1e2f-11d0-9819-00aa0040529b"); }

}  // namespace vrel::sec
