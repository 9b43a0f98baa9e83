#include "restore/gui/QtProgram.h"

#include "restore/gui/FormWindow.h"
#include "restore/gui/QtUi.h"
#include "restore/run/frmMain.h"

#include <QApplication>

namespace vrel::restore {

int runWindowed(Machine& machine, const ProgramSetup& setup, const std::function<void(Program&)>& prepare) {
  QtUi ui(machine);
  Program program(machine, ui, setup);
  if (prepare) prepare(program);
  // The single-threaded run lets the window repaint after every log entry.
  program.log.setEventPump([&ui] { ui.DoEvents(); });
  frmMain form(program);
  FormWindow& window = ui.openMainForm(form, [&form] { form.Form_Unload(); });
  // The form loads before it is shown; a refusal ends the program here.
  ui.runEvent([&form] { form.Form_Load(); });
  if (auto end = ui.ended()) return static_cast<int>(*end);
  window.show();
  const int status = QApplication::exec();
  if (auto end = ui.ended()) return static_cast<int>(*end);
  return status;
}

}  // namespace vrel::restore
