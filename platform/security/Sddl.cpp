#include "platform/security/Sddl.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace vrel::sec {

namespace {

struct Alias {
  const char* code;
  std::uint64_t authority;
  std::array<std::uint32_t, 2> subs;  // {32, rid} for builtin, {0, rid} domain-relative
  int count;                          // sub-authorities; -1 for domain-relative
};

constexpr Alias kAliases[] = {
    {"WD", 1, {0, 0}, 1},     {"CO", 3, {0, 0}, 1},     {"OW", 3, {4, 0}, 1},   {"PS", 5, {10, 0}, 1},
    {"AU", 5, {11, 0}, 1},    {"SY", 5, {18, 0}, 1},    {"BA", 5, {32, 544}, 2}, {"BU", 5, {32, 545}, 2},
    {"BG", 5, {32, 546}, 2},  {"AO", 5, {32, 548}, 2},  {"LA", 5, {0, 500}, -1}, {"DA", 5, {0, 512}, -1},
    {"DU", 5, {0, 513}, -1},  {"DG", 5, {0, 514}, -1},  {"DC", 5, {0, 515}, -1}, {"DD", 5, {0, 516}, -1},
    {"CA", 5, {0, 517}, -1},  {"SA", 5, {0, 518}, -1},  {"EA", 5, {0, 519}, -1},
};

struct Right {
  const char* code;
  std::uint32_t mask;
};

// In the order Windows writes them.
constexpr Right kRights[] = {{"CC", kDsCreateChild}, {"DC", kDsDeleteChild}, {"LC", kDsList},
                             {"SW", kDsSelf},        {"RP", kDsReadProperty}, {"WP", kDsWriteProperty},
                             {"DT", kDsDeleteTree},  {"LO", kDsListObject},   {"CR", kDsControlAccess},
                             {"SD", kDelete},        {"RC", kReadControl},    {"WD", kWriteDac},
                             {"WO", kWriteOwner},    {"GA", kGenericAll},     {"GX", kGenericExecute},
                             {"GW", kGenericWrite},  {"GR", kGenericRead}};

struct Flag {
  const char* code;
  std::uint8_t flag;
};
constexpr Flag kFlags[] = {{"OI", kObjectInherit}, {"CI", kContainerInherit}, {"NP", kNoPropagateInherit},
                           {"IO", kInheritOnly},   {"ID", kInheritedAce},    {"SA", 0x40},
                           {"FA", 0x80}};

bool aliasSid(const Alias& a, const Sid* domain, Sid& out) {
  if (a.count < 0) {
    if (!domain) return false;
    out = sidWithRid(*domain, a.subs[1]);
    return true;
  }
  out = Sid{1, a.authority, {}};
  for (int i = 0; i < a.count; ++i) out.subAuthorities.push_back(a.subs[static_cast<std::size_t>(i)]);
  return true;
}

std::string rightsText(std::uint32_t mask) {
  std::uint32_t rest = mask;
  std::string out;
  for (const Right& r : kRights)
    if ((rest & r.mask) == r.mask) {
      out += r.code;
      rest &= ~r.mask;
    }
  if (rest == 0 && !out.empty()) return out;
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%x", mask);
  return buf;
}

std::string aceText(const Ace& ace, const Sid* domain) {
  if (!ace.known()) return "(?" + std::to_string(ace.opaque.empty() ? 0 : ace.opaque[0]) + ")";
  const char* type = ace.type == kAccessAllowed ? "A" : ace.type == kAccessDenied ? "D"
                     : ace.type == kAccessAllowedObject ? "OA" : "OD";
  std::string flags;
  for (const Flag& f : kFlags)
    if (ace.flags & f.flag) flags += f.code;
  std::string object, inherited;
  if (ace.isObject() && (ace.objectFlags & kObjectTypePresent)) object = guidBare(ace.objectType);
  if (ace.isObject() && (ace.objectFlags & kInheritedObjectTypePresent)) inherited = guidBare(ace.inheritedObjectType);
  return "(" + std::string(type) + ";" + flags + ";" + rightsText(ace.mask) + ";" + object + ";" + inherited + ";" +
         sddlSid(ace.sid, domain) + ")";
}

std::string aclText(const Acl& acl, std::uint16_t control, bool dacl, const Sid* domain) {
  std::string out;
  const std::uint16_t isProtected = dacl ? kDaclProtected : 0x2000;
  const std::uint16_t inheritReq = dacl ? kDaclAutoInheritReq : 0x0200;
  const std::uint16_t inherited = dacl ? kDaclAutoInherited : 0x0800;
  if (control & isProtected) out += "P";
  if (control & inheritReq) out += "AR";
  if (control & inherited) out += "AI";
  for (const Ace& ace : acl.aces) out += aceText(ace, domain);
  return out;
}

class Parser {
 public:
  Parser(std::string_view text, const Sid* domain, std::string& error) : m_text(text), m_domain(domain), m_error(error) {}

  bool run(SecurityDescriptor& sd) {
    sd = SecurityDescriptor{};
    while (m_pos < m_text.size()) {
      if (m_pos + 2 > m_text.size() || m_text[m_pos + 1] != ':') return fail("expected O:, G:, D: or S:");
      const char part = m_text[m_pos];
      m_pos += 2;
      if (part == 'O' || part == 'G') {
        Sid sid;
        if (!readSid(upTo(":"), sid)) return false;
        (part == 'O' ? sd.owner : sd.group) = sid;
        if (m_pos < m_text.size()) m_pos -= 1;  // the next part's letter
      } else if (part == 'D' || part == 'S') {
        if (!readAcl(sd, part == 'D')) return false;
      } else {
        return fail("unknown part " + std::string(1, part));
      }
    }
    return true;
  }

 private:
  bool fail(const std::string& what) {
    m_error = what + " at position " + std::to_string(m_pos);
    return false;
  }

  // The text up to the next part ("X:") or the end.
  std::string_view upTo(const char*) {
    std::size_t end = m_pos;
    while (end < m_text.size() && !(end + 1 < m_text.size() && m_text[end + 1] == ':' && end > m_pos)) ++end;
    std::string_view v = m_text.substr(m_pos, end - m_pos);
    m_pos = end + 1;
    if (end >= m_text.size()) m_pos = m_text.size();
    return v;
  }

  bool readSid(std::string_view text, Sid& out) {
    if (parseSidString(text, out)) return true;
    for (const Alias& a : kAliases)
      if (text == a.code) {
        if (aliasSid(a, m_domain, out)) return true;
        return fail("alias " + std::string(text) + " needs the domain's SID");
      }
    return fail("bad SID \"" + std::string(text) + "\"");
  }

  bool readAcl(SecurityDescriptor& sd, bool dacl) {
    std::uint16_t control = 0;
    Acl acl;
    bool null = false;
    if (m_text.substr(m_pos).rfind("NO_ACCESS_CONTROL", 0) == 0) {
      null = true;
      m_pos += 17;
    }
    while (m_pos < m_text.size() && m_text[m_pos] != '(' && !(m_pos + 1 < m_text.size() && m_text[m_pos + 1] == ':')) {
      if (m_text.substr(m_pos, 2) == "AI") control |= dacl ? kDaclAutoInherited : 0x0800, m_pos += 2;
      else if (m_text.substr(m_pos, 2) == "AR") control |= dacl ? kDaclAutoInheritReq : 0x0200, m_pos += 2;
      else if (m_text[m_pos] == 'P') control |= dacl ? kDaclProtected : 0x2000, m_pos += 1;
      else return fail("unknown list flag");
    }
    while (m_pos < m_text.size() && m_text[m_pos] == '(') {
      const std::size_t close = m_text.find(')', m_pos);
      if (close == std::string_view::npos) return fail("unclosed entry");
      Ace ace;
      ++m_pos;
      if (!readAce(m_text.substr(m_pos, close - m_pos), ace)) return false;
      acl.aces.push_back(std::move(ace));
      m_pos = close + 1;
    }
    sd.control |= control | (dacl ? kDaclPresent : kSaclPresent);
    if (!null) (dacl ? sd.dacl : sd.sacl) = std::move(acl);
    return true;
  }

  bool readAce(std::string_view text, Ace& ace) {
    const std::vector<std::string> f = split(text, ';');
    if (f.size() != 6) return fail("an entry needs six fields");
    if (f[0] == "A") ace.type = kAccessAllowed;
    else if (f[0] == "D") ace.type = kAccessDenied;
    else if (f[0] == "OA") ace.type = kAccessAllowedObject;
    else if (f[0] == "OD") ace.type = kAccessDeniedObject;
    else return fail("unknown entry type " + f[0]);
    for (std::size_t i = 0; i < f[1].size(); i += 2) {
      bool found = false;
      for (const Flag& fl : kFlags)
        if (f[1].compare(i, 2, fl.code) == 0) ace.flags |= fl.flag, found = true;
      if (!found) return fail("unknown entry flag in " + f[1]);
    }
    if (!readRights(f[2], ace.mask)) return false;
    if (!f[3].empty() || !f[4].empty()) {
      if (!ace.isObject()) return fail("GUIDs need an object entry (OA or OD)");
      if (!f[3].empty() && !parseGuid(f[3], ace.objectType, false)) return fail("bad GUID " + f[3]);
      if (!f[4].empty() && !parseGuid(f[4], ace.inheritedObjectType, false)) return fail("bad GUID " + f[4]);
      ace.objectFlags = (f[3].empty() ? 0u : std::uint32_t{kObjectTypePresent}) |
                        (f[4].empty() ? 0u : std::uint32_t{kInheritedObjectTypePresent});
    }
    return readSid(f[5], ace.sid);
  }

  bool readRights(const std::string& text, std::uint32_t& mask) {
    if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) {
      char* end = nullptr;
      const unsigned long long v = std::strtoull(text.c_str() + 2, &end, 16);
      if (text.size() == 2 || *end || v > 0xFFFFFFFFull) return fail("bad rights " + text);
      mask = static_cast<std::uint32_t>(v);
      return true;
    }
    if (text.size() % 2) return fail("bad rights " + text);
    for (std::size_t i = 0; i < text.size(); i += 2) {
      bool found = false;
      for (const Right& r : kRights)
        if (text.compare(i, 2, r.code) == 0) mask |= r.mask, found = true;
      if (!found) return fail("unknown right in " + text);
    }
    return true;
  }

  std::string_view m_text;
  const Sid* m_domain;
  std::string& m_error;
  std::size_t m_pos = 0;
};

}  // namespace

std::string sddlSid(const Sid& sid, const Sid* domain) {
  for (const Alias& a : kAliases) {
    Sid s;
    if (aliasSid(a, domain, s) && s == sid) return a.code;
  }
  return sidString(sid);
}

std::string toSddl(const SecurityDescriptor& sd, const Sid* domain) {
  std::string out;
  if (sd.owner) out += "O:" + sddlSid(*sd.owner, domain);
  if (sd.group) out += "G:" + sddlSid(*sd.group, domain);
  if (sd.daclPresent()) out += "D:" + (sd.dacl ? aclText(*sd.dacl, sd.control, true, domain) : std::string("NO_ACCESS_CONTROL"));
  if (sd.sacl) out += "S:" + aclText(*sd.sacl, sd.control, false, domain);
  return out;
}

bool parseSddl(std::string_view text, SecurityDescriptor& out, std::string& error, const Sid* domain) {
  return Parser(text, domain, error).run(out);
}

}  // namespace vrel::sec
