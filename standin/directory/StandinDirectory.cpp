#include "standin/directory/StandinDirectory.h"

#include "platform/Machine.h"
#include "platform/security/SecurityDescriptor.h"
#include "standin/directory/DirectoryAdmin.h"

#include <algorithm>

namespace vrel::standin {

namespace {

constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorNoToken = 1008;
constexpr std::uint32_t kErrorNoSuchDomain = 1355;
constexpr std::uint32_t kRpcServerUnavailable = 1722;
constexpr std::uint32_t kErrorDsNoSuchObject = 8240;
constexpr std::uint32_t kErrorInvalidSecurityDescr = 1338;
constexpr ds::HResult kInsufficientRights = 0x80072098;

// "\01\02" -> bytes; false on a bad escape.
bool unescapeOctets(std::string_view text, Bytes& out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out.push_back(static_cast<std::uint8_t>(text[i]));
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const std::string hex(text.substr(i + 1, 2));
    char* end = nullptr;
    const unsigned long v = std::strtoul(hex.c_str(), &end, 16);
    if (hex.size() != 2 || *end) return false;
    out.push_back(static_cast<std::uint8_t>(v));
    i += 2;
  }
  return true;
}

class RootDse : public ds::DirectoryObject {
 public:
  explicit RootDse(DomainInfo d) : m_d(std::move(d)) {}
  ds::HResult get(std::string_view attribute, ds::AdsValue& out) override {
    if (iequals(attribute, "defaultNamingContext") || iequals(attribute, "rootDomainNamingContext"))
      out = ds::AdsValue::text(m_d.defaultNamingContext);
    else if (iequals(attribute, "configurationNamingContext")) out = ds::AdsValue::text(m_d.configurationNamingContext);
    else if (iequals(attribute, "dnsHostName")) out = ds::AdsValue::text(m_d.dcName + "." + m_d.dnsName);
    else return ds::kPropertyNotFound;
    return ds::kOk;
  }
  ds::HResult put(std::string_view, const ds::AdsValue&) override { return ds::kAccessDenied; }
  ds::HResult setInfo() override { return ds::kAccessDenied; }
  ds::HResult members(std::vector<std::string>&) override { return ds::kInvalidArg; }
  ds::HResult search(std::string_view, std::string_view, std::vector<std::string>&) override { return ds::kInvalidArg; }

 private:
  DomainInfo m_d;
};

class StandinObject : public ds::DirectoryObject {
 public:
  StandinObject(StandinDirectory& dir, DirObject o) : m_dir(dir), m_o(std::move(o)) {}

  ds::HResult get(std::string_view a, ds::AdsValue& out) override {
    out = {};
    if (iequals(a, "distinguishedName")) out = ds::AdsValue::text(m_o.dn);
    else if (iequals(a, "objectClass")) out = {ds::AdsValue::Array, m_o.classes, {}};
    else if (iequals(a, "cn") || iequals(a, "name")) out = ds::AdsValue::text(rdnValue(m_o.dn));
    else if (iequals(a, "objectGUID")) out = {ds::AdsValue::OctetString, {}, Bytes(m_o.guid.bytes.begin(), m_o.guid.bytes.end())};
    else if (iequals(a, "objectSid") && m_o.sid) out = {ds::AdsValue::OctetString, {}, sec::sidBytes(*m_o.sid)};
    else if (iequals(a, "sAMAccountName") && !m_o.sam.empty()) out = ds::AdsValue::text(m_o.sam);
    else if (iequals(a, "nTSecurityDescriptor")) return getDescriptor(out);
    else if (iequals(a, "member")) return listValue(memberDns(), out);
    else return listValue(m_dir.store().attribute(m_o.guid, a), out);
    return out.type == ds::AdsValue::Empty ? ds::kPropertyNotFound : ds::kOk;
  }

  ds::HResult put(std::string_view a, const ds::AdsValue& v) override {
    if (!iequals(a, "nTSecurityDescriptor") || v.type != ds::AdsValue::Dispatch) return ds::kInvalidArg;
    m_pending = v.bytes;
    m_dirty = true;
    return ds::kOk;
  }

  ds::HResult setInfo() override {
    if (!m_dirty) return ds::kOk;
    if (m_dir.fails("SetInfo")) return kInsufficientRights;
    // The directory refuses a descriptor it could not read back.
    sec::SecurityDescriptor sd;
    std::string error;
    if (!sec::parseSecurityDescriptor(m_pending, sd, error)) return ds::kConstraintViolation;
    if (!m_dir.store().setDescriptor(m_o.guid, m_pending)) return ds::kNoSuchObject;
    m_o.descriptor = m_pending;
    m_dirty = false;
    return ds::kOk;
  }

  ds::HResult members(std::vector<std::string>& paths) override {
    if (!m_o.hasClass("group")) return ds::kInvalidArg;
    paths.clear();
    for (const std::string& dn : memberDns()) paths.push_back("LDAP://" + dn);
    return ds::kOk;
  }

  ds::HResult search(std::string_view filter, std::string_view attribute, std::vector<std::string>& values) override {
    values.clear();
    if (filter.size() < 5 || filter.front() != '(' || filter.back() != ')') return ds::kInvalidArg;
    const std::string_view inner = filter.substr(1, filter.size() - 2);
    const std::size_t eq = inner.find('=');
    if (eq == std::string_view::npos || eq == 0) return ds::kInvalidArg;
    const std::string_view name = inner.substr(0, eq);
    Bytes wanted;
    if (!unescapeOctets(inner.substr(eq + 1), wanted)) return ds::kInvalidArg;
    const std::string wantedText(wanted.begin(), wanted.end());
    for (const DirObject& o : m_dir.store().subtree(m_o.dn)) {
      StandinObject candidate(m_dir, o);
      ds::AdsValue v;
      if (ds::failed(candidate.get(name, v))) continue;
      const bool match = v.type == ds::AdsValue::OctetString
                             ? v.bytes == wanted
                             : std::any_of(v.strings.begin(), v.strings.end(), [&](const std::string& s) { return iequals(s, wantedText); });
      if (!match) continue;
      ds::AdsValue result;
      if (!ds::failed(candidate.get(attribute, result)))
        for (const std::string& s : result.strings) values.push_back(s);
    }
    return ds::kOk;
  }

 private:
  std::vector<std::string> memberDns() {
    std::vector<std::string> out;
    for (const sec::Guid& g : m_dir.store().members(m_o.guid))
      if (auto o = m_dir.store().byGuid(g)) out.push_back(o->dn);
    return out;
  }
  static ds::HResult listValue(std::vector<std::string> values, ds::AdsValue& out) {
    if (values.empty()) return ds::kPropertyNotFound;
    out = values.size() == 1 ? ds::AdsValue::text(values[0]) : ds::AdsValue{ds::AdsValue::Array, std::move(values), {}};
    return ds::kOk;
  }
  ds::HResult getDescriptor(ds::AdsValue& out) {
    sec::SecurityDescriptor sd;
    std::string error;
    if (!sec::parseSecurityDescriptor(m_o.descriptor, sd, error)) return ds::fromWin32(kErrorInvalidSecurityDescr);
    out = {ds::AdsValue::Dispatch, {}, m_o.descriptor};
    return ds::kOk;
  }

  StandinDirectory& m_dir;
  DirObject m_o;
  Bytes m_pending;
  bool m_dirty = false;
};

}  // namespace

StandinDirectory::StandinDirectory(Machine& machine) : m_machine(machine), m_store(machine) {}

bool StandinDirectory::fails(std::string_view call) {
  for (const std::string& name : split(m_machine.value("DirectoryFailures"), ','))
    if (iequals(trim(name), call)) return true;
  return false;
}

ds::HResult StandinDirectory::getObject(std::string_view path, std::unique_ptr<ds::DirectoryObject>& out) {
  out.reset();
  if (fails("ADsGetObject")) return ds::kServerDown;
  if (path.size() < 7 || !iequals(path.substr(0, 7), "LDAP://")) return ds::kBadPathname;
  const std::string_view rest = path.substr(7);
  const auto d = m_store.domain();
  if (!d) return ds::kServerDown;
  if (iequals(rest, "rootDSE")) {
    out = std::make_unique<RootDse>(*d);
    return ds::kOk;
  }
  std::optional<DirObject> o;
  if (rest.size() >= 7 && iequals(rest.substr(0, 6), "<GUID=") && rest.back() == '>') {
    const std::string_view text = rest.substr(6, rest.size() - 7);
    sec::Guid g;
    if (!sec::parseGuid(text, g) && !sec::parseGuidOctets(text, g)) return ds::kBadPathname;
    o = m_store.byGuid(g);
  } else {
    if (rest.empty() || rest.find('=') == std::string_view::npos) return ds::kBadPathname;
    o = m_store.byDn(rest);
  }
  if (!o) return ds::kNoSuchObject;
  out = std::make_unique<StandinObject>(*this, std::move(*o));
  return ds::kOk;
}

std::uint32_t StandinDirectory::getDcName(std::string& dcName) {
  const auto d = m_store.domain();
  if (fails("DsGetDcName") || !d) return kErrorNoSuchDomain;
  dcName = "\\\\" + d->dcName + "." + d->dnsName;
  return 0;
}

std::uint32_t StandinDirectory::bind(std::string_view dcName) {
  if (fails("DsBind") || dcName.empty()) return kRpcServerUnavailable;
  return 0;
}

std::uint32_t StandinDirectory::crackSidToNt4Name(std::string_view text, int& status, std::string& name) {
  name.clear();
  if (fails("DsCrackNames")) return kRpcServerUnavailable;
  const auto d = m_store.domain();
  sec::Sid sid;
  std::optional<DirObject> o;
  if (d && sec::parseSidString(text, sid)) o = m_store.bySid(sid);
  if (!o) {
    status = ds::kDsNameNotFound;
    return 0;
  }
  if (o->sam.empty()) {
    status = ds::kDsNameNoMapping;
    return 0;
  }
  status = ds::kDsNameNoError;
  name = (sec::isBuiltinSid(sid) ? std::string("BUILTIN") : d->netbiosName) + "\\" + o->sam;
  return 0;
}

std::string StandinDirectory::trusteeName(const sec::Sid& sid) {
  if (sid == sec::everyoneSid()) return "Everyone";
  if (sid == sec::authenticatedUsersSid()) return "NT AUTHORITY\\Authenticated Users";
  if (sid == sec::localSystemSid()) return "NT AUTHORITY\\SYSTEM";
  if (sid == sec::principalSelfSid()) return "NT AUTHORITY\\SELF";
  const auto d = m_store.domain();
  if (auto o = m_store.bySid(sid); d && o && !o->sam.empty())
    return (sec::isBuiltinSid(sid) ? std::string("BUILTIN") : d->netbiosName) + "\\" + o->sam;
  return sec::sidString(sid);
}

std::uint32_t StandinDirectory::getNamedSecurityInfo(std::string_view dn, Bytes& descriptor) {
  if (fails("GetNamedSecurityInfo")) return kErrorAccessDenied;
  const auto o = m_store.byDn(dn);
  if (!o) return kErrorDsNoSuchObject;
  sec::SecurityDescriptor sd;
  std::string error;
  if (!sec::parseSecurityDescriptor(o->descriptor, sd, error)) return kErrorInvalidSecurityDescr;
  // Owner, group and DACL were asked for; the SACL stays behind.
  sd.sacl.reset();
  sd.control &= static_cast<std::uint16_t>(~sec::kSaclPresent);
  descriptor = sec::serializeSecurityDescriptor(sd);
  return 0;
}

std::uint32_t StandinDirectory::impersonateSelf(int level) {
  if (fails("ImpersonateSelf")) return kErrorAccessDenied;
  m_impersonating = true;
  m_level = level;
  return 0;
}

std::uint32_t StandinDirectory::openThreadToken(sec::Token& out) {
  if (!m_impersonating) return kErrorNoToken;
  sec::Token process;
  if (const std::uint32_t e = composeToken(m_machine, process)) return e;
  out = sec::impersonationCopy(process, m_level);
  return 0;
}

std::uint32_t StandinDirectory::openProcessToken(sec::Token& out) {
  if (fails("OpenProcessToken")) return kErrorAccessDenied;
  return composeToken(m_machine, out);
}

}  // namespace vrel::standin
