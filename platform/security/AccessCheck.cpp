#include "platform/security/AccessCheck.h"

#include <algorithm>
#include <functional>

namespace vrel::sec {

namespace {

constexpr std::uint32_t kGenericRights = kGenericAll | kGenericExecute | kGenericWrite | kGenericRead;

bool validList(const std::vector<ObjectTypeEntry>& list) {
  if (list.empty()) return true;
  if (list[0].level != 0) return false;
  for (std::size_t i = 1; i < list.size(); ++i)
    if (list[i].level == 0 || list[i].level > 4 || list[i].level > list[i - 1].level + 1) return false;
  return true;
}

// The nodes of the subtree rooted at n: n and the entries after it with a
// deeper level.
std::size_t subtreeEnd(const std::vector<ObjectTypeEntry>& list, std::size_t n) {
  std::size_t end = n + 1;
  while (end < list.size() && list[end].level > list[n].level) ++end;
  return end;
}

// One pass over the DACL for one way of matching SIDs; true when the root
// node ends with every requested right.
bool evaluate(const SecurityDescriptor& sd, const Sid* principalSelf, std::uint32_t desired,
              const std::vector<ObjectTypeEntry>& list, const std::function<bool(const Sid&)>& allowMatch,
              const std::function<bool(const Sid&)>& denyMatch) {
  const std::size_t count = std::max<std::size_t>(list.size(), 1);
  std::vector<std::uint32_t> remaining(count, desired);
  const Acl& acl = *sd.dacl;
  const bool ownerRightsListed = std::any_of(acl.aces.begin(), acl.aces.end(), [](const Ace& a) {
    return a.known() && a.sid == ownerRightsSid();
  });
  if (sd.owner && !ownerRightsListed && allowMatch(*sd.owner))
    for (std::uint32_t& r : remaining) r &= ~(kReadControl | kWriteDac);

  // Nodes an entry acts on: all, or the subtree of the node with its GUID.
  auto nodesOf = [&](const Ace& ace, std::size_t& begin, std::size_t& end) {
    begin = 0, end = count;
    if (!ace.hasObjectType()) return true;
    for (std::size_t n = 0; n < list.size(); ++n)
      if (list[n].guid == ace.objectType) {
        begin = n, end = subtreeEnd(list, n);
        return true;
      }
    return false;  // a GUID not in the list: the entry does not apply
  };
  auto propagateUp = [&] {
    for (std::size_t n = list.size(); n-- > 0;) {
      const std::size_t end = subtreeEnd(list, n);
      if (end == n + 1) continue;
      std::uint32_t childrenRemaining = 0;
      for (std::size_t c = n + 1; c < end; ++c)
        if (list[c].level == list[n].level + 1) childrenRemaining |= remaining[c];
      remaining[n] &= childrenRemaining;
    }
  };

  for (const Ace& ace : acl.aces) {
    if (!ace.known() || (ace.flags & kInheritOnly)) continue;
    const Sid& sid = principalSelf && ace.sid == principalSelfSid() ? *principalSelf : ace.sid;
    std::size_t begin = 0, end = 0;
    if (!nodesOf(ace, begin, end)) continue;
    if (ace.isAllow()) {
      if (!allowMatch(sid)) continue;
      for (std::size_t n = begin; n < end; ++n) remaining[n] &= ~ace.mask;
      propagateUp();
    } else {
      if (!denyMatch(sid) || ace.mask == 0) continue;
      // A deny bit still wanted where the entry applies denies the request;
      // bits that earlier allows granted are past denying.
      for (std::size_t n = begin; n < end; ++n)
        if (remaining[n] & ace.mask) return false;
    }
    if (remaining[0] == 0) return true;
  }
  return remaining[0] == 0;
}

}  // namespace

std::uint32_t accessCheckByType(const SecurityDescriptor& sd, const Sid* principalSelf, const Token& token,
                                std::uint32_t desiredAccess, const std::vector<ObjectTypeEntry>& objectTypes,
                                AccessCheckResult& result) {
  result = AccessCheckResult{};
  if (token.type != TokenType::Impersonation) return kErrorNoImpersonationToken;
  if (token.impersonationLevel < kIdentification) return kErrorBadImpersonationLevel;
  if (desiredAccess & kGenericRights) return kErrorGenericNotMapped;
  if (!sd.owner || !sd.group) return kErrorInvalidSecurityDescriptor;
  if (!validList(objectTypes)) return kErrorInvalidParameter;

  bool granted = true;
  if (sd.daclPresent() && sd.dacl) {
    granted = evaluate(
        sd, principalSelf, desiredAccess, objectTypes, [&](const Sid& s) { return token.matchesAllow(s); },
        [&](const Sid& s) { return token.matchesDeny(s); });
    if (granted && token.isRestricted()) {
      auto restricting = [&](const Sid& s) {
        return std::find(token.restrictingSids.begin(), token.restrictingSids.end(), s) != token.restrictingSids.end();
      };
      granted = evaluate(sd, principalSelf, desiredAccess, objectTypes, restricting, restricting);
    }
  }
  // No DACL at all, or a NULL one: everything is granted.
  result.accessStatus = granted;
  result.grantedAccess = granted ? desiredAccess : 0;
  return 0;
}

}  // namespace vrel::sec
