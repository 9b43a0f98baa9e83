// Security identifiers: the string form ("S-1-5-21-...-500") and the binary
// form (revision, count, 48-bit big-endian authority, little-endian 32-bit
// sub-authorities) Windows keeps in tokens, descriptors and objectSid.
#pragma once

#include "platform/Text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vrel::sec {

struct Sid {
  std::uint8_t revision = 1;
  std::uint64_t authority = 0;  // 48 bits
  std::vector<std::uint32_t> subAuthorities;

  bool empty() const { return subAuthorities.empty() && authority == 0; }
  friend bool operator==(const Sid&, const Sid&) = default;
};

inline constexpr std::size_t kMaxSubAuthorities = 15;

// "S-1-<authority>-<sub>..." (authority decimal, or 0x and 12 hex digits);
// case of the S ignored. False for anything else.
bool parseSidString(std::string_view text, Sid& out);
std::string sidString(const Sid& sid);
// A SID at the start of data; used receives its length. False when the
// bytes do not hold a whole SID of revision 1.
bool parseSidBytes(const std::uint8_t* data, std::size_t size, Sid& out, std::size_t* used = nullptr);
Bytes sidBytes(const Sid& sid);
// Every byte as a backslash and two upper-case hex digits, as an LDAP
// filter writes an octet string.
std::string ldapEscapedSid(const Sid& sid);

// The domain SID plus one relative identifier.
Sid sidWithRid(const Sid& domain, std::uint32_t rid);

// Well-known SIDs.
Sid everyoneSid();               // S-1-1-0
Sid authenticatedUsersSid();     // S-1-5-11
Sid localSystemSid();            // S-1-5-18
Sid principalSelfSid();          // S-1-5-10
Sid creatorOwnerSid();           // S-1-3-0
Sid ownerRightsSid();            // S-1-3-4
Sid builtinAdministratorsSid();  // S-1-5-32-544
Sid builtinUsersSid();           // S-1-5-32-545
bool isBuiltinSid(const Sid& sid);  // S-1-5-32-*

}  // namespace vrel::sec
