// Start-up in the administrator's language: the refusals and questions of
// start-up and of the backup folder come from the language library of the
// user's default language, with English for what it lacks.
#include "restore/tests/support/RestoreFixture.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

TEST(StartupLanguage, RefusalOfAMachineWithoutServerIsInTheUsersLanguage) {
  struct Case {
    const char* language;
    const char* fragment;
  } cases[] = {
      {"1031", "Dieses Programm funktioniert nur mit Orvix 3.1(1)"},
      {"1033", "This utility only works with Orvix 3.1(1) and later"},
  };
  for (const Case& c : cases) {
    RestoreMachine m;
    m.machine().setValue("UserDefaultLangID", c.language);
    restore::frmMain& form = m.start();
    EXPECT_EQ(m.event([&] { form.Form_Load(); }), restore::ProgramEnd::Refused) << c.language;
    ASSERT_FALSE(m.ui.boxes.empty()) << c.language;
    EXPECT_NE(m.ui.boxes.back().text.find(c.fragment), std::string::npos) << m.ui.boxes.back().text;
  }
}

TEST(StartupLanguage, EmptyBackupFolderRefusalIsTranslatedToo) {
  RestoreMachine m;
  m.provision({});
  m.machine().setValue("UserDefaultLangID", "1041");
  restore::frmMain& form = m.start();
  ASSERT_EQ(m.event([&] { form.Form_Load(); }), std::nullopt);
  EXPECT_EQ(form.control("cmdRestore").caption, m.program().localize.mymyLoadString(30));
  m.ui.boxes.clear();
  EXPECT_EQ(m.event([&] { form.cmdRestore_Click(); }), std::nullopt);
  ASSERT_EQ(m.ui.boxes.size(), 1u);
  EXPECT_EQ(m.ui.boxes[0].text, m.program().localize.mymyLoadString(59));
  EXPECT_NE(m.ui.boxes[0].text, restore::builtInString(59));
}

}  // namespace
}  // namespace vrel::test
