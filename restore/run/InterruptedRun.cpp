#include "restore/run/InterruptedRun.h"

namespace vrel::restore {

namespace {

struct PhaseMark {
  const char* entry;  // the start of an entry that only this phase writes
  const char* phase;
  bool pastDatabaseRestore;
};

// In run order; the last one the log holds is the phase the run reached.
// From the OrvixDB restore's line on, the live database may be the backup's.
const PhaseMark kPhases[] = {
    {"Starting disaster reocovery Restore at:", "the start of the run", false},
    {"    Stopping ", "stopping the services", false},
    {"    Backing up local configuration data", "saving the new machine's configuration", false},
    {"    Restoring original registry from backup", "the registry restore", false},
    {"    Restoring OrvixDB database from backed up copy.", "the database restore", true},
    {"    Getting the old SystemID value", "the database fix-ups", true},
    {"    Restoring routing rules", "the file restores", true},
    {"    SA login rights update starting", "the directory resynchronisation", true},
    {"    Restoring subscriber messages", "the message restore", true},
};

constexpr std::string_view kFinished = "Finished disaster reocovery restore at:";
constexpr std::string_view kJustDatabases = "User opted to just restore the SQL tables";
constexpr std::string_view kAborted = "user elected to abort.";

// The text of an entry: after the date and time ("12/7/2026 4:05:09 AM: ").
std::string_view entryText(std::string_view line) {
  for (std::string_view marker : {" AM: ", " PM: "}) {
    const std::size_t at = line.find(marker);
    if (at != std::string_view::npos && at < 24) return line.substr(at + marker.size());
  }
  return line;
}

}  // namespace

std::optional<InterruptedRun> findInterruptedRun(std::string_view logText) {
  InterruptedRun run;
  bool started = false;
  std::size_t start = 0;
  while (start < logText.size()) {
    std::size_t end = logText.find('\n', start);
    if (end == std::string_view::npos) end = logText.size();
    std::string_view text = entryText(logText.substr(start, end - start));
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    start = end + 1;
    if (text.starts_with(kFinished) || text.starts_with(kJustDatabases)) return std::nullopt;
    if (text.starts_with(kAborted)) run.aborted = true;
    for (const PhaseMark& mark : kPhases) {
      if (!text.starts_with(mark.entry)) continue;
      started = true;
      run.phase = mark.phase;
      run.pastDatabaseRestore = run.pastDatabaseRestore || mark.pastDatabaseRestore;
    }
  }
  if (!started) return std::nullopt;
  return run;
}

std::string interruptedRunMessage(const InterruptedRun& run) {
  std::string text = "The run log in this folder shows an earlier restore that did not finish: it " +
                     std::string(run.aborted ? "was aborted during " : "stopped during ") + run.phase + ".\r\n\r\n";
  if (run.aborted)
    return text + "The abort put the server's own registry and databases back. Restart the Orvix services, or "
                  "reboot the server, and then run the restore again.";
  if (run.pastDatabaseRestore)
    return text + "The server's databases may already have been replaced, so this server cannot be restored again "
                  "as it stands. Reinstall Orvix (a fresh installation) and then run the restore again.";
  return text + "The databases were not replaced yet. Restart the Orvix services, or reboot the server, and then "
                "run the restore again.";
}

}  // namespace vrel::restore
