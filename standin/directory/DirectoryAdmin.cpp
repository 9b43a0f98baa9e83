#include "standin/directory/DirectoryAdmin.h"

#include "platform/Machine.h"
#include "platform/security/Sddl.h"

#include <openssl/evp.h>

#include <algorithm>
#include <random>
#include <set>

namespace vrel::standin {

namespace {

const std::vector<std::string> kUserClasses = {"top", "person", "organizationalPerson", "user"};
const std::vector<std::string> kGroupClasses = {"top", "group"};
const std::vector<std::string> kContainerClasses = {"top", "container"};
const std::vector<std::string> kMailStoreClasses = {"top", "msExchMDB", "msExchPrivateMDB"};

// A GUID from the SHA-256 of text (version 4 bits set), or a random one.
sec::Guid guidOf(std::string_view text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_Digest(text.data(), text.size(), digest, &n, EVP_sha256(), nullptr);
  sec::Guid g;
  std::copy(digest, digest + 16, g.bytes.begin());
  g.bytes[7] = static_cast<std::uint8_t>((g.bytes[7] & 0x0F) | 0x40);
  g.bytes[8] = static_cast<std::uint8_t>((g.bytes[8] & 0x3F) | 0x80);
  return g;
}

sec::Guid randomGuid() {
  std::random_device rd;
  std::string seed;
  for (int i = 0; i < 4; ++i) seed += std::to_string(rd());
  return guidOf(seed);
}

// An ordinary object's descriptor: Domain Admins own it and have full
// control, SYSTEM too, authenticated users read.
Bytes defaultDescriptor(const sec::Sid& domain, const char* extra = "") {
  sec::SecurityDescriptor sd;
  std::string error;
  sec::parseSddl(std::string("O:DAG:DAD:") + extra +
                     "(A;;RPLCLORC;;;AU)(A;;CCDCLCSWRPWPDTLOSDRCWDWO;;;DA)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;SY)",
                 sd, error, &domain);
  return sec::serializeSecurityDescriptor(sd);
}

std::string domainDn(std::string_view dns) {
  std::string out;
  for (const std::string& part : split(dns, '.')) out += (out.empty() ? "DC=" : ",DC=") + part;
  return out;
}

}  // namespace

DirectoryAdmin::DirectoryAdmin(Machine& machine) : m_machine(machine), m_store(machine) {}

bool DirectoryAdmin::ensureDomain(std::string_view seed, std::string& error) {
  if (!m_store.ok()) return error = "cannot open the directory: " + m_store.error(), false;
  if (m_store.domain()) return true;
  DomainInfo d;
  d.dnsName = kDefaultDnsDomain;
  d.netbiosName = kDefaultNetbiosDomain;
  d.defaultNamingContext = domainDn(d.dnsName);
  d.configurationNamingContext = "CN=Configuration," + d.defaultNamingContext;
  d.dcName = "DC01";
  const sec::Guid g = guidOf(std::string("domain|") + std::string(seed));
  std::uint32_t subs[3];
  for (int i = 0; i < 3; ++i)
    subs[i] = 0x10000000u | (static_cast<std::uint32_t>(g.bytes[4 * i]) | g.bytes[4 * i + 1] << 8 |
                             g.bytes[4 * i + 2] << 16 | static_cast<std::uint32_t>(g.bytes[4 * i + 3] & 0x3F) << 24);
  d.domainSid = sec::Sid{1, 5, {21, subs[0], subs[1], subs[2]}};
  if (!m_store.setDomain(d)) return error = "cannot record the domain", false;

  const std::string& dc = d.defaultNamingContext;
  const std::string& config = d.configurationNamingContext;
  auto object = [&](const std::string& dn, std::vector<std::string> classes, std::optional<sec::Sid> sid = {},
                    std::string sam = {}) {
    DirObject o{guidOf(std::string(seed) + "|" + dn), dn, std::move(classes), sid, std::move(sam),
                defaultDescriptor(d.domainSid)};
    return m_store.put(o, error) ? std::optional<sec::Guid>(o.guid) : std::nullopt;
  };
  auto rid = [&](std::uint32_t r) { return sec::sidWithRid(d.domainSid, r); };
  const bool made =
      object(dc, {"top", "domain", "domainDNS"}, d.domainSid) && object("CN=Builtin," + dc, {"top", "builtinDomain"}) &&
      object("CN=Users," + dc, kContainerClasses) && object(config, {"top", "configuration"}) &&
      object("CN=Extended-Rights," + config, kContainerClasses) &&
      object("CN=Services," + config, kContainerClasses);
  if (!made) return false;
  const auto admins = object("CN=Administrators,CN=Builtin," + dc, kGroupClasses, sec::builtinAdministratorsSid(), "Administrators");
  const auto users = object("CN=Users,CN=Builtin," + dc, kGroupClasses, sec::builtinUsersSid(), "Users");
  const auto administrator = object("CN=Administrator,CN=Users," + dc, kUserClasses, rid(500), "Administrator");
  const auto domainAdmins = object("CN=Domain Admins,CN=Users," + dc, kGroupClasses, rid(512), "Domain Admins");
  const auto domainUsers = object("CN=Domain Users,CN=Users," + dc, kGroupClasses, rid(513), "Domain Users");
  const auto enterpriseAdmins = object("CN=Enterprise Admins,CN=Users," + dc, kGroupClasses, rid(519), "Enterprise Admins");
  if (!admins || !users || !administrator || !domainAdmins || !domainUsers || !enterpriseAdmins) return false;
  for (auto [group, member] : {std::pair{*admins, *administrator}, std::pair{*admins, *domainAdmins},
                               std::pair{*admins, *enterpriseAdmins}, std::pair{*users, *domainUsers},
                               std::pair{*domainAdmins, *administrator}, std::pair{*domainUsers, *administrator},
                               std::pair{*enterpriseAdmins, *administrator}})
    m_store.addMember(group, member);
  // The control access rights every forest carries.
  for (auto [name, guid] : {std::pair{"Send-As", sec::sendAsRightGuid()}, std::pair{"Receive-As", sec::receiveAsRightGuid()}}) {
    const auto right = object("CN=" + std::string(name) + ",CN=Extended-Rights," + config, {"top", "controlAccessRight"});
    if (!right) return false;
    m_store.setAttribute(*right, "rightsGuid", {sec::guidBare(guid)});
    m_store.setAttribute(*right, "displayName", {name});
    m_store.setAttribute(*right, "validAccesses", {"256"});
    m_store.setAttribute(*right, "appliesTo", {"bf967aba-0de6-11d0-a285-00aa003049e2", "bf967a86-0de6-11d0-a285-00aa003049e2"});
  }
  return true;
}

bool DirectoryAdmin::ensureContainers(std::string_view dn, std::string& error) {
  const auto d = m_store.domain();
  if (!d) return error = "the directory has no domain (standin provision makes one)", false;
  std::vector<std::string> missing;
  for (std::string p(dn); !p.empty() && !m_store.byDn(p); p = parentDn(p)) missing.push_back(p);
  if (!missing.empty() && (missing.back().size() < d->defaultNamingContext.size() ||
                           !iequals(std::string_view(missing.back()).substr(missing.back().size() - d->defaultNamingContext.size()),
                                    d->defaultNamingContext)))
    return error = std::string(dn) + " is not inside the domain " + d->defaultNamingContext, false;
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    DirObject o{guidOf("container|" + foldCase(*it)), *it, kContainerClasses, {}, {}, defaultDescriptor(d->domainSid)};
    if (!m_store.put(o, error)) return false;
  }
  return true;
}

bool DirectoryAdmin::addAccount(std::string_view name, bool group, std::string_view container, std::string& error) {
  const auto d = m_store.domain();
  if (!d) return error = "the directory has no domain (standin provision makes one)", false;
  if (name.empty() || name.size() > 20 || name.find_first_of("\\/\"[]:|<>+=;,?*@") != std::string_view::npos)
    return error = "bad account name \"" + std::string(name) + "\" (1 to 20 characters, none of \\/\"[]:|<>+=;,?*@)", false;
  if (m_store.bySam(name)) return error = "the account " + std::string(name) + " exists already", false;
  const std::string parent = container.empty() ? "CN=Users," + d->defaultNamingContext : std::string(container);
  if (!ensureContainers(parent, error)) return false;
  DirObject o{randomGuid(), "CN=" + std::string(name) + "," + parent, group ? kGroupClasses : kUserClasses,
              sec::sidWithRid(d->domainSid, m_store.nextRid()), std::string(name), defaultDescriptor(d->domainSid)};
  if (!m_store.put(o, error)) return false;
  if (!group)
    if (auto users = m_store.bySid(sec::sidWithRid(d->domainSid, 513))) m_store.addMember(users->guid, o.guid);
  return true;
}

bool DirectoryAdmin::addUser(std::string_view name, std::string& error, std::string_view container) {
  return addAccount(name, false, container, error);
}
bool DirectoryAdmin::addGroup(std::string_view name, std::string& error, std::string_view container) {
  return addAccount(name, true, container, error);
}

std::optional<DirObject> DirectoryAdmin::find(std::string_view name) {
  if (name.find('=') != std::string_view::npos) return m_store.byDn(name);
  sec::Guid g;
  if (sec::parseGuid(name, g)) return m_store.byGuid(g);
  sec::Sid sid;
  if (sec::parseSidString(name, sid)) return m_store.bySid(sid);
  const std::size_t slash = name.find('\\');
  return m_store.bySam(slash == std::string_view::npos ? name : name.substr(slash + 1));
}

bool DirectoryAdmin::addMember(std::string_view group, std::string_view member, std::string& error) {
  const auto g = find(group);
  const auto m = find(member);
  if (!g || !g->hasClass("group")) return error = "no group " + std::string(group) + " in the directory", false;
  if (!m) return error = "no object " + std::string(member) + " in the directory", false;
  return m_store.addMember(g->guid, m->guid) || (error = "cannot add the member", false);
}

bool DirectoryAdmin::addObject(std::string_view dn, const std::vector<std::string>& classes, std::string& error) {
  const auto d = m_store.domain();
  if (!d) return error = "the directory has no domain (standin provision makes one)", false;
  if (!ensureContainers(parentDn(dn), error)) return false;
  if (m_store.byDn(dn)) return true;
  DirObject o{guidOf("object|" + foldCase(dn)), std::string(dn), classes, {}, {}, defaultDescriptor(d->domainSid)};
  return m_store.put(o, error);
}

bool DirectoryAdmin::addMailStore(std::string_view dn, sec::Guid guid, std::string& error) {
  const auto d = m_store.domain();
  if (!d) return error = "the directory has no domain (standin provision makes one)", false;
  if (!ensureContainers(parentDn(dn), error)) return false;
  if (guid.isNull()) guid = randomGuid();
  // Exchange hands its administrators the two rights on every store.
  const std::string rights = "(OA;;CR;" + sec::guidBare(sec::sendAsRightGuid()) + ";;DA)(OA;;CR;" +
                             sec::guidBare(sec::receiveAsRightGuid()) + ";;DA)";
  if (auto old = m_store.byDn(dn); old && old->guid != guid) return error = "an object named " + std::string(dn) + " exists already", false;
  DirObject o{guid, std::string(dn), kMailStoreClasses, {}, {}, defaultDescriptor(d->domainSid, rights.c_str())};
  return m_store.put(o, error);
}

sec::Sid DirectoryAdmin::resolveTrustee(std::string_view trustee, bool& ok) {
  ok = true;
  sec::Sid sid;
  if (sec::parseSidString(trustee, sid)) return sid;
  if (iequals(trustee, "BUILTIN\\Administrators") || iequals(trustee, "BA")) return sec::builtinAdministratorsSid();
  if (iequals(trustee, "Everyone")) return sec::everyoneSid();
  if (auto o = find(trustee); o && o->sid) return *o->sid;
  ok = false;
  return sid;
}

bool DirectoryAdmin::addRight(std::string_view object, std::string_view trustee, std::string_view right, bool deny,
                              std::string& error) {
  auto o = find(object);
  if (!o) return error = "no object " + std::string(object) + " in the directory", false;
  bool ok = false;
  const sec::Sid sid = resolveTrustee(trustee, ok);
  if (!ok) return error = "no account " + std::string(trustee) + " in the directory", false;
  std::vector<sec::Ace> aces;
  auto objectAce = [&](const sec::Guid& g) {
    sec::Ace a;
    a.type = deny ? sec::kAccessDeniedObject : sec::kAccessAllowedObject;
    a.mask = sec::kDsControlAccess;
    a.objectFlags = sec::kObjectTypePresent;
    a.objectType = g;
    a.sid = sid;
    aces.push_back(a);
  };
  if (iequals(right, "send-as") || iequals(right, "both")) objectAce(sec::sendAsRightGuid());
  if (iequals(right, "receive-as") || iequals(right, "both")) objectAce(sec::receiveAsRightGuid());
  if (aces.empty()) {
    sec::Ace a;
    a.type = deny ? sec::kAccessDenied : sec::kAccessAllowed;
    a.sid = sid;
    if (iequals(right, "full")) {
      a.mask = 0xF01FF;
    } else {
      char* end = nullptr;
      const std::string text(right);
      a.mask = static_cast<std::uint32_t>(std::strtoul(text.c_str(), &end, 16));
      if (text.empty() || *end || a.mask == 0)
        return error = "bad right " + text + " (send-as, receive-as, both, full or a hex mask)", false;
    }
    aces.push_back(a);
  }
  sec::SecurityDescriptor sd;
  if (!o->descriptor.empty() && !sec::parseSecurityDescriptor(o->descriptor, sd, error))
    return error = "the descriptor of " + o->dn + " does not parse: " + error, false;
  if (!sd.dacl) sd.dacl = sec::Acl{};
  sd.control |= sec::kDaclPresent;
  auto& list = sd.dacl->aces;
  list.insert(deny ? list.begin() : list.end(), aces.begin(), aces.end());
  return m_store.setDescriptor(o->guid, sec::serializeSecurityDescriptor(sd)) || (error = "cannot store the descriptor", false);
}

bool DirectoryAdmin::setSddl(std::string_view object, std::string_view sddl, std::string& error) {
  const auto o = find(object);
  const auto d = m_store.domain();
  if (!o || !d) return error = "no object " + std::string(object) + " in the directory", false;
  sec::SecurityDescriptor sd;
  if (!sec::parseSddl(sddl, sd, error, &d->domainSid)) return false;
  return m_store.setDescriptor(o->guid, sec::serializeSecurityDescriptor(sd)) || (error = "cannot store the descriptor", false);
}

bool DirectoryAdmin::setDescriptorBytes(std::string_view object, const Bytes& bytes, std::string& error) {
  const auto o = find(object);
  if (!o) return error = "no object " + std::string(object) + " in the directory", false;
  return m_store.setDescriptor(o->guid, bytes) || (error = "cannot store the descriptor", false);
}

bool DirectoryAdmin::descriptorSddl(std::string_view object, std::string& out, std::string& error) {
  const auto o = find(object);
  const auto d = m_store.domain();
  if (!o || !d) return error = "no object " + std::string(object) + " in the directory", false;
  sec::SecurityDescriptor sd;
  if (!sec::parseSecurityDescriptor(o->descriptor, sd, error)) return error = "the descriptor does not parse: " + error, false;
  out = sec::toSddl(sd, &d->domainSid);
  return true;
}

std::string runningAccount(Machine& machine) {
  std::string account = machine.value("RunningAccount");
  if (account.empty()) account = machine.value("LanGroup", kDefaultNetbiosDomain) + "\\" + machine.value("UserName", "Administrator");
  return account;
}

bool setRunningAccount(Machine& machine, std::string_view account, bool localAdministrator, std::string& error) {
  DirectoryStore store(machine);
  const auto d = store.domain();
  const std::size_t slash = account.find('\\');
  const std::string sam(slash == std::string_view::npos ? account : account.substr(slash + 1));
  const auto user = store.bySam(sam);
  if (!d || !user || !user->hasClass("user")) return error = "no user " + std::string(account) + " in the directory", false;
  const std::string nt4 = d->netbiosName + "\\" + user->sam;
  if (!machine.setValue("RunningAccount", nt4)) return error = "cannot set the running account", false;
  std::vector<std::string> admins;
  for (const std::string& a : split(machine.value("LocalAdministrators"), ','))
    if (!trim(a).empty() && !iequals(trim(a), nt4)) admins.push_back(trim(a));
  if (localAdministrator) admins.push_back(nt4);
  std::string joined;
  for (const std::string& a : admins) joined += (joined.empty() ? "" : ",") + a;
  return machine.setValue("LocalAdministrators", joined) || (error = "cannot set the local administrators", false);
}

std::uint32_t composeToken(Machine& machine, sec::Token& out) {
  constexpr std::uint32_t kNoSuchUser = 1317;
  DirectoryStore store(machine);
  const auto d = store.domain();
  const std::string account = runningAccount(machine);
  const std::size_t slash = account.find('\\');
  const std::string domainPart = slash == std::string::npos ? "" : account.substr(0, slash);
  const auto user = store.bySam(slash == std::string::npos ? account : account.substr(slash + 1));
  if (!d || !user || !user->sid || !user->hasClass("user") || (!domainPart.empty() && !iequals(domainPart, d->netbiosName)))
    return kNoSuchUser;
  sec::Token t;
  t.user = *user->sid;
  std::vector<sec::Sid> sids;
  auto add = [&](const sec::Sid& s) {
    if (std::find(sids.begin(), sids.end(), s) == sids.end()) sids.push_back(s);
  };
  // Every group that holds the user, directly or through other groups.
  std::set<std::string> seen;
  std::vector<sec::Guid> pending{user->guid};
  while (!pending.empty()) {
    const sec::Guid g = pending.back();
    pending.pop_back();
    for (const sec::Guid& group : store.groupsOf(g)) {
      if (!seen.insert(guidKey(group)).second) continue;
      if (auto o = store.byGuid(group); o && o->sid) add(*o->sid);
      pending.push_back(group);
    }
  }
  add(sec::everyoneSid());
  add(sec::authenticatedUsersSid());
  add(sec::builtinUsersSid());
  for (const std::string& a : split(machine.value("LocalAdministrators"), ','))
    if (iequals(trim(a), account) || iequals(trim(a), d->netbiosName + "\\" + user->sam) || iequals(trim(a), user->sam))
      add(sec::builtinAdministratorsSid());
  for (const sec::Sid& s : sids) t.groups.push_back({s});
  for (const std::string& text : split(machine.value("TokenDenyOnlySids"), ',')) {
    sec::Sid s;
    if (!sec::parseSidString(trim(text), s)) continue;
    auto it = std::find_if(t.groups.begin(), t.groups.end(), [&](const sec::TokenGroup& g) { return g.sid == s; });
    if (it == t.groups.end()) t.groups.push_back({s, sec::kGroupMandatory | sec::kGroupUseForDenyOnly});
    else it->attributes = sec::kGroupMandatory | sec::kGroupUseForDenyOnly;
  }
  out = std::move(t);
  return 0;
}

bool provisionDirectory(Machine& machine, std::string_view seed, bool exchange2000, std::string_view storeDn,
                        std::string_view storeGuid, std::string& error) {
  DirectoryAdmin admin(machine);
  if (!admin.ensureDomain(seed, error)) return false;
  if (!exchange2000) return true;
  sec::Guid guid;
  if (!sec::parseGuid(storeGuid, guid)) return error = "bad mail store GUID " + std::string(storeGuid), false;
  // The organisation's other objects: a storage group is no mail store.
  if (!admin.addObject(parentDn(storeDn), {"top", "msExchStorageGroup"}, error)) return false;
  // A server provisioned again has a new store; its old object goes.
  if (auto old = admin.store().byDn(storeDn); old && old->guid != guid) admin.store().remove(old->guid);
  return admin.addMailStore(storeDn, guid, error);
}

}  // namespace vrel::standin
