#include "restore/run/frmMainTraps.h"

#include "restore/run/frmMain.h"

namespace vrel::restore {

std::string procedureTrapLine(const std::string& prefix, const TrappedError& error, const std::string& procedure,
                              const std::string& form) {
  return prefix + std::to_string(error.number) + " (" + error.description + ") in procedure " + procedure +
         " of Form " + form;
}

void frmMain::reportGeneralError(const TrappedError& error) {
  m_program.log.WriteToLog("(error) in cmbRestore routine:" + error.description +
                           " number=" + std::to_string(error.number));
  m_program.MsgBox("Error in cmbRestore routine:" + error.description, MsgBoxStyle::OKOnly);
}

void frmMain::reportProcedureError(const char* procedure, const TrappedError& error) {
  m_program.log.WriteToLog(procedureTrapLine("(error):", error, procedure, name()));
}

}  // namespace vrel::restore
