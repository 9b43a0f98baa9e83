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
  service add NAME [--display TEXT] [--stopped] [--hang-stop SECONDS] [--hang-start SECONDS]
                             add (or replace) a service of the machine, running unless --stopped
  service set NAME [--display TEXT] [--hang-stop SECONDS] [--hang-start SECONDS] [--running|--stopped]
                             change a service's test behaviour or state
  service remove NAME        remove a service
  service list               list the services: name, state, display name
  start "COMMAND LINE"       start a Windows command line on the machine (found like a
                             typed command) without waiting; prints the process id
  ps                         list the machine's live processes: pid, image name, command line
  help, --help               this text

environment:
  VREL_MACHINE     the machine's folder (required)
  VREL_TOOLS       the folder of the built tools (default: the build's bin/)
  VREL_TIME_SCALE  multiplies every fixed wait of the tools (default 1)
)";

int cmdInit(const Args&) {
  auto m = openMachine();
  if (!m) return 1;
  std::printf("machine ready: %s\n", m->root().c_str());
  return 0;
}

int cmdMachine(const Args& a) {
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

int usage(const std::string& what) {
  std::fprintf(stderr, "standin: %s\n(see standin --help)\n", what.c_str());
  return 2;
}

std::unique_ptr<Machine> openMachine() {
  std::string error;
  auto m = Machine::fromEnvironment(error);
  if (!m) std::fprintf(stderr, "standin: %s\n", error.c_str());
  return m;
}

int runCommand(const std::vector<std::string>& args) {
  if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    std::fputs(kHelp, stdout);
    return args.empty() ? 2 : 0;
  }
  static const std::map<std::string, std::function<int(const std::vector<std::string>&)>> kCommands = {
      {"init", cmdInit},
      {"machine", cmdMachine},
      {"service", cmdService},
      {"start", cmdStart},
      {"ps", cmdPs},
  };
  auto it = kCommands.find(args[0]);
  if (it == kCommands.end()) return usage(("unknown command " + args[0]).c_str());
  return it->second(args);
}

}  // namespace vrel::standin
