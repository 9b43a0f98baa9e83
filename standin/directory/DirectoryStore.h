// The stand-in machine's directory: the domain's objects (distinguished
// name, objectGUID, classes, objectSid, sAMAccountName, the binary
// nTSecurityDescriptor, other attributes as text), group members and the
// domain's settings, kept in the machine's store so every process of the
// machine sees one directory.
#pragma once

#include "platform/Text.h"
#include "platform/security/Guid.h"
#include "platform/security/Sid.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {
class Machine;
}

namespace vrel::standin {

struct DirObject {
  sec::Guid guid;
  std::string dn;
  std::vector<std::string> classes;  // objectClass, from "top" down
  std::optional<sec::Sid> sid;
  std::string sam;  // sAMAccountName, empty when none
  Bytes descriptor;  // nTSecurityDescriptor, self-relative

  bool hasClass(std::string_view cls) const;
};

// The domain's names, kept as settings.
struct DomainInfo {
  std::string dnsName;          // "orvix.local"
  std::string netbiosName;      // "ORVIX"
  std::string defaultNamingContext;  // "DC=orvix,DC=local"
  std::string configurationNamingContext;
  std::string dcName;           // "DC01"
  sec::Sid domainSid;
};

class DirectoryStore {
 public:
  explicit DirectoryStore(Machine& machine);

  bool ok() const { return m_ok; }
  const std::string& error() const { return m_error; }

  // The domain, when the directory has one.
  std::optional<DomainInfo> domain();
  bool setDomain(const DomainInfo& info);

  std::optional<DirObject> byDn(std::string_view dn);
  std::optional<DirObject> byGuid(const sec::Guid& guid);
  std::optional<DirObject> bySid(const sec::Sid& sid);
  std::optional<DirObject> bySam(std::string_view sam);
  // The object at dn and every object below it, in DN order.
  std::vector<DirObject> subtree(std::string_view dn);

  // Adds the object, or replaces the one with its GUID. False when another
  // object holds its DN, SID or sAMAccountName.
  bool put(const DirObject& object, std::string& error);
  bool setDescriptor(const sec::Guid& guid, const Bytes& descriptor);
  // Removes the object with its attributes and memberships.
  bool remove(const sec::Guid& guid);

  std::vector<std::string> attribute(const sec::Guid& guid, std::string_view name);
  bool setAttribute(const sec::Guid& guid, std::string_view name, const std::vector<std::string>& values);

  std::vector<sec::Guid> members(const sec::Guid& group);
  // The groups that list member directly.
  std::vector<sec::Guid> groupsOf(const sec::Guid& member);
  bool addMember(const sec::Guid& group, const sec::Guid& member);

  // The next free relative ID of the domain (from 1100 on).
  std::uint32_t nextRid();

 private:
  std::optional<DirObject> one(const char* where, const std::string& key);
  std::optional<DirObject> oneBlob(const char* where, const Bytes& key);

  Machine& m_machine;
  bool m_ok = false;
  std::string m_error;
};

// "CN=Send-As,CN=Extended-Rights,..." -> "Send-As"; the value of the first
// RDN.
std::string rdnValue(std::string_view dn);
// "CN=a,CN=b,DC=c" -> "CN=b,DC=c"; empty for a single RDN.
std::string parentDn(std::string_view dn);
// A GUID as the store keys it: 36 upper-case characters.
std::string guidKey(const sec::Guid& guid);

}  // namespace vrel::standin
