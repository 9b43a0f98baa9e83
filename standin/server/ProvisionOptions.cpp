#include "standin/server/ProvisionOptions.h"

#include "platform/Text.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <utility>

namespace vrel::standin {

namespace {

// Digits only, at most maxDigits of them; false on anything else.
bool readNumber(std::string_view text, int maxDigits, int& out) {
  if (text.empty() || static_cast<int>(text.size()) > maxDigits) return false;
  out = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    out = out * 10 + (c - '0');
  }
  return true;
}

// The decimal digits of n read as hexadecimal digits: 12 -> 0x12.
std::uint32_t decimalAsHex(int n) {
  std::uint32_t out = 0;
  for (std::uint32_t shift = 0; n > 0; shift += 4, n /= 10) out |= static_cast<std::uint32_t>(n % 10) << shift;
  return out;
}

constexpr std::array<std::pair<const char*, long>, 44> kLanguages = {{
    {"ENX", 33801}, {"ENU", 1033},  {"ENG", 2057},  {"ENA", 3081},  {"ENC", 4105},  {"ENZ", 5129},
    {"ENI", 6153},  {"DEU", 1031},  {"DES", 2055},  {"DEA", 3079},  {"DEL", 4103},  {"DEC", 5127},
    {"ESP", 1034},  {"ESM", 2058},  {"ESN", 3082},  {"ESG", 4106},  {"ESC", 5130},  {"ESA", 6154},
    {"ESD", 7178},  {"ESV", 8202},  {"ESO", 9226},  {"ESR", 10250}, {"ESS", 11274}, {"ESH", 18442},
    {"ESI", 19466}, {"ESU", 20490}, {"FRA", 1036},  {"FRB", 2060},  {"FRC", 3084},  {"FRS", 4108},
    {"FRL", 5132},  {"ITA", 1040},  {"ITS", 2064},  {"JPN", 1041},  {"NLD", 1043},  {"NLB", 2067},
    {"NOR", 1044},  {"NON", 2068},  {"PTB", 1046},  {"PTG", 2070},  {"CHT", 1028},  {"ZHT", 3076},
    {"CHS", 2052},  {"ZHI", 4100},
}};

bool validComputerName(std::string_view name) {
  if (name.empty() || name.size() > 15) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return false;
  return true;
}

// "X:\folder\..." on a drive other than Z: (the host's own root), every
// component a plain file name.
bool validInstallRoot(const std::string& root, std::string& error) {
  if (root.size() < 4 || !std::isalpha(static_cast<unsigned char>(root[0])) || root[1] != ':' || root[2] != '\\') {
    error = "the install root must be a full Windows path such as C:\\Orvix: " + root;
    return false;
  }
  if ((root[0] | 0x20) == 'z') {
    error = "the install root cannot be on drive Z: (the host's own files): " + root;
    return false;
  }
  for (const std::string& part : split(std::string_view(root).substr(3), '\\')) {
    if (part.empty()) continue;
    const bool dots = part.find_first_not_of('.') == std::string::npos;
    bool bad = dots || part.back() == ' ';
    for (char c : part)
      if (static_cast<unsigned char>(c) < 32 || std::string_view("<>:\"/|?*").find(c) != std::string_view::npos)
        bad = true;
    if (bad) {
      error = "bad folder name \"" + part + "\" in the install root " + root;
      return false;
    }
  }
  return true;
}

}  // namespace

bool parseServerVersion(std::string_view text, ServerVersion& out, std::string& error) {
  const std::string t = trim(text);
  std::string_view s(t);
  // a.b(c.d) or a.b.c.d
  const auto open = s.find('(');
  if (open != std::string_view::npos) {
    if (s.empty() || s.back() != ')') {
      error = "bad version \"" + t + "\" (expected a.b(c.d), e.g. 4.0(3.15))";
      return false;
    }
    const auto head = split(s.substr(0, open), '.');
    const auto tail = split(s.substr(open + 1, s.size() - open - 2), '.');
    if (head.size() != 2 || tail.size() != 2) {
      error = "bad version \"" + t + "\" (expected a.b(c.d), e.g. 4.0(3.15))";
      return false;
    }
    ServerVersion v;
    if (readNumber(head[0], 4, v.major) && readNumber(head[1], 4, v.minor) && readNumber(tail[0], 4, v.rev) &&
        readNumber(tail[1], 5, v.build) && v.build <= 0xFFFF) {
      out = v;
      return true;
    }
  } else {
    const auto all = split(s, '.');
    ServerVersion v;
    if (all.size() == 4 && readNumber(all[0], 4, v.major) && readNumber(all[1], 4, v.minor) &&
        readNumber(all[2], 4, v.rev) && readNumber(all[3], 5, v.build) && v.build <= 0xFFFF) {
      out = v;
      return true;
    }
  }
  error = "bad version \"" + t + "\" (a.b(c.d) with a, b, c from 0 to 9999 and d from 0 to 65535)";
  return false;
}

std::string serverVersionText(const ServerVersion& v) {
  char text[64];
  std::snprintf(text, sizeof text, "%d.%d(%d.%d)", v.major, v.minor, v.rev, v.build);
  return text;
}

std::uint32_t registryVersionNumber(const ServerVersion& v) {
  return decimalAsHex(v.major) << 16 | decimalAsHex(v.minor);
}

std::uint32_t registryBuildNumber(const ServerVersion& v) {
  return decimalAsHex(v.rev) << 16 | static_cast<std::uint32_t>(v.build & 0xFFFF);
}

bool versionAtLeast(const ServerVersion& v, int major, int minor, int rev, int build) {
  const int mine[] = {v.major, v.minor, v.rev, v.build};
  const int other[] = {major, minor, rev, build};
  for (int i = 0; i < 4; ++i)
    if (mine[i] != other[i]) return mine[i] > other[i];
  return true;
}

bool parseMailStoreKind(std::string_view text, MailStoreKind& out) {
  for (MailStoreKind k : {MailStoreKind::Domino, MailStoreKind::Exchange55, MailStoreKind::Exchange2000})
    if (iequals(text, mailStoreKindName(k))) {
      out = k;
      return true;
    }
  return false;
}

const char* mailStoreKindName(MailStoreKind kind) {
  switch (kind) {
    case MailStoreKind::Domino: return "domino";
    case MailStoreKind::Exchange55: return "exchange55";
    case MailStoreKind::Exchange2000: return "exchange2000";
  }
  return "?";
}

const char* idcProgIdOf(MailStoreKind kind) {
  switch (kind) {
    case MailStoreKind::Domino: return "TMDsDomino.TmIDCDomino.1";
    case MailStoreKind::Exchange55: return "TMDSEX55.TmIDCEx55.1";
    case MailStoreKind::Exchange2000: return "TMIDCADSvr.TmIDCAD.1";
  }
  return "";
}

long languageIdOfCode(std::string_view code) {
  for (const auto& [name, id] : kLanguages)
    if (code == name) return id;
  return 0;
}

bool normaliseProvisionOptions(ProvisionOptions& o, std::string& error) {
  if (!validComputerName(o.computerName)) {
    error = "bad computer name \"" + o.computerName + "\" (1 to 15 letters, digits, '-' or '_')";
    return false;
  }
  for (char& c : o.computerName) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string root = o.installRoot;
  for (char& c : root)
    if (c == '/') c = '\\';
  while (root.size() > 3 && root.back() == '\\' && root[root.size() - 2] == '\\') root.pop_back();
  if (root.empty() || root.back() != '\\') root += '\\';
  if (!validInstallRoot(root, error)) return false;
  root[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
  o.installRoot = root;
  if (languageIdOfCode(o.language) == 0) {
    error = "unknown language code \"" + o.language + "\" (ENU, DEU, FRA, JPN, ...)";
    return false;
  }
  return true;
}

}  // namespace vrel::standin
