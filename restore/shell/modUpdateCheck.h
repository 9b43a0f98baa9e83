// The check for a newer version of the program on the maker's tools site:
// the background start of the site's script "test.bat" at start-up, and the
// foreground check of the menu, which reads the site's download list and
// tells the administrator whether an updated version is available.
//
// The tools site is a setting: the environment variable VREL_TOOLS_SITE
// names it (for example "http://tools.corvane.com", the default); the home
// page and the download list are fixed paths on it.
#pragma once

#include <cstddef>
#include <string>

namespace vrel::restore {

class Program;

// The name the download list knows the program by.
inline constexpr const char* kUpdateCheckAppName = "Disaster Recovery Restore (Vrel) Orvix";
inline constexpr const char* kDefaultToolsSite = "http://tools.corvane.com";
inline constexpr const char* kHomePagePath = "/Applications/Orvix/VREL/VREL.html";
inline constexpr const char* kDownloadListPath = "/SiteList/AllDownloads/AllDownloads.XML";
// Downloads larger than this are not a download list; the check gives up.
inline constexpr std::size_t kMaxDownloadListBytes = 16 * 1024 * 1024;

// VREL_TOOLS_SITE (default kDefaultToolsSite), without a trailing "/".
std::string toolsSiteAddress();
// The tools site + kHomePagePath and + kDownloadListPath.
std::string homePageAddress();
std::string downloadListAddress();

// The program's own version, major.minor.revision.
std::string strProgramVersion(const Program& program);

// Starts the program folder's "test.bat" with the program's version, the
// home page and the quoted application name (when it has at least 2
// characters), minimised without focus, not waited for. Returns the
// script's process identifier. Throws VbError (53 "File not found") when
// the script cannot be started; the caller's trap deals with it.
long checkForUpdatedVersion_Background(Program& program, const std::string& appName, const std::string& homePage);

// The menu's check: compares the program's version with the one the
// download list gives for the application and shows the outcome; on OK to
// the offer of an update, opens the home page. Never throws: a failure is
// shown in a message box.
void checkForUpdatedVersion_Foreground(Program& program, const std::string& appName, const std::string& homePage);

// The latest version the download list gives for the application, through
// PadVersionString; empty when the name is shorter than 30 characters, the
// list cannot be read, its body is shorter than 10 characters or the
// application's entry or its version cell is not in it.
std::string strLatestVersionFromDownloadList(Program& program, const std::string& appName,
                                             const std::string& homePage);

// The body at the address, read in blocks of up to 1000 bytes; false when
// it cannot be opened or read, or is larger than kMaxDownloadListBytes.
bool bDownloadText(const std::string& url, std::string& body);

// The comparable form of a dotted version: each part in decimal with one
// leading zero below four digits ("3.0.89" gives "03.0.089"; zero stays
// "0"); a text shorter than 4 characters gives "". A part that is not a
// number is shown as an error and kept as it stands.
std::string PadVersionString(Program& program, const std::string& version);

// True when the installed version is older than the latest: the dotted
// parts compared as numbers from the first, a missing part counting as 0
// (so "09" is older than "010").
bool bVersionIsOlder(const std::string& installed, const std::string& latest);

}  // namespace vrel::restore
