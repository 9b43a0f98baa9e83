// OrvixDirSync: runs the server's SQL/directory synchronisation in a small
// window and writes the errors it reports into the file named on its
// command line ("OrvixDirSync.exe <error file>").
#include "dirsync/QtDirSyncWindow.h"
#include "dirsync/frmMain.h"
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/Machine.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

using namespace vrel;

int main(int argc, char** argv) {
  std::string error;
  auto machine = Machine::fromEnvironment(error);
  if (!machine) {
    std::fprintf(stderr, "OrvixDirSync: %s\n", error.c_str());
    return 1;
  }
  const std::string commandLine = argumentsText(rawCommandLine(argc, argv));
  // Started by an unattended restore on a machine without a display, the
  // window is drawn off screen: the synchronisation must run all the same.
  auto set = [](const char* name) { return std::getenv(name) && *std::getenv(name); };
  if (!set("QT_QPA_PLATFORM") && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  Files files(*machine);
  dirsync::QtDirSyncWindow window;
  dirsync::frmMain form(files, window, [&](std::unique_ptr<standin::DbSync>& out) {
    return standin::createDbSync(*machine, standin::kDbSyncProgId, out);
  });
  window.attach(&form);
  form.Form_Load(commandLine);
  return 0;
}
