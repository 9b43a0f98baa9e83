// The restore program's one way to talk to the administrator. The core asks;
// a front-end (the Qt window, or the headless driver with its file of
// answers) shows and answers. Tests put a recording double in its place.
#pragma once

#include <optional>
#include <string>

namespace vrel::restore {

class FormModel;

// The button sets, icons and answers of the Windows message box, with their
// Windows values.
enum class MsgBoxStyle : int { OKOnly = 0, OKCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5 };
enum class MsgIcon : int { None = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum class MsgResult : int { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// File dialog settings (open and save).
struct FileDialogOptions {
  std::string title;
  std::string filter;         // "*.CSV"
  std::string defaultExt;     // ".CSV"
  std::string fileName;       // proposed name
  std::string initialFolder;  // Windows path
};

class UiPort {
 public:
  virtual ~UiPort() = default;

  // A modal message box; the caption is never empty (the core fills in the
  // program's title).
  virtual MsgResult MsgBox(const std::string& text, MsgBoxStyle buttons, MsgIcon icon, const std::string& caption) = 0;
  // The folder picker (file-system folders only): a Windows path, or empty
  // when cancelled.
  virtual std::string BrowseForFolder(const std::string& title) = 0;
  // File dialogs: a Windows path, or empty when cancelled.
  virtual std::string GetOpenFileName(const FileDialogOptions& options) = 0;
  virtual std::string GetSaveFileName(const FileDialogOptions& options) = 0;
  // An input box: nothing when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                              const std::string& defaultText) = 0;
  // The hourglass pointer on (busy) or off.
  virtual void setHourglass(bool busy) = 0;
  // Lets the front-end repaint and handle pending events during a long step.
  virtual void DoEvents() = 0;
  // Shows a form (frmAbout, frmHelp, ...). A modal form returns when it has
  // been closed; a modeless one at once.
  virtual void showForm(FormModel& form, bool modal) = 0;
  // Closes a shown form (no-op when it is not shown).
  virtual void closeForm(FormModel& form) = 0;
  // Opens a document or web address with the system's default handler.
  virtual void openWithDefaultHandler(const std::string& target) = 0;
};

}  // namespace vrel::restore
