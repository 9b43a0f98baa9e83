#include "rilo/CRiloRights.h"

#include "platform/Text.h"
#include "platform/security/AccessCheck.h"

#include <algorithm>

namespace vrel::rilo {

namespace {

using ds::kFail;
using ds::kInvalidArg;
using ds::kOk;

constexpr std::uint32_t kCandidateMask = sec::kDsControlAccess;
constexpr std::int32_t kCandidateType = sec::kAccessAllowedObject;
constexpr std::int32_t kCandidateAceFlags = sec::kContainerInherit;
constexpr std::int32_t kCandidateFlags = sec::kObjectTypePresent;
constexpr HResult kSFalse = 1;
constexpr std::uint32_t kRpcInvalidStringUuid = 1705;

}  // namespace

CRiloRights::CRiloRights(ds::Directory& directory, ds::TokenSource& tokens, RiloLog& log)
    : m_directory(directory), m_tokens(tokens), m_log(log) {}

CRiloRights::~CRiloRights() { UnBindDC(); }

HResult CRiloRights::Initialize() {
  m_log.write("Entering CRiloRights::Initialize()");
  BindDC();  // without a binding only name translation fails, later
  m_object.reset();
  m_sd.reset();
  m_acl.clear();
  m_haveAcl = false;
  m_candidate.reset();
  return kOk;
}

HResult CRiloRights::BindDC() {
  m_log.write("Entering CRiloRights::BindDC()");
  if (m_dcBound) return kOk;
  std::string dc;
  if (const std::uint32_t e = m_directory.getDcName(dc)) {
    m_log.write("DsGetDcName() failed", e);
    return kFail;
  }
  if (const std::uint32_t e = m_directory.bind(dc)) {
    m_log.write("DsBind() failed", e);
    return kFail;
  }
  m_dcBound = true;
  return kOk;
}

void CRiloRights::UnBindDC() {
  if (!m_dcBound) return;
  m_log.write("Entering CRiloRights::UnBindDC()");
  m_dcBound = false;
}

// Impersonates self at identification level and takes the thread's token,
// else the process's; reverts afterwards.
HResult CRiloRights::callerToken(sec::Token& token) {
  if (const std::uint32_t e = m_tokens.impersonateSelf(sec::kIdentification)) m_log.write("ImpersonateSelf() failed", e);
  if (m_tokens.openThreadToken(token) != 0) {
    if (const std::uint32_t e = m_tokens.openProcessToken(token)) {
      m_log.write("OpenProcessToken() failed", e);
      m_tokens.revertToSelf();
      return kFail;
    }
    if (token.user.empty()) {
      m_log.write("OpenProcessToken() returned NULL token");
      m_tokens.revertToSelf();
      return kFail;
    }
  }
  m_tokens.revertToSelf();
  return kOk;
}

HResult CRiloRights::CheckRights(const std::string& entry, int& flag) {
  m_log.write("Entering CRiloRights::CheckRights()");
  flag = 0;
  Initialize();
  m_dn = entry;
  sec::Token token;
  if (HResult hr = callerToken(token); ds::failed(hr)) return hr;
  sec::Token evaluated;
  if (HResult hr = RestrictTrusteeToken(token, evaluated); ds::failed(hr)) {
    m_log.write("RestrictTrusteeToken() failed", hr);
    return hr;
  }
  if (HResult hr = GetTestObject(); ds::failed(hr)) {
    m_log.write("GetTestObject() failed", hr);
    return hr;
  }
  Bytes raw;
  sec::SecurityDescriptor sd;
  std::string error;
  std::uint32_t e = m_directory.getNamedSecurityInfo(m_dn, raw);
  if (!e && !sec::parseSecurityDescriptor(raw, sd, error)) e = sec::kErrorInvalidSecurityDescriptor;
  if (e) {
    m_log.write("GetNamedSecurityInfo() failed", e);
    return kFail;
  }
  if (HResult hr = GetRelevantGuids(); ds::failed(hr)) {
    m_log.write("GetRelevantGuids() failed", hr);
    return hr;
  }
  sec::Guid objectGuid;
  if (HResult hr = GetObjectGuid(objectGuid); ds::failed(hr)) {
    m_log.write("GetObjectGuid() failed", hr);
    return hr;
  }
  const std::vector<sec::ObjectTypeEntry> types = {{0, objectGuid}, {1, m_sendAs}, {1, m_receiveAs}};
  sec::AccessCheckResult result;
  if (const std::uint32_t err = sec::accessCheckByType(sd, nullptr, evaluated, kCandidateMask, types, result)) {
    m_log.write("AccessCheckByType() failed", err);
    return kFail;
  }
  if (result.accessStatus) {
    m_log.write(format("Send-As and Receive-As rights are granted on %s", {m_dn}));
    flag = 1;
  }
  return kOk;
}

HResult CRiloRights::GrantRights(const std::string& entry, int& flag) {
  m_log.write("Entering CRiloRights::GrantRights()");
  flag = 0;
  Initialize();
  m_dn = entry;
  if (HResult hr = GetLoggedInUserSid(m_trusteeSid); ds::failed(hr)) {
    m_log.write("GetLoggedInUserSid() failed", hr);
    return hr;
  }
  m_log.write(format("GetLoggedInUserSid() returned user SID: %s", {m_trusteeSid}));
  if (entry.empty()) {
    m_log.write("Cannot check access for DN - empty string", kInvalidArg);
    return kInvalidArg;
  }
  if (m_trusteeSid.empty()) {
    m_log.write("Cannot check access for user SID - empty string", ds::kUnexpected);
    return ds::kUnexpected;
  }
  struct Step {
    HResult (CRiloRights::*run)();
    const char* failure;
  };
  static constexpr Step kSteps[] = {{&CRiloRights::GetTestObject, "GetTestObject() failed"},
                                    {&CRiloRights::ConfirmMailStore, "ConfirmMailStore() failed"},
                                    {&CRiloRights::GetSDFromIADs, "GetSDFromIADs() failed"},
                                    {&CRiloRights::UpdateSecurityDescriptor, "UpdateSecurityDescriptor() failed"},
                                    {&CRiloRights::PutSDtoIADs, "PutSDtoIADs() failed"}};
  for (const Step& step : kSteps)
    if (HResult hr = (this->*step.run)(); ds::failed(hr)) {
      m_log.write(step.failure, hr);
      return hr;
    }
  if (HResult hr = m_object->setInfo(); ds::failed(hr)) {
    m_log.write("IADs::SetInfo() failed", hr);
    return hr;
  }
  flag = 1;
  return kOk;
}

HResult CRiloRights::GetLoggedInUserSid(std::string& sid) {
  m_log.write("Entering CRiloRights::GetLoggedInUserSid()");
  sid.clear();
  sec::Token token;
  if (ds::failed(callerToken(token))) return kFail;
  if (token.user.empty()) {
    m_log.write("GetTokenInformation() failed to return valid user sid", kFail);
    return kFail;
  }
  sid = sec::sidString(token.user);
  return kOk;
}

HResult CRiloRights::RestrictTrusteeToken(const sec::Token& token, sec::Token& evaluated) {
  m_log.write("Entering CRiloRights::RestrictTrusteeToken()");
  if (!ds::failed(IsBuiltinAdminsMember(token))) {
    m_log.write("User IS member of builtin admins");
    evaluated = token;
    return kOk;
  }
  m_log.write("User IS NOT member of builtin admins");
  // Rights the account holds only through the local machine's
  // Administrators group do not count on the domain's objects.
  evaluated = sec::createRestrictedToken(token, {sec::builtinAdministratorsSid()});
  return kOk;
}

HResult CRiloRights::IsBuiltinAdminsMember(const sec::Token& token) {
  m_log.write("Entering CRiloRights::IsBuiltinAdminsMember()");
  std::unique_ptr<ds::DirectoryObject> root;
  if (HResult hr = m_directory.getObject("LDAP://rootDSE", root); ds::failed(hr)) {
    m_log.write("ADsGetObject(LDAP://rootDSE,IID_IADs) failed", hr);
    return hr;
  }
  ds::AdsValue context;
  if (HResult hr = root->get("defaultNamingContext", context); ds::failed(hr) || context.strings.empty()) {
    m_log.write("IADs::Get(defaultNamingContext) failed", ds::failed(hr) ? hr : kFail);
    return kFail;
  }
  const std::string builtinPath = "LDAP://CN=Builtin," + context.strings[0];
  std::unique_ptr<ds::DirectoryObject> builtin;
  if (HResult hr = m_directory.getObject(builtinPath, builtin); ds::failed(hr)) {
    m_log.write(format("ADsGetObject(%s) failed", {builtinPath}), hr);
    return hr;
  }
  const std::string filter = format("(objectSid=%s)", {sec::ldapEscapedSid(sec::builtinAdministratorsSid())});
  std::vector<std::string> names;
  if (HResult hr = builtin->search(filter, "distinguishedName", names); ds::failed(hr)) {
    m_log.write(format("IDirectorySearch::ExecuteSearch(%s) failed", {filter}), hr);
    return hr;
  }
  if (names.empty()) {
    m_log.write(format("IDirectorySearch::ExecuteSearch(%s) returned no rows", {filter}), kFail);
    return kFail;
  }
  if (names[0].empty()) {
    m_log.write("IDirectorySearch::GetColumn(distinguishedName) returned empty string", kFail);
    return kFail;
  }
  m_log.write(format("IDirectorySearch::GetColumn(distinguishedName) returned %s", {names[0]}));
  std::unique_ptr<ds::DirectoryObject> group;
  const std::string groupPath = "LDAP://" + names[0];
  if (HResult hr = m_directory.getObject(groupPath, group); ds::failed(hr)) {
    m_log.write(format("ADsGetObject(%s) failed", {groupPath}), hr);
    return hr;
  }
  const HResult hr = CheckGroupMembership(token, *group);
  if (ds::failed(hr)) m_log.write("CheckGroupMembership() failed - is not builtin admins member", hr);
  else m_log.write("CheckGroupMembership() succeeded - is builtin admins member", hr);
  return hr;
}

HResult CRiloRights::CheckGroupMembership(const sec::Token& token, ds::DirectoryObject& group) {
  m_log.write("Entering CRiloRights::CheckGroupMembership()");
  if (token.user.empty()) {
    m_log.write("GetTokenInformation() failed", kFail);
    return kFail;
  }
  std::vector<std::string> members;
  if (HResult hr = group.members(members); ds::failed(hr)) {
    m_log.write("IADsMembers::Members() failed", hr);
    return hr;
  }
  for (const std::string& path : members) {
    std::unique_ptr<ds::DirectoryObject> member;
    if (HResult hr = m_directory.getObject(path, member); ds::failed(hr)) {
      m_log.write("ADsBuildEnumerator() failed", hr);
      return hr;
    }
    ds::AdsValue classes, sid;
    member->get("objectClass", classes);
    const bool isGroup = std::any_of(classes.strings.begin(), classes.strings.end(),
                                     [](const std::string& c) { return iequals(c, "group"); });
    if (HResult hr = member->get("objectSid", sid); ds::failed(hr)) {
      m_log.write(isGroup ? "IADsGroup::Get(objectSid) failed" : "IADs::Get(objectSid) failed", hr);
      continue;
    }
    sec::Sid memberSid;
    if (!sec::parseSidBytes(sid.bytes.data(), sid.bytes.size(), memberSid)) continue;
    if (isGroup && token.isMember(memberSid)) return kOk;
    if (memberSid == token.user) return kOk;
  }
  return kFail;
}

HResult CRiloRights::GetTestObject() {
  m_log.write("Entering CRiloRights::GetTestObject()");
  m_object.reset();
  const bool byGuid = m_dn.find('=') == std::string::npos;
  const std::string path = byGuid ? format("LDAP://<GUID=%s>", {m_dn}) : "LDAP://" + m_dn;
  if (HResult hr = m_directory.getObject(path, m_object); ds::failed(hr)) {
    m_log.write(format("ADsGetObject(%s,IID_IADS) failed", {path}), hr);
    return hr;
  }
  if (!byGuid) return kOk;
  ds::AdsValue dn;
  if (HResult hr = m_object->get("distinguishedName", dn); ds::failed(hr)) {
    m_log.write("IADs::Get(distinguishedName) failed", hr);
    return hr;
  }
  if (dn.type != ds::AdsValue::String) {
    m_log.write("IADs::Get(distinguishedName) returned bad type", dn.type);
    return kFail;
  }
  m_dn = dn.strings[0];
  return kOk;
}

HResult CRiloRights::ConfirmMailStore() {
  m_log.write("Entering CRiloRights::ConfirmMailStore()");
  ds::AdsValue classes;
  if (HResult hr = m_object->get("objectClass", classes); ds::failed(hr)) {
    m_log.write("IADs::Get(objectClass) failed", hr);
    return hr;
  }
  if (classes.type != ds::AdsValue::Array) {
    m_log.write("IADs::Get(objectClass) returned bad variant type", classes.type);
    return kFail;
  }
  for (const std::string& c : classes.strings)
    if (iequals(c, "MsExchMDB")) return kOk;
  m_log.write("Object doesn't look like a mailstore", kFail);
  return kFail;
}

HResult CRiloRights::GetObjectGuid(sec::Guid& guid) {
  m_log.write("Entering CRiloRights::GetObjectGuid()");
  ds::AdsValue value;
  if (HResult hr = m_object->get("objectGUID", value); ds::failed(hr)) return hr;
  if (value.type != ds::AdsValue::OctetString || value.bytes.size() != 16) return kFail;
  std::copy(value.bytes.begin(), value.bytes.end(), guid.bytes.begin());
  return kOk;
}

HResult CRiloRights::GetRelevantGuids() {
  m_log.write("Entering CRiloRights::GetRelevantGuids()");
  m_sendAs = {};
  m_receiveAs = {};
  if (HResult hr = GetExtendedRightsGuid("Send-As", m_sendAs); ds::failed(hr)) {
    m_log.write("GetExtendedRightsGuid(Send-As) failed", hr);
    return hr;
  }
  if (HResult hr = GetExtendedRightsGuid("Receive-As", m_receiveAs); ds::failed(hr)) {
    m_log.write("GetExtendedRightsGuid(Receive-As) failed", hr);
    return hr;
  }
  return kOk;
}

HResult CRiloRights::GetExtendedRightsGuid(const std::string& name, sec::Guid& guid) {
  m_log.write("Entering CRiloRights::GetExtendedRightsGuid()");
  std::unique_ptr<ds::DirectoryObject> root;
  if (HResult hr = m_directory.getObject("LDAP://rootDSE", root); ds::failed(hr)) {
    m_log.write("ADsGetObject(LDAP://rootDSE,IID_IADs) failed", hr);
    return hr;
  }
  ds::AdsValue config;
  if (HResult hr = root->get("configurationNamingContext", config); ds::failed(hr) || config.strings.empty()) {
    m_log.write("RootDSE IADs::Get(configurationNamingContext) failed", ds::failed(hr) ? hr : kFail);
    return kFail;
  }
  m_log.write(format("Configuration Naming context set to: %s", {config.strings[0]}));
  const std::string path = "LDAP://CN=" + name + ",CN=Extended-Rights," + config.strings[0];
  std::unique_ptr<ds::DirectoryObject> right;
  if (HResult hr = m_directory.getObject(path, right); ds::failed(hr)) {
    m_log.write(format("ADsGetObject(%s,IID_IADs) failed", {path}), hr);
    return hr;
  }
  ds::AdsValue text;
  if (HResult hr = right->get("rightsGUID", text); ds::failed(hr) || text.strings.empty()) {
    m_log.write("IADs::Get(rightsGUID) failed", ds::failed(hr) ? hr : kFail);
    return kFail;
  }
  m_log.write(format("Extended rights object guid set to: %s", {text.strings[0]}));
  // UuidFromString takes the bare form only.
  if (!sec::parseGuid(text.strings[0], guid, false)) {
    m_log.write("UuidFromString() failed", kRpcInvalidStringUuid);
    return kFail;
  }
  return kOk;
}

AdsAce CRiloRights::toAds(const sec::Ace& ace) {
  AdsAce a;
  a.source = ace;
  if (!ace.known()) {
    a.aceType = ace.opaque.empty() ? -1 : ace.opaque[0];
    return a;
  }
  a.accessMask = ace.mask;
  a.aceType = ace.type;
  a.aceFlags = ace.flags;
  a.flags = static_cast<std::int32_t>(ace.objectFlags);
  if (ace.isObject() && (ace.objectFlags & sec::kObjectTypePresent)) a.objectType = sec::guidBraced(ace.objectType);
  if (ace.isObject() && (ace.objectFlags & sec::kInheritedObjectTypePresent))
    a.inheritedObjectType = sec::guidBraced(ace.inheritedObjectType);
  a.trustee = m_directory.trusteeName(ace.sid);
  return a;
}

// The entry back in binary form: a trustee given as a SID string is that
// SID; an unchanged name keeps the SID it was read with.
bool CRiloRights::fromAds(const AdsAce& a, sec::Ace& out) {
  if (!a.source.known()) {
    out = a.source;
    return true;
  }
  out = sec::Ace{};
  out.type = static_cast<std::uint8_t>(a.aceType);
  out.flags = static_cast<std::uint8_t>(a.aceFlags);
  out.mask = a.accessMask;
  out.objectFlags = out.isObject() ? static_cast<std::uint32_t>(a.flags) : 0;
  if ((out.objectFlags & sec::kObjectTypePresent) && !sec::parseGuid(a.objectType, out.objectType)) return false;
  if ((out.objectFlags & sec::kInheritedObjectTypePresent) && !sec::parseGuid(a.inheritedObjectType, out.inheritedObjectType))
    return false;
  if (sec::parseSidString(a.trustee, out.sid)) return true;
  if (a.source.sid.empty()) return false;
  out.sid = a.source.sid;
  return true;
}

HResult CRiloRights::GetSDFromIADs() {
  m_log.write("Entering CRiloRights::GetSDFromIADs()");
  m_sd.reset();
  m_acl.clear();
  m_haveAcl = false;
  ds::AdsValue value;
  if (HResult hr = m_object->get("nTSecurityDescriptor", value); ds::failed(hr)) {
    m_log.write("IADs::Get(nTSecurityDescriptor) failed", hr);
    return hr;
  }
  if (value.type != ds::AdsValue::Dispatch) {
    m_log.write("IADs::Get(nTSecurityDescriptor) returned bad variant type", value.type);
    return kFail;
  }
  sec::SecurityDescriptor sd;
  std::string error;
  if (!sec::parseSecurityDescriptor(value.bytes, sd, error)) {
    m_log.write("IDispatch::QueryInterface(IID_IADsSecurityDescriptor) failed", ds::fromWin32(sec::kErrorInvalidSecurityDescriptor));
    return kFail;
  }
  m_sd = std::move(sd);
  return kOk;
}

HResult CRiloRights::PutSDtoIADs() {
  m_log.write("Entering CRiloRights::PutSDtoIADs()");
  if (!m_sd || !m_object) return kInvalidArg;
  ds::AdsValue value{ds::AdsValue::Dispatch, {}, sec::serializeSecurityDescriptor(*m_sd)};
  if (HResult hr = m_object->put("nTSecurityDescriptor", value); ds::failed(hr)) {
    m_log.write("IADs::Put(nTSecurityDescriptor) failed", hr);
    return hr;
  }
  return kOk;
}

HResult CRiloRights::UpdateSecurityDescriptor() {
  m_log.write("Entering CRiloRights::UpdateSecurityDescriptor()");
  if (!m_sd) return kInvalidArg;
  // A NULL DACL lets everyone do everything; one entry added to it would
  // shut out everybody else, so such an object is left alone.
  if (!m_sd->dacl) {
    m_log.write("IADsSecurityDescriptor::get_DiscretionaryAcl() failed", kInvalidArg);
    return kInvalidArg;
  }
  m_acl.clear();
  for (const sec::Ace& ace : m_sd->dacl->aces) m_acl.push_back(toAds(ace));
  m_haveAcl = true;
  struct Step {
    ExtendedRight right;
    const char* createFailed;
    const char* insertFailed;
  };
  static constexpr Step kSteps[] = {
      {ExtendedRight::SendAs, "CreateCandidateAce(Send-As) failed", "InsertCandidateAce(Send-As) failed"},
      {ExtendedRight::ReceiveAs, "CreateCandidateAce(Receive-As) failed", "InsertCandidateAce(Receive-As) failed"}};
  for (const Step& r : kSteps) {
    if (HResult hr = CreateCandidateAce(r.right); ds::failed(hr)) {
      m_log.write(r.createFailed, hr);
      return hr;
    }
    if (HResult hr = InsertCandidateAce(); ds::failed(hr)) {
      m_log.write(r.insertFailed, hr);
      return hr;
    }
  }
  sec::Acl acl;
  acl.revision = m_sd->dacl->revision;
  for (const AdsAce& a : m_acl) {
    sec::Ace ace;
    if (!fromAds(a, ace)) {
      m_log.write("IADsSecurityDescriptor::put_DiscretionaryAcl() failed", kInvalidArg);
      return kInvalidArg;
    }
    acl.aces.push_back(std::move(ace));
  }
  m_sd->dacl = std::move(acl);
  return kOk;
}

HResult CRiloRights::CreateCandidateAce(ExtendedRight right) {
  m_log.write("Entering CRiloRights::CreateCandidateAce()");
  m_candidate.reset();
  const bool sendAs = right == ExtendedRight::SendAs;
  if (HResult hr = GetRelevantGuids(); ds::failed(hr)) {
    m_log.write("GetRelevanGuids() failed", hr);
    return hr;
  }
  AdsAce c;
  c.accessMask = kCandidateMask;
  c.aceType = kCandidateType;
  c.aceFlags = kCandidateAceFlags;
  c.flags = kCandidateFlags;
  c.objectType = sec::guidBraced(sendAs ? m_sendAs : m_receiveAs);
  c.trustee = m_trusteeSid;
  m_candidate = std::move(c);
  return kOk;
}

HResult CRiloRights::InsertCandidateAce() {
  m_log.write("Entering CRiloRights::InsertCandidateAce()");
  if (!m_candidate || !m_haveAcl) return kInvalidArg;
  if (HResult hr = FindConflictingDenyAce(); ds::failed(hr)) {
    m_log.write("FindConflictingDenyAce() failed", hr);
    return hr;
  }
  if (HResult hr = MergeAllowAces(); ds::failed(hr)) {
    m_log.write("MergeAllowAces() failed", hr);
    return hr;
  }
  // New entries go at the end of the list, as AddAce puts them.
  m_acl.push_back(*m_candidate);
  return kOk;
}

// Every deny entry of the list is looked at: the new entries go at the end,
// so a deny of the same trustee and right anywhere before them would win,
// and the grant would be stored without effect. Such a deny stops the grant.
HResult CRiloRights::FindConflictingDenyAce() {
  m_log.write("Entering CRiloRights::FindConflictingDenyAce()");
  if (m_acl.empty()) {
    m_log.write("IEnumVARIANT::Next() returned NO ACES", kSFalse);
    return kOk;
  }
  for (const AdsAce& entry : m_acl) {
    if (entry.aceType != sec::kAccessDenied && entry.aceType != sec::kAccessDeniedObject) continue;
    const HResult overlap = AceOverlaps(entry);
    if (ds::failed(overlap)) return overlap;
    const bool sameRight = !(entry.flags & sec::kObjectTypePresent) || iequals(entry.objectType, m_candidate->objectType);
    if (overlap == kOk && sameRight && (entry.accessMask & m_candidate->accessMask)) {
      m_log.write(format("Conflicting deny entry for %s on %s - remove it before granting", {entry.trustee, m_candidate->objectType}),
                  ds::kAccessDenied);
      return ds::kAccessDenied;
    }
  }
  m_log.write("IEnumVARIANT::Next() returned no more aces - not an error", kSFalse);
  return kOk;
}

// Entries of the candidate's type for the same trustee and right are folded
// into the candidate, which replaces them all (not only up to the first
// entry of another trustee).
HResult CRiloRights::MergeAllowAces() {
  m_log.write("Entering CRiloRights::MergeAllowAces()");
  if (m_acl.empty()) {
    m_log.write("IEnumVARIANT::Next() returned NO ACES", kSFalse);
    return kOk;
  }
  for (std::size_t i = 0; i < m_acl.size();) {
    const AdsAce& entry = m_acl[i];
    if (entry.aceType != m_candidate->aceType || (entry.aceType != 0 && entry.aceType != 5)) {
      ++i;
      continue;
    }
    const HResult overlap = AceOverlaps(entry);
    if (ds::failed(overlap)) return overlap;
    if (overlap != kOk) {
      ++i;
      continue;
    }
    m_candidate->accessMask |= entry.accessMask;
    m_acl.erase(m_acl.begin() + static_cast<std::ptrdiff_t>(i));
  }
  m_log.write("IEnumVARIANT::Next() returned no more aces - not an error", kSFalse);
  return kOk;
}

HResult CRiloRights::AceOverlaps(const AdsAce& entry) {
  m_log.write("Entering CRiloRights::AceOverlaps()");
  const bool entryObject = entry.aceType == sec::kAccessAllowedObject || entry.aceType == sec::kAccessDeniedObject;
  const bool entryPlain = entry.aceType == sec::kAccessAllowed || entry.aceType == sec::kAccessDenied;
  const bool candidateObject = m_candidate->aceType == sec::kAccessAllowedObject;
  if ((entryObject && !candidateObject) || (entryPlain && candidateObject) || (!entryObject && !entryPlain)) return kSFalse;
  if (entry.aceType == sec::kAccessAllowedObject) {
    if (entry.flags != m_candidate->flags) return kSFalse;
    if ((entry.flags & sec::kObjectTypePresent) && !iequals(entry.objectType, m_candidate->objectType)) return kSFalse;
  }
  std::string name;
  if (HResult hr = ConvertSidToNT4Name(m_candidate->trustee, name); ds::failed(hr)) {
    m_log.write("ConvertSidToNT4Name() failed", hr);
    return hr;
  }
  return entry.trustee == name ? kOk : kSFalse;
}

HResult CRiloRights::ConvertSidToNT4Name(const std::string& sid, std::string& name) {
  m_log.write("Entering CRiloRights::ConvertSidToNT4Name()");
  if (!m_dcBound) return kInvalidArg;
  int status = 0;
  const std::uint32_t e = m_directory.crackSidToNt4Name(sid, status, name);
  // An item without a name is no translation either.
  if (e || status != ds::kDsNameNoError || name.empty()) {
    m_log.write("DsCrackNames() failed", e ? e : static_cast<std::uint32_t>(status));
    return kFail;
  }
  return kOk;
}

}  // namespace vrel::rilo
