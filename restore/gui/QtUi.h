// The restore program's UI port in Qt: message boxes, the folder picker, the
// file dialogs and the input box as Qt dialogs, the hourglass as the
// application's override cursor, DoEvents as processing pending events. It
// also owns the windows of the forms and runs their event procedures, so an
// exit procedure (EndProgram) thrown anywhere ends the program with its
// status instead of crossing Qt's event loop.
#pragma once

#include "platform/WinPath.h"
#include "restore/run/EndProgram.h"
#include "restore/run/UiPort.h"

#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace vrel {
class Machine;
}

namespace vrel::restore {

class FormWindow;

class QtUi : public UiPort {
 public:
  // Paths in the dialogs are the machine's Windows paths.
  explicit QtUi(Machine& machine);
  ~QtUi() override;
  QtUi(const QtUi&) = delete;
  QtUi& operator=(const QtUi&) = delete;

  MsgResult MsgBox(const std::string& text, MsgBoxStyle buttons, MsgIcon icon, const std::string& caption) override;
  std::string BrowseForFolder(const std::string& title) override;
  std::string GetOpenFileName(const FileDialogOptions& options) override;
  std::string GetSaveFileName(const FileDialogOptions& options) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override;
  void setHourglass(bool busy) override;
  void DoEvents() override;
  void showForm(FormModel& form, bool modal) override;
  void closeForm(FormModel& form) override;
  void openWithDefaultHandler(const std::string& target) override;

  // The main form's window, built but not shown yet; closing it runs
  // onClose (the form's unload procedure) as an event.
  FormWindow& openMainForm(FormModel& form, std::function<void()> onClose);
  FormWindow* mainWindow() const { return m_main.get(); }
  // The window of a form while it is open.
  FormWindow* windowOf(const FormModel& form) const;

  // Runs an event procedure. An EndProgram it throws ends the program; any
  // other exception is shown in a box and the program goes on. Afterwards
  // every window shows its model's state.
  void runEvent(const std::function<void()>& procedure);
  // True while an event procedure runs.
  bool busy() const { return m_depth > 0; }
  // How the program ended, once it has.
  std::optional<ProgramEnd> ended() const { return m_end; }
  // Called once when the program ends; by default it leaves the event loops
  // with the exit status.
  void setEndHandler(std::function<void(ProgramEnd)> handler) { m_endHandler = std::move(handler); }

  // Brings every open window in line with its model.
  void syncAll(bool force = false);

  const WinPaths& paths() const { return m_paths; }
  // The parent of dialogs: the main window once it exists.
  QWidget* dialogParent() const;

 private:
  // Inside an event procedure after the program ended: unwinds it.
  void unwindIfEnded() const;
  void endProgram(ProgramEnd how);
  std::string fileDialog(const FileDialogOptions& options, bool save);

  WinPaths m_paths;
  std::unique_ptr<FormWindow> m_main;
  std::map<const FormModel*, QPointer<FormWindow>> m_windows;
  int m_depth = 0;
  bool m_hourglass = false;
  std::optional<ProgramEnd> m_end;
  std::function<void(ProgramEnd)> m_endHandler;
};

}  // namespace vrel::restore
