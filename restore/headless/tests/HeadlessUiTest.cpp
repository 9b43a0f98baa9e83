#include "restore/headless/HeadlessUi.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vrel::test {
namespace {

using restore::HeadlessUi;
using restore::MsgBoxStyle;
using restore::MsgIcon;
using restore::MsgResult;

TEST(HeadlessUi, PrintsCaptionButtonsTextAndAnswer) {
  std::ostringstream out;
  HeadlessUi ui({}, out);
  EXPECT_EQ(ui.MsgBox("First line\r\nSecond line", MsgBoxStyle::YesNo, MsgIcon::Question, "WARNING"), MsgResult::Yes);
  EXPECT_EQ(ui.MsgBox("Done", MsgBoxStyle::OKOnly, MsgIcon::None, "VrelRestore"), MsgResult::OK);
  EXPECT_EQ(out.str(),
            "Message box \"WARNING\" (Yes/No, Question):\n"
            "    First line\n"
            "    Second line\n"
            "  Answer: Yes (default)\n"
            "Message box \"VrelRestore\" (OK):\n"
            "    Done\n"
            "  Answer: OK (default)\n");
}

struct RuleCase {
  const char* name;
  std::vector<restore::AnswerRule> rules;
  MsgBoxStyle buttons;
  MsgResult answer;
  const char* reason;
};

class Rules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(Rules, ChooseTheAnswer) {
  std::ostringstream out;
  HeadlessUi ui(GetParam().rules, out);
  EXPECT_EQ(ui.MsgBox("WARNING!  Are you sure you want to continue?", GetParam().buttons, MsgIcon::None, "WARNING"),
            GetParam().answer);
  EXPECT_NE(out.str().find(std::string("(") + GetParam().reason + ")\n"), std::string::npos) << out.str();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Rules,
    ::testing::Values(
        RuleCase{"DefaultYes", {}, MsgBoxStyle::YesNo, MsgResult::Yes, "default"},
        RuleCase{"DefaultRetry", {}, MsgBoxStyle::AbortRetryIgnore, MsgResult::Retry, "default"},
        RuleCase{"DefaultRetryOfRetryCancel", {}, MsgBoxStyle::RetryCancel, MsgResult::Retry, "default"},
        RuleCase{"DefaultOK", {}, MsgBoxStyle::OKCancel, MsgResult::OK, "default"},
        RuleCase{"FragmentAnyCase",
                 {{"ARE YOU SURE", MsgResult::No}},
                 MsgBoxStyle::YesNo,
                 MsgResult::No,
                 "answer \"ARE YOU SURE\""},
        RuleCase{"FirstMatchWins",
                 {{"nothing like it", MsgResult::Yes}, {"sure", MsgResult::Cancel}, {"continue", MsgResult::Yes}},
                 MsgBoxStyle::YesNoCancel,
                 MsgResult::Cancel,
                 "answer \"sure\""},
        RuleCase{"NoOnOKCancelIsCancel",
                 {{"sure", MsgResult::No}},
                 MsgBoxStyle::OKCancel,
                 MsgResult::Cancel,
                 "answer \"sure\""},
        RuleCase{"CancelOnAbortRetryIgnoreIsAbort",
                 {{"sure", MsgResult::Cancel}},
                 MsgBoxStyle::AbortRetryIgnore,
                 MsgResult::Abort,
                 "answer \"sure\""},
        RuleCase{"YesOnRetryCancelIsRetry",
                 {{"sure", MsgResult::Yes}},
                 MsgBoxStyle::RetryCancel,
                 MsgResult::Retry,
                 "answer \"sure\""},
        RuleCase{"NoOnOKOnlyIsOK", {{"sure", MsgResult::No}}, MsgBoxStyle::OKOnly, MsgResult::OK, "answer \"sure\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HeadlessUi, RepeatedQuestionTakesTheNegativeAnswerAfterTheLimit) {
  std::ostringstream out;
  HeadlessUi ui({{"restore failed", MsgResult::Retry}}, out);
  const std::string question = "The database restore failed.  Retry?";
  std::vector<MsgResult> answers;
  for (int i = 0; i < HeadlessUi::kRepeatLimit + 2; ++i)
    answers.push_back(ui.MsgBox(question, MsgBoxStyle::RetryCancel, MsgIcon::Critical, "VrelRestore"));
  EXPECT_EQ(answers, (std::vector<MsgResult>{MsgResult::Retry, MsgResult::Retry, MsgResult::Retry, MsgResult::Cancel,
                                             MsgResult::Cancel}));
  EXPECT_NE(out.str().find("  Answer: Cancel (asked 4 times: taking the negative answer)\n"), std::string::npos);
  // Another question keeps its own count; an information box is never cut.
  EXPECT_EQ(ui.MsgBox("Another question?", MsgBoxStyle::YesNo, MsgIcon::None, "VrelRestore"), MsgResult::Yes);
  for (int i = 0; i < HeadlessUi::kRepeatLimit + 2; ++i)
    EXPECT_EQ(ui.MsgBox("Note", MsgBoxStyle::OKOnly, MsgIcon::None, "VrelRestore"), MsgResult::OK);
}

TEST(HeadlessUi, NegativeAnswersDoNotCountTowardsTheLimit) {
  std::ostringstream out;
  HeadlessUi ui({{"continue", MsgResult::No}}, out);
  for (int i = 0; i < HeadlessUi::kRepeatLimit + 2; ++i)
    EXPECT_EQ(ui.MsgBox("Continue?", MsgBoxStyle::YesNo, MsgIcon::None, "VrelRestore"), MsgResult::No);
  EXPECT_EQ(out.str().find("taking the negative answer"), std::string::npos);
}

TEST(HeadlessUi, DialogsAnswerFromTheOptions) {
  std::ostringstream out;
  HeadlessUi ui({}, out);
  EXPECT_EQ(ui.BrowseForFolder(""), "");
  ui.setFolderAnswer("C:\\Backups\\Orvix");
  EXPECT_EQ(ui.BrowseForFolder(""), "C:\\Backups\\Orvix");
  EXPECT_EQ(ui.BrowseForFolder(""), "") << "one folder for one picker";
  restore::FileDialogOptions options;
  options.title = "Alias file";
  EXPECT_EQ(ui.GetOpenFileName(options), "");
  ui.setOpenFileAnswer("C:\\aliases.csv");
  EXPECT_EQ(ui.GetOpenFileName(options), "C:\\aliases.csv");
  EXPECT_EQ(ui.GetSaveFileName(options), "");
  EXPECT_EQ(ui.InputBox("Alias:", "Search", "jsmith"), "jsmith");
  EXPECT_EQ(out.str(),
            "Folder picker: cancelled\n"
            "Folder picker: C:\\Backups\\Orvix\n"
            "Folder picker: cancelled\n"
            "Open file dialog \"Alias file\": cancelled\n"
            "Open file dialog \"Alias file\": C:\\aliases.csv\n"
            "Save file dialog \"Alias file\": cancelled\n"
            "Input box \"Search\": Alias:\n"
            "  Answer: \"jsmith\" (default)\n");
}

}  // namespace
}  // namespace vrel::test
