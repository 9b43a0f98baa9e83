#include "platform/security/Token.h"

#include <algorithm>

namespace vrel::sec {

bool Token::matchesAllow(const Sid& sid) const {
  if (sid == user) return !(userAttributes & kGroupUseForDenyOnly);
  return std::any_of(groups.begin(), groups.end(), [&](const TokenGroup& g) {
    return g.sid == sid && (g.attributes & kGroupEnabled) && !(g.attributes & kGroupUseForDenyOnly);
  });
}

bool Token::matchesDeny(const Sid& sid) const {
  if (sid == user) return true;
  return std::any_of(groups.begin(), groups.end(), [&](const TokenGroup& g) {
    return g.sid == sid && (g.attributes & (kGroupEnabled | kGroupUseForDenyOnly));
  });
}

Token createRestrictedToken(const Token& token, const std::vector<Sid>& sidsToDisable) {
  Token out = token;
  auto listed = [&](const Sid& sid) { return std::find(sidsToDisable.begin(), sidsToDisable.end(), sid) != sidsToDisable.end(); };
  if (listed(out.user)) out.userAttributes |= kGroupUseForDenyOnly;
  for (TokenGroup& g : out.groups)
    if (listed(g.sid)) g.attributes = (g.attributes & ~(kGroupEnabled | kGroupEnabledByDefault)) | kGroupUseForDenyOnly;
  return out;
}

Token impersonationCopy(const Token& token, int level) {
  Token out = token;
  out.type = TokenType::Impersonation;
  out.impersonationLevel = level;
  return out;
}

}  // namespace vrel::sec
