#include "restore/headless/HeadlessUi.h"

#include "platform/Text.h"
#include "restore/run/FormModel.h"

#include <algorithm>
#include <vector>

namespace vrel::restore {

namespace {

std::vector<MsgResult> buttonsOf(MsgBoxStyle style) {
  switch (style) {
    case MsgBoxStyle::OKOnly:
      return {MsgResult::OK};
    case MsgBoxStyle::OKCancel:
      return {MsgResult::OK, MsgResult::Cancel};
    case MsgBoxStyle::AbortRetryIgnore:
      return {MsgResult::Abort, MsgResult::Retry, MsgResult::Ignore};
    case MsgBoxStyle::YesNoCancel:
      return {MsgResult::Yes, MsgResult::No, MsgResult::Cancel};
    case MsgBoxStyle::YesNo:
      return {MsgResult::Yes, MsgResult::No};
    case MsgBoxStyle::RetryCancel:
      return {MsgResult::Retry, MsgResult::Cancel};
  }
  return {MsgResult::OK};
}

bool has(MsgBoxStyle style, MsgResult answer) {
  const std::vector<MsgResult> set = buttonsOf(style);
  return std::find(set.begin(), set.end(), answer) != set.end();
}

bool isNegative(MsgResult r) {
  return r == MsgResult::No || r == MsgResult::Cancel || r == MsgResult::Abort;
}

std::string buttonsText(MsgBoxStyle style) {
  std::string out;
  for (MsgResult r : buttonsOf(style)) out += (out.empty() ? "" : "/") + std::string(HeadlessUi::nameOf(r));
  return out;
}

const char* iconText(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Critical:
      return "Critical";
    case MsgIcon::Question:
      return "Question";
    case MsgIcon::Exclamation:
      return "Exclamation";
    case MsgIcon::Information:
      return "Information";
    case MsgIcon::None:
      break;
  }
  return "";
}

}  // namespace

HeadlessUi::HeadlessUi(std::vector<AnswerRule> rules, std::ostream& out) : m_rules(std::move(rules)), m_out(out) {}

const char* HeadlessUi::nameOf(MsgResult answer) {
  switch (answer) {
    case MsgResult::OK:
      return "OK";
    case MsgResult::Cancel:
      return "Cancel";
    case MsgResult::Abort:
      return "Abort";
    case MsgResult::Retry:
      return "Retry";
    case MsgResult::Ignore:
      return "Ignore";
    case MsgResult::Yes:
      return "Yes";
    case MsgResult::No:
      return "No";
  }
  return "?";
}

MsgResult HeadlessUi::affirmative(MsgBoxStyle buttons) {
  for (MsgResult r : {MsgResult::Yes, MsgResult::Retry, MsgResult::OK})
    if (has(buttons, r)) return r;
  return MsgResult::OK;
}

MsgResult HeadlessUi::negative(MsgBoxStyle buttons) {
  for (MsgResult r : {MsgResult::No, MsgResult::Cancel, MsgResult::Abort})
    if (has(buttons, r)) return r;
  return MsgResult::OK;
}

HeadlessUi::Choice HeadlessUi::choose(const std::string& text, MsgBoxStyle buttons) {
  Choice choice{affirmative(buttons), "default"};
  for (const AnswerRule& rule : m_rules) {
    if (ifind(text, rule.fragment) == std::string::npos) continue;
    // An answer the box has no button for is taken by its sense.
    choice.answer = has(buttons, rule.answer) ? rule.answer
                    : isNegative(rule.answer) ? negative(buttons)
                                              : affirmative(buttons);
    choice.reason = "answer \"" + rule.fragment + "\"";
    break;
  }
  const MsgResult no = negative(buttons);
  if (no == MsgResult::OK || isNegative(choice.answer)) return choice;
  int& count = m_answered[text];
  if (count >= kRepeatLimit) {
    choice.answer = no;
    choice.reason = "asked " + std::to_string(count + 1) + " times: taking the negative answer";
    return choice;
  }
  ++count;
  return choice;
}

MsgResult HeadlessUi::MsgBox(const std::string& text, MsgBoxStyle buttons, MsgIcon icon, const std::string& caption) {
  const Choice choice = choose(text, buttons);
  print(text, buttons, icon, caption, choice);
  return choice.answer;
}

void HeadlessUi::print(const std::string& text, MsgBoxStyle buttons, MsgIcon icon, const std::string& caption,
                       const Choice& choice) {
  m_out << "Message box \"" << caption << "\" (" << buttonsText(buttons);
  if (*iconText(icon)) m_out << ", " << iconText(icon);
  m_out << "):\n";
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    m_out << "    " << line << '\n';
    start = end + 1;
  }
  m_out << "  Answer: " << nameOf(choice.answer) << " (" << choice.reason << ")\n";
  m_out.flush();
}

std::string HeadlessUi::BrowseForFolder(const std::string&) {
  std::string folder = m_folder.value_or("");
  m_folder.reset();
  m_out << "Folder picker: " << (folder.empty() ? "cancelled" : folder) << '\n';
  return folder;
}

std::string HeadlessUi::GetOpenFileName(const FileDialogOptions& options) {
  const std::string file = m_openFile.value_or("");
  m_out << "Open file dialog \"" << options.title << "\": " << (file.empty() ? "cancelled" : file) << '\n';
  return file;
}

std::string HeadlessUi::GetSaveFileName(const FileDialogOptions& options) {
  m_out << "Save file dialog \"" << options.title << "\": cancelled\n";
  return {};
}

std::optional<std::string> HeadlessUi::InputBox(const std::string& prompt, const std::string& title,
                                                const std::string& defaultText) {
  m_out << "Input box \"" << title << "\": " << prompt << "\n  Answer: \"" << defaultText << "\" (default)\n";
  return defaultText;
}

void HeadlessUi::showForm(FormModel& form, bool modal) {
  if (modal && m_formDriver && m_formDriver(form)) return;
  m_out << "Form shown: " << form.name() << (modal ? " (modal, closed at once)" : "") << '\n';
}

void HeadlessUi::openWithDefaultHandler(const std::string& target) {
  m_out << "Not opened without a display: " << target << '\n';
}

void HeadlessUi::note(const std::string& text) {
  m_out << "note: " << text << '\n';
  m_out.flush();
}

}  // namespace vrel::restore
