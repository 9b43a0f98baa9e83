// A stand-in machine with the restore program on it, for the restore
// program's tests: a provisioned server, the program's folder "C:\Vrel"
// holding the files shipped next to the program, a recording UI, the
// Program and its main form.
#pragma once

#include "platform/Machine.h"
#include "restore/run/frmMain.h"
#include "restore/tests/support/RecordingUi.h"
#include "standin/server/Provision.h"
#include "tests/support/ScratchMachine.h"

#include <memory>
#include <string>

namespace vrel::test {

class RestoreMachine {
 public:
  static constexpr const char* kProgramFolder = "C:\\Vrel";

  // A machine without a server; call provision() or leave it bare.
  RestoreMachine();
  ~RestoreMachine();

  // Provisions the server; fails the test on error.
  standin::ProvisionResult provision(standin::ProvisionOptions options);
  // Creates the Program and frmMain with that command line (the arguments).
  restore::frmMain& start(const std::string& commandLine = {});

  Machine& machine() { return m_scratch.machine(); }
  Files& files() { return m_scratch.files(); }
  ScratchMachine& scratch() { return m_scratch; }
  RecordingUi ui;
  restore::Program& program() { return *m_program; }
  restore::frmMain& form() { return *m_form; }

  // Runs an event procedure; the program end it met, if any.
  template <typename F>
  std::optional<restore::ProgramEnd> event(F&& procedure) {
    try {
      procedure();
    } catch (const restore::EndProgram& end) {
      return end.how;
    }
    return std::nullopt;
  }

 private:
  ScratchMachine m_scratch;
  std::unique_ptr<restore::Program> m_program;
  std::unique_ptr<restore::frmMain> m_form;
};

// Copies the files that ship next to the program (language libraries, help
// pages, CleanConfigInfo.mdb, the ExMerge settings templates, and the
// syncher and ExMerge as ".exe") from the build's program folder into a
// folder of the machine.
void installProgramFiles(Files& files, const std::string& folder);

}  // namespace vrel::test
