#include "restore/app/ProgramStart.h"

#include "platform/CommandLine.h"
#include "platform/WinPath.h"
#include "standin/server/ControlObject.h"
#include "standin/server/ServerProcedures.h"

#include <filesystem>

namespace vrel::restore {

namespace fs = std::filesystem;

std::string executableHostPath(const char* argv0) {
  std::error_code ec;
  const std::string given = argv0 ? argv0 : "";
  // A path as started keeps the folder it was started from, even through a
  // link: that is the program's folder on the machine.
  if (given.find('/') != std::string::npos) {
    const fs::path p = fs::absolute(given, ec);
    if (!ec) return p.lexically_normal().string();
  }
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? given : self.string();
}

std::string programFolderOf(const WinPaths& paths, const std::string& executableHostPath) {
  const std::string folder = fs::path(executableHostPath).parent_path().string();
  std::string win = paths.toWindows(folder);
  while (win.size() > 2 && win.back() == '\\') win.pop_back();
  return win;
}

bool openProgramStart(int argc, const char* const* argv, ProgramStart& start, std::string& error) {
  start.machine = Machine::fromEnvironment(error);
  if (!start.machine) return false;
  const WinPaths paths(*start.machine);
  start.setup.programFolder = programFolderOf(paths, executableHostPath(argc > 0 ? argv[0] : nullptr));
  start.setup.programFileName = "VrelRestore";
  start.setup.commandLine = argumentsText(rawCommandLine(argc, argv));
  return true;
}

void prepareProgram(Program& program) {
  standin::registerServerProcedures();
  Machine& machine = program.machine;
  program.createControlObject = [&machine] { return standin::createControlObject(machine); };
}

}  // namespace vrel::restore
