#include "restore/run/Program.h"

#include "platform/Machine.h"
#include "platform/Text.h"
#include "restore/run/ControlObject.h"
#include "restore/run/VbError.h"

#include <cstdlib>

namespace vrel::restore {

namespace {

std::int32_t userDefaultLanguage(Machine& machine) {
  std::string id = machine.value("UserDefaultLangID", "1033");
  char* end = nullptr;
  long v = std::strtol(id.c_str(), &end, 10);
  return (end && *end == 0 && v > 0) ? static_cast<std::int32_t>(v) : 1033;
}

}  // namespace

Program::Program(Machine& m, UiPort& u, ProgramSetup setup)
    : machine(m),
      ui(u),
      files(m),
      log(files),
      module1(m.registry(), files, log, paths),
      external(m, log),
      localize(files, u, setup.programFolder, setup.programFileName, userDefaultLanguage(m)),
      m_setup(std::move(setup)) {
  // The run is single-threaded: after every log entry the front-end gets to
  // repaint and handle the administrator's clicks.
  log.setEventPump([this] { ui.DoEvents(); });
}

Program::~Program() = default;

bool Program::commandLineHas(std::string_view word) const {
  return ifind(m_setup.commandLine, word) != std::string::npos;
}

void Program::setCurrentFolder(const std::string& folder) {
  if (folder.empty() || !files.folderExists(folder)) throw VbError(76, "Path not found");
  WinPaths::setCurrentFolder(files.paths().absolute(folder));
}

MsgResult Program::MsgBox(const std::string& text, MsgBoxStyle buttons, MsgIcon icon, const std::string& caption) {
  return ui.MsgBox(text, buttons, icon, caption.empty() ? std::string(kTitle) : caption);
}

}  // namespace vrel::restore
