// The machine's "kill" tool: ends the machine's own processes by pid or by an
// image-name pattern ("tm*.*"). It never touches a host process that the
// machine did not start.
#include "platform/Machine.h"
#include "platform/ProcessTable.h"
#include "platform/Services.h"
#include "platform/Text.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace vrel;

namespace {

void usage() {
  std::fputs(
      "usage: KILL [options] <<pid> | <pattern>>*\n\n"
      "           [options]:\n"
      "               -f     Force process kill\n\n"
      "           <pid>\n"
      "              This is the process id for the task\n"
      "              to be killed.\n\n"
      "           <pattern>\n"
      "              The pattern can be a complete task\n"
      "              name or a wildcard pattern to use\n"
      "              as a match against the task names.\n",
      stderr);
}

bool isPid(const std::string& s) {
  if (s.empty() || s.size() > 9) return false;
  for (const char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

void report(const ProcessInfo& p) { std::printf("process %s (%ld) - killed\n", p.image.c_str(), p.pid); }

// A service runs in a process whose image is the service's name + ".exe";
// ending that process leaves the service stopped, as the control manager
// then reports it. Returns how many service processes the pattern ended.
int endServiceProcesses(Machine& machine, const std::string& pattern) {
  Services services(machine);
  std::vector<ServiceInfo> all;
  std::string error;
  if (!services.list(all, error)) return 0;
  int ended = 0;
  for (const ServiceInfo& svc : all) {
    const std::string image = svc.name + ".exe";
    if (svc.state == ServiceState::Stopped || !wildcardMatch(pattern, image)) continue;
    if (!services.setState(svc.name, ServiceState::Stopped, error)) continue;
    std::printf("process %s (service %s) - killed\n", image.c_str(), svc.name.c_str());
    ++ended;
  }
  return ended;
}

}  // namespace

int main(int argc, char** argv) {
  bool force = false;
  std::vector<std::string> targets;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.empty()) continue;
    if ((a[0] == '-' || a[0] == '/') && a.size() == 2 && (a[1] == 'f' || a[1] == 'F'))
      force = true;
    else if (a[0] == '-' || a[0] == '/')
      return usage(), 1;
    else
      targets.push_back(a);
  }
  if (targets.empty()) return usage(), 1;

  std::string error;
  auto machine = Machine::fromEnvironment(error);
  if (!machine) {
    std::fprintf(stderr, "kill: %s\n", error.c_str());
    return 1;
  }
  ProcessTable table(*machine);
  int missed = 0;
  for (const auto& t : targets) {
    if (isPid(t)) {
      ProcessInfo ended;
      if (table.endPid(std::stol(t), force, ended, error)) {
        report(ended);
      } else {
        std::printf("process #%s not found\n", t.c_str());
        ++missed;
      }
      continue;
    }
    std::vector<ProcessInfo> ended;
    if (!table.endMatching(t, force, ended, error)) {
      std::fprintf(stderr, "kill: %s\n", error.c_str());
      return 1;
    }
    for (const auto& p : ended) report(p);
    const int services = endServiceProcesses(*machine, t);
    if (ended.empty() && services == 0) {
      std::printf("process \"%s\" not found\n", t.c_str());
      ++missed;
    }
  }
  return missed ? 1 : 0;
}
