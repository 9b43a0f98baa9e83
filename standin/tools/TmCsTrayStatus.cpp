// The server's tray status program. The stand-in has no tray: it records in
// the machine value "TrayStatusStarted" that it was started (with its
// command line) and ends, so nothing lingers after a run.
#include "platform/CommandLine.h"
#include "platform/Machine.h"

#include <cstdio>

using namespace vrel;

int main(int argc, char** argv) {
  std::string error;
  auto machine = Machine::fromEnvironment(error);
  if (!machine) {
    std::fprintf(stderr, "TmCsTrayStatus: %s\n", error.c_str());
    return 1;
  }
  machine->setValue("TrayStatusStarted", rawCommandLine(argc, argv));
  return 0;
}
