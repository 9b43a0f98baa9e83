// A test stand-in for a server process: records itself in the machine's
// process table under the image name it is given, then sleeps.
//   sleeper IMAGE SECONDS      (SECONDS scaled as a time-out is)
#include "platform/CommandLine.h"
#include "platform/Machine.h"
#include "platform/ProcessTable.h"
#include "platform/TimeScale.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace vrel;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: sleeper IMAGE SECONDS\n", stderr);
    return 1;
  }
  char* end = nullptr;
  const double seconds = std::strtod(argv[2], &end);
  if (end == argv[2] || *end != '\0') {
    std::fprintf(stderr, "sleeper: bad number of seconds: %s\n", argv[2]);
    return 1;
  }
  std::string error;
  auto machine = Machine::fromEnvironment(error);
  if (!machine) {
    std::fprintf(stderr, "sleeper: %s\n", error.c_str());
    return 1;
  }
  if (!ProcessTable(*machine).addSelf(argv[1], rawCommandLine(argc, argv), error)) {
    std::fprintf(stderr, "sleeper: %s\n", error.c_str());
    return 1;
  }
  machine.reset();  // no store held open while sleeping
  sleepSimulatedSeconds(seconds);
  return 0;
}
