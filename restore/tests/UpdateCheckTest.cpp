#include "restore/shell/modUpdateCheck.h"

#include "platform/ProcessTable.h"
#include "platform/Processes.h"
#include "platform/tests/ChildProcesses.h"
#include "restore/run/VbError.h"
#include "restore/tests/support/RestoreFixture.h"
#include "tests/support/LocalHttpServer.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vrel::restore {
namespace {

using test::LocalHttpServer;
using Responses = std::vector<LocalHttpServer::Response>;

constexpr const char* kUnable =
    "Unable to contact application home page to check for version.  You can access the home page and check for "
    "updated versions of all Corvane Orvix tools by going to ";
constexpr const char* kUpToDate = "You have the most up to date version of this tool installed";

// Names the tools site in VREL_TOOLS_SITE while it lives.
class ToolsSite {
 public:
  explicit ToolsSite(const std::string& address) {
    if (const char* old = std::getenv("VREL_TOOLS_SITE")) m_old = old;
    ::setenv("VREL_TOOLS_SITE", address.c_str(), 1);
  }
  ~ToolsSite() {
    if (m_old)
      ::setenv("VREL_TOOLS_SITE", m_old->c_str(), 1);
    else
      ::unsetenv("VREL_TOOLS_SITE");
  }

 private:
  std::optional<std::string> m_old;
};

// A download list with the application's entry among other tools' entries:
// the key cell, then the version cell.
std::string downloadList(const std::string& homePage, const std::string& keyTail, const std::string& version) {
  return "<?xml version=\"1.0\"?>\r\n<table>\r\n"
         "<row><cell>http://tools.example/Other.html^Other Tool^ifram_a</cell><cell>9.9.99</cell></row>\r\n"
         "<row><cell>" +
         homePage + "^" + keyTail + "^ifram_a</cell><cell>" + version + "</cell><cell>2026-01-01</cell></row>\r\n" +
         "</table>\r\n";
}

// The part of the application name that keys its entry.
const std::string kKeyTail = std::string(kUpdateCheckAppName).substr(30);

class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m.start();
    setVersion(3, 0, 89);
  }
  void setVersion(int major, int minor, int revision) {
    m.program().log.setProgramInfo({"VrelRestore", major, minor, revision});
  }
  // Serves the list (made from the site's address) and runs the menu's
  // check against that site.
  void checkAgainst(const std::function<std::string(const std::string& site)>& list) {
    LocalHttpServer server([&](const std::string& address) { return Responses{{200, list(address)}}; });
    ToolsSite env(server.address());
    site = server.address();
    checkForUpdatedVersion_Foreground(m.program(), kUpdateCheckAppName, homePageAddress());
    requests = server.requests();
  }
  void checkListing(const std::string& version) {
    checkAgainst([&](const std::string& s) { return downloadList(s + kHomePagePath, kKeyTail, version); });
  }

  test::ProxyEnvironmentCleared noProxy;
  test::RestoreMachine m;
  std::string site;
  std::vector<std::string> requests;
};

struct VersionCase {
  const char* name;
  int major, minor, revision;  // the program's version
  std::string listed;
  bool offered;
};
// Test names, not bytes, in the test listing.
void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.name; }

class UpdateCheckVersionTest : public UpdateCheckTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(UpdateCheckVersionTest, OffersTheUpdateOnlyWhenTheListedVersionIsNewer) {
  const VersionCase& c = GetParam();
  setVersion(c.major, c.minor, c.revision);
  m.ui.answer("An updated version", MsgResult::Cancel);
  checkListing(c.listed);
  ASSERT_EQ(m.ui.boxes.size(), 1u) << ::testing::PrintToString(m.ui.texts());
  const test::ShownBox& box = m.ui.boxes[0];
  if (c.offered) {
    EXPECT_EQ(box.text, "An updated version of this tool is available on " + site +
                            ".  Click OK to open the application home page now");
    EXPECT_EQ(box.caption, "Updated version is available");
    EXPECT_EQ(box.buttons, MsgBoxStyle::OKCancel);
  } else {
    EXPECT_EQ(box.text, kUpToDate);
    EXPECT_EQ(box.caption, "VrelRestore");
  }
  EXPECT_TRUE(m.ui.opened.empty());
}

INSTANTIATE_TEST_SUITE_P(
    UpdateVersions, UpdateCheckVersionTest,
    ::testing::Values(VersionCase{"OlderRevision", 3, 0, 89, "3.0.90", true},
                      VersionCase{"Equal", 3, 0, 89, "3.0.89", false},
                      VersionCase{"InstalledNewer", 3, 0, 91, "3.0.90", false},
                      // Parts of different digit counts compare by value.
                      VersionCase{"NineBeforeTen", 3, 0, 9, "3.0.10", true},
                      VersionCase{"ListedWithLeadingZeros", 3, 0, 89, "03.00.089", false},
                      VersionCase{"ListedWithBuildPart", 3, 0, 89, "3.0.89.1", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateCheckTest, OkToTheOfferOpensTheHomePage) {
  checkListing("3.0.90");
  ASSERT_EQ(m.ui.boxes.size(), 1u);
  EXPECT_EQ(m.ui.boxes[0].answer, MsgResult::OK);
  EXPECT_EQ(m.ui.opened, std::vector<std::string>{site + "/Applications/Orvix/VREL/VREL.html"});
}

TEST_F(UpdateCheckTest, AsksForTheListWithTheAgentName) {
  checkListing("3.0.89");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")), "GET /SiteList/AllDownloads/AllDownloads.XML HTTP/1.1");
  EXPECT_NE(requests[0].find("\r\nUser-Agent: HTTP Generic\r\n"), std::string::npos) << requests[0];
}

TEST_F(UpdateCheckTest, KeyIsFoundWithoutRegardToCase) {
  checkAgainst([](const std::string& s) {
    std::string home = s + kHomePagePath;
    for (char& ch : home) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return downloadList(home, "L) ORVIX", "3.0.90");
  });
  ASSERT_EQ(m.ui.boxes.size(), 1u);
  EXPECT_EQ(m.ui.boxes[0].caption, "Updated version is available");
}

struct UnableCase {
  const char* name;
  std::function<std::string(const std::string& site)> list;
};
// Test names, not bytes, in the test listing.
void PrintTo(const UnableCase& c, std::ostream* os) { *os << c.name; }

class UpdateCheckUnableTest : public UpdateCheckTest, public ::testing::WithParamInterface<UnableCase> {};

TEST_P(UpdateCheckUnableTest, ListWithoutAVersionGivesTheUnableMessage) {
  checkAgainst(GetParam().list);
  EXPECT_EQ(m.ui.texts(), std::vector<std::string>{kUnable + site});
  EXPECT_TRUE(m.ui.opened.empty());
}

INSTANTIATE_TEST_SUITE_P(
    UpdateLists, UpdateCheckUnableTest,
    ::testing::Values(
        UnableCase{"BodyUnderTenCharacters", [](const std::string&) { return std::string("<cell>3.1"); }},
        UnableCase{"EmptyBody", [](const std::string&) { return std::string(); }},
        UnableCase{"KeyMissing",
                   [](const std::string& s) { return downloadList(s + kHomePagePath, "Some Other Tool", "9.0.0"); }},
        UnableCase{"KeyOfAnotherHomePage",
                   [](const std::string&) {
                     return downloadList("http://elsewhere.example/VREL.html", kKeyTail, "9.0.0");
                   }},
        UnableCase{"NoVersionCellAfterTheKey",
                   [](const std::string& s) {
                     return "<row><cell>9.9.9</cell><cell>" + s + kHomePagePath + "^" + kKeyTail + "^ifram_a</cell>";
                   }},
        UnableCase{"VersionCellNotANumber",
                   [](const std::string& s) { return downloadList(s + kHomePagePath, kKeyTail, "soon"); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateCheckTest, NoSiteGivesTheUnableMessageAndTheProgramGoesOn) {
  const std::string closed = "http://127.0.0.1:" + std::to_string(LocalHttpServer::closedPort());
  ToolsSite env(closed);
  checkForUpdatedVersion_Foreground(m.program(), kUpdateCheckAppName, homePageAddress());
  EXPECT_EQ(m.ui.texts(), std::vector<std::string>{kUnable + closed});
}

TEST_F(UpdateCheckTest, ShortApplicationNameAsksNothingOfTheSite) {
  LocalHttpServer server([](const std::string& a) { return Responses{{200, downloadList(a, "x", "9.9.9")}}; });
  ToolsSite env(server.address());
  checkForUpdatedVersion_Foreground(m.program(), "Disaster Recovery Restore", homePageAddress());
  EXPECT_TRUE(server.requests().empty());
  EXPECT_EQ(m.ui.texts(), std::vector<std::string>{kUnable + server.address()});
}

TEST_F(UpdateCheckTest, MenuShowsTheHourglassAroundTheCheck) {
  LocalHttpServer server([](const std::string& a) {
    return Responses{{200, downloadList(a + kHomePagePath, kKeyTail, "3.0.90")}};
  });
  ToolsSite env(server.address());
  m.ui.answer("An updated version", MsgResult::Cancel);
  bool busyDuringBox = false;
  m.ui.onBox = [&](const test::ShownBox&) { busyDuringBox = m.ui.busy; };
  m.form().click("mnuCheckForUpdatedVersion");
  EXPECT_EQ(m.ui.hourglassOn, 1);
  EXPECT_EQ(m.ui.hourglassOff, 1);
  EXPECT_FALSE(m.ui.busy);
  EXPECT_TRUE(busyDuringBox);
  ASSERT_EQ(m.ui.boxes.size(), 1u);
  EXPECT_EQ(m.ui.boxes[0].caption, "Updated version is available");
}

TEST(ToolsSiteSetting, DefaultsAndDropsATrailingSlash) {
  {
    ToolsSite env("");
    EXPECT_EQ(toolsSiteAddress(), "http://tools.corvane.com");
    EXPECT_EQ(homePageAddress(), "http://tools.corvane.com/Applications/Orvix/VREL/VREL.html");
    EXPECT_EQ(downloadListAddress(), "http://tools.corvane.com/SiteList/AllDownloads/AllDownloads.XML");
  }
  ToolsSite env("http://tools.test:8080/");
  EXPECT_EQ(homePageAddress(), "http://tools.test:8080/Applications/Orvix/VREL/VREL.html");
}

struct PadCase {
  const char* name;
  std::string in;
  std::string out;
};
// Test names, not bytes, in the test listing.
void PrintTo(const PadCase& c, std::ostream* os) { *os << c.name; }

class PadVersionStringTest : public UpdateCheckTest, public ::testing::WithParamInterface<PadCase> {};

TEST_P(PadVersionStringTest, PadsEachPartWithOneLeadingZeroBelowFourDigits) {
  EXPECT_EQ(PadVersionString(m.program(), GetParam().in), GetParam().out);
  EXPECT_TRUE(m.ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(PadTexts, PadVersionStringTest,
                         ::testing::Values(PadCase{"Installed", "3.0.89", "03.0.089"},
                                           PadCase{"Listed", "3.0.90", "03.0.090"},
                                           PadCase{"FourDigitsUnpadded", "10.2.1234", "010.02.1234"},
                                           PadCase{"FiveDigits", "12345.0.0", "12345.0.0"},
                                           PadCase{"LeadingZerosDropped", "007.00.0001", "07.0.01"},
                                           PadCase{"ThreeCharactersGiveNothing", "1.2", ""},
                                           PadCase{"EmptyGivesNothing", "", ""},
                                           PadCase{"EmptyPartsStayEmpty", "1..2.", "01..02."},
                                           PadCase{"NoDots", "1234", "1234"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateCheckTest, PadVersionStringShowsAPartThatIsNoNumberAndGoesOn) {
  EXPECT_EQ(PadVersionString(m.program(), "3.x.1"), "03.x.01");
  EXPECT_EQ(m.ui.texts(),
            std::vector<std::string>{"(error):13 (Type mismatch) in procedure PadVersionString of Module modUpdateCheck"});
}

struct OlderCase {
  const char* name;
  std::string installed, latest;
  bool older;
};
// Test names, not bytes, in the test listing.
void PrintTo(const OlderCase& c, std::ostream* os) { *os << c.name; }

class VersionIsOlderTest : public ::testing::TestWithParam<OlderCase> {};

TEST_P(VersionIsOlderTest, ComparesPartsAsNumbers) {
  EXPECT_EQ(bVersionIsOlder(GetParam().installed, GetParam().latest), GetParam().older);
}

INSTANTIATE_TEST_SUITE_P(VersionPairs, VersionIsOlderTest,
                         ::testing::Values(OlderCase{"LastPartBelow", "03.0.089", "03.0.090", true},
                                           OlderCase{"Equal", "03.0.089", "03.0.089", false},
                                           OlderCase{"NineBeforeTen", "03.0.09", "03.0.010", true},
                                           OlderCase{"TenNotBeforeNine", "03.0.010", "03.0.09", false},
                                           OlderCase{"MissingPartIsZero", "03.0", "03.0.0", false},
                                           OlderCase{"MissingPartBelowOne", "03.0", "03.0.01", true},
                                           OlderCase{"MajorDecides", "04.0.0", "03.9.9999", false},
                                           OlderCase{"HugeNumbers", "099999999999999999999", "0100000000000000000000",
                                                     true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The start-up's background check: the site's script from the program
// folder, started and left running.
class BackgroundCheckTest : public UpdateCheckTest {
 protected:
  static constexpr const char* kScript = "C:\\Vrel\\test.bat";
  // The script outlives the start long enough to be seen in the machine's
  // process table.
  void writeScript() {
    test::placeTool(m.machine(), "C:\\Vrel\\ScriptWork.exe", "sleeper");
    ASSERT_TRUE(m.files().writeAll(kScript, "@echo off\r\nC:\\Vrel\\ScriptWork.exe vrelupdatescript 100\r\n"));
  }
  std::string commandLineOf(long pid) {
    ProcessTable table(m.machine());
    std::vector<ProcessInfo> live;
    std::string error;
    EXPECT_TRUE(table.live(live, error)) << error;
    for (const ProcessInfo& p : live)
      if (p.pid == pid) return p.commandLine;
    return {};
  }
};

TEST_F(BackgroundCheckTest, StartsTheScriptWithVersionHomePageAndQuotedName) {
  writeScript();
  const long pid = checkForUpdatedVersion_Background(m.program(), kUpdateCheckAppName,
                                                     "http://tools.test/Applications/Orvix/VREL/VREL.html");
  ASSERT_GT(pid, 0);
  const std::string line = commandLineOf(pid);
  EXPECT_NE(line.find("test.bat 3.0.89 http://tools.test/Applications/Orvix/VREL/VREL.html "
                      "\"Disaster Recovery Restore (Vrel) Orvix\""),
            std::string::npos)
      << line;
  EXPECT_EQ(Processes::wait(pid, kWaitInfinite), WaitResult::Ended);
}

TEST_F(BackgroundCheckTest, NameShorterThanTwoCharactersIsLeftOut) {
  writeScript();
  const long pid = checkForUpdatedVersion_Background(m.program(), "X", "http://tools.test/VREL.html");
  const std::string line = commandLineOf(pid);
  const std::string tail = "test.bat 3.0.89 http://tools.test/VREL.html";
  ASSERT_GE(line.size(), tail.size()) << line;
  EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
  EXPECT_EQ(Processes::wait(pid, kWaitInfinite), WaitResult::Ended);
}

TEST_F(BackgroundCheckTest, MissingScriptRaisesFileNotFoundToTheCaller) {
  try {
    checkForUpdatedVersion_Background(m.program(), kUpdateCheckAppName, homePageAddress());
    FAIL() << "no error raised";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number, 53);
  }
}

}  // namespace
}  // namespace vrel::restore
