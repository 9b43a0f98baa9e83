// SIDs, GUIDs, self-relative descriptors, SDDL and the access check by object
// type: the semantics the rights tool relies on.
#include "platform/security/AccessCheck.h"
#include "platform/security/Sddl.h"

#include <gtest/gtest.h>

namespace vrel::sec {
namespace {

const Sid kDomain{1, 5, {21, 1000, 2000, 3000}};
const Sid kUser = sidWithRid(kDomain, 1105);
const Sid kGroup = sidWithRid(kDomain, 1106);
const std::string kSendAs = guidBare(sendAsRightGuid());
const std::string kReceiveAs = guidBare(receiveAsRightGuid());
const Guid kStore = [] {
  Guid g;
  parseGuid("11111111-2222-3333-4444-555555555555", g);
  return g;
}();

TEST(Sid, StringAndBinaryForms) {
  struct Row {
    const char* text;
    const char* hex;  // empty: the text does not parse
  } rows[] = {
      {"S-1-5-32-544", "01020000000000052000000020020000"},
      {"S-1-5-21-2076040321-3326545908-468068287-1157", "010500000000000515000000"
                                                         "81dcbd7bf40f47c6bf27e61b85040000"},
      {"s-1-1-0", "010100000000000100000000"},
      {"S-1-0x123456789ABC-1", "0101123456789abc01000000"},
      {"S-2-5-1", ""}, {"S-1-5-x", ""}, {"S-1", ""}, {"S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15-16", ""},
      {"S-1-5-4294967296", ""},
  };
  for (const Row& r : rows) {
    Sid sid;
    const bool parsed = parseSidString(r.text, sid);
    EXPECT_EQ(parsed, *r.hex != 0) << r.text;
    if (!parsed) continue;
    std::string hex;
    for (std::uint8_t b : sidBytes(sid)) {
      char buf[3];
      std::snprintf(buf, sizeof buf, "%02x", b);
      hex += buf;
    }
    EXPECT_EQ(hex, r.hex) << r.text;
    Sid back;
    const Bytes bytes = sidBytes(sid);
    ASSERT_TRUE(parseSidBytes(bytes.data(), bytes.size(), back));
    EXPECT_EQ(back, sid);
    EXPECT_FALSE(parseSidBytes(bytes.data(), bytes.size() - 1, back)) << "truncated";
  }
  EXPECT_EQ(ldapEscapedSid(builtinAdministratorsSid()), "\\01\\02\\00\\00\\00\\00\\00\\05\\20\\00\\00\\00\\20\\02\\00\\00");
}

TEST(Guid, FormsAndStorageOrder) {
  Guid g;
  ASSERT_TRUE(parseGuid("ab721a54-1e2f-11d0-9819-00aa0040529b", g));
  const std::uint8_t stored[] = {0x54, 0x1A, 0x72, 0xAB, 0x2F, 0x1E, 0xD0, 0x11,
                                 0x98, 0x19, 0x00, 0xAA, 0x00, 0x40, 0x52, 0x9B};
  EXPECT_TRUE(std::equal(g.bytes.begin(), g.bytes.end(), stored));
  EXPECT_EQ(guidBraced(g), "{AB721A54-1E2F-11D0-9819-00AA0040529B}");
  Guid octets;
  ASSERT_TRUE(parseGuidOctets("541A72AB2F1ED011981900AA0040529B", octets));
  EXPECT_EQ(octets, g);
  for (const char* bad : {"ab721a54-1e2f-11d0-9819-00aa0040529", "{ab721a54-1e2f-11d0-9819-00aa0040529b",
                          "ab721a54x1e2f-11d0-9819-00aa0040529b", "zb721a54-1e2f-11d0-9819-00aa0040529b", ""})
    EXPECT_FALSE(parseGuid(bad, g)) << bad;
  EXPECT_FALSE(parseGuid("{ab721a54-1e2f-11d0-9819-00aa0040529b}", g, false)) << "no braces for UuidFromString";
}

TEST(SecurityDescriptor, SddlAndBinaryRoundTrip) {
  const std::string text = "O:DAG:DAD:PAI(OD;;CR;" + kSendAs + ";;S-1-5-21-1000-2000-3000-1105)(OA;CI;CR;" + kSendAs +
                           ";;DA)(OA;CIIO;RPWP;" + kReceiveAs + ";" + kSendAs + ";AU)(A;;LCRPLORC;;;AU)(A;;CCDCLCSWRPWPDTLOCR;;;SY)(A;;0x200;;;SY)";
  SecurityDescriptor sd;
  std::string error;
  ASSERT_TRUE(parseSddl(text, sd, error, &kDomain)) << error;
  EXPECT_EQ(toSddl(sd, &kDomain), text);
  const Bytes bytes = serializeSecurityDescriptor(sd);
  SecurityDescriptor back;
  ASSERT_TRUE(parseSecurityDescriptor(bytes, back, error)) << error;
  EXPECT_EQ(back.dacl->revision, 4) << "object entries need the DS revision";
  EXPECT_EQ(toSddl(back, &kDomain), text);
  EXPECT_EQ(serializeSecurityDescriptor(back), bytes);
  // A Send-As grant to a domain SID with its GUID is 56 bytes.
  EXPECT_EQ(bytes[20 + 8 + 2], 56) << "the size of the first entry: a Send-As deny to a domain SID";
}

TEST(SecurityDescriptor, DamagedBytesAreRefused) {
  SecurityDescriptor sd;
  std::string error;
  ASSERT_TRUE(parseSddl("O:DAG:DAD:(OA;;CR;" + kSendAs + ";;DA)", sd, error, &kDomain));
  const Bytes good = serializeSecurityDescriptor(sd);
  struct Row {
    const char* name;
    std::function<void(Bytes&)> damage;
  } rows[] = {
      {"empty", [](Bytes& b) { b.clear(); }},
      {"truncated", [](Bytes& b) { b.resize(b.size() - 5); }},
      {"revision", [](Bytes& b) { b[0] = 2; }},
      {"not self-relative", [](Bytes& b) { b[3] &= 0x7F; }},
      {"DACL offset past the end", [](Bytes& b) { b[16] = 0xF0, b[17] = 0xFF; }},
      {"ACL size past the end", [](Bytes& b) { b[20 + 2] = 0xFF; }},
      {"ACE size zero", [](Bytes& b) { b[20 + 8 + 2] = 0, b[20 + 8 + 3] = 0; }},
      {"ACE count too high", [](Bytes& b) { b[20 + 4] = 9; }},
      {"ACL revision", [](Bytes& b) { b[20] = 7; }},
  };
  for (const Row& r : rows) {
    Bytes bytes = good;
    r.damage(bytes);
    error.clear();
    EXPECT_FALSE(parseSecurityDescriptor(bytes, sd, error)) << r.name;
    EXPECT_FALSE(error.empty()) << r.name;
  }
  for (const char* bad : {"O:XXG:DA", "O:DAG:DAD:(A;;ZZ;;;DA)", "O:DAG:DAD:(A;;CR;" "x" ";;DA)", "D:(A;;CR;;DA)", "O:DA"}) {
    error.clear();
    const bool ok = parseSddl(bad, sd, error, &kDomain);
    EXPECT_EQ(ok, std::string(bad) == "O:DA") << bad << ": " << error;
  }
}

// The question the rights tool asks: both rights of the list {store,
// Send-As, Receive-As} at once, for 0x100.
struct CheckRow {
  const char* name;
  std::string dacl;
  bool granted;
};

Token userToken(std::vector<TokenGroup> groups = {{kGroup}, {everyoneSid()}}) {
  Token t;
  t.user = kUser;
  t.groups = std::move(groups);
  t.type = TokenType::Impersonation;
  t.impersonationLevel = kIdentification;
  return t;
}

bool check(const std::string& dacl, const Token& token) {
  SecurityDescriptor sd;
  std::string error;
  EXPECT_TRUE(parseSddl("O:DAG:DAD:" + dacl, sd, error, &kDomain)) << error;
  AccessCheckResult r;
  EXPECT_EQ(accessCheckByType(sd, nullptr, token, kDsControlAccess,
                              {{0, kStore}, {1, sendAsRightGuid()}, {1, receiveAsRightGuid()}}, r),
            0u);
  EXPECT_EQ(r.grantedAccess, r.accessStatus ? kDsControlAccess : 0u);
  return r.accessStatus;
}

TEST(AccessCheck, ObjectTypeListForBothRights) {
  const std::string u = "S-1-5-21-1000-2000-3000-1105", g = "S-1-5-21-1000-2000-3000-1106";
  auto oa = [](const std::string& right, const std::string& who, const char* type = "OA") {
    return "(" + std::string(type) + ";;CR;" + right + ";;" + who + ")";
  };
  const CheckRow rows[] = {
      {"both rights to the user", oa(kSendAs, u) + oa(kReceiveAs, u), true},
      {"both rights through a group", oa(kSendAs, g) + oa(kReceiveAs, g), true},
      {"only Send-As", oa(kSendAs, u), false},
      {"one right each from user and group", oa(kSendAs, u) + oa(kReceiveAs, g), true},
      {"control access on the whole object", "(A;;CR;;;" + g + ")", true},
      {"a GUID-less object entry acts on every node", "(OA;;CR;;;" + u + ")", true},
      {"an entry for the store's own GUID covers its subtree", "(OA;;CR;11111111-2222-3333-4444-555555555555;;" + u + ")", true},
      {"deny before allow wins", oa(kSendAs, u, "OD") + "(A;;CR;;;" + u + ")", false},
      {"a deny after the rights were granted is too late", "(A;;CR;;;" + u + ")" + oa(kSendAs, u, "OD"), true},
      {"a plain deny of control access", "(D;;CR;;;" + g + ")" + oa(kSendAs, u) + oa(kReceiveAs, u), false},
      {"a deny of another right does not matter", "(OD;;CR;00000000-0000-0000-0000-000000000001;;" + u + ")" +
                                                      oa(kSendAs, u) + oa(kReceiveAs, u), true},
      {"rights of another account", oa(kSendAs, "DA") + oa(kReceiveAs, "DA"), false},
      {"other bits only", "(A;;RPWPLCRC;;;" + u + ")", false},
      {"an inherit-only entry does not apply", "(A;CIIO;CR;;;" + u + ")", false},
      {"an empty DACL grants nothing", "", false},
      {"Everyone", oa(kSendAs, "WD") + oa(kReceiveAs, "WD"), true},
  };
  for (const CheckRow& r : rows) EXPECT_EQ(check(r.dacl, userToken()), r.granted) << r.name;
}

TEST(AccessCheck, DenyOnlyAndRestrictedTokens) {
  const std::string both = "(OA;;CR;" + kSendAs + ";;BA)(OA;;CR;" + kReceiveAs + ";;BA)";
  const Token admin = userToken({{kGroup}, {builtinAdministratorsSid()}});
  EXPECT_TRUE(check(both, admin)) << "an enabled Administrators SID holds the rights";
  const Token restricted = createRestrictedToken(admin, {builtinAdministratorsSid()});
  EXPECT_FALSE(check(both, restricted)) << "disabled for the evaluation, its allows no longer count";
  EXPECT_FALSE(check("(OD;;CR;" + kSendAs + ";;BA)(A;;CR;;;" + std::string("S-1-5-21-1000-2000-3000-1105") + ")",
                     restricted))
      << "a deny-only SID still matches deny entries";
  EXPECT_TRUE(restricted.matchesDeny(builtinAdministratorsSid()));
  EXPECT_FALSE(restricted.isMember(builtinAdministratorsSid()));
  Token disabledUser = createRestrictedToken(admin, {kUser});
  EXPECT_FALSE(check("(A;;CR;;;S-1-5-21-1000-2000-3000-1105)", disabledUser)) << "the user SID can be disabled too";
  Token withRestricting = userToken();
  withRestricting.restrictingSids = {kGroup};
  EXPECT_FALSE(check("(A;;CR;;;S-1-5-21-1000-2000-3000-1105)", withRestricting)) << "the restricting pass fails";
  EXPECT_TRUE(check("(A;;CR;;;S-1-5-21-1000-2000-3000-1106)", withRestricting));
}

TEST(AccessCheck, CallPreconditions) {
  SecurityDescriptor sd;
  std::string error;
  ASSERT_TRUE(parseSddl("O:DAG:DAD:(A;;CR;;;WD)", sd, error, &kDomain));
  AccessCheckResult r;
  const std::vector<ObjectTypeEntry> list = {{0, kStore}, {1, sendAsRightGuid()}};
  Token primary = userToken();
  primary.type = TokenType::Primary;
  EXPECT_EQ(accessCheckByType(sd, nullptr, primary, kDsControlAccess, list, r), kErrorNoImpersonationToken);
  Token anonymous = userToken();
  anonymous.impersonationLevel = kAnonymous;
  EXPECT_EQ(accessCheckByType(sd, nullptr, anonymous, kDsControlAccess, list, r), kErrorBadImpersonationLevel);
  EXPECT_EQ(accessCheckByType(sd, nullptr, userToken(), kGenericAll, list, r), kErrorGenericNotMapped);
  EXPECT_EQ(accessCheckByType(sd, nullptr, userToken(), kDsControlAccess, {{1, kStore}}, r), kErrorInvalidParameter);
  EXPECT_EQ(accessCheckByType(sd, nullptr, userToken(), kDsControlAccess, {{0, kStore}, {2, kStore}}, r),
            kErrorInvalidParameter);
  SecurityDescriptor noOwner = sd;
  noOwner.owner.reset();
  EXPECT_EQ(accessCheckByType(noOwner, nullptr, userToken(), kDsControlAccess, list, r), kErrorInvalidSecurityDescriptor);
  SecurityDescriptor nullDacl = sd;
  nullDacl.dacl.reset();
  EXPECT_EQ(accessCheckByType(nullDacl, nullptr, userToken(), kDsControlAccess, list, r), 0u);
  EXPECT_TRUE(r.accessStatus) << "a NULL DACL grants everything";
  SecurityDescriptor owned = sd;
  owned.owner = kUser;
  owned.dacl = Acl{};
  EXPECT_EQ(accessCheckByType(owned, nullptr, userToken(), kReadControl | kWriteDac, {}, r), 0u);
  EXPECT_TRUE(r.accessStatus) << "the owner may read and change the DACL";
}

}  // namespace
}  // namespace vrel::sec
