#include "platform/security/Sid.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace vrel::sec {

namespace {

bool parseNumber(std::string_view text, std::uint64_t max, std::uint64_t& out) {
  if (text.empty()) return false;
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, base);
  return ec == std::errc() && end == text.data() + text.size() && out <= max;
}

Sid make(std::uint64_t authority, std::initializer_list<std::uint32_t> subs) { return Sid{1, authority, subs}; }

}  // namespace

bool parseSidString(std::string_view text, Sid& out) {
  if (text.size() < 4 || (text[0] != 'S' && text[0] != 's') || text[1] != '-') return false;
  const std::vector<std::string> parts = split(text.substr(2), '-');
  if (parts.size() < 2 || parts.size() - 2 > kMaxSubAuthorities) return false;
  std::uint64_t revision = 0, authority = 0;
  if (!parseNumber(parts[0], 1, revision) || revision != 1) return false;
  if (!parseNumber(parts[1], 0xFFFFFFFFFFFFull, authority)) return false;
  Sid sid;
  sid.authority = authority;
  for (std::size_t i = 2; i < parts.size(); ++i) {
    std::uint64_t v = 0;
    if (parts[i].rfind("0x", 0) == 0 || !parseNumber(parts[i], 0xFFFFFFFFull, v)) return false;
    sid.subAuthorities.push_back(static_cast<std::uint32_t>(v));
  }
  out = std::move(sid);
  return true;
}

std::string sidString(const Sid& sid) {
  std::string out = "S-" + std::to_string(sid.revision) + "-";
  if (sid.authority >= (1ull << 32)) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%012llX", static_cast<unsigned long long>(sid.authority));
    out += buf;
  } else {
    out += std::to_string(sid.authority);
  }
  for (std::uint32_t s : sid.subAuthorities) out += "-" + std::to_string(s);
  return out;
}

bool parseSidBytes(const std::uint8_t* data, std::size_t size, Sid& out, std::size_t* used) {
  if (size < 8 || data[0] != 1 || data[1] > kMaxSubAuthorities) return false;
  const std::size_t count = data[1];
  const std::size_t length = 8 + 4 * count;
  if (size < length) return false;
  Sid sid;
  for (int i = 2; i < 8; ++i) sid.authority = sid.authority << 8 | data[i];
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = data + 8 + 4 * i;
    sid.subAuthorities.push_back(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                 static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
  }
  out = std::move(sid);
  if (used) *used = length;
  return true;
}

Bytes sidBytes(const Sid& sid) {
  Bytes out{sid.revision, static_cast<std::uint8_t>(sid.subAuthorities.size())};
  for (int shift = 40; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(sid.authority >> shift));
  for (std::uint32_t s : sid.subAuthorities)
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(s >> shift));
  return out;
}

std::string ldapEscapedSid(const Sid& sid) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::uint8_t b : sidBytes(sid)) {
    out += '\\';
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
  }
  return out;
}

Sid sidWithRid(const Sid& domain, std::uint32_t rid) {
  Sid sid = domain;
  sid.subAuthorities.push_back(rid);
  return sid;
}

Sid everyoneSid() { return make(1, {0}); }
Sid authenticatedUsersSid() { return make(5, {11}); }
Sid localSystemSid() { return make(5, {18}); }
Sid principalSelfSid() { return make(5, {10}); }
Sid creatorOwnerSid() { return make(3, {0}); }
Sid ownerRightsSid() { return make(3, {4}); }
Sid builtinAdministratorsSid() { return make(5, {32, 544}); }
Sid builtinUsersSid() { return make(5, {32, 545}); }
bool isBuiltinSid(const Sid& sid) {
  return sid.authority == 5 && sid.subAuthorities.size() == 2 && sid.subAuthorities[0] == 32;
}

}  // namespace vrel::sec
