// What the headless front-end is told: the program's own command-line
// options, and the file of answers they may name. The file holds
// "key = value" lines and '#' comments:
//   backup = C:\Backups\Orvix          the folder the folder picker answers
//   messages = yes                     Restore Messages (yes/no)
//   report-data = no                   Restore Report Data
//   certificates = yes                 Restore certificates
//   alias-map = C:\aliases.csv         map aliases with this file (picked
//                                      with the option's Browse button)
//   restore = yes                      press Restore From Backup (default:
//                                      yes when a backup folder is given and
//                                      no menu below is asked for)
//   restore-certificates = yes         the menu "Restore certificates" (the
//                                      certificate restore on its own)
//   check-for-update = yes             the menu "Check for updated version"
//   answer "Are you sure" = no         the answer to a message box whose text
//                                      holds the fragment (any case; first
//                                      matching line wins); yes, no, ok,
//                                      cancel, retry, abort or ignore
//   domino-delete = jsmith             the Domino wizard's choices (see
//   domino-owner = EAdministrator      WizardAnswers)
// Inside the quotes of a fragment "" stands for one quote.
#pragma once

#include "restore/run/UiPort.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {
class WinPaths;
}

namespace vrel::restore {

struct AnswerRule {
  std::string fragment;
  MsgResult answer = MsgResult::Yes;
};

// The Domino reconciliation wizard's choices. Rows named by alias are marked
// for deletion (domino-delete) or kept (domino-keep: a marked row is
// searched again, as a double click does); the replacements of deleted
// subscribers are picked with the search dialogs by search text (the owner
// by alias, the call handlers by display name; "*" is the wildcard, the
// first row found is taken). Without all three replacements nothing is
// deleted: the page is left with Previous.
struct WizardAnswers {
  std::vector<std::string> remove;
  std::vector<std::string> keep;
  std::optional<std::string> owner;
  std::optional<std::string> afterMessage;
  std::optional<std::string> exitDestination;
  std::optional<bool> afterGreetingHangUp;
  std::optional<bool> userInputHangUp;
  // The export of the unmatched users from the first page: the file and
  // the default password the export asks for.
  std::optional<std::string> exportFile;
  std::optional<std::string> exportPassword;
  bool given() const;
};

// Reads one "domino-..." line.
bool parseWizardSetting(const std::string& key, const std::string& value, WizardAnswers& answers, std::string& error);

struct HeadlessOptions {
  WizardAnswers wizard;
  std::optional<std::string> backup;
  std::optional<bool> messages;
  std::optional<bool> reportData;
  std::optional<bool> certificates;
  std::optional<std::string> aliasMap;
  std::optional<bool> restore;
  std::optional<bool> restoreCertificates;
  std::optional<bool> checkForUpdate;
  std::vector<AnswerRule> rules;

  // Whether a menu of the window is asked for.
  bool menusOnly() const { return restoreCertificates.value_or(false) || checkForUpdate.value_or(false); }
  // Whether the driver presses Restore From Backup.
  bool pressRestore() const { return restore.value_or(backup.has_value() && !menusOnly()); }
  // Takes every value that over sets; over's rules go before these.
  void overrideWith(const HeadlessOptions& over);
};

// Reads the text of an answer file into options. False with error ("line 3:
// ...") on the first line it cannot read; options then hold the lines before.
bool parseAnswerText(std::string_view text, HeadlessOptions& options, std::string& error);

// The program's command line, split into its arguments (without the
// program).
struct ProgramArguments {
  bool help = false;
  bool headless = false;
  // --verify-only DIR: check the backup folder and change nothing.
  std::optional<std::string> verifyOnly;
  // --rehearse: the headless run on a disposable copy of the machine.
  bool rehearse = false;
  std::optional<std::string> answersFile;
  HeadlessOptions given;                  // options on the command line; they beat the file
  std::vector<std::string> headlessOnly;  // options given that only --headless reads
};

// Reads our options. Arguments that are not ours pass: the core looks for its
// switch words ("debug", "JustRestoreDB", ...) in the whole command line. An
// option-like argument ("-x", "--x") that is neither ours nor holds one of
// those words is an error, as is an option without its value.
bool parseProgramArguments(const std::vector<std::string>& args, ProgramArguments& out, std::string& error);

// A path as the machine names it: a Windows path ("C:\x", "\\server\x")
// stays as it is; a host path (relative ones from the current folder) becomes
// the machine's Windows path of that host file.
std::string machinePath(const WinPaths& paths, const std::string& given);

// The text --help prints.
const char* usageText();

}  // namespace vrel::restore
