// The language module: the built-in table, the language library format, the
// lookup with its fall-backs, the list of installed languages, fonts, and a
// language switch re-captioning the main form.
#include "restore/shell/StringLibrary.h"
#include "restore/shell/modLocalize.h"
#include "restore/tests/support/RecordingUi.h"
#include "restore/tests/support/RestoreFixture.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vrel::restore {
namespace {

using test::RecordingUi;
using test::ScratchMachine;

constexpr const char* kFolder = "C:\\Vrel";

std::string libraryBytes(std::int32_t language, std::map<int, std::string> strings) {
  return StringLibrary::build({language, std::move(strings)});
}

// Puts a fresh checksum on a library whose body a test has altered.
std::string reseal(std::string bytes) {
  bytes.resize(bytes.size() - 4);
  const std::uint32_t crc = crc32Of(bytes);
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
  return bytes;
}

// A form with a label, a button and a menu item, captioned from the module.
class SampleForm : public FormModel {
 public:
  explicit SampleForm(modLocalize& localize) : FormModel("frmSample"), m_localize(localize) {
    add("lblTitle", ControlKind::Label);
    add("cmdOK", ControlKind::Button);
    add("mnuHelp", ControlKind::Menu);
  }
  void Auto_Init() override {
    caption = m_localize.mymyLoadString(50);
    control("cmdOK").caption = m_localize.mymyLoadString(26);
    ++autoInits;
  }
  int autoInits = 0;

 private:
  modLocalize& m_localize;
};

class LocalizeTest : public ::testing::Test {
 protected:
  LocalizeTest() { m_machine.files().createFolder(kFolder); }

  void put(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(m_machine.files().writeAll(std::string(kFolder) + "\\" + name, bytes));
  }
  modLocalize& make(std::int32_t userDefault, std::string folder = kFolder) {
    m_localize = std::make_unique<modLocalize>(m_machine.files(), ui, std::move(folder), "VrelRestore", userDefault);
    return *m_localize;
  }

  ScratchMachine m_machine;
  RecordingUi ui;
  std::unique_ptr<modLocalize> m_localize;
};

TEST(StringTableTest, QuotedTextsKeepTheirBlanks) {
  struct Row {
    const char* name;
    int id;
    const char* text;
  } rows[] = {
      {"build word", 0, " Build"},
      {"number with blanks", 2, " Number= "},
      {"double blank", 8, "Backup Source  Location"},
      {"trailing colon blank", 17, "Error in PreRestoreChecksOK procedure: "},
      {"lower case", 60, "no languages loaded"},
      {"alias remap middle", 171, " to new alias="},
  };
  for (const Row& r : rows) EXPECT_EQ(builtInString(r.id), r.text) << r.name;
}

TEST(StringTableTest, EveryCaptionOfTheFormsHasAText) {
  for (int id : {8, 9, 27, 31, 32, 158, 159, 30, 19, 28, 21, 5, 114, 165, 50, 10, 26, 42, 54, 60})
    EXPECT_FALSE(builtInString(id).empty()) << id;
  for (const auto& box : frmMain::kProgress) EXPECT_FALSE(builtInString(box.stringId).empty()) << box.checkBox;
  EXPECT_EQ(builtInString(-1), "");
  EXPECT_EQ(builtInString(kLastStringId + 1), "");
}

TEST(StringLibraryTest, ReadsBackWhatWasBuilt) {
  std::string error;
  auto lib = StringLibrary::parse(libraryBytes(1041, {{0, " ビルド"}, {60, "言語"}, {172, ""}}), error);
  ASSERT_TRUE(lib) << error;
  EXPECT_EQ(lib->languageId(), 1041);
  EXPECT_EQ(lib->size(), 3u);
  EXPECT_EQ(lib->text(0), " ビルド");
  EXPECT_EQ(lib->text(61), "");
}

TEST(StringLibraryTest, DamagedLibrariesAreRefused) {
  const std::string good = libraryBytes(1031, {{9, "Durchsuchen"}, {19, "Beenden"}});
  auto edit = [&](std::function<void(std::string&)> change) {
    std::string b = good;
    change(b);
    return b;
  };
  struct Row {
    const char* name;
    std::string bytes;
  } rows[] = {
      {"empty", ""},
      {"bad magic", edit([](std::string& b) { b[0] = 'X'; })},
      {"unknown version", reseal(edit([](std::string& b) { b[4] = 2; }))},
      {"checksum mismatch", edit([](std::string& b) { b[b.size() - 6] ^= 0x20; })},
      {"truncated", good.substr(0, good.size() - 1)},
      {"count beyond the entries", reseal(edit([](std::string& b) { b[12] = 3; }))},
      {"length beyond the file", reseal(edit([](std::string& b) { b[20] = 100; }))},
      {"IDs out of order", reseal(edit([](std::string& b) { b[16 + 8 + 11] = 5; }))},
      {"text not UTF-8", reseal(edit([](std::string& b) { b[24] = static_cast<char>(0xC3); }))},
      {"bytes after the last entry", reseal(edit([](std::string& b) { b.insert(b.size() - 4, "xx"); }))},
  };
  for (const Row& r : rows) {
    std::string error;
    EXPECT_FALSE(StringLibrary::parse(r.bytes, error)) << r.name;
    EXPECT_FALSE(error.empty()) << r.name;
  }
  // Every cut of a good library is refused, never read past its end.
  for (std::size_t n = 0; n < good.size(); ++n) {
    std::string error;
    EXPECT_FALSE(StringLibrary::parse(std::string_view(good).substr(0, n), error)) << n;
  }
}

TEST(StringLibraryTest, SourceFilesAreParsedWithEscapesAndErrorsNameTheLine) {
  StringSource source;
  std::string error;
  ASSERT_TRUE(
      StringLibrary::parseSource("# comment\nlanguage 1031\n\n0 \" Build\"\n3 \"a\\\"b\\\\c\\r\\nd\"\n", source, error))
      << error;
  EXPECT_EQ(source.languageId, 1031);
  EXPECT_EQ(source.strings.at(0), " Build");
  EXPECT_EQ(source.strings.at(3), "a\"b\\c\r\nd");

  const std::string tooLong = "language 1031\n5 \"" + std::string(65536, 'x') + "\"\n";
  struct Row {
    const char* name;
    const char* text;
    const char* error;
  } rows[] = {
      {"no language", "0 \"x\"\n", "no language line"},
      {"text too long for a library", tooLong.c_str(), "line 2: text longer than 65535 bytes"},
      {"duplicate ID", "language 1031\n5 \"a\"\n5 \"b\"\n", "line 3: ID 5 given twice"},
      {"unterminated", "language 1031\n5 \"a\n", "line 2: missing closing quote"},
      {"unknown escape", "language 1031\n5 \"a\\q\"\n", "line 2: unknown escape \\q"},
      {"ID out of range", "language 1031\n70000 \"a\"\n", "line 2: expected a string ID (0 to 65535)"},
      {"unquoted", "language 1031\n5 a\n", "line 2: expected a quoted text"},
      {"text after quote", "language 1031\n5 \"a\" b\n", "line 2: text after the closing quote"},
  };
  for (const Row& r : rows) {
    EXPECT_FALSE(StringLibrary::parseSource(r.text, source, error)) << r.name;
    EXPECT_EQ(error, r.error) << r.name;
  }
  // A last line of just an ID, at the very end of the bytes (no terminating
  // NUL behind them that would hide a read past the end).
  for (const std::string text : {"language 1031\n5", "language 1031\n5 ", "5"}) {
    const std::vector<char> exact(text.begin(), text.end());
    EXPECT_FALSE(StringLibrary::parseSource(std::string_view(exact.data(), exact.size()), source, error)) << text;
    EXPECT_EQ(error, text == "5" ? "line 1: expected a quoted text" : "line 2: expected a quoted text") << text;
  }
}

TEST(LanguageNamesTest, CodesIdsNamesAndFonts) {
  struct Row {
    const char* name;
    std::int32_t id;
    const char* code;
    const char* language;
    int charset;
    const char* font;
  } rows[] = {
      {"TDD", 33801, "ENX", "English (TDD/TTY)", 1, ""},
      {"US English", 1033, "ENU", "English (United States)", 1, ""},
      {"German", 1031, "DEU", "German (Germany)", 1, ""},
      {"Japanese", 1041, "JPN", "Japanese (Japan)", 128, "ＭＳ Ｐゴシック"},
      {"Korean", 1042, "KOR", "Korean (Korea)", 129, "굴림"},
      {"Traditional Chinese", 1028, "CHT", "Chinese (Traditional, Taiwan)", 136, "新細明體"},
      {"Simplified Chinese", 2052, "CHS", "Chinese (Simplified, PRC)", 134, "宋体"},
      {"unknown", 9999, "ERR", "(error)", 1, ""},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(modLocalize::languageCodeOf(r.id), r.code) << r.name;
    EXPECT_EQ(modLocalize::languageNameOf(r.id), r.language) << r.name;
    EXPECT_EQ(modLocalize::fontOf(r.id).charset, r.charset) << r.name;
    EXPECT_EQ(modLocalize::fontOf(r.id).name, r.font) << r.name;
  }
  EXPECT_EQ(modLocalize::languageIdOf("deu"), 1033);  // codes compare exactly
  EXPECT_EQ(modLocalize::languageIdOf(""), 1033);
  EXPECT_EQ(modLocalize::languageNameOf(std::string("DES")), "German (Switzerland)");
}

TEST(LanguageNamesTest, EveryLibraryCodeLeadsBackToItsOwnFile) {
  // A library chosen from the menu is found again through its ID's code.
  const struct {
    const char* code;
    std::int32_t id;
  } table[] = {{"ENX", 33801}, {"ENU", 1033},  {"ENG", 2057}, {"ENA", 3081},  {"ENC", 4105},  {"ENZ", 5129},
               {"ENI", 6153},  {"DEU", 1031},  {"DES", 2055}, {"DEA", 3079},  {"DEL", 4103},  {"DEC", 5127},
               {"ESP", 1034},  {"ESM", 2058},  {"ESN", 3082}, {"ESG", 4106},  {"ESC", 5130},  {"ESA", 6154},
               {"ESD", 7178},  {"ESV", 8202},  {"ESO", 9226}, {"ESR", 10250}, {"ESS", 11274}, {"ESH", 18442},
               {"ESI", 19466}, {"ESU", 20490}, {"FRA", 1036}, {"FRB", 2060},  {"FRC", 3084},  {"FRS", 4108},
               {"FRL", 5132},  {"ITA", 1040},  {"ITS", 2064}, {"JPN", 1041},  {"NLD", 1043},  {"NLB", 2067},
               {"NOR", 1044},  {"NON", 2068},  {"PTB", 1046}, {"PTG", 2070},  {"CHT", 1028},  {"ZHT", 3076},
               {"CHS", 2052},  {"ZHI", 4100}};
  for (const auto& row : table) {
    EXPECT_EQ(modLocalize::languageIdOf(row.code), row.id) << row.code;
    EXPECT_EQ(modLocalize::languageCodeOf(row.id), row.code) << row.code;
    EXPECT_NE(modLocalize::languageNameOf(row.id), "(error)") << row.code;
  }
}

TEST_F(LocalizeTest, WithoutLibrariesEveryTextIsEnglishAndTheListHoldsOneEmptyEntry) {
  modLocalize& l = make(1031);
  l.InitalizeLanguages();
  EXPECT_EQ(l.currentLanguage, 1031);
  EXPECT_FALSE(l.libraryLoaded());
  EXPECT_EQ(l.availableLanguages, std::vector<std::string>{""});
  for (int id = 0; id <= kLastStringId; ++id) EXPECT_EQ(l.mymyLoadString(id), builtInString(id)) << id;
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(LocalizeTest, JapaneseDefaultLoadsTheJapaneseLibraryAndFont) {
  put("VrelRestore_JPN.dll", libraryBytes(1041, {{26, "了解"}, {50, "障害復旧"}, {60, ""}}));
  modLocalize& l = make(1041);
  SampleForm form(l);
  l.InitalizeLanguages({&form});
  ASSERT_TRUE(l.libraryLoaded()) << l.lastLibraryError();
  EXPECT_EQ(l.mymyLoadString(50), "障害復旧");
  EXPECT_EQ(l.mymyLoadString(9), "Browse");                // missing ID: English
  EXPECT_EQ(l.mymyLoadString(60), "no languages loaded");  // empty text: English
  EXPECT_EQ(l.availableLanguages, std::vector<std::string>{"JPN"});
  for (const char* name : {"lblTitle", "cmdOK"}) {
    EXPECT_EQ(form.control(name).fontName, "ＭＳ Ｐゴシック") << name;
    EXPECT_EQ(form.control(name).charset, 128) << name;
  }
  EXPECT_EQ(form.control("mnuHelp").fontName, "");  // menu items carry no font
}

TEST_F(LocalizeTest, LibrariesAreListedByNameInFolderOrder) {
  const std::string lib = libraryBytes(1033, {});
  for (const char* name : {"VrelRestore_JPN.dll", "vrelrestore_DEU.Dll", "VrelRestore_abc.DLL",
                           "VrelRestore_DEU.dll.bak", "Other_FRA.dll", "VrelRestore_.dll", "VrelRestore.exe"})
    put(name, lib);
  ASSERT_TRUE(m_machine.files().createFolder(std::string(kFolder) + "\\VrelRestore_ITA.dll"));
  modLocalize& l = make(1033);
  l.InitalizeLanguages();
  EXPECT_EQ(l.availableLanguages, (std::vector<std::string>{"abc", "DEU", "JPN"}));
}

TEST_F(LocalizeTest, DamagedLibraryLoadsAsNoLibrary) {
  std::string bytes = libraryBytes(1031, {{9, "Durchsuchen"}});
  bytes[bytes.size() - 8] ^= 1;
  put("VrelRestore_DEU.dll", bytes);
  modLocalize& l = make(1031);
  l.InitalizeLanguages();
  EXPECT_FALSE(l.libraryLoaded());
  EXPECT_NE(l.lastLibraryError().find("checksum"), std::string::npos) << l.lastLibraryError();
  EXPECT_EQ(l.mymyLoadString(9), "Browse");
  EXPECT_EQ(l.availableLanguages, std::vector<std::string>{"DEU"});
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(LocalizeTest, LookupReadsAtMost1199Characters) {
  std::string longText;
  for (int i = 0; i < 700; ++i) longText += "日本";  // 1400 characters
  put("VrelRestore_JPN.dll", libraryBytes(1041, {{41, longText}}));
  modLocalize& l = make(1041);
  l.InitalizeLanguages();
  const std::string text = l.mymyLoadString(41);
  EXPECT_EQ(utf8ToUtf16(text).size(), 1199u);
  EXPECT_EQ(longText.rfind(text, 0), 0u);
}

TEST_F(LocalizeTest, MissingProgramFolderIsReportedAndTheListStaysUsable) {
  modLocalize& l = make(1033, "C:\\NoSuchFolder");
  l.InitalizeLanguages();
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text.rfind("Error in InitalizeLanguages: ", 0), 0u) << ui.boxes[0].text;
  EXPECT_EQ(l.availableLanguages, std::vector<std::string>{""});
  EXPECT_EQ(l.mymyLoadString(19), "Exit");
}

TEST_F(LocalizeTest, ChangingTheLanguageReloadsRefontsAndRecaptionsEveryForm) {
  put("VrelRestore_JPN.dll", libraryBytes(1041, {{26, "了解"}}));
  modLocalize& l = make(1033);
  SampleForm a(l), b(l);
  l.InitalizeLanguages({&a, &b});
  l.changeLanguage(1041, {&a, &b});
  EXPECT_EQ(l.currentLanguage, 1041);
  for (SampleForm* f : {&a, &b}) {
    EXPECT_EQ(f->autoInits, 1);
    EXPECT_EQ(f->control("cmdOK").caption, "了解");
    EXPECT_EQ(f->control("lblTitle").charset, 128);
  }
  EXPECT_EQ(ui.hourglassOn, 1);
  EXPECT_EQ(ui.hourglassOff, 1);
  EXPECT_FALSE(ui.busy);
}

TEST(LocalizeMainFormTest, SwitchingLanguageRecaptionsTheMainForm) {
  test::RestoreMachine m;
  frmMain& form = m.start();
  modLocalize& l = m.program().localize;
  l.InitalizeLanguages({&form});
  form.Auto_Init();
  EXPECT_EQ(form.control("cmdBrowse").caption, "Browse");
  EXPECT_EQ(form.control("lblCheckBoxLables(0)").caption, "Shutting down Orvix and stopping all services");

  l.changeLanguage(1031, {&form});
  EXPECT_EQ(form.caption, "Orvix Disaster-Recovery-Wiederherstellung");
  EXPECT_EQ(form.control("cmdBrowse").caption, "Durchsuchen");
  EXPECT_EQ(form.control("frameProgress").caption, "Fortschritt");
  EXPECT_EQ(form.control("lblCheckBoxLables(0)").caption, "Orvix herunterfahren und alle Dienste beenden");

  l.changeLanguage(1041, {&form});
  EXPECT_EQ(form.control("cmdExit").caption, "終了");
  EXPECT_EQ(form.control("cmdExit").fontName, "ＭＳ Ｐゴシック");

  l.changeLanguage(1033, {&form});
  EXPECT_EQ(form.control("cmdExit").caption, "Exit");
  EXPECT_EQ(form.control("cmdExit").fontName, "");
  EXPECT_EQ(form.control("cmdExit").charset, 1);
}

TEST(LocalizeMainFormTest, ShippedTranslationsCoverEveryStringId) {
  test::RestoreMachine m;
  m.start();
  // Every ID the program has an English text for; the table ends well
  // before 1000.
  std::vector<int> ids;
  for (int id = 0; id < 1000; ++id)
    if (!builtInString(id).empty()) ids.push_back(id);
  ASSERT_GT(ids.size(), 150u);
  for (const char* code : {"DEU", "JPN"}) {
    std::string error;
    auto lib = StringLibrary::load(m.files(), m.program().localize.libraryPath(code), error);
    ASSERT_TRUE(lib) << error;
    EXPECT_EQ(modLocalize::languageCodeOf(lib->languageId()), code);
    for (int id : ids) EXPECT_FALSE(lib->text(id).empty()) << code << " " << id << " " << builtInString(id);
  }
}

}  // namespace
}  // namespace vrel::restore
