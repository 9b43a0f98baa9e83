// The access check by object type: a descriptor's DACL evaluated against a
// token for a tree of object types (a class, its property sets or rights,
// their properties), as AccessCheckByType does.
#pragma once

#include "platform/security/SecurityDescriptor.h"
#include "platform/security/Token.h"

#include <cstdint>
#include <vector>

namespace vrel::sec {

struct ObjectTypeEntry {
  std::uint16_t level = 0;  // 0 the object, 1..4 below it, each subtree after its node
  Guid guid;
};

// Win32 errors of the call itself.
enum : std::uint32_t {
  kErrorInvalidParameter = 87,
  kErrorNoImpersonationToken = 1309,
  kErrorInvalidSecurityDescriptor = 1338,
  kErrorBadImpersonationLevel = 1346,
  kErrorGenericNotMapped = 1360,
};

struct AccessCheckResult {
  std::uint32_t grantedAccess = 0;
  bool accessStatus = false;  // every requested right granted for the tree as a whole
};

// 0 when the check ran (the answer in result), else the call's Win32 error.
// The token must be an impersonation token of at least identification
// level; desiredAccess holds no generic rights; the descriptor has an owner
// and a group; the list is empty or well formed. Deny entries come before
// allows in effect as they come in order; an object entry acts on the node
// of its GUID and that node's subtree, a plain entry (or one without a GUID)
// on every node; a node is granted a right once all its children hold it;
// deny-only SIDs match only deny entries; with restricting SIDs the list is
// evaluated a second time for them and both must grant.
std::uint32_t accessCheckByType(const SecurityDescriptor& sd, const Sid* principalSelf, const Token& token,
                                std::uint32_t desiredAccess, const std::vector<ObjectTypeEntry>& objectTypes,
                                AccessCheckResult& result);

}  // namespace vrel::sec
