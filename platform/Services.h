// The machine's services and their control manager: a table in the machine's
// store with each service's state and its test behaviour (a service can be
// made to hang for N seconds, scaled by the time scale, on stop or on start).
// A pending state carries the time it completes, so a stop or start goes on
// to its end even when the program that asked for it has gone.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {

class Machine;

// The service states by their Windows values.
enum class ServiceState : int { Stopped = 1, StartPending = 2, StopPending = 3, Running = 4 };

struct ServiceInfo {
  std::string name;         // key, case-insensitive
  std::string displayName;  // what net prints; empty means the name
  ServiceState state = ServiceState::Stopped;
  double hangOnStopSeconds = 0;
  double hangOnStartSeconds = 0;
  std::int64_t pendingUntilMs = 0;  // when a pending state completes (ms since 1970)
};

// The outcome of a control request: 0 or the number net reports with it
// (NET HELPMSG) and the message.
struct ServiceStatus {
  long number = 0;
  std::string message;
  explicit operator bool() const { return number == 0; }
};

// Numbers of the failures.
constexpr long kServiceAlreadyRunning = 2182;  // "The requested service has already been started."
constexpr long kServiceNameInvalid = 2185;     // "The service name is invalid."
constexpr long kServiceNotResponding = 2186;   // "The service is not responding to the control function."
constexpr long kServiceBadState = 2189;        // "The service could not be controlled in its present state."
constexpr long kServiceNotStarted = 3521;      // "The <display name> service is not started."
constexpr long kServiceStoreFailure = 2140;    // "An internal Windows error occurred."

class Services {
 public:
  explicit Services(Machine& machine) : m_machine(machine) {}

  // Adds a service or replaces the one of that name.
  bool add(const ServiceInfo& info, std::string& error);
  bool remove(std::string_view name, std::string& error);
  bool setHangOnStop(std::string_view name, double seconds, std::string& error);
  bool setHangOnStart(std::string_view name, double seconds, std::string& error);
  bool setState(std::string_view name, ServiceState state, std::string& error);

  // By service name, else by display name, both without regard to case. A
  // pending state whose time has come is reported (and stored) completed.
  std::optional<ServiceInfo> find(std::string_view nameOrDisplayName);
  // Every service, by name.
  bool list(std::vector<ServiceInfo>& out, std::string& error);

  // Start and stop with the control manager's rules. begin* only asks (the
  // service goes pending, or straight to its new state when it does not
  // hang); start and stop also wait until the pending state ends, calling
  // tick about once a (scaled) second meanwhile. svc gets the service.
  ServiceStatus beginStart(std::string_view nameOrDisplayName, ServiceInfo& svc);
  ServiceStatus beginStop(std::string_view nameOrDisplayName, ServiceInfo& svc);
  ServiceStatus start(std::string_view nameOrDisplayName, ServiceInfo& svc, const std::function<void()>& tick = {});
  ServiceStatus stop(std::string_view nameOrDisplayName, ServiceInfo& svc, const std::function<void()>& tick = {});
  // Waits until the service that begin* left pending reaches the state it
  // was asked for; svc is updated.
  ServiceStatus finish(ServiceInfo& svc, bool starting, const std::function<void()>& tick = {});

  static std::string displayOf(const ServiceInfo& svc) { return svc.displayName.empty() ? svc.name : svc.displayName; }

 private:
  bool ensureSchema(std::string& error);
  bool update(std::string_view name, std::string_view assignment, std::int64_t value, std::string& error);
  ServiceStatus begin(std::string_view nameOrDisplayName, bool starting, ServiceInfo& svc);

  Machine& m_machine;
};

}  // namespace vrel
