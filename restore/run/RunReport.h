// The machine-readable account of a restore run, written as
// "DisasterRecoveryRestore.json" beside the run log when the run ends (its
// schema: docs/run-report.schema.json). It holds the phases with their
// times and outcomes, what the run changed on the machine (from a picture
// taken before and one after), every error and warning line of the log, and
// the leftovers of the old machine.
#pragma once

#include "platform/MachineSnapshot.h"
#include "restore/run/LeftoverScan.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vrel::restore {

class RunReport {
 public:
  struct Phase {
    std::string name;
    std::string start, end;  // UTC, "2026-12-07T19:30:05Z"
    std::string outcome;     // "completed", "completed with errors" or "aborted"
    int errors = 0;
    double seconds = 0;      // measured on a steady clock, unlike start and end
  };

  // Starts a report for a new run.
  void begin();
  // The machine as it was before the run, or nothing when it could not be read.
  void setBefore(std::optional<MachineSnapshot> before) { m_before = std::move(before); }
  bool active() const { return m_active; }
  // Ends the current phase (if any) and starts the next.
  void beginPhase(std::string name);
  // An error or warning line of the run log.
  void noteLine(const std::string& text);
  void setChanges(MachineChanges changes) { m_changes = std::move(changes); }
  void setLeftovers(std::vector<LeftoverHit> hits) { m_leftovers = std::move(hits); }
  // Ends the run: the current phase takes the outcome when aborted.
  void finish(bool aborted);

  const std::optional<MachineSnapshot>& before() const { return m_before; }
  const std::vector<Phase>& phases() const { return m_phases; }
  const MachineChanges& changes() const { return m_changes; }
  const std::vector<LeftoverHit>& leftovers() const { return m_leftovers; }
  const std::vector<std::string>& errors() const { return m_errors; }
  const std::vector<std::string>& warnings() const { return m_warnings; }
  bool aborted() const { return m_aborted; }

  // The report as JSON text.
  std::string toJson() const;

  static std::string utcNow();

 private:
  void endPhase(const char* outcome);

  bool m_active = false;
  bool m_aborted = false;
  std::string m_started, m_finished;
  std::optional<MachineSnapshot> m_before;
  std::vector<Phase> m_phases;
  std::chrono::steady_clock::time_point m_phaseStart;
  MachineChanges m_changes;
  std::vector<LeftoverHit> m_leftovers;
  std::vector<std::string> m_errors, m_warnings;
};

}  // namespace vrel::restore
