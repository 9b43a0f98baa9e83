#include "restore/headless/HeadlessOptions.h"

#include "platform/WinPath.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

using restore::HeadlessOptions;
using restore::MsgResult;

struct AnswerCase {
  const char* name;
  const char* text;
  const char* error;  // empty: the text is read
  std::function<void(const HeadlessOptions&)> check;
};

class AnswerFile : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(AnswerFile, Reads) {
  HeadlessOptions o;
  std::string error;
  const bool ok = restore::parseAnswerText(GetParam().text, o, error);
  EXPECT_EQ(error, GetParam().error);
  EXPECT_EQ(ok, *GetParam().error == 0);
  if (ok && GetParam().check) GetParam().check(o);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnswerFile,
    ::testing::Values(
        AnswerCase{"EveryKey",
                   "# drill answers\r\n"
                   "backup = C:\\Backups\\Orvix\r\n"
                   "messages = yes\r\n"
                   "report-data = No\r\n"
                   "certificates = on\r\n"
                   "alias-map = \"C:\\Maps\\aliases.csv\"\r\n"
                   "restore = false\r\n",
                   "",
                   [](const HeadlessOptions& o) {
                     EXPECT_EQ(o.backup, "C:\\Backups\\Orvix");
                     EXPECT_EQ(o.messages, true);
                     EXPECT_EQ(o.reportData, false);
                     EXPECT_EQ(o.certificates, true);
                     EXPECT_EQ(o.aliasMap, "C:\\Maps\\aliases.csv");
                     EXPECT_EQ(o.restore, false);
                     EXPECT_FALSE(o.pressRestore());
                   }},
        AnswerCase{"NothingSet", "\n  \n# only a comment\n", "",
                   [](const HeadlessOptions& o) {
                     EXPECT_FALSE(o.backup || o.messages || o.reportData || o.certificates || o.aliasMap || o.restore);
                     EXPECT_FALSE(o.pressRestore());
                   }},
        AnswerCase{"RestoreDefaultsToYesWithABackup", "backup = /srv/backup", "",
                   [](const HeadlessOptions& o) { EXPECT_TRUE(o.pressRestore()); }},
        AnswerCase{"AnswerRulesInOrder",
                   "answer \"Are you sure\" = no\n"
                   "answer\"\"\"quoted\"\" word\"=Retry\n"
                   "ANSWER   \"read only\"   =   cancel\n",
                   "",
                   [](const HeadlessOptions& o) {
                     ASSERT_EQ(o.rules.size(), 3u);
                     EXPECT_EQ(o.rules[0].fragment, "Are you sure");
                     EXPECT_EQ(o.rules[0].answer, MsgResult::No);
                     EXPECT_EQ(o.rules[1].fragment, "\"quoted\" word");
                     EXPECT_EQ(o.rules[1].answer, MsgResult::Retry);
                     EXPECT_EQ(o.rules[2].fragment, "read only");
                     EXPECT_EQ(o.rules[2].answer, MsgResult::Cancel);
                   }},
        AnswerCase{"AnswerIsAKeyOnlyWithAQuote", "answers = yes", "line 1: unknown key 'answers'", nullptr},
        AnswerCase{"UnknownKey", "backup = C:\\b\nfolder = x\n", "line 2: unknown key 'folder'", nullptr},
        AnswerCase{"NotYesOrNo", "messages = maybe", "line 1: messages must be yes or no, not 'maybe'", nullptr},
        AnswerCase{"EmptyPath", "backup =", "line 1: backup needs a path", nullptr},
        AnswerCase{"NoEquals", "\nbackup C:\\b", "line 2: expected 'key = value'", nullptr},
        AnswerCase{"UnclosedFragment", "answer \"Are you = yes", "line 1: the text fragment has no closing quote",
                   nullptr},
        AnswerCase{"EmptyFragment", "answer \"\" = yes", "line 1: the text fragment is empty", nullptr},
        AnswerCase{"UnquotedFragment", "answer Are you sure = yes", "line 1: answer needs a quoted text fragment",
                   nullptr},
        AnswerCase{"UnknownAnswer", "answer \"x\" = maybe",
                   "line 1: unknown answer 'maybe' (yes, no, ok, cancel, retry, abort, ignore)", nullptr},
        AnswerCase{"NoEqualsAfterFragment", "answer \"x\" yes", "line 1: expected '=' after the text fragment",
                   nullptr},
        AnswerCase{"Utf16WithByteOrderMark", "\xFF\xFE" "b", "the answer file is UTF-16 text; save it as ANSI or UTF-8 text",
                   nullptr},
        AnswerCase{"DamagedValueIsQuotedPrintably", "messages = \x01\xE9yes\x1B[2J",
                   "line 1: messages must be yes or no, not '\\x01\\xE9yes\\x1B[2J'", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AnswerFileText, Utf16WithoutAByteOrderMarkAndLongTextsAreNamedPlainly) {
  HeadlessOptions o;
  std::string error;
  const std::string wide("b\0a\0c\0k\0u\0p\0", 12);
  EXPECT_FALSE(restore::parseAnswerText(wide, o, error));
  EXPECT_EQ(error, "the answer file is UTF-16 text; save it as ANSI or UTF-8 text");
  EXPECT_FALSE(restore::parseAnswerText(std::string(100, 'k') + " = 1", o, error));
  EXPECT_EQ(error, "line 1: unknown key '" + std::string(60, 'k') + "...'");
}

struct ArgsCase {
  const char* name;
  std::vector<std::string> args;
  const char* error;
  std::function<void(const restore::ProgramArguments&)> check;
};

class Arguments : public ::testing::TestWithParam<ArgsCase> {};

TEST_P(Arguments, Parse) {
  restore::ProgramArguments a;
  std::string error;
  const bool ok = restore::parseProgramArguments(GetParam().args, a, error);
  EXPECT_EQ(error, GetParam().error);
  EXPECT_EQ(ok, *GetParam().error == 0);
  if (ok && GetParam().check) GetParam().check(a);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Arguments,
    ::testing::Values(
        ArgsCase{"HeadlessWithEverything",
                 {"--headless", "--answers", "a.txt", "--backup=C:\\B", "--no-messages", "--report-data",
                  "--certificates", "--alias-map", "m.csv", "--no-restore"},
                 "",
                 [](const restore::ProgramArguments& a) {
                   EXPECT_TRUE(a.headless);
                   EXPECT_FALSE(a.help);
                   EXPECT_EQ(a.answersFile, "a.txt");
                   EXPECT_EQ(a.given.backup, "C:\\B");
                   EXPECT_EQ(a.given.messages, false);
                   EXPECT_EQ(a.given.reportData, true);
                   EXPECT_EQ(a.given.certificates, true);
                   EXPECT_EQ(a.given.aliasMap, "m.csv");
                   EXPECT_EQ(a.given.restore, false);
                   EXPECT_EQ(a.headlessOnly.size(), 7u);
                 }},
        ArgsCase{"SwitchWordsPass",
                 {"--headless", "debug", "/UglyRestore", "-justrestoredb", "--SkipVersionCheck", "anything"},
                 "",
                 [](const restore::ProgramArguments& a) {
                   EXPECT_TRUE(a.headless);
                   EXPECT_TRUE(a.headlessOnly.empty());
                 }},
        ArgsCase{"Help", {"--help"}, "", [](const restore::ProgramArguments& a) { EXPECT_TRUE(a.help); }},
        ArgsCase{"UnknownOption", {"--headless", "--backpu", "C:\\B"}, "unknown option --backpu", nullptr},
        ArgsCase{"MissingValue", {"--headless", "--backup"}, "--backup needs a folder", nullptr},
        ArgsCase{"EmptyInlineValue", {"--alias-map="}, "--alias-map needs a file", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HeadlessOptions, CommandLineBeatsTheFileAndKeepsTheRest) {
  HeadlessOptions file;
  std::string error;
  ASSERT_TRUE(restore::parseAnswerText("backup = C:\\Old\nmessages = yes\nanswer \"sure\" = no\n", file, error));
  HeadlessOptions given;
  given.backup = "C:\\New";
  given.messages = false;
  given.rules.push_back({"sure", MsgResult::Yes});
  file.overrideWith(given);
  EXPECT_EQ(file.backup, "C:\\New");
  EXPECT_EQ(file.messages, false);
  ASSERT_EQ(file.rules.size(), 2u);
  EXPECT_EQ(file.rules.front().answer, MsgResult::Yes);
}

TEST(HeadlessOptions, PathsBecomeTheMachines) {
  ScratchMachine scratch;
  const WinPaths& paths = scratch.files().paths();
  const std::string before = WinPaths::currentFolder();
  WinPaths::setCurrentFolder("C:\\Work\\Drill");
  EXPECT_EQ(restore::machinePath(paths, "C:\\Backups\\Orvix"), "C:\\Backups\\Orvix");
  EXPECT_EQ(restore::machinePath(paths, "\\\\server\\share\\b"), "\\\\server\\share\\b");
  EXPECT_EQ(restore::machinePath(paths, "backup/orvix"), "C:\\Work\\Drill\\backup\\orvix");
  EXPECT_EQ(restore::machinePath(paths, "../other"), "C:\\Work\\other");
  EXPECT_EQ(restore::machinePath(paths, scratch.root() + "/drive_c/Backups"), "C:\\Backups");
  EXPECT_EQ(restore::machinePath(paths, "/srv/backup"), "Z:\\srv\\backup");
  WinPaths::setCurrentFolder(before);
}

}  // namespace
}  // namespace vrel::test
