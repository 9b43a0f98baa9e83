#include "restore/shell/modUpdateCheck.h"

#include "platform/Internet.h"
#include "platform/Processes.h"
#include "platform/Text.h"
#include "restore/run/Program.h"
#include "restore/run/VbError.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace vrel::restore {

namespace {

constexpr const char* kAgent = "HTTP Generic";
constexpr std::uint32_t kBlockSize = 1000;
// The name's first 30 characters are common to the maker's tools; the list
// keys each tool by the rest.
constexpr std::size_t kAppNamePrefix = 30;
constexpr std::size_t kMinBodyLength = 10;
constexpr const char* kVersionCell = "<cell>";

constexpr const char* kUnableToContact =
    "Unable to contact application home page to check for version.  You can access the home page and check for "
    "updated versions of all Corvane Orvix tools by going to ";
constexpr const char* kUpdateTitle = "Updated version is available";
constexpr const char* kUpdateAvailable = "An updated version of this tool is available on ";
constexpr const char* kUpdateAsk = ".  Click OK to open the application home page now";
constexpr const char* kUpToDate = "You have the most up to date version of this tool installed";

bool allDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string withoutLeadingZeros(const std::string& digits) {
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : digits.substr(first);
}

// The pattern 0###: the number with one leading zero when it has fewer than
// four digits, except zero itself.
std::string formatPart(const std::string& digits) {
  const std::string n = withoutLeadingZeros(digits);
  return (n == "0" || n.size() >= 4) ? n : "0" + n;
}

// <0, 0 or >0 as a is below, equal to or above b: numbers by value (of any
// length), anything else as text.
int comparePart(const std::string& a, const std::string& b) {
  if (allDigits(a) && allDigits(b)) {
    const std::string x = withoutLeadingZeros(a), y = withoutLeadingZeros(b);
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
  }
  return a.compare(b);
}

std::string errorLine(const char* prefix, long number, const std::string& description, const char* procedure) {
  return prefix + std::to_string(number) + " (" + description + ") in procedure " + procedure +
         " of Module modUpdateCheck";
}

}  // namespace

std::string toolsSiteAddress() {
  const char* env = std::getenv("VREL_TOOLS_SITE");
  std::string site = trim(env ? env : "");
  while (!site.empty() && site.back() == '/') site.pop_back();
  return site.empty() ? kDefaultToolsSite : site;
}

std::string homePageAddress() { return toolsSiteAddress() + kHomePagePath; }

std::string downloadListAddress() { return toolsSiteAddress() + kDownloadListPath; }

std::string strProgramVersion(const Program& program) {
  const ProgramInfo& info = program.log.programInfo();
  return std::to_string(info.major) + "." + std::to_string(info.minor) + "." + std::to_string(info.revision);
}

long checkForUpdatedVersion_Background(Program& program, const std::string& appName, const std::string& homePage) {
  std::string commandLine = program.programFolder() + "\\test.bat " + strProgramVersion(program) + " " + homePage;
  if (appName.size() >= 2) commandLine += " \"" + appName + "\"";
  return program.external.Shell(commandLine, kMinimizedNoFocus);
}

void checkForUpdatedVersion_Foreground(Program& program, const std::string& appName, const std::string& homePage) {
  try {
    const std::string latest = strLatestVersionFromDownloadList(program, appName, homePage);
    const std::string installed = PadVersionString(program, strProgramVersion(program));
    const std::string site = toolsSiteAddress();
    if (latest.empty()) {
      program.MsgBox(kUnableToContact + site);
    } else if (bVersionIsOlder(installed, latest)) {
      const std::string text = kUpdateAvailable + site + kUpdateAsk;
      if (program.MsgBox(text, MsgBoxStyle::OKCancel, MsgIcon::None, kUpdateTitle) == MsgResult::OK)
        program.ui.openWithDefaultHandler(homePage);
    } else {
      program.MsgBox(kUpToDate);
    }
  } catch (const VbError& e) {
    program.MsgBox(errorLine("Error ", e.number, e.description, "checkForUpdatedVersion_Foreground"));
  } catch (const std::exception& e) {
    program.MsgBox(errorLine("Error ", 5, e.what(), "checkForUpdatedVersion_Foreground"));
  }
}

std::string strLatestVersionFromDownloadList(Program& program, const std::string& appName,
                                             const std::string& homePage) {
  if (appName.size() < kAppNamePrefix) return {};
  std::string body;
  if (!bDownloadText(downloadListAddress(), body) || body.size() < kMinBodyLength) return {};

  const std::string key = (homePage.size() <= 1 ? std::string() : homePage) + "^" + appName.substr(kAppNamePrefix) +
                          "^ifram_a";
  const std::size_t at = ifind(body, key);
  if (at == std::string::npos) return {};
  const std::size_t cell = ifind(body, kVersionCell, at + key.size());
  if (cell == std::string::npos) return {};
  std::size_t end = cell + std::char_traits<char>::length(kVersionCell);
  const std::size_t start = end;
  while (end < body.size() && ((body[end] >= '0' && body[end] <= '9') || body[end] == '.')) ++end;
  return PadVersionString(program, body.substr(start, end - start));
}

bool bDownloadText(const std::string& url, std::string& body) {
  body.clear();
  HINTERNET session = InternetOpen(kAgent, INTERNET_OPEN_TYPE_PRECONFIG);
  if (!session) return false;
  bool ok = false;
  if (HINTERNET file = InternetOpenUrl(session, url)) {
    char block[kBlockSize];
    std::uint32_t read = 0;
    while ((ok = InternetReadFile(file, block, kBlockSize, read)) && read > 0) {
      if (body.size() + read > kMaxDownloadListBytes) {
        ok = false;
        break;
      }
      body.append(block, read);
    }
    InternetCloseHandle(file);
  }
  InternetCloseHandle(session);
  if (!ok) body.clear();
  return ok;
}

std::string PadVersionString(Program& program, const std::string& version) {
  if (version.size() < 4) return {};
  std::string out;
  bool first = true;
  for (const std::string& part : split(version, '.')) {
    if (!first) out += '.';
    first = false;
    if (part.empty() || allDigits(part)) {
      out += part.empty() ? part : formatPart(part);
      continue;
    }
    // Not a number: the part cannot be formatted; say so and keep it.
    program.MsgBox(errorLine("(error):", 13, "Type mismatch", "PadVersionString"));
    out += part;
  }
  return out;
}

bool bVersionIsOlder(const std::string& installed, const std::string& latest) {
  const std::vector<std::string> a = split(installed, '.'), b = split(latest, '.');
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const int c = comparePart(i < a.size() ? a[i] : "0", i < b.size() ? b[i] : "0");
    if (c != 0) return c < 0;
  }
  return false;
}

}  // namespace vrel::restore
