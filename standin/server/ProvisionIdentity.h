// The identity of one provisioned installation: its options plus the names
// and IDs bound to the machine. Every directory ID, object ID and the system
// ID derive from the installation GUID, the computer name and the object's
// name, so an installation is reproducible from its GUID and two machines
// (two GUIDs or two names) never share an ID.
#pragma once

#include "standin/server/ProvisionOptions.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vrel::standin {

// A GUID as 36 upper-case characters without braces, derived from seed.
std::string derivedGuid(std::string_view seed);
// A fresh random GUID in the same form.
std::string randomGuid();

class ServerIdentity {
 public:
  // options must have passed normaliseProvisionOptions; an empty
  // installationGuid is replaced by a random one.
  explicit ServerIdentity(ProvisionOptions options);

  const ProvisionOptions& options() const { return m_options; }
  const std::string& computer() const { return m_options.computerName; }
  const std::string& root() const { return m_options.installRoot; }  // ends in '\'
  const ServerVersion& version() const { return m_options.version; }
  MailStoreKind mailStore() const { return m_options.mailStore; }
  bool isDomino() const { return m_options.mailStore == MailStoreKind::Domino; }

  // Eight upper-case hexadecimal digits; the number they spell is the
  // registry's "System ID" and Location.SystemID.
  const std::string& systemId() const { return m_systemId; }
  std::uint32_t systemIdNumber() const;

  // The object ID (row key) and directory ID of a named object of this
  // installation, e.g. objectId("Subscriber:EAdmin").
  std::string objectId(std::string_view name) const;
  std::string directoryId(std::string_view name) const;

  // "Orvix_" + computer name: the server's own messaging-system account.
  std::string messagingAccountAlias() const { return "Orvix_" + computer(); }
  std::string mailStoreAlias() const { return "MailStore_" + computer(); }
  // An object reference string: U+0001 U+0007, the two-digit type code,
  // ':' and the object ID.
  static std::string objectReference(int typeCode, std::string_view objectId);

 private:
  ProvisionOptions m_options;
  std::string m_systemId;
};

}  // namespace vrel::standin
