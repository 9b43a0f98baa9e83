// The restore program's languages: the current language, the translation
// library that goes with it, the list of languages installed next to the
// program, the fonts of East Asian languages, and mymyLoadString, the lookup
// of every localised text by its number.
#pragma once

#include "restore/run/FormModel.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vrel {
class Files;
}

namespace vrel::restore {

class UiPort;
class StringLibrary;

// The font every control of a form gets for a language.
struct LanguageFont {
  int charset = 1;
  std::string name;  // empty: keep the default font
};

class modLocalize {
 public:
  // A lookup reads at most this many characters less one (the terminating
  // null of the load buffer), counted in UTF-16 code units.
  static constexpr int kLoadBufferChars = 1200;
  static constexpr std::int32_t kEnglishTdd = 33801;

  // programFolder is a Windows path; programFileName the executable's name
  // without extension ("VrelRestore"); userDefaultLanguage the machine's
  // user default language ID.
  modLocalize(Files& files, UiPort& ui, std::string programFolder, std::string programFileName,
              std::int32_t userDefaultLanguage);
  ~modLocalize();
  modLocalize(const modLocalize&) = delete;
  modLocalize& operator=(const modLocalize&) = delete;

  // The text with that number: from the loaded library, else the built-in
  // English table.
  std::string mymyLoadString(int id);

  // (Re)loads the library of the current language, rebuilds the list of
  // available languages and applies the fonts to the given open forms.
  void InitalizeLanguages(const std::vector<FormModel*>& openForms = {});
  // Switches to a language and re-applies every open form's fonts and
  // captions (its Auto_Init), with the hourglass shown meanwhile.
  void changeLanguage(std::int32_t languageId, const std::vector<FormModel*>& openForms);

  std::int32_t currentLanguage = 0;
  // Codes of the libraries found next to the program ("DEU", "JPN"), in
  // folder order; one empty entry when none.
  std::vector<std::string> availableLanguages;

  // The three-letter code of a language ID; "ERR" for an unknown ID.
  static std::string languageCodeOf(std::int32_t languageId);
  // The language ID of a code (exact case); 1033 for an unknown code.
  static std::int32_t languageIdOf(const std::string& code);
  // The language's name ("German (Germany)"); "(error)" for an unknown ID.
  static std::string languageNameOf(std::int32_t languageId);
  static std::string languageNameOf(const std::string& code) { return languageNameOf(languageIdOf(code)); }
  static LanguageFont fontOf(std::int32_t languageId);
  // Puts the current language's font on every control that has a font
  // (menu items have none and are skipped).
  void applyFonts(FormModel& form) const;

  // The library file of a language code: program folder\name_CODE.dll.
  std::string libraryPath(const std::string& code) const;
  bool libraryLoaded() const { return m_library != nullptr; }
  // Why the last library load gave no library (missing or damaged file).
  const std::string& lastLibraryError() const { return m_libraryError; }

 private:
  void loadLibrary();
  void listLanguages();

  Files& m_files;
  UiPort& m_ui;
  std::string m_programFolder;
  std::string m_programFileName;
  std::int32_t m_userDefault;
  std::unique_ptr<StringLibrary> m_library;
  std::string m_libraryError;
};

// The highest ID of the string table (IDs run from 0).
constexpr int kLastStringId = 172;

// The built-in English text of an ID; empty for an ID without one.
std::string builtInString(int id);

}  // namespace vrel::restore
