// The syncher's window: an errors frame with a rich text box, a progress
// frame with the bar and "current of count", always on top. Closing it
// finishes the run (the error file is written) and ends the program.
#pragma once

#include "dirsync/frmMain.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QProgressBar;
class QTextEdit;

namespace vrel::dirsync {

class QtDirSyncWindow : public QWidget, public DirSyncFace {
 public:
  QtDirSyncWindow();
  void attach(frmMain* form) { m_form = form; }

  void showTopmost(frmMain& form) override;
  void setHourglass(bool on) override;
  void refresh(frmMain& form) override;
  void messageBox(const std::string& text) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  frmMain* m_form = nullptr;
  bool m_hourglass = false;
  QGroupBox* m_frameErrors;
  QTextEdit* m_txtErrors;
  QGroupBox* m_frameProgress;
  QProgressBar* m_progressBar;
  QLabel* m_lblCurrentItem;
  QLabel* m_label1;
  QLabel* m_lblCount;
};

}  // namespace vrel::dirsync
