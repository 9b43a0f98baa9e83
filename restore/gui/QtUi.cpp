// The QtUi's windows and events: forms shown and closed, event procedures
// run, the hourglass and pending events. The dialogs are in QtUiDialogs.cpp.
#include "restore/gui/QtUi.h"

#include "platform/Machine.h"
#include "restore/gui/FormWindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QMessageBox>
#include <QUrl>

#include <exception>
#include <iostream>

namespace vrel::restore {

QtUi::QtUi(Machine& machine)
    : m_paths(machine), m_endHandler([](ProgramEnd how) { QCoreApplication::exit(static_cast<int>(how)); }) {}

QtUi::~QtUi() {
  setHourglass(false);
  // Dialog windows are children of the main window; close them first so
  // none outlives the forms they show.
  for (auto& [form, window] : m_windows)
    if (window && window != m_main.get()) delete window.data();
}

QWidget* QtUi::dialogParent() const {
  return m_main.get();
}

FormWindow& QtUi::openMainForm(FormModel& form, std::function<void()> onClose) {
  m_main = std::make_unique<FormWindow>(form, *this, layoutFor(form));
  m_main->setCloseProcedure(std::move(onClose));
  m_windows[&form] = m_main.get();
  return *m_main;
}

FormWindow* QtUi::windowOf(const FormModel& form) const {
  auto it = m_windows.find(&form);
  return it == m_windows.end() ? nullptr : it->second.data();
}

void QtUi::runEvent(const std::function<void()>& procedure) {
  ++m_depth;
  try {
    procedure();
  } catch (const EndProgram& end) {
    endProgram(end.how);
  } catch (const std::exception& error) {
    // An error no trap of the core caught: say so and keep the window.
    std::cerr << "VrelRestore: " << error.what() << '\n';
    QMessageBox::critical(dialogParent(), "VrelRestore", QString::fromStdString(error.what()));
  }
  --m_depth;
  syncAll(true);
  // Nothing is thrown from here: this may be a slot inside Qt's event loop.
  // A procedure still on the stack below (the run pumping events) unwinds
  // when its DoEvents or dialog returns.
}

void QtUi::endProgram(ProgramEnd how) {
  if (m_end) return;
  m_end = how;
  setHourglass(false);
  if (m_endHandler) m_endHandler(how);
}

void QtUi::unwindIfEnded() const {
  if (m_end && m_depth > 0) throw EndProgram{*m_end};
}

void QtUi::syncAll(bool force) {
  for (auto it = m_windows.begin(); it != m_windows.end();) {
    if (!it->second) {
      it = m_windows.erase(it);
      continue;
    }
    it->second->sync(force);
    ++it;
  }
}

void QtUi::setHourglass(bool busy) {
  if (busy == m_hourglass) return;
  m_hourglass = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void QtUi::DoEvents() {
  unwindIfEnded();
  syncAll();
  QCoreApplication::processEvents();
  unwindIfEnded();
}

void QtUi::showForm(FormModel& form, bool modal) {
  unwindIfEnded();
  FormWindow* window = windowOf(form);
  if (!window) {
    window = new FormWindow(form, *this, layoutFor(form), dialogParent(), true);
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_windows[&form] = window;
    // A closed window forgets its form at once: the form may be gone before
    // the window's deferred deletion.
    FormModel* shown = &form;
    QObject::connect(window, &FormWindow::closed, window, [this, shown, window] {
      auto it = m_windows.find(shown);
      if (it != m_windows.end() && it->second == window) m_windows.erase(it);
    });
  }
  window->sync(true);
  if (!modal) {
    window->show();
    window->raise();
    window->activateWindow();
    return;
  }
  window->setWindowModality(Qt::ApplicationModal);
  QEventLoop loop;
  QObject::connect(window, &FormWindow::closed, &loop, &QEventLoop::quit);
  QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
  window->show();
  window->raise();
  loop.exec();
  // A modal form usually lives only as long as this call; its window must
  // not outlive it, even when the loop ended for the end of the program.
  if (windowOf(form) == window) {
    m_windows.erase(&form);
    window->hide();
    window->deleteLater();
  }
  unwindIfEnded();
}

void QtUi::closeForm(FormModel& form) {
  FormWindow* window = windowOf(form);
  if (!window || window == m_main.get()) return;
  m_windows.erase(&form);
  window->close();
}

void QtUi::openWithDefaultHandler(const std::string& target) {
  const bool address = target.find("://") != std::string::npos || target.rfind("mailto:", 0) == 0;
  const QUrl url = address ? QUrl(QString::fromStdString(target))
                           : QUrl::fromLocalFile(QString::fromStdString(m_paths.toHost(target)));
  QDesktopServices::openUrl(url);
}

}  // namespace vrel::restore
