// The UI port without a display: every message box is printed (caption,
// buttons, text and the answer taken, with the reason) and answered from the
// answer rules, defaulting to the affirmative; the folder picker answers the
// backup folder, the file-open dialog the alias mapping file. A question
// asked again and again ends with the negative answer after kRepeatLimit
// non-negative ones, so an unattended retry loop cannot run forever.
#pragma once

#include "restore/headless/HeadlessOptions.h"
#include "restore/run/UiPort.h"

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>

namespace vrel::restore {

class HeadlessUi : public UiPort {
 public:
  static constexpr int kRepeatLimit = 3;

  HeadlessUi(std::vector<AnswerRule> rules, std::ostream& out);

  MsgResult MsgBox(const std::string& text, MsgBoxStyle buttons, MsgIcon icon, const std::string& caption) override;
  std::string BrowseForFolder(const std::string& title) override;
  std::string GetOpenFileName(const FileDialogOptions& options) override;
  std::string GetSaveFileName(const FileDialogOptions& options) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override;
  void setHourglass(bool) override {}
  void DoEvents() override {}
  void showForm(FormModel& form, bool modal) override;
  void closeForm(FormModel&) override {}
  void openWithDefaultHandler(const std::string& target) override;

  // The next folder picker's answer (one picker only; later ones cancel).
  void setFolderAnswer(std::string folder) { m_folder = std::move(folder); }
  // The answer of every file-open dialog.
  void setOpenFileAnswer(std::string file) { m_openFile = std::move(file); }
  // Called with every modal form; true when it drove the form to its end.
  void setFormDriver(std::function<bool(FormModel&)> driver) { m_formDriver = std::move(driver); }
  // A line of the driver's own, marked as such.
  void note(const std::string& text);

  // The box's affirmative and negative answers.
  static MsgResult affirmative(MsgBoxStyle buttons);
  static MsgResult negative(MsgBoxStyle buttons);
  static const char* nameOf(MsgResult answer);

 private:
  struct Choice {
    MsgResult answer;
    std::string reason;
  };
  Choice choose(const std::string& text, MsgBoxStyle buttons);
  void print(const std::string& text, MsgBoxStyle buttons, MsgIcon icon, const std::string& caption,
             const Choice& choice);

  std::vector<AnswerRule> m_rules;
  std::ostream& m_out;
  std::optional<std::string> m_folder;
  std::optional<std::string> m_openFile;
  // Non-negative answers given so far, by the question's text.
  std::map<std::string, int> m_answered;
  std::function<bool(FormModel&)> m_formDriver;
};

}  // namespace vrel::restore
