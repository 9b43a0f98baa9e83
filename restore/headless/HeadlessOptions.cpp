#include "restore/headless/HeadlessOptions.h"

#include "platform/PrintableText.h"
#include "platform/Text.h"
#include "platform/WinPath.h"

#include <array>
#include <cctype>

namespace vrel::restore {

namespace {

// The words the core looks for in the whole command line.
constexpr std::array<const char*, 6> kCoreSwitches = {"debug",        "JustRestoreDB",        "UglyRestore",
                                                      "DirtyRestore", "PauseAfterSQLRestore", "SkipVersionCheck"};

std::string trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

// A text of the answers file as an error message quotes it.
std::string shown(std::string_view text) { return printableQuote(text, 60, '\''); }

// Bytes FF FE or FE FF, or NULs between the characters: UTF-16 text, which
// would read as rubbish line by line.
bool looksUtf16(std::string_view text) {
  if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF')))
    return true;
  return text.find('\0') != std::string_view::npos;
}

std::string unquoted(std::string value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return value.substr(1, value.size() - 2);
  return value;
}

bool parseYesNo(const std::string& value, bool& out) {
  for (const char* yes : {"yes", "true", "on", "1"})
    if (iequals(value, yes)) return out = true, true;
  for (const char* no : {"no", "false", "off", "0"})
    if (iequals(value, no)) return out = false, true;
  return false;
}

bool parseAnswer(const std::string& value, MsgResult& out) {
  static const std::pair<const char*, MsgResult> kAnswers[] = {
      {"yes", MsgResult::Yes},       {"no", MsgResult::No},       {"ok", MsgResult::OK},
      {"cancel", MsgResult::Cancel}, {"retry", MsgResult::Retry}, {"abort", MsgResult::Abort},
      {"ignore", MsgResult::Ignore}};
  for (const auto& [word, answer] : kAnswers)
    if (iequals(value, word)) return out = answer, true;
  return false;
}

// answer "<fragment>" = <answer>; rest starts at the opening quote.
bool parseAnswerRule(std::string_view rest, AnswerRule& rule, std::string& error) {
  if (rest.empty() || rest.front() != '"') return error = "answer needs a quoted text fragment", false;
  std::string fragment;
  std::size_t i = 1;
  for (;; ++i) {
    if (i >= rest.size()) return error = "the text fragment has no closing quote", false;
    if (rest[i] != '"') {
      fragment += rest[i];
      continue;
    }
    if (i + 1 < rest.size() && rest[i + 1] == '"') {
      fragment += '"';
      ++i;
      continue;
    }
    break;
  }
  if (fragment.empty()) return error = "the text fragment is empty", false;
  const std::string after = trim(rest.substr(i + 1));
  if (after.empty() || after.front() != '=') return error = "expected '=' after the text fragment", false;
  const std::string value = trim(std::string_view(after).substr(1));
  if (!parseAnswer(value, rule.answer))
    return error = "unknown answer " + shown(value) + " (yes, no, ok, cancel, retry, abort, ignore)", false;
  rule.fragment = fragment;
  return true;
}

bool parseSetting(const std::string& key, const std::string& value, HeadlessOptions& o, std::string& error) {
  auto flag = [&](std::optional<bool>& field) {
    bool v = false;
    if (!parseYesNo(value, v)) return error = key + " must be yes or no, not " + shown(value), false;
    field = v;
    return true;
  };
  auto path = [&](std::optional<std::string>& field) {
    if (value.empty()) return error = key + " needs a path", false;
    field = value;
    return true;
  };
  if (iequals(key, "backup")) return path(o.backup);
  if (iequals(key, "alias-map")) return path(o.aliasMap);
  if (iequals(key, "messages")) return flag(o.messages);
  if (iequals(key, "report-data")) return flag(o.reportData);
  if (iequals(key, "certificates")) return flag(o.certificates);
  if (iequals(key, "restore")) return flag(o.restore);
  if (iequals(key, "restore-certificates")) return flag(o.restoreCertificates);
  if (iequals(key, "check-for-update")) return flag(o.checkForUpdate);
  if (ifind(key, "domino-") == 0) return parseWizardSetting(key, value, o.wizard, error);
  error = "unknown key " + shown(key);
  return false;
}

bool parseLine(const std::string& line, HeadlessOptions& o, std::string& error) {
  if (line.empty() || line.front() == '#') return true;
  if (ifind(line, "answer") == 0 && line.size() > 6 &&
      (line[6] == '"' || std::isspace(static_cast<unsigned char>(line[6])))) {
    AnswerRule rule;
    if (!parseAnswerRule(trim(std::string_view(line).substr(6)), rule, error)) return false;
    o.rules.push_back(rule);
    return true;
  }
  const std::size_t eq = line.find('=');
  if (eq == std::string::npos) return error = "expected 'key = value'", false;
  return parseSetting(trim(line.substr(0, eq)), unquoted(trim(line.substr(eq + 1))), o, error);
}

bool holdsCoreSwitch(const std::string& arg) {
  for (const char* word : kCoreSwitches)
    if (ifind(arg, word) != std::string::npos) return true;
  return false;
}

}  // namespace

void HeadlessOptions::overrideWith(const HeadlessOptions& over) {
  if (over.backup) backup = over.backup;
  if (over.messages) messages = over.messages;
  if (over.reportData) reportData = over.reportData;
  if (over.certificates) certificates = over.certificates;
  if (over.aliasMap) aliasMap = over.aliasMap;
  if (over.restore) restore = over.restore;
  if (over.restoreCertificates) restoreCertificates = over.restoreCertificates;
  if (over.checkForUpdate) checkForUpdate = over.checkForUpdate;
  rules.insert(rules.begin(), over.rules.begin(), over.rules.end());
  if (over.wizard.given()) wizard = over.wizard;
}

bool parseAnswerText(std::string_view text, HeadlessOptions& options, std::string& error) {
  if (looksUtf16(text)) {
    error = "the answer file is UTF-16 text; save it as ANSI or UTF-8 text";
    return false;
  }
  std::size_t start = 0;
  for (int number = 1; start <= text.size(); ++number) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string line = trim(text.substr(start, end - start));
    std::string why;
    if (!parseLine(line, options, why)) {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    }
    start = end + 1;
  }
  return true;
}

bool parseProgramArguments(const std::vector<std::string>& args, ProgramArguments& out, std::string& error) {
  HeadlessOptions& o = out.given;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string name = arg, value;
    bool inlineValue = false;
    if (arg.rfind("--", 0) == 0) {
      if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
        inlineValue = true;
      }
    }
    auto takeValue = [&](std::optional<std::string>& field, const char* what) {
      if (!inlineValue) {
        if (i + 1 >= args.size() || args[i + 1].empty()) return error = name + " needs " + what, false;
        value = args[++i];
      }
      if (value.empty()) return error = name + " needs " + what, false;
      field = value;
      return true;
    };
    auto headlessOnly = [&] { out.headlessOnly.push_back(name); };
    if (name == "--help" || name == "-h" || name == "-?" || name == "/?") {
      out.help = true;
    } else if (name == "--headless") {
      out.headless = true;
    } else if (name == "--verify-only") {
      if (!takeValue(out.verifyOnly, "a folder")) return false;
    } else if (name == "--rehearse") {
      // A rehearsal is a headless run, on a copy of the machine.
      out.rehearse = true;
      out.headless = true;
    } else if (name == "--answers") {
      if (!takeValue(out.answersFile, "a file")) return false;
      headlessOnly();
    } else if (name == "--backup") {
      if (!takeValue(o.backup, "a folder")) return false;
      headlessOnly();
    } else if (name == "--alias-map") {
      if (!takeValue(o.aliasMap, "a file")) return false;
      headlessOnly();
    } else if (name == "--messages" || name == "--no-messages") {
      o.messages = name == "--messages";
      headlessOnly();
    } else if (name == "--report-data" || name == "--no-report-data") {
      o.reportData = name == "--report-data";
      headlessOnly();
    } else if (name == "--certificates" || name == "--no-certificates") {
      o.certificates = name == "--certificates";
      headlessOnly();
    } else if (name == "--restore" || name == "--no-restore") {
      o.restore = name == "--restore";
      headlessOnly();
    } else if (name == "--restore-certificates") {
      o.restoreCertificates = true;
      headlessOnly();
    } else if (name == "--check-for-update") {
      o.checkForUpdate = true;
      headlessOnly();
    } else if (!arg.empty() && arg.front() == '-' && !holdsCoreSwitch(arg)) {
      error = "unknown option " + arg;
      return false;
    }
  }
  return true;
}

std::string machinePath(const WinPaths& paths, const std::string& given) {
  const bool drive = given.size() >= 2 && std::isalpha(static_cast<unsigned char>(given[0])) && given[1] == ':';
  const bool unc = given.rfind("\\\\", 0) == 0;
  if (drive || unc) return given;
  if (!given.empty() && given.front() == '/') return paths.toWindows(given);
  // Relative: from the current folder, which the machine names already.
  return paths.absolute(given);
}

}  // namespace vrel::restore
