// The about box: its captions, the version line, the language menu built
// from the libraries next to the program, and a switch from the menu.
#include "restore/shell/StringLibrary.h"
#include "restore/shell/frmAbout.h"
#include "restore/tests/support/RestoreFixture.h"

#include <gtest/gtest.h>

namespace vrel::restore {
namespace {

using test::RestoreMachine;

// The libraries shipped next to the program are replaced by the test's own.
void keepOnlyLibraries(RestoreMachine& m, const std::vector<std::string>& codes) {
  const std::string folder = RestoreMachine::kProgramFolder;
  std::vector<DirEntry> entries;
  ASSERT_TRUE(m.files().list(folder, entries));
  for (const DirEntry& e : entries) {
    if (iequals(e.name.substr(e.name.size() >= 4 ? e.name.size() - 4 : 0), ".dll")) {
      ASSERT_TRUE(m.files().deleteFile(folder + "\\" + e.name, true));
    }
  }
  for (const std::string& code : codes) {
    const std::string bytes = StringLibrary::build({modLocalize::languageIdOf(code), {{26, code + " OK"}}});
    ASSERT_TRUE(m.files().writeAll(folder + "\\VrelRestore_" + code + ".dll", bytes));
  }
}

TEST(AboutVersionTest, VersionLineHasVbNumberBlanks) {
  struct Row {
    const char* name;
    ProgramInfo version;
    const char* build;
    const char* line;
  } rows[] = {
      {"first release", {"VrelRestore", 1, 0, 0}, " Build", " 1.0 Build 0"},
      {"several digits", {"VrelRestore", 12, 34, 5678}, " Build", " 12.34 Build 5678"},
      {"translated word", {"VrelRestore", 1, 2, 3}, " ビルド", " 1.2 ビルド 3"},
  };
  for (const Row& r : rows) EXPECT_EQ(frmAbout::versionLine(r.version, r.build), r.line) << r.name;
}

TEST(AboutTest, LoadingCaptionsTheBoxAndListsTheShippedLanguages) {
  RestoreMachine m;
  m.start();
  frmAbout about(m.program(), {&m.form()});
  about.Form_Load();
  EXPECT_EQ(about.caption, "Orvix Disaster Recovery Restore");
  EXPECT_EQ(about.control("cmdOK").caption, "OK");
  EXPECT_EQ(about.control("lblVersionTitle").caption, "Version:");
  EXPECT_EQ(about.control("lblChangeLanguage").caption, "Change Language");
  EXPECT_EQ(about.control("mnuSelectLanguage").caption, "Select Language");
  const ProgramInfo& v = m.program().log.programInfo();
  EXPECT_EQ(about.control("lblVersion").caption, frmAbout::versionLine(v, " Build"));

  ASSERT_EQ(about.languageItemCount(), 3);
  const std::pair<const char*, const char*> expected[] = {
      {"German (Germany)", "1031"}, {"English (United States)", "1033"}, {"Japanese (Japan)", "1041"}};
  for (int i = 0; i < 3; ++i) {
    const Control& item = about.control(frmAbout::languageItemName(i));
    EXPECT_EQ(item.caption, expected[i].first) << i;
    EXPECT_EQ(item.tag, expected[i].second) << i;
  }
}

TEST(AboutTest, LanguageMenuByNumberOfLibraries) {
  struct Row {
    const char* name;
    std::vector<std::string> codes;
    std::vector<std::pair<std::string, std::string>> items;  // caption, tag
  } rows[] = {
      {"none", {}, {{"no languages loaded", "1033"}}},
      {"one library is offered too", {"FRA"}, {{"French (France)", "1036"}}},
      {"two", {"NLD", "ESN"}, {{"Spanish (Spain, International Sort)", "3082"}, {"Dutch (Netherlands)", "1043"}}},
  };
  for (const Row& r : rows) {
    RestoreMachine m;
    m.start();
    keepOnlyLibraries(m, r.codes);
    frmAbout about(m.program());
    about.Form_Load();
    ASSERT_EQ(about.languageItemCount(), static_cast<int>(r.items.size())) << r.name;
    for (std::size_t i = 0; i < r.items.size(); ++i) {
      const Control& item = about.control(frmAbout::languageItemName(static_cast<int>(i)));
      EXPECT_EQ(item.caption, r.items[i].first) << r.name;
      EXPECT_EQ(item.tag, r.items[i].second) << r.name;
    }
  }
}

TEST(AboutTest, ChoosingALanguageRecaptionsEveryOpenForm) {
  RestoreMachine m;
  frmMain& main = m.start();
  main.Auto_Init();
  frmAbout about(m.program(), {&main});
  about.Form_Load();

  about.click("lblChangeLanguage");
  EXPECT_EQ(about.popupMenu, "mnuSelectLanguage");

  about.click(frmAbout::languageItemName(2));  // Japanese
  EXPECT_EQ(m.program().localize.currentLanguage, 1041);
  EXPECT_EQ(about.caption, "Orvix 障害復旧リストア");
  EXPECT_EQ(about.control("lblChangeLanguage").caption, "言語の変更");
  EXPECT_EQ(about.control("lblVersion").caption, frmAbout::versionLine(m.program().log.programInfo(), " ビルド"));
  EXPECT_EQ(about.control("cmdOK").fontName, "ＭＳ Ｐゴシック");
  EXPECT_EQ(main.control("cmdRestore").caption, "バックアップからリストア");
  EXPECT_EQ(main.control("cmdRestore").charset, 128);

  about.mnuLanguageList_Click(0);  // German
  EXPECT_EQ(main.control("cmdRestore").caption, "Aus Sicherung wiederherstellen");
  EXPECT_EQ(main.control("cmdRestore").fontName, "");
  EXPECT_EQ(about.control("lblVersionTitle").caption, "Version:");
  EXPECT_FALSE(m.ui.busy);

  about.click("cmdOK");
  EXPECT_EQ(m.ui.closedForms, std::vector<std::string>{"frmAbout"});
}

}  // namespace
}  // namespace vrel::restore
