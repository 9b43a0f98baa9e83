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
  // programFolder is a Windows path; programFileName the executable's name
  // without extension ("VrelRestore"); userDefaultLanguage the machine's
  // user default language ID.
  modLocalize(Files& files, UiPort& ui, std::string programFolder, std::string programFileName,
              std::int32_t userDefaultLanguage);
  ~modLocalize();

  // The text with that number: from the loaded library, else the built-in
  // English table.
  std::string mymyLoadString(int id);

  // (Re)loads the library of the current language, rebuilds the list of
  // available languages and applies the fonts to the given open forms.
  void InitalizeLanguages(const std::vector<FormModel*>& openForms = {});
  // Switches to a language and re-applies every open form's captions.
  void changeLanguage(std::int32_t languageId, const std::vector<FormModel*>& openForms);

  std::int32_t currentLanguage = 0;
  // Codes of the libraries found next to the program ("DEU", "JPN"); one
  // empty entry when none.
  std::vector<std::string> availableLanguages;

  static std::string languageCodeOf(std::int32_t languageId);
  static std::int32_t languageIdOf(const std::string& code);
  static std::string languageNameOf(std::int32_t languageId);
  static LanguageFont fontOf(std::int32_t languageId);
  void applyFonts(FormModel& form) const;

 private:
  Files& m_files;
  UiPort& m_ui;
  std::string m_programFolder;
  std::string m_programFileName;
  std::int32_t m_userDefault;
  std::unique_ptr<StringLibrary> m_library;
};

// The built-in English text of an ID; empty for an ID without one.
std::string builtInString(int id);

}  // namespace vrel::restore
