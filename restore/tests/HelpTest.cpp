#include "restore/shell/frmHelp.h"
#include "restore/shell/modHelp.h"

#include "restore/tests/support/RestoreFixture.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace vrel::restore {
namespace {

constexpr std::int32_t kGerman = 1031;
constexpr std::int32_t kEnglishUS = 1033;
constexpr const char* kDefaultPage = "file://C:\\Vrel\\OrvixDisasterRecovery.htm";
constexpr const char* kGermanPage = "C:\\Vrel\\OrvixDisasterRecovery_DEU.htm";

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override { m.start(); }
  void put(const std::string& path) { ASSERT_TRUE(m.files().writeAll(path, "<html></html>")); }
  Program& program() { return m.program(); }

  test::RestoreMachine m;
};

struct HelpFileCase {
  const char* name;
  std::vector<std::string> present;  // files in the program folder
  std::string chosen;
};
// Test names, not bytes, in the test listing.
void PrintTo(const HelpFileCase& c, std::ostream* os) { *os << c.name; }

class HelpFileNameTest : public HelpTest, public ::testing::WithParamInterface<HelpFileCase> {};

TEST_P(HelpFileNameTest, FallsBackFromTheLanguageToEnglishToThePlainName) {
  for (const std::string& name : GetParam().present) put("C:\\Vrel\\" + name);
  program().localize.currentLanguage = kGerman;
  EXPECT_EQ(getHelpFileName(program()), "C:\\Vrel\\" + GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(
    HelpFiles, HelpFileNameTest,
    ::testing::Values(
        HelpFileCase{"LanguageFile", {"Disaster Recovery Tool_DEU.chm", "Disaster Recovery Tool_ENU.chm"},
                     "Disaster Recovery Tool_DEU.chm"},
        HelpFileCase{"EnglishFile", {"Disaster Recovery Tool_ENU.chm", "Disaster Recovery Tool.chm"},
                     "Disaster Recovery Tool_ENU.chm"},
        HelpFileCase{"PlainFile", {"Disaster Recovery Tool.chm"}, "Disaster Recovery Tool.chm"},
        HelpFileCase{"NoneStillNamesThePlainFile", {}, "Disaster Recovery Tool.chm"},
        HelpFileCase{"NameIsMatchedWithoutRegardToCase", {"DISASTER RECOVERY TOOL_deu.CHM"},
                     "Disaster Recovery Tool_DEU.chm"}),
    [](const auto& info) { return std::string(info.param.name); });

struct PageCase {
  const char* name;
  std::int32_t language;
  bool germanPagePresent;
  std::string page;
};
// Test names, not bytes, in the test listing.
void PrintTo(const PageCase& c, std::ostream* os) { *os << c.name; }

class HelpPageTest : public HelpTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(HelpPageTest, PageOfTheCurrentLanguageElseTheDefaultPage) {
  if (GetParam().germanPagePresent) put(kGermanPage);
  program().localize.currentLanguage = GetParam().language;
  frmHelp help(program());
  help.Form_Load();
  EXPECT_EQ(help.page(), GetParam().page);
}

INSTANTIATE_TEST_SUITE_P(HelpPages, HelpPageTest,
                         ::testing::Values(PageCase{"LanguagePagePresent", kGerman, true, kGermanPage},
                                           PageCase{"LanguagePageMissing", kGerman, false, kDefaultPage},
                                           PageCase{"OtherLanguagesPage", kEnglishUS, true, kDefaultPage}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HelpTest, BrowserFillsTheFormUnlessMinimised) {
  frmHelp help(program());
  help.Form_Resize(640, 480, false);
  EXPECT_EQ(help.browserBounds.width, 640);
  EXPECT_EQ(help.browserBounds.height, 480);
  help.Form_Resize(0, 0, true);
  EXPECT_EQ(help.browserBounds.width, 640);
  EXPECT_EQ(help.browserBounds.height, 480);
  help.Form_Resize(800, 600, false);
  EXPECT_EQ(help.browserBounds.left, 0);
  EXPECT_EQ(help.browserBounds.top, 0);
  EXPECT_EQ(help.browserBounds.width, 800);
}

TEST_F(HelpTest, HelpMenuShowsTheHelpWindowAndTheExitProcedureClosesIt) {
  m.form().click("mnuHelp");
  ASSERT_NE(program().helpForm, nullptr);
  EXPECT_EQ(program().helpForm->name(), "frmHelp");
  EXPECT_EQ(m.ui.shownForms, std::vector<std::string>{"frmHelp"});
  EXPECT_EQ(static_cast<frmHelp*>(program().helpForm)->page(), kDefaultPage);

  // Opened again after a language change: the same window, the new page.
  FormModel* first = program().helpForm;
  put(kGermanPage);
  program().localize.currentLanguage = kGerman;
  m.form().click("mnuHelp");
  EXPECT_EQ(program().helpForm, first);
  EXPECT_EQ(static_cast<frmHelp*>(program().helpForm)->page(), kGermanPage);

  EXPECT_EQ(m.event([&] { m.form().cmdExit_Click(); }), ProgramEnd::Normal);
  EXPECT_EQ(m.ui.closedForms, std::vector<std::string>{"frmHelp"});
}

TEST_F(HelpTest, TopicOpensItsAnchorAndTheShippedPageHasEveryTopic) {
  std::string page;
  ASSERT_TRUE(m.files().readAll("C:\\Vrel\\OrvixDisasterRecovery.htm", page)) << "help page not shipped";
  for (int topic = 1; topic <= 8; ++topic) {
    showCHMHelp(program(), getHelpFileName(program()), m.form(), topic);
    const std::string anchor = "topic" + std::to_string(topic);
    EXPECT_EQ(static_cast<frmHelp*>(program().helpForm)->page(), std::string(kDefaultPage) + "#" + anchor);
    EXPECT_NE(page.find("<a name=\"" + anchor + "\">"), std::string::npos) << anchor;
  }
}

// The page is the administrator's reference for what cannot be seen on the
// form: every switch and headless option, and the tools site setting.
TEST_F(HelpTest, ShippedPageDocumentsSwitchesHeadlessOptionsAndSettings) {
  std::string page;
  ASSERT_TRUE(m.files().readAll("C:\\Vrel\\OrvixDisasterRecovery.htm", page));
  for (const char* word : {"debug", "JustRestoreDB", "UglyRestore", "DirtyRestore", "PauseAfterSQLRestore",
                           "SkipVersionCheck", "--headless", "--answers", "--backup", "--messages", "--no-messages",
                           "--report-data", "--certificates", "--alias-map", "VREL_TOOLS_SITE",
                           "DisasterRecoveryRestore.log", "(error)", "(warning)"})
    EXPECT_NE(page.find(word), std::string::npos) << word;
}

TEST_F(HelpTest, AboutMenuShowsTheAboutBoxModally) {
  m.form().click("mnuAbout");
  EXPECT_EQ(m.ui.shownForms, std::vector<std::string>{"frmAbout"});
}

// The certificate menu asks first; "No" does nothing, "Yes" restores with
// the status window shown and says so.
TEST_F(HelpTest, CertificateMenuAsksAndReportsTheRestore) {
  EXPECT_FALSE(m.form().control("mnuRestoreCertificates").enabled);
  m.ui.answer("secure messaging only", MsgResult::No, 1);
  m.form().mnuRestoreCertificates_Click();
  ASSERT_EQ(m.ui.boxes.size(), 1u);
  EXPECT_EQ(m.ui.boxes[0].text, program().str(163));
  EXPECT_EQ(m.ui.boxes[0].buttons, MsgBoxStyle::YesNo);
  EXPECT_TRUE(m.ui.shownForms.empty());
  m.form().mnuRestoreCertificates_Click();
  EXPECT_EQ(m.ui.texts(), (std::vector<std::string>{program().str(163), program().str(163), program().str(164)}));
  EXPECT_EQ(m.ui.shownForms, std::vector<std::string>{"frmStatus"});
  EXPECT_EQ(m.ui.closedForms, std::vector<std::string>{"frmStatus"});
  EXPECT_FALSE(m.ui.busy) << "the normal pointer is back";
}

}  // namespace
}  // namespace vrel::restore
