// The machine's "net" command: NET START / NET STOP against the machine's
// service table, with the texts Windows prints.
#include "platform/Machine.h"
#include "platform/Services.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace vrel;

namespace {

constexpr int kFailed = 2;

void syntax() {
  std::fputs("The syntax of this command is:\n\nNET\n    [ START | STOP ]\n\n", stderr);
}

int fail(const ServiceStatus& s) {
  std::fprintf(stderr, "%s\n\nMore help is available by typing NET HELPMSG %ld.\n\n", s.message.c_str(), s.number);
  return kFailed;
}

int listStarted(Services& services) {
  std::vector<ServiceInfo> all;
  std::string error;
  if (!services.list(all, error)) return fail({kServiceStoreFailure, "An internal Windows error occurred."});
  std::printf("These Windows services are started:\n\n");
  std::vector<std::string> names;
  for (const auto& s : all)
    if (s.state == ServiceState::Running) names.push_back(Services::displayOf(s));
  std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return foldCase(a) < foldCase(b); });
  for (const auto& n : names) std::printf("   %s\n", n.c_str());
  std::printf("\nThe command completed successfully.\n\n");
  return 0;
}

// One START or STOP: the "is starting" line grows a dot for every second the
// service stays pending, as net shows its progress.
int control(Services& services, const std::string& name, bool starting) {
  ServiceInfo svc;
  ServiceStatus s = starting ? services.beginStart(name, svc) : services.beginStop(name, svc);
  if (!s) return fail(s);
  const std::string display = Services::displayOf(svc);
  std::printf("The %s service is %s.", display.c_str(), starting ? "starting" : "stopping");
  std::fflush(stdout);
  s = services.finish(svc, starting, [] {
    std::fputc('.', stdout);
    std::fflush(stdout);
  });
  std::printf("\n");
  if (!s) return fail(s);
  std::printf("The %s service was %s successfully.\n\n", display.c_str(), starting ? "started" : "stopped");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || (!iequals(args[0], "start") && !iequals(args[0], "stop"))) {
    syntax();
    return 1;
  }
  std::string error;
  auto machine = Machine::fromEnvironment(error);
  if (!machine) {
    std::fprintf(stderr, "net: %s\n", error.c_str());
    return kFailed;
  }
  Services services(*machine);
  const bool starting = iequals(args[0], "start");
  if (args.size() == 1) {
    if (starting) return listStarted(services);
    syntax();
    return 1;
  }
  // A display name with blanks may come unquoted: the words form the name.
  std::string name = args[1];
  for (std::size_t i = 2; i < args.size(); ++i) name += " " + args[i];
  return control(services, name, starting);
}
