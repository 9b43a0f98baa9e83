#include "platform/Services.h"

#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/TimeScale.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace vrel {

namespace {

std::int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool isPending(ServiceState s) { return s == ServiceState::StartPending || s == ServiceState::StopPending; }

ServiceState completed(ServiceState s) {
  if (s == ServiceState::StartPending) return ServiceState::Running;
  if (s == ServiceState::StopPending) return ServiceState::Stopped;
  return s;
}

ServiceState stateFrom(std::int64_t v) { return v >= 1 && v <= 4 ? static_cast<ServiceState>(v) : ServiceState::Stopped; }

// Hang times are kept in whole milliseconds (unscaled); at most a year.
std::int64_t toMs(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0) return 0;
  return std::llround(std::min(seconds, 366.0 * 24 * 3600) * 1000);
}

constexpr std::string_view kSelect =
    "SELECT name, display_name, state, pending_until, hang_stop_ms, hang_start_ms FROM services ";

ServiceInfo rowOf(const sql::Statement& st) {
  ServiceInfo s;
  s.name = st.text(0);
  s.displayName = st.text(1);
  s.state = stateFrom(st.int64(2));
  s.pendingUntilMs = st.int64(3);
  s.hangOnStopSeconds = static_cast<double>(st.int64(4)) / 1000.0;
  s.hangOnStartSeconds = static_cast<double>(st.int64(5)) / 1000.0;
  return s;
}

ServiceStatus storeFailure() { return {kServiceStoreFailure, "An internal Windows error occurred."}; }

}  // namespace

bool Services::ensureSchema(std::string& error) {
  return m_machine.store().exec(
      "CREATE TABLE IF NOT EXISTS services ("
      " name_key TEXT PRIMARY KEY,"
      " name TEXT NOT NULL,"
      " display_key TEXT NOT NULL,"
      " display_name TEXT NOT NULL,"
      " state INTEGER NOT NULL,"
      " pending_until INTEGER NOT NULL DEFAULT 0,"
      " hang_stop_ms INTEGER NOT NULL DEFAULT 0,"
      " hang_start_ms INTEGER NOT NULL DEFAULT 0)",
      &error);
}

bool Services::add(const ServiceInfo& info, std::string& error) {
  const std::string name = trim(info.name);
  if (name.empty()) {
    error = "a service needs a name";
    return false;
  }
  if (!ensureSchema(error)) return false;
  const std::string display = info.displayName.empty() ? name : trim(info.displayName);
  sql::Statement st(m_machine.store(),
                    "INSERT OR REPLACE INTO services (name_key, name, display_key, display_name, state,"
                    " pending_until, hang_stop_ms, hang_start_ms) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
  st.bind(1, foldCase(name))
      .bind(2, name)
      .bind(3, foldCase(display))
      .bind(4, display)
      .bind(5, static_cast<std::int64_t>(info.state))
      .bind(6, info.pendingUntilMs)
      .bind(7, toMs(info.hangOnStopSeconds))
      .bind(8, toMs(info.hangOnStartSeconds));
  if (st.run()) return true;
  error = m_machine.store().lastError();
  return false;
}

bool Services::update(std::string_view name, std::string_view assignment, std::int64_t value, std::string& error) {
  if (!ensureSchema(error)) return false;
  sql::Statement st(m_machine.store(), "UPDATE services SET " + std::string(assignment) + " WHERE name_key = ?");
  st.bind(1, value).bind(2, foldCase(name));
  if (!st.run()) {
    error = m_machine.store().lastError();
    return false;
  }
  if (sqlite3_changes(m_machine.store().handle()) == 0) {
    error = "no service named " + std::string(name);
    return false;
  }
  return true;
}

bool Services::remove(std::string_view name, std::string& error) {
  if (!ensureSchema(error)) return false;
  sql::Statement st(m_machine.store(), "DELETE FROM services WHERE name_key = ?");
  st.bind(1, foldCase(name));
  if (!st.run()) {
    error = m_machine.store().lastError();
    return false;
  }
  if (sqlite3_changes(m_machine.store().handle()) != 0) return true;
  error = "no service named " + std::string(name);
  return false;
}

bool Services::setHangOnStop(std::string_view name, double seconds, std::string& error) {
  return update(name, "hang_stop_ms = ?", toMs(seconds), error);
}

bool Services::setHangOnStart(std::string_view name, double seconds, std::string& error) {
  return update(name, "hang_start_ms = ?", toMs(seconds), error);
}

bool Services::setState(std::string_view name, ServiceState state, std::string& error) {
  return update(name, "pending_until = 0, state = ?", static_cast<std::int64_t>(state), error);
}

std::optional<ServiceInfo> Services::find(std::string_view nameOrDisplayName) {
  std::string error;
  if (!ensureSchema(error)) return std::nullopt;
  const std::string key = foldCase(trim(nameOrDisplayName));
  std::optional<ServiceInfo> found;
  for (const char* where : {"WHERE name_key = ?", "WHERE display_key = ? ORDER BY name_key LIMIT 1"}) {
    sql::Statement st(m_machine.store(), std::string(kSelect) + where);
    st.bind(1, key);
    if (st.step() == SQLITE_ROW) {
      found = rowOf(st);
      break;
    }
  }
  if (found && isPending(found->state) && nowMs() >= found->pendingUntilMs) {
    // The pending state has run its time: store the completed one, unless
    // another process changed the row meanwhile.
    const ServiceState done = completed(found->state);
    sql::Statement st(m_machine.store(),
                      "UPDATE services SET state = ?, pending_until = 0"
                      " WHERE name_key = ? AND state = ? AND pending_until = ?");
    st.bind(1, static_cast<std::int64_t>(done))
        .bind(2, foldCase(found->name))
        .bind(3, static_cast<std::int64_t>(found->state))
        .bind(4, found->pendingUntilMs);
    st.run();
    found->state = done;
    found->pendingUntilMs = 0;
  }
  return found;
}

bool Services::list(std::vector<ServiceInfo>& out, std::string& error) {
  out.clear();
  if (!ensureSchema(error)) return false;
  std::vector<std::string> names;
  {
    sql::Statement st(m_machine.store(), "SELECT name FROM services ORDER BY name_key");
    int rc;
    while ((rc = st.step()) == SQLITE_ROW) names.push_back(st.text(0));
    if (rc != SQLITE_DONE) {
      error = m_machine.store().lastError();
      return false;
    }
  }
  for (const auto& n : names) {
    if (auto s = find(n)) out.push_back(*s);
  }
  return true;
}

ServiceStatus Services::begin(std::string_view nameOrDisplayName, bool starting, ServiceInfo& svc) {
  sql::Transaction tx(m_machine.store());
  if (!tx.ok()) return storeFailure();
  const auto found = find(nameOrDisplayName);
  if (!found) return {kServiceNameInvalid, "The service name is invalid."};
  svc = *found;
  if (isPending(svc.state)) return {kServiceBadState, "The service could not be controlled in its present state."};
  if (starting && svc.state == ServiceState::Running)
    return {kServiceAlreadyRunning, "The requested service has already been started."};
  if (!starting && svc.state == ServiceState::Stopped)
    return {kServiceNotStarted, "The " + displayOf(svc) + " service is not started."};

  const double hang = starting ? svc.hangOnStartSeconds : svc.hangOnStopSeconds;
  const auto hangReal = static_cast<std::int64_t>(scaledTimeoutMs(static_cast<std::uint64_t>(toMs(hang))));
  if (hangReal > 0) {
    svc.state = starting ? ServiceState::StartPending : ServiceState::StopPending;
    svc.pendingUntilMs = nowMs() + hangReal;
  } else {
    svc.state = starting ? ServiceState::Running : ServiceState::Stopped;
    svc.pendingUntilMs = 0;
  }
  sql::Statement st(m_machine.store(), "UPDATE services SET state = ?, pending_until = ? WHERE name_key = ?");
  st.bind(1, static_cast<std::int64_t>(svc.state)).bind(2, svc.pendingUntilMs).bind(3, foldCase(svc.name));
  if (!st.run() || !tx.commit()) return storeFailure();
  return {};
}

ServiceStatus Services::finish(ServiceInfo& svc, bool starting, const std::function<void()>& tick) {
  const std::string name = svc.name;
  const ServiceState target = starting ? ServiceState::Running : ServiceState::Stopped;
  const auto slice = static_cast<std::int64_t>(scaledTimeoutMs(1000));
  for (;;) {
    const auto now = find(name);
    if (!now) return {kServiceNameInvalid, "The service name is invalid."};
    svc = *now;
    if (svc.state == target) return {};
    if (!isPending(svc.state))
      return {kServiceNotResponding, "The service is not responding to the control function."};
    const std::int64_t wait = std::clamp<std::int64_t>(svc.pendingUntilMs - nowMs(), 1, slice);
    std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    if (tick) tick();
  }
}

ServiceStatus Services::beginStart(std::string_view nameOrDisplayName, ServiceInfo& svc) {
  return begin(nameOrDisplayName, true, svc);
}

ServiceStatus Services::beginStop(std::string_view nameOrDisplayName, ServiceInfo& svc) {
  return begin(nameOrDisplayName, false, svc);
}

ServiceStatus Services::start(std::string_view nameOrDisplayName, ServiceInfo& svc,
                              const std::function<void()>& tick) {
  ServiceStatus s = begin(nameOrDisplayName, true, svc);
  return s ? finish(svc, true, tick) : s;
}

ServiceStatus Services::stop(std::string_view nameOrDisplayName, ServiceInfo& svc, const std::function<void()>& tick) {
  ServiceStatus s = begin(nameOrDisplayName, false, svc);
  return s ? finish(svc, false, tick) : s;
}

}  // namespace vrel
