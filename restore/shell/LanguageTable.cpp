// The languages the restore program knows by code: each language ID with the
// three-letter code Windows gives it (LOCALE_SABBREVLANGNAME) and the name
// Windows gives it in version resources, and the fonts of East Asian
// languages.
#include "restore/shell/modLocalize.h"

#include <iterator>

namespace vrel::restore {

namespace {

struct Language {
  std::int32_t id;
  const char* code;
  const char* name;
};

// A library's code maps to its ID through this table, and an ID back to the
// code its library file carries. Hong Kong Chinese is "ZHT" in both
// directions, so a "_ZHT" library chosen from the menu is the one loaded.
constexpr Language kLanguages[] = {
    {1033, "ENU", "English (United States)"},
    {2057, "ENG", "English (United Kingdom)"},
    {3081, "ENA", "English (Australia)"},
    {4105, "ENC", "English (Canada)"},
    {5129, "ENZ", "English (New Zealand)"},
    {6153, "ENI", "English (Ireland)"},
    {1031, "DEU", "German (Germany)"},
    {2055, "DES", "German (Switzerland)"},
    {3079, "DEA", "German (Austria)"},
    {4103, "DEL", "German (Luxembourg)"},
    {5127, "DEC", "German (Liechtenstein)"},
    {1034, "ESP", "Spanish (Spain, Traditional Sort)"},
    {2058, "ESM", "Spanish (Mexico)"},
    {3082, "ESN", "Spanish (Spain, International Sort)"},
    {4106, "ESG", "Spanish (Guatemala)"},
    {5130, "ESC", "Spanish (Costa Rica)"},
    {6154, "ESA", "Spanish (Panama)"},
    {7178, "ESD", "Spanish (Dominican Republic)"},
    {8202, "ESV", "Spanish (Venezuela)"},
    {9226, "ESO", "Spanish (Colombia)"},
    {10250, "ESR", "Spanish (Peru)"},
    {11274, "ESS", "Spanish (Argentina)"},
    {18442, "ESH", "Spanish (Honduras)"},
    {19466, "ESI", "Spanish (Nicaragua)"},
    {20490, "ESU", "Spanish (Puerto Rico)"},
    {1036, "FRA", "French (France)"},
    {2060, "FRB", "French (Belgium)"},
    {3084, "FRC", "French (Canada)"},
    {4108, "FRS", "French (Switzerland)"},
    {5132, "FRL", "French (Luxembourg)"},
    {1040, "ITA", "Italian (Italy)"},
    {2064, "ITS", "Italian (Switzerland)"},
    {1041, "JPN", "Japanese (Japan)"},
    {1043, "NLD", "Dutch (Netherlands)"},
    {2067, "NLB", "Dutch (Belgium)"},
    {1044, "NOR", "Norwegian, Bokmål (Norway)"},
    {2068, "NON", "Norwegian, Nynorsk (Norway)"},
    {1046, "PTB", "Portuguese (Brazil)"},
    {2070, "PTG", "Portuguese (Portugal)"},
    {1028, "CHT", "Chinese (Traditional, Taiwan)"},
    {3076, "ZHT", "Chinese (Traditional, Hong Kong S.A.R.)"},
    {2052, "CHS", "Chinese (Simplified, PRC)"},
    {4100, "ZHI", "Chinese (Simplified, Singapore)"},
    {1042, "KOR", "Korean (Korea)"},
};

const Language* byId(std::int32_t id) {
  for (const Language& l : kLanguages)
    if (l.id == id) return &l;
  return nullptr;
}

}  // namespace

std::string modLocalize::languageCodeOf(std::int32_t languageId) {
  if (languageId == kEnglishTdd) return "ENX";
  const Language* l = byId(languageId);
  return l ? l->code : "ERR";
}

std::int32_t modLocalize::languageIdOf(const std::string& code) {
  if (code == "ENX") return kEnglishTdd;
  for (const Language& l : kLanguages)
    if (code == l.code) return l.id;
  return 1033;
}

std::string modLocalize::languageNameOf(std::int32_t languageId) {
  if (languageId == kEnglishTdd) return "English (TDD/TTY)";
  const Language* l = byId(languageId);
  return l ? l->name : "(error)";
}

LanguageFont modLocalize::fontOf(std::int32_t languageId) {
  switch (languageId) {
    case 1042:
      return {129, "굴림"};
    case 1028:
      return {136, "新細明體"};
    case 1041:
      return {128, "ＭＳ Ｐゴシック"};
    case 2052:
      return {134, "宋体"};
    default:
      return {1, ""};
  }
}

}  // namespace vrel::restore
