#include "platform/security/SecurityDescriptor.h"

namespace vrel::sec {

namespace {

std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
void put16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
  for (int s = 0; s < 32; s += 8) b.push_back(static_cast<std::uint8_t>(v >> s));
}
void set16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void set32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int s = 0; s < 4; ++s) b[at + s] = static_cast<std::uint8_t>(v >> (8 * s));
}

std::string at(std::size_t offset) { return " at byte " + std::to_string(offset); }

// One entry of size bytes at p (offset off of the descriptor).
bool parseAce(const std::uint8_t* p, std::size_t size, std::size_t off, Ace& ace, std::string& error) {
  ace = Ace{};
  ace.type = p[0];
  ace.flags = p[1];
  if (ace.type != kAccessAllowed && ace.type != kAccessDenied && ace.type != kAccessAllowedObject &&
      ace.type != kAccessDeniedObject) {
    ace.opaque.assign(p, p + size);
    return true;
  }
  std::size_t pos = 4;
  if (size < pos + 4) return error = "access entry too short" + at(off), false;
  ace.mask = u32(p + pos);
  pos += 4;
  if (ace.isObject()) {
    if (size < pos + 4) return error = "object entry too short" + at(off), false;
    ace.objectFlags = u32(p + pos);
    pos += 4;
    for (auto [flag, guid] : {std::pair{kObjectTypePresent, &ace.objectType},
                              std::pair{kInheritedObjectTypePresent, &ace.inheritedObjectType}}) {
      if (!(ace.objectFlags & flag)) continue;
      if (size < pos + 16) return error = "object entry too short for its GUID" + at(off), false;
      std::copy(p + pos, p + pos + 16, guid->bytes.begin());
      pos += 16;
    }
  }
  if (!parseSidBytes(p + pos, size - pos, ace.sid)) return error = "bad SID in an access entry" + at(off + pos), false;
  return true;
}

bool parseAcl(const Bytes& data, std::size_t off, Acl& acl, std::string& error) {
  if (off + 8 > data.size()) return error = "access list header outside the descriptor" + at(off), false;
  const std::uint8_t* p = data.data() + off;
  acl = Acl{};
  acl.revision = p[0];
  if (acl.revision != 2 && acl.revision != 4) return error = "unknown access list revision" + at(off), false;
  const std::size_t size = u16(p + 2);
  const std::size_t count = u16(p + 4);
  if (size < 8 || off + size > data.size()) return error = "access list size out of range" + at(off), false;
  std::size_t pos = 8;
  for (std::size_t i = 0; i < count; ++i) {
    if (pos + 4 > size) return error = "access entry outside its list" + at(off + pos), false;
    const std::size_t aceSize = u16(p + pos + 2);
    if (aceSize < 4 || pos + aceSize > size) return error = "access entry size out of range" + at(off + pos), false;
    Ace ace;
    if (!parseAce(p + pos, aceSize, off + pos, ace, error)) return false;
    acl.aces.push_back(std::move(ace));
    pos += aceSize;
  }
  return true;
}

void writeAce(Bytes& out, const Ace& ace) {
  if (!ace.known()) {
    out.insert(out.end(), ace.opaque.begin(), ace.opaque.end());
    return;
  }
  const std::size_t start = out.size();
  out.push_back(ace.type);
  out.push_back(ace.flags);
  put16(out, 0);
  put32(out, ace.mask);
  if (ace.isObject()) {
    put32(out, ace.objectFlags);
    if (ace.objectFlags & kObjectTypePresent) out.insert(out.end(), ace.objectType.bytes.begin(), ace.objectType.bytes.end());
    if (ace.objectFlags & kInheritedObjectTypePresent)
      out.insert(out.end(), ace.inheritedObjectType.bytes.begin(), ace.inheritedObjectType.bytes.end());
  }
  const Bytes sid = sidBytes(ace.sid);
  out.insert(out.end(), sid.begin(), sid.end());
  while ((out.size() - start) % 4) out.push_back(0);
  set16(out, start + 2, static_cast<std::uint16_t>(out.size() - start));
}

void writeAcl(Bytes& out, const Acl& acl) {
  const std::size_t start = out.size();
  std::uint8_t revision = acl.revision;
  for (const Ace& ace : acl.aces)
    if (ace.isObject() && revision < 4) revision = 4;
  out.push_back(revision);
  out.push_back(0);
  put16(out, 0);
  put16(out, static_cast<std::uint16_t>(acl.aces.size()));
  put16(out, 0);
  for (const Ace& ace : acl.aces) writeAce(out, ace);
  set16(out, start + 2, static_cast<std::uint16_t>(out.size() - start));
}

}  // namespace

bool parseSecurityDescriptor(const Bytes& data, SecurityDescriptor& out, std::string& error) {
  if (data.size() < 20) return error = "a security descriptor needs 20 bytes, this has " + std::to_string(data.size()), false;
  if (data[0] != 1) return error = "unknown security descriptor revision " + std::to_string(data[0]), false;
  SecurityDescriptor sd;
  sd.control = u16(data.data() + 2);
  if (!(sd.control & kSelfRelative)) return error = "the security descriptor is not self-relative", false;
  const std::uint32_t offOwner = u32(data.data() + 4), offGroup = u32(data.data() + 8), offSacl = u32(data.data() + 12),
                      offDacl = u32(data.data() + 16);
  for (auto [offset, target] : {std::pair{offOwner, &sd.owner}, std::pair{offGroup, &sd.group}}) {
    if (!offset) continue;
    Sid sid;
    if (offset < 20 || offset >= data.size() || !parseSidBytes(data.data() + offset, data.size() - offset, sid))
      return error = "bad owner or group SID" + at(offset), false;
    *target = sid;
  }
  if ((sd.control & kSaclPresent) && offSacl) {
    Acl acl;
    if (offSacl < 20) return error = "bad SACL offset" + at(12), false;
    if (!parseAcl(data, offSacl, acl, error)) return false;
    sd.sacl = std::move(acl);
  }
  if ((sd.control & kDaclPresent) && offDacl) {
    Acl acl;
    if (offDacl < 20) return error = "bad DACL offset" + at(16), false;
    if (!parseAcl(data, offDacl, acl, error)) return false;
    sd.dacl = std::move(acl);
  }
  out = std::move(sd);
  return true;
}

Bytes serializeSecurityDescriptor(const SecurityDescriptor& sd) {
  Bytes out(20, 0);
  out[0] = 1;
  std::uint16_t control = sd.control | kSelfRelative;
  if (sd.dacl) control |= kDaclPresent;
  if (sd.sacl) control |= kSaclPresent;
  set16(out, 2, control);
  if (sd.sacl) {
    set32(out, 12, static_cast<std::uint32_t>(out.size()));
    writeAcl(out, *sd.sacl);
  }
  if (sd.dacl) {
    set32(out, 16, static_cast<std::uint32_t>(out.size()));
    writeAcl(out, *sd.dacl);
  }
  for (auto [offset, sid] : {std::pair{4, &sd.owner}, std::pair{8, &sd.group}}) {
    if (!*sid) continue;
    set32(out, static_cast<std::size_t>(offset), static_cast<std::uint32_t>(out.size()));
    const Bytes b = sidBytes(**sid);
    out.insert(out.end(), b.begin(), b.end());
  }
  return out;
}

}  // namespace vrel::sec
