#include "restore/app/ProgramStart.h"

#include "platform/CommandLine.h"
#include "platform/WinPath.h"
#include "standin/server/ControlObject.h"
#include "standin/server/ServerProcedures.h"

namespace vrel::restore {

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
  program.createDbSync = [&machine](const std::string& id, std::unique_ptr<standin::DbSync>& out) {
    return standin::createDbSync(machine, id, out);
  };
  program.createDirectoryService = [&machine](const std::string& id, std::unique_ptr<standin::DirectoryService>& out) {
    return standin::createDirectoryService(machine, id, out);
  };
}

}  // namespace vrel::restore
