// standin service ...: the machine's service table.
#include "platform/Services.h"
#include "standin/command/Commands.h"

#include <cstdio>
#include <cstdlib>

namespace vrel::standin {

namespace {

const char* stateName(ServiceState s) {
  switch (s) {
    case ServiceState::Stopped: return "stopped";
    case ServiceState::StartPending: return "start-pending";
    case ServiceState::StopPending: return "stop-pending";
    case ServiceState::Running: return "running";
  }
  return "?";
}

bool parseSeconds(const std::string& text, double& out) {
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return end != text.c_str() && *end == '\0' && out >= 0;
}

// Applies the options after NAME (index 3 on) to info; false on a bad option.
bool readOptions(const Args& a, ServiceInfo& info, bool& stateGiven, std::string& error) {
  stateGiven = false;
  for (std::size_t i = 3; i < a.size(); ++i) {
    const std::string& o = a[i];
    const bool hasValue = i + 1 < a.size();
    if (o == "--display" && hasValue) {
      info.displayName = a[++i];
    } else if ((o == "--hang-stop" || o == "--hang-start") && hasValue) {
      double s = 0;
      if (!parseSeconds(a[++i], s)) {
        error = "bad number of seconds: " + a[i];
        return false;
      }
      (o == "--hang-stop" ? info.hangOnStopSeconds : info.hangOnStartSeconds) = s;
    } else if (o == "--stopped" || o == "--running") {
      info.state = o == "--stopped" ? ServiceState::Stopped : ServiceState::Running;
      stateGiven = true;
    } else {
      error = "unknown option " + o;
      return false;
    }
  }
  return true;
}

}  // namespace

int cmdService(const Args& a) {
  if (a.size() < 2) return usage("service needs add, set, remove or list");
  auto m = openMachine();
  if (!m) return 1;
  Services services(*m);
  std::string error;
  const std::string& verb = a[1];
  if (verb == "list") {
    std::vector<ServiceInfo> all;
    if (!services.list(all, error)) {
      std::fprintf(stderr, "standin: %s\n", error.c_str());
      return 1;
    }
    for (const auto& s : all)
      std::printf("%s\t%s\t%s\n", s.name.c_str(), stateName(s.state), Services::displayOf(s).c_str());
    return 0;
  }
  if (a.size() < 3) return usage("service " + verb + " needs a NAME");
  if (verb == "remove") {
    if (services.remove(a[2], error)) return 0;
    std::fprintf(stderr, "standin: %s\n", error.c_str());
    return 1;
  }
  if (verb != "add" && verb != "set") return usage("unknown service command " + verb);
  ServiceInfo info;
  if (verb == "set") {
    auto existing = services.find(a[2]);
    if (!existing) {
      std::fprintf(stderr, "standin: no service named %s\n", a[2].c_str());
      return 1;
    }
    info = *existing;
  } else {
    info.name = a[2];
    info.state = ServiceState::Running;
  }
  bool stateGiven = false;
  if (!readOptions(a, info, stateGiven, error)) return usage(error);
  info.pendingUntilMs = 0;
  if (!services.add(info, error)) {
    std::fprintf(stderr, "standin: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace vrel::standin
