#include "standin/command/Commands.h"

#include "platform/Machine.h"

#include <memory>

#include <cstdio>
#include <functional>
#include <map>

namespace vrel::standin {

namespace {

constexpr const char* kHelp = R"(usage: standin COMMAND [ARGS]

Makes and inspects stand-in machines. The machine is the folder named by
VREL_MACHINE; it is created empty when it does not exist yet.

commands:
  init                       create the machine (if missing) and its system folder
  machine get NAME           print a machine value (ComputerName, LanGroup, UserName, ...)
  machine set NAME VALUE     set a machine value
  help, --help               this text
)";

int usage(const char* what) {
  std::fprintf(stderr, "standin: %s\n(see standin --help)\n", what);
  return 2;
}

std::unique_ptr<Machine> openMachine() {
  std::string error;
  auto m = Machine::fromEnvironment(error);
  if (!m) std::fprintf(stderr, "standin: %s\n", error.c_str());
  return m;
}

int cmdInit(const std::vector<std::string>&) {
  auto m = openMachine();
  if (!m) return 1;
  std::printf("machine ready: %s\n", m->root().c_str());
  return 0;
}

int cmdMachine(const std::vector<std::string>& a) {
  if (a.size() < 3) return usage("machine needs get NAME or set NAME VALUE");
  auto m = openMachine();
  if (!m) return 1;
  if (a[1] == "get" && a.size() == 3) {
    std::printf("%s\n", m->value(a[2]).c_str());
    return 0;
  }
  if (a[1] == "set" && a.size() == 4) return m->setValue(a[2], a[3]) ? 0 : 1;
  return usage("machine needs get NAME or set NAME VALUE");
}

}  // namespace

int runCommand(const std::vector<std::string>& args) {
  if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    std::fputs(kHelp, stdout);
    return args.empty() ? 2 : 0;
  }
  static const std::map<std::string, std::function<int(const std::vector<std::string>&)>> kCommands = {
      {"init", cmdInit},
      {"machine", cmdMachine},
  };
  auto it = kCommands.find(args[0]);
  if (it == kCommands.end()) return usage(("unknown command " + args[0]).c_str());
  return it->second(args);
}

}  // namespace vrel::standin
