// The installed server's version and the "at least" comparison.
#include "restore/preserve/Module1.h"

#include <cstdio>
#include <tuple>

namespace vrel::restore {

namespace {

constexpr const char* kProductKey = "Software\\Tremarc\\";
constexpr const char* kConnectorKey = "TmIvc\\";

std::string hex8(std::uint32_t v) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08X", v);
  return buf;
}

// Hexadecimal digits read as a decimal number, up to the first character
// that is not a decimal digit ("0004" -> 4, "001A" -> 1, "A000" -> 0).
std::int16_t decimalPrefix(std::string_view digits) {
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') break;
    n = n * 10 + (c - '0');
  }
  return static_cast<std::int16_t>(n);  // four digits at most: up to 9999
}

// Four hexadecimal digits as a 16-bit integer; 8000-FFFF come out negative,
// as a four-digit hexadecimal literal does in VB.
std::int16_t hex16(std::string_view digits) {
  std::uint16_t n = 0;
  for (char c : digits) n = static_cast<std::uint16_t>(n * 16 + (c <= '9' ? c - '0' : c - 'A' + 10));
  return static_cast<std::int16_t>(n);
}

}  // namespace

LocalVersionInfo Module1::GetLocalVersionInfo() {
  LocalVersionInfo info;
  if (!bRegistryKeyExists(Hive::LocalMachine, kProductKey)) return info;
  const auto dword = [&](const char* name) {
    return static_cast<std::uint32_t>(
        GetRegistryValue(Hive::LocalMachine, kProductKey, name, kRegDword, std::int32_t{0}).toLong().value_or(0));
  };
  const std::uint32_t version = dword("Version Number");
  const std::string versionHex = hex8(version);
  const std::string buildHex = hex8(dword("Build Number"));
  info.Major = decimalPrefix(std::string_view(versionHex).substr(0, 4));
  info.Minor = decimalPrefix(std::string_view(versionHex).substr(4, 4));
  info.Rev = decimalPrefix(std::string_view(buildHex).substr(0, 4));
  info.Build = hex16(std::string_view(buildHex).substr(4, 4));
  info.VersionText = std::to_string(info.Major) + "." + std::to_string(info.Minor) + "(" + std::to_string(info.Rev) +
                     "." + std::to_string(info.Build) + ")";
  if (version == 0) {
    const std::string connector = std::string(kProductKey) + kConnectorKey;
    info.bIVCInstall = bRegistryKeyExists(Hive::LocalMachine, connector) &&
                       !GetRegistryValue(Hive::LocalMachine, connector, "SmtpPickupPath", kRegSz, "").asText().empty();
  }
  return info;
}

bool Module1::bLocalVersionAtLeast(std::int16_t major, std::int16_t minor, std::int16_t rev, std::int16_t build) const {
  const LocalVersionInfo& v = localVersionInfo;
  return std::tie(v.Major, v.Minor, v.Rev, v.Build) >= std::tie(major, minor, rev, build);
}

}  // namespace vrel::restore
