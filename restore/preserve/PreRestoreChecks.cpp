#include "restore/preserve/PreRestoreChecks.h"

#include "platform/Text.h"
#include "platform/data/Recordset.h"
#include "restore/run/VbError.h"
#include "restore/run/frmMain.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace vrel::restore {

namespace {

constexpr const char* kVersionFile = "BackedUpVersionInfo.txt";
constexpr const char* kVersionSection = "VersionInfo";
constexpr int kCleanInstallSubscribers = 6;

// String table entries.
enum : int {
  kIdNumber = 2,           // " Number= "
  kIdErrorIn = 17,         // "Error in PreRestoreChecksOK procedure: "
  kIdNotClean = 45,
  kIdVersionMismatch = 46,
  kIdBackupVersion = 52,   // "Version backp in selected directory="
  kIdLocalVersion = 53,    // "Version installed locally="
  kIdMustMatch = 55,
  kIdDirtyRestore = 113,
};

constexpr int kSkipVersionCheckText = 71;  // "You have run Vrel with the SkipVersionCheck option - this is..."

// VB's Str() of a number: a blank where a non-negative number's sign goes.
std::string vbStr(long n) { return n < 0 ? std::to_string(n) : " " + std::to_string(n); }

// Val's reading of a decimal number; 0 when the text starts with none.
double decimalValue(const std::string& s) {
  std::size_t i = 0;
  std::string num;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) num += s[i++];
  const auto digits = [&] {
    std::size_t n = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') num += s[i++], ++n;
    return n;
  };
  std::size_t mantissa = digits();
  if (i < s.size() && s[i] == '.') {
    num += s[i++];
    mantissa += digits();
  }
  if (mantissa == 0) return 0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::string exp = "e";
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exp += s[j++];
    const std::size_t start = j;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') exp += s[j++];
    if (j > start) num += exp;
  }
  return std::strtod(num.c_str(), nullptr);
}

// Val's "&H" and "&O" forms: 16-bit values read as VB's Integer when they
// have at most four hex (six octal) digits, as Long otherwise.
double radixValue(const std::string& s, int radix) {
  long long v = 0;
  std::size_t n = 0;
  for (std::size_t i = 2; i < s.size(); ++i, ++n) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i])));
    const int d = (c >= '0' && c <= '9') ? c - '0' : (radix == 16 && c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
    if (d < 0 || d >= radix || v > 0xFFFFFFFFLL) break;
    v = v * radix + d;
  }
  if (radix == 16 ? n <= 4 : v <= 0xFFFF) return static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

void errorBox(Program& program, long number, const std::string& description) {
  program.MsgBox(program.str(kIdErrorIn) + description + program.str(kIdNumber) + vbStr(number));
}

// One statement under the procedure's trap: a run-time error shows the
// trap's box; false tells the caller the statement failed.
template <typename F>
bool trapped(Program& program, F&& statement) {
  try {
    statement();
    return true;
  } catch (const VbError& e) {
    errorBox(program, e.number, e.description);
  } catch (const data::AdoError& e) {
    errorBox(program, e.number, e.description);
  }
  return false;
}

struct FileVersion {
  std::int16_t Major = 0, Minor = 0, Build = 0, Rev = 0;
};

FileVersion readFileVersion(Program& program, const std::string& path) {
  FileVersion v;
  const auto read = [&](const char* key, std::int16_t& field) {
    trapped(program, [&] {
      const auto value = versionFieldValue(program.module1.VBGetPrivateProfileString(kVersionSection, key, path));
      if (!value) throw VbError(6, "Overflow");
      field = *value;
    });
  };
  read("Major", v.Major);
  read("Minor", v.Minor);
  read("Build", v.Build);
  read("Rev", v.Rev);
  return v;
}

// The version step: true when the backup's version file matches the
// installed version; otherwise the two boxes have been shown.
bool versionsMatch(Program& program, const std::string& path) {
  const FileVersion file = readFileVersion(program, path);
  const LocalVersionInfo local = program.module1.GetLocalVersionInfo();
  if (file.Major == local.Major && file.Minor == local.Minor && file.Build == local.Build && file.Rev == local.Rev)
    return true;
  program.MsgBox(program.str(kIdVersionMismatch) + "\r\n" + program.str(kIdLocalVersion) + local.VersionText +
                 "\r\n" + program.str(kIdBackupVersion) + vbStr(file.Major) + "." + std::to_string(file.Minor) +
                 "(" + std::to_string(file.Rev) + "." + std::to_string(file.Build) + ")");
  program.MsgBox(program.str(kIdMustMatch));
  return false;
}

// The clean-install check: a fresh installation holds at most 6
// subscribers; more end the program. A check that cannot be made refuses
// the folder instead of letting an unchecked restore go ahead.
bool cleanInstall(frmMain& form) {
  Program& program = form.program();
  const char* sql = program.module1.bLocalVersionAtLeast(4, 0, 2, 22) ? "Select Alias from vw_Subscriber"
                                                                      : "Select Alias from Subscriber";
  long rows = 0;
  const bool counted = trapped(program, [&] {
    data::Recordset rs;
    rs.open(sql, program.machine, program.connectionString, data::adOpenKeyset, data::adLockReadOnly);
    rows = rs.recordCount();
    rs.close();
  });
  if (!counted) return false;
  if (rows > kCleanInstallSubscribers) {
    program.MsgBox(program.str(kIdNotClean));
    form.ExitProgram(ProgramEnd::Refused);
  }
  return true;
}

}  // namespace

std::optional<std::int16_t> versionFieldValue(std::string_view text) {
  std::string s;
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n') s += c;
  double v = 0;
  if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h'))
    v = radixValue(s, 16);
  else if (s.size() >= 2 && s[0] == '&' && (s[1] == 'O' || s[1] == 'o'))
    v = radixValue(s, 8);
  else
    v = decimalValue(s);
  const double rounded = std::nearbyint(v);  // the default rounding mode: half to even
  if (!(rounded >= -32768.0 && rounded <= 32767.0)) return std::nullopt;
  return static_cast<std::int16_t>(rounded);
}

bool PreRestoreChecksOK(frmMain& form, const std::string& backupFolder) {
  Program& program = form.program();
  const LocalVersionInfo& local = program.module1.localVersionInfo;
  if (local.bIVCInstall && local.Major == 0) return false;  // only the certificate restore is offered there

  const bool switchesRead = program.commandLine().size() >= 2;
  bool compareVersions = true;
  if (switchesRead && program.commandLineHas("SkipVersionCheck")) {
    program.MsgBox(program.str(kSkipVersionCheckText));
    compareVersions = false;
  }
  const std::string versionFile = winJoin(backupFolder, kVersionFile);
  if (compareVersions && program.files.fileExists(versionFile) && !versionsMatch(program, versionFile)) return false;

  if (switchesRead && program.commandLineHas("DirtyRestore")) {
    program.MsgBox(program.str(kIdDirtyRestore));
    return true;
  }
  return cleanInstall(form);
}

}  // namespace vrel::restore
