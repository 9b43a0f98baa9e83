// Qt for the widget tests: one QApplication for the whole test program, on
// the offscreen platform unless the environment names another, and a way to
// act on the modal dialog a call under test is about to open.
#pragma once

#include "platform/Machine.h"
#include "restore/gui/QtUi.h"
#include "restore/run/frmMain.h"
#include "tests/support/ScratchMachine.h"

#include <QApplication>
#include <QTimer>

#include <functional>
#include <memory>

namespace vrel::test {

inline QApplication& qtApp() {
  static QApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "restore_gui_tests";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  return *app;
}

// Runs action on the modal widget once one is open (polled from the event
// loop the dialog runs); gives up after 30 s of polling, a bound for a broken
// build rather than a measured time.
inline void whenModal(std::function<void(QWidget*)> action) {
  auto tries = std::make_shared<int>(0);
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [action, tries, poll] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      action(modal);
      *poll = nullptr;  // break the cycle
      return;
    }
    if (++*tries < 3000) QTimer::singleShot(10, *poll);
  };
  QTimer::singleShot(0, *poll);
}

// The restore program on a scratch machine with the Qt front-end.
struct QtProgram {
  QtProgram() : ui(scratch.machine()) {
    restore::ProgramSetup setup;
    setup.programFolder = "C:\\Vrel";
    scratch.files().createFolder(setup.programFolder);
    program = std::make_unique<restore::Program>(scratch.machine(), ui, setup);
    form = std::make_unique<restore::frmMain>(*program);
    // Nothing in these tests may leave the event loops of the test program.
    ui.setEndHandler([this](restore::ProgramEnd how) { endedWith = how; });
  }
  ScratchMachine scratch;
  restore::QtUi ui;
  std::unique_ptr<restore::Program> program;
  std::unique_ptr<restore::frmMain> form;
  std::optional<restore::ProgramEnd> endedWith;
};

}  // namespace vrel::test
