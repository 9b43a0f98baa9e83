// What a stand-in server installation is made of: the installed version (as
// the server's registry encodes it), the mail store kind, the language, and
// the choices `standin provision` takes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vrel::standin {

// An installed version a.b(c.d): major, minor, maintenance (rev), build.
struct ServerVersion {
  int major = 4;
  int minor = 0;
  int rev = 3;
  int build = 15;
};

// Reads "4.0(3.15)" (or "4.0.3.15"). Major, minor and rev are written as
// decimal digits into hexadecimal words, so each is at most 9999; build is a
// hexadecimal word, at most 65535. False with error otherwise.
bool parseServerVersion(std::string_view text, ServerVersion& out, std::string& error);
// "4.0(3.15)".
std::string serverVersionText(const ServerVersion& v);
// The registry's DWORDs: "Version Number" 4.0 -> 0x00040000; "Build Number"
// (3.15) -> 0x0003000F (rev's decimal digits in the high word, build in hex).
std::uint32_t registryVersionNumber(const ServerVersion& v);
std::uint32_t registryBuildNumber(const ServerVersion& v);
// Field by field in the order major, minor, rev, build; equal counts.
bool versionAtLeast(const ServerVersion& v, int major, int minor, int rev, int build);

// The mail store kinds by the numbers the restore uses for them.
enum class MailStoreKind : int { Domino = 1, Exchange55 = 2, Exchange2000 = 3 };

// "exchange55", "exchange2000" or "domino" (case ignored).
bool parseMailStoreKind(std::string_view text, MailStoreKind& out);
const char* mailStoreKindName(MailStoreKind kind);
// The directory connector's ProgID that the server's "IDCProgID" holds.
const char* idcProgIdOf(MailStoreKind kind);

// The Windows language ID of a three-letter language code ("ENU" 1033,
// "DEU" 1031, ...); 0 for a code the server does not ship.
long languageIdOfCode(std::string_view code);

// A failover pair's node role, kept in the "TmCsNodeMgr" branch.
enum class FailoverRole { None, Primary, Secondary };

struct ProvisionOptions {
  std::string computerName = "ORVIX01";
  std::string installRoot = "C:\\Orvix\\";  // any drive but Z:, made to end in a backslash
  ServerVersion version;
  MailStoreKind mailStore = MailStoreKind::Exchange2000;
  std::string language = "ENU";
  FailoverRole failover = FailoverRole::None;
  bool force = false;  // replace a server that is installed already
  // Seeds the machine's directory IDs and system ID; empty: a random GUID,
  // so two provisioned machines never share them.
  std::string installationGuid;
};

// Checks and normalises the options (computer name upper case, install root
// ending in a backslash); false with error on a bad value.
bool normaliseProvisionOptions(ProvisionOptions& options, std::string& error);

}  // namespace vrel::standin
