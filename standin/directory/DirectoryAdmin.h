// Making and changing the stand-in directory: the domain with its built-in
// groups and accounts, the Extended-Rights container, users, groups,
// members, Exchange mail stores and their rights, and the machine's running
// account. `standin provision` and the `standin directory` and `standin
// account` commands use it.
#pragma once

#include "platform/security/Token.h"
#include "standin/directory/DirectoryStore.h"

#include <string>
#include <string_view>
#include <vector>

namespace vrel::standin {

// The domain's default names.
inline constexpr const char* kDefaultDnsDomain = "orvix.local";
inline constexpr const char* kDefaultNetbiosDomain = "ORVIX";

class DirectoryAdmin {
 public:
  explicit DirectoryAdmin(Machine& machine);

  DirectoryStore& store() { return m_store; }

  // Creates the domain when the directory has none: the domain object,
  // Builtin (Administrators, Users), Users (Administrator, Domain Admins,
  // Domain Users, Enterprise Admins), the configuration container with
  // Extended-Rights (Send-As, Receive-As). The domain SID derives from seed.
  // An existing domain is kept.
  bool ensureDomain(std::string_view seed, std::string& error);

  // A user or group in CN=Users (or under container), with the next RID.
  bool addUser(std::string_view name, std::string& error, std::string_view container = {});
  bool addGroup(std::string_view name, std::string& error, std::string_view container = {});
  // member and group by sAMAccountName, NT4 name or DN.
  bool addMember(std::string_view group, std::string_view member, std::string& error);

  // An Exchange mail store object (msExchMDB) at dn with that objectGUID
  // (random when null), its parents created as containers, and the default
  // descriptor: Domain Admins hold Send-As and Receive-As.
  bool addMailStore(std::string_view dn, sec::Guid guid, std::string& error);
  // Any other object (for tests: something that is not a mail store).
  bool addObject(std::string_view dn, const std::vector<std::string>& classes, std::string& error);

  // Adds an access entry to the object's DACL: right is "send-as",
  // "receive-as", "both" (two entries), "full" (a plain entry with every
  // directory right) or a hex mask; deny puts it first.
  bool addRight(std::string_view object, std::string_view trustee, std::string_view right, bool deny,
                std::string& error);
  // Replaces the object's descriptor with SDDL text, or with raw bytes.
  bool setSddl(std::string_view object, std::string_view sddl, std::string& error);
  bool setDescriptorBytes(std::string_view object, const Bytes& bytes, std::string& error);

  // Finds an object by DN, GUID ("{...}" or bare), NT4 name or account name.
  std::optional<DirObject> find(std::string_view name);
  // The descriptor as SDDL, with the domain's aliases.
  bool descriptorSddl(std::string_view object, std::string& out, std::string& error);

 private:
  bool addAccount(std::string_view name, bool group, std::string_view container, std::string& error);
  bool ensureContainers(std::string_view dn, std::string& error);
  sec::Sid resolveTrustee(std::string_view trustee, bool& ok);

  Machine& m_machine;
  DirectoryStore m_store;
};

// The machine's running account: the machine value "RunningAccount" (an NT4
// name), by default LanGroup\UserName. Local administrators of the machine
// are the machine value "LocalAdministrators" (NT4 or account names,
// comma-separated); SIDs in "TokenDenyOnlySids" are put into the token
// deny-only.
bool setRunningAccount(Machine& machine, std::string_view account, bool localAdministrator, std::string& error);
std::string runningAccount(Machine& machine);

// The token of the running account: the user, the groups it belongs to
// (transitively), Everyone, Authenticated Users, BUILTIN\Users, and
// BUILTIN\Administrators when it is a member of the domain's or a local
// administrator; all enabled, plus the deny-only SIDs. Win32 error 1317 when
// the account is not in the directory.
std::uint32_t composeToken(Machine& machine, sec::Token& out);

// Mail store objects named in the directory, for a provisioned server: the
// domain, and for Exchange 2000 the server's mail store at storeDn with
// storeGuid.
bool provisionDirectory(Machine& machine, std::string_view seed, bool exchange2000, std::string_view storeDn,
                        std::string_view storeGuid, std::string& error);

}  // namespace vrel::standin
