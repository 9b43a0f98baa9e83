// An access token as the security system evaluates it: the user, the groups
// with their attributes, the restricting SIDs, and the token's type.
#pragma once

#include "platform/security/Sid.h"

#include <cstdint>
#include <vector>

namespace vrel::sec {

enum GroupAttribute : std::uint32_t {
  kGroupMandatory = 0x1,
  kGroupEnabledByDefault = 0x2,
  kGroupEnabled = 0x4,
  kGroupOwner = 0x8,
  kGroupUseForDenyOnly = 0x10,
};

enum class TokenType { Primary, Impersonation };
enum ImpersonationLevel : int { kAnonymous = 0, kIdentification = 1, kImpersonation = 2, kDelegation = 3 };

struct TokenGroup {
  Sid sid;
  std::uint32_t attributes = kGroupMandatory | kGroupEnabledByDefault | kGroupEnabled;
};

struct Token {
  Sid user;
  std::uint32_t userAttributes = 0;  // kGroupUseForDenyOnly once disabled
  std::vector<TokenGroup> groups;
  std::vector<Sid> restrictingSids;
  TokenType type = TokenType::Primary;
  int impersonationLevel = kAnonymous;

  // Matches an allow entry: the user (unless deny-only) or an enabled group.
  bool matchesAllow(const Sid& sid) const;
  // Matches a deny entry: the user, an enabled group or a deny-only group.
  bool matchesDeny(const Sid& sid) const;
  // CheckTokenMembership: the SID is the user or an enabled group.
  bool isMember(const Sid& sid) const { return matchesAllow(sid); }
  // The owner rights of a descriptor's owner apply: the owner is the user or
  // an enabled group.
  bool isRestricted() const { return !restrictingSids.empty(); }
};

// CreateRestrictedToken with SIDs to disable only: each listed SID that the
// token holds (the user included) becomes deny-only and loses its enabled
// bits; no privileges removed, no restricting SIDs added, same type.
Token createRestrictedToken(const Token& token, const std::vector<Sid>& sidsToDisable);

// The impersonation copy ImpersonateSelf makes of a process token.
Token impersonationCopy(const Token& token, int level);

}  // namespace vrel::sec
