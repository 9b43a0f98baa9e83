// VrelRestore: the restore program. Opens its window, or with --headless
// runs the same core from a file of answers without a display.
#include "platform/Files.h"
#include "restore/app/ProgramStart.h"
#include "restore/app/Transcript.h"
#include "restore/gui/QtProgram.h"
#include "restore/headless/HeadlessDriver.h"
#include "restore/headless/HeadlessOptions.h"
#include "restore/headless/Rehearsal.h"
#include "restore/verify/BackupVerify.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace vrel::restore;

namespace {

constexpr int kUnusable = static_cast<int>(ProgramEnd::Refused);

bool hasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    if (const char* v = std::getenv(name); v && *v) return true;
  return false;
}

int runWithWindow(int argc, char** argv, ProgramStart& start, bool started, const std::string& error) {
  // Qt would abort without a display; say what to do instead.
  if (!hasDisplay()) {
    std::cerr << "VrelRestore: no display to open the window on; use --headless (see --help)\n";
    return kUnusable;
  }
  QApplication app(argc, argv);
  if (!started) {
    QMessageBox::critical(nullptr, "VrelRestore", QString::fromStdString(error));
    return kUnusable;
  }
  return runWindowed(*start.machine, start.setup, prepareProgram);
}

// --verify-only DIR [--alias-map FILE]: one line per finding; 0 when the
// backup is usable, 1 when not, 2 when the check could not start.
int verifyOnly(const ProgramArguments& arguments) {
  for (const std::string& option : arguments.headlessOnly)
    if (option != "--alias-map") {
      std::cerr << "VrelRestore: " << option << " does not go with --verify-only\n";
      return kUnusable;
    }
  std::string error;
  const std::unique_ptr<vrel::Machine> machine = vrel::Machine::fromEnvironment(error);
  if (!machine) {
    std::cerr << "VrelRestore: " << error << '\n';
    return kUnusable;
  }
  const vrel::Files files(*machine);
  const vrel::WinPaths& paths = files.paths();
  std::optional<std::string> aliasMap;
  if (arguments.given.aliasMap) aliasMap = machinePath(paths, *arguments.given.aliasMap);
  const auto findings = verifyBackup(*machine, machinePath(paths, *arguments.verifyOnly), aliasMap);
  for (const VerifyFinding& f : findings) std::cout << f.line() << '\n';
  const bool usable = backupUsable(findings);
  std::cout << (usable ? "The backup is usable.\n" : "The backup is not usable.\n");
  return usable ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  ProgramArguments arguments;
  std::string error;
  if (!parseProgramArguments(std::vector<std::string>(argv + 1, argv + argc), arguments, error)) {
    std::cerr << "VrelRestore: " << error << "\nTry 'VrelRestore --help'.\n";
    return kUnusable;
  }
  if (arguments.help) {
    std::cout << usageText();
    return 0;
  }
  if (arguments.verifyOnly) return verifyOnly(arguments);
  if (!arguments.headless && !arguments.headlessOnly.empty()) {
    std::cerr << "VrelRestore: " << arguments.headlessOnly.front() << " works only with --headless\n";
    return kUnusable;
  }
  // The command line is taken before Qt removes its own arguments from it.
  ProgramStart start;
  const bool started = openProgramStart(argc, argv, start, error);
  if (!started) std::cerr << "VrelRestore: " << error << '\n';
  if (!arguments.headless) return runWithWindow(argc, argv, start, started, error);
  if (!started) return kUnusable;
  Transcript transcript;
  if (arguments.rehearse)
    return runRehearsal(*start.machine, start.setup, arguments, transcript.stream(), std::cerr, prepareProgram);
  return runHeadless(*start.machine, start.setup, arguments, transcript.stream(), std::cerr, prepareProgram);
}
