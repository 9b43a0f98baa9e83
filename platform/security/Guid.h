// GUIDs: 16 bytes in the order Windows stores them (Data1, Data2 and Data3
// little-endian, Data4 as written), their string forms, and the octet form
// of an LDAP "<GUID=...>" path.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vrel::sec {

struct Guid {
  std::array<std::uint8_t, 16> bytes{};
  bool isNull() const;
  friend bool operator==(const Guid&, const Guid&) = default;
};

// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx", with or without braces when
// braces is allowed, either case. False for anything else.
bool parseGuid(std::string_view text, Guid& out, bool allowBraces = true);
// 32 hex digits: the 16 bytes in storage order (an objectGUID written as an
// octet string).
bool parseGuidOctets(std::string_view text, Guid& out);
// "{XXXXXXXX-...}" as StringFromGUID2 writes it (upper case, braces).
std::string guidBraced(const Guid& guid);
// The bare lower-case form a rightsGuid attribute holds.
std::string guidBare(const Guid& guid);

// The control access rights an Exchange mail store grants by.
Guid sendAsRightGuid();     // ab721a54-1e2f-11d0-9819-00aa0040529b
Guid receiveAsRightGuid();  // ab721a56-1e2f-11d0-9819-00aa0040529b

}  // namespace vrel::sec
