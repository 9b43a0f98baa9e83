// Recognising a run that never finished from the run log it left in the
// backup folder: the last phase its entries show, and what the operator can
// do about it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vrel::restore {

struct InterruptedRun {
  std::string phase;                // the last phase the log shows, as the message names it
  bool pastDatabaseRestore = false;  // the databases may already be the backup's
  bool aborted = false;             // the run took its abort path
};

// The earlier run a run log describes, when it started and never wrote its
// finishing line; nothing for a log of a finished run, of a run that only
// restored the databases (it has no finishing line), or for no log at all.
std::optional<InterruptedRun> findInterruptedRun(std::string_view logText);

// The one message Browse shows for such a run.
std::string interruptedRunMessage(const InterruptedRun& run);

}  // namespace vrel::restore
