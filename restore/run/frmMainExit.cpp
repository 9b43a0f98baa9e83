#include "restore/external/modCallExternalApp.h"
#include "restore/run/EndProgram.h"
#include "restore/run/frmMain.h"

namespace vrel::restore {

void frmMain::ExitProgram(ProgramEnd how) {
  finishRunRecords(how == ProgramEnd::Aborted);
  m_program.log.CloseLogFile();
  if (m_program.helpForm) m_program.ui.closeForm(*m_program.helpForm);
  modCallExternalApp::SleepMs(500);
  throw EndProgram{how};
}

}  // namespace vrel::restore
