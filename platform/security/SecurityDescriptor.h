// Self-relative security descriptors, as an object's nTSecurityDescriptor
// holds them: owner, group and the two access-control lists, read and written
// byte for byte. Entry types other than the four access entries are carried
// as they came.
#pragma once

#include "platform/security/Guid.h"
#include "platform/security/Sid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vrel::sec {

enum AceType : std::uint8_t {
  kAccessAllowed = 0,
  kAccessDenied = 1,
  kAccessAllowedObject = 5,
  kAccessDeniedObject = 6,
};

enum AceFlag : std::uint8_t {
  kObjectInherit = 0x01,
  kContainerInherit = 0x02,
  kNoPropagateInherit = 0x04,
  kInheritOnly = 0x08,
  kInheritedAce = 0x10,
};

enum ObjectAceFlag : std::uint32_t { kObjectTypePresent = 1, kInheritedObjectTypePresent = 2 };

enum AccessRight : std::uint32_t {
  kDsCreateChild = 0x1,
  kDsDeleteChild = 0x2,
  kDsList = 0x4,
  kDsSelf = 0x8,
  kDsReadProperty = 0x10,
  kDsWriteProperty = 0x20,
  kDsDeleteTree = 0x40,
  kDsListObject = 0x80,
  kDsControlAccess = 0x100,
  kDelete = 0x10000,
  kReadControl = 0x20000,
  kWriteDac = 0x40000,
  kWriteOwner = 0x80000,
  kGenericAll = 0x10000000,
  kGenericExecute = 0x20000000,
  kGenericWrite = 0x40000000,
  kGenericRead = 0x80000000,
};

enum SdControl : std::uint16_t {
  kDaclPresent = 0x0004,
  kSaclPresent = 0x0010,
  kDaclAutoInheritReq = 0x0100,
  kDaclAutoInherited = 0x0400,
  kDaclProtected = 0x1000,
  kSelfRelative = 0x8000,
};

struct Ace {
  std::uint8_t type = kAccessAllowed;
  std::uint8_t flags = 0;
  std::uint32_t mask = 0;
  std::uint32_t objectFlags = 0;  // object entries (5, 6) only
  Guid objectType;                // when objectFlags has kObjectTypePresent
  Guid inheritedObjectType;       // when objectFlags has kInheritedObjectTypePresent
  Sid sid;
  Bytes opaque;  // the whole entry, for types this code does not read

  bool known() const { return opaque.empty(); }
  bool isObject() const { return type == kAccessAllowedObject || type == kAccessDeniedObject; }
  bool isAllow() const { return type == kAccessAllowed || type == kAccessAllowedObject; }
  bool isDeny() const { return type == kAccessDenied || type == kAccessDeniedObject; }
  bool hasObjectType() const { return isObject() && (objectFlags & kObjectTypePresent); }
  friend bool operator==(const Ace&, const Ace&) = default;
};

struct Acl {
  std::uint8_t revision = 2;  // 4 once it holds an object entry
  std::vector<Ace> aces;
  friend bool operator==(const Acl&, const Acl&) = default;
};

struct SecurityDescriptor {
  std::uint16_t control = kSelfRelative;
  std::optional<Sid> owner;
  std::optional<Sid> group;
  // With kDaclPresent: dacl absent is a NULL list (everything allowed).
  std::optional<Acl> dacl;
  std::optional<Acl> sacl;

  bool daclPresent() const { return control & kDaclPresent; }
  friend bool operator==(const SecurityDescriptor&, const SecurityDescriptor&) = default;
};

// Reads a self-relative descriptor; false with error (naming the byte
// offset) when the bytes are not one.
bool parseSecurityDescriptor(const Bytes& data, SecurityDescriptor& out, std::string& error);
// Writes it self-relative: header, SACL, DACL, owner, group; sizes, counts and
// offsets computed, and the list revision raised to 4 for object entries.
Bytes serializeSecurityDescriptor(const SecurityDescriptor& sd);

}  // namespace vrel::sec
