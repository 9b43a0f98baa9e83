// The Send-As / Receive-As question for one mail store object: does the
// running account hold both extended rights on it (an access check of the
// object's descriptor against the account's token), or, in grant mode, add
// both rights for the account to the object's DACL and store it. Every step
// logs "Entering CRiloRights::<step>()" and each failure with its call's code.
#pragma once

#include "platform/directory/Directory.h"
#include "platform/security/SecurityDescriptor.h"
#include "rilo/RiloLog.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vrel::rilo {

using ds::HResult;

// An access entry as ADSI shows it (IADsAccessControlEntry).
struct AdsAce {
  std::uint32_t accessMask = 0;
  std::int32_t aceType = 0;
  std::int32_t aceFlags = 0;
  std::int32_t flags = 0;
  std::string objectType;           // "{GUID}" when flags has the object-type bit
  std::string inheritedObjectType;  // likewise
  std::string trustee;              // "DOMAIN\name", or a SID string
  sec::Ace source;                  // the entry as read (its SID, or all of an unknown type)
};

enum class ExtendedRight { SendAs, ReceiveAs };

class CRiloRights {
 public:
  CRiloRights(ds::Directory& directory, ds::TokenSource& tokens, RiloLog& log);
  ~CRiloRights();

  // flag: 1 when the account holds both rights.
  HResult CheckRights(const std::string& entry, int& flag);
  // flag: 1 when the changed descriptor was stored.
  HResult GrantRights(const std::string& entry, int& flag);

  // The steps, public for their tests.
  HResult Initialize();
  HResult BindDC();
  void UnBindDC();
  HResult GetLoggedInUserSid(std::string& sid);
  HResult RestrictTrusteeToken(const sec::Token& token, sec::Token& evaluated);
  HResult IsBuiltinAdminsMember(const sec::Token& token);
  HResult CheckGroupMembership(const sec::Token& token, ds::DirectoryObject& group);
  HResult GetTestObject();
  HResult ConfirmMailStore();
  HResult GetObjectGuid(sec::Guid& guid);
  HResult GetRelevantGuids();
  HResult GetExtendedRightsGuid(const std::string& name, sec::Guid& guid);
  HResult GetSDFromIADs();
  HResult PutSDtoIADs();
  HResult UpdateSecurityDescriptor();
  HResult CreateCandidateAce(ExtendedRight right);
  HResult InsertCandidateAce();
  HResult FindConflictingDenyAce();
  HResult MergeAllowAces();
  // 0 when entry and the candidate concern the same trustee and right, 1
  // when not, or a failure.
  HResult AceOverlaps(const AdsAce& entry);
  HResult ConvertSidToNT4Name(const std::string& sid, std::string& name);

  // The access list in hand (after GetSDFromIADs and changes).
  const std::vector<AdsAce>& accessList() const { return m_acl; }
  void setTrusteeSid(std::string sid) { m_trusteeSid = std::move(sid); }
  void setDistinguishedName(std::string dn) { m_dn = std::move(dn); }

 private:
  HResult callerToken(sec::Token& token);
  AdsAce toAds(const sec::Ace& ace);
  bool fromAds(const AdsAce& ads, sec::Ace& out);

  ds::Directory& m_directory;
  ds::TokenSource& m_tokens;
  RiloLog& m_log;
  bool m_dcBound = false;
  std::string m_trusteeSid;
  std::string m_dn;
  std::unique_ptr<ds::DirectoryObject> m_object;
  std::optional<sec::SecurityDescriptor> m_sd;
  std::vector<AdsAce> m_acl;
  bool m_haveAcl = false;
  std::optional<AdsAce> m_candidate;
  sec::Guid m_sendAs, m_receiveAs;
};

}  // namespace vrel::rilo
