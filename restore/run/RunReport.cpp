#include "restore/run/RunReport.h"

#include "platform/Text.h"

#include <cstdio>
#include <ctime>

namespace vrel::restore {

std::string RunReport::utcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

void RunReport::begin() {
  *this = RunReport{};
  m_active = true;
  m_started = utcNow();
}

void RunReport::endPhase(const char* outcome) {
  if (m_phases.empty() || !m_phases.back().end.empty()) return;
  Phase& p = m_phases.back();
  p.end = utcNow();
  p.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_phaseStart).count();
  p.outcome = outcome ? outcome : p.errors ? "completed with errors" : "completed";
}

void RunReport::beginPhase(std::string name) {
  if (!m_active) return;
  endPhase(nullptr);
  m_phases.push_back({std::move(name), utcNow(), {}, {}, 0, 0});
  m_phaseStart = std::chrono::steady_clock::now();
}

void RunReport::noteLine(const std::string& text) {
  if (!m_active) return;
  if (ifind(text, "(error)") != std::string::npos) {
    m_errors.push_back(text);
    if (!m_phases.empty() && m_phases.back().end.empty()) ++m_phases.back().errors;
  }
  if (ifind(text, "(warning)") != std::string::npos) m_warnings.push_back(text);
}

void RunReport::finish(bool aborted) {
  m_aborted = aborted;
  endPhase(aborted ? "aborted" : nullptr);
  m_finished = utcNow();
  m_active = false;
  m_before.reset();
}

namespace {

// JSON string: the text is UTF-8; quotes, backslashes and control
// characters are escaped, and bytes that are not UTF-8 become U+FFFD.
std::string quoted(const std::string& text) {
  const std::string clean = utf16ToUtf8(utf8ToUtf16(text));
  std::string out = "\"";
  for (char ch : clean) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

template <class T, class F>
std::string array(const std::vector<T>& items, F item) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ",\n    " : "\n    ") + item(items[i]);
  return out + (items.empty() ? "]" : "\n  ]");
}

std::string orNull(bool present, const std::string& text) { return present ? quoted(text) : "null"; }

}  // namespace

namespace {

std::string secondsText(double seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", seconds);
  return buf;
}

}  // namespace

std::string RunReport::toJson() const {
  const MachineChanges& c = m_changes;
  std::string j = "{\n";
  j += "  \"report\": \"DisasterRecoveryRestore\",\n  \"version\": 1,\n";
  j += "  \"started\": " + quoted(m_started) + ",\n  \"finished\": " + orNull(!m_finished.empty(), m_finished) + ",\n";
  j += std::string("  \"outcome\": \"") + (m_aborted ? "aborted" : m_errors.empty() ? "completed" : "completed with errors") + "\",\n";
  j += "  \"phases\": " + array(m_phases, [](const Phase& p) {
         return "{\"name\": " + quoted(p.name) + ", \"start\": " + quoted(p.start) + ", \"end\": " + quoted(p.end) +
                ", \"outcome\": " + quoted(p.outcome) + ", \"errors\": " + std::to_string(p.errors) +
                ", \"seconds\": " + secondsText(p.seconds) + "}";
       }) + ",\n";
  j += "  \"counts\": {\"registryValues\": " + std::to_string(c.values.size()) +
       ", \"rowsWritten\": " + std::to_string(c.rowsWritten()) + ", \"rowsRemoved\": " + std::to_string(c.rowsRemoved()) +
       ", \"files\": " + std::to_string(c.files.size()) + ", \"services\": " + std::to_string(c.services.size()) +
       ", \"errors\": " + std::to_string(m_errors.size()) + ", \"warnings\": " + std::to_string(m_warnings.size()) +
       ", \"leftovers\": " + std::to_string(m_leftovers.size()) + "},\n";
  j += "  \"tables\": " + array(c.tables, [](const MachineChanges::TableChange& t) {
         return "{\"table\": " + quoted(t.table) + ", \"rowsWritten\": " + std::to_string(t.written) +
                ", \"rowsRemoved\": " + std::to_string(t.removed) + "}";
       }) + ",\n";
  j += "  \"registryValues\": " + array(c.values, [](const MachineChanges::ValueChange& v) {
         return "{\"key\": " + quoted(v.key) + ", \"name\": " + quoted(v.name) + ", \"before\": " +
                orNull(v.had, v.before) + ", \"after\": " + orNull(v.has, v.after) + "}";
       }) + ",\n";
  j += "  \"files\": " + array(c.files, [](const MachineChanges::FileChange& f) {
         return "{\"path\": " + quoted(f.path) + ", \"change\": " + quoted(f.how) + "}";
       }) + ",\n";
  j += "  \"services\": " + array(c.services, [](const MachineChanges::ServiceChange& s) {
         return "{\"name\": " + quoted(s.name) + ", \"before\": " + std::to_string(s.before) +
                ", \"after\": " + std::to_string(s.after) + "}";
       }) + ",\n";
  j += "  \"errors\": " + array(m_errors, quoted) + ",\n";
  j += "  \"warnings\": " + array(m_warnings, quoted) + ",\n";
  j += "  \"leftovers\": " + array(m_leftovers, [](const LeftoverHit& h) {
         return "{\"what\": " + quoted(h.label) + ", \"value\": " + quoted(h.oldValue) + ", \"place\": " +
                quoted(h.place) + ", \"count\": " + std::to_string(h.count) + "}";
       }) + "\n}\n";
  return j;
}

}  // namespace vrel::restore
