// The standin command: makes and inspects stand-in machines.
#include "standin/command/Commands.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vrel::standin::runCommand(args);
}
