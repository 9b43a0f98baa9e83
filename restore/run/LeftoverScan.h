// The scan for leftovers of the old machine after a run: the old server
// name, the old install root and the old system ID, looked for (any case)
// in every value of the server's registry branch and every text column of
// the server databases. A name the new machine shares is no leftover, and
// where the new name contains the old one, the new name's own occurrences
// are not counted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vrel {
class Machine;
}

namespace vrel::restore {

struct LeftoverTerm {
  std::string label;     // "old server name"
  std::string oldValue;  // what is looked for
  std::string newValue;  // the new machine's value of the same thing
};

struct LeftoverHit {
  std::string label;
  std::string oldValue;
  std::string place;  // "registry HKEY_LOCAL_MACHINE\...\Key value "Name"" or "OrvixDB table T, column C"
  std::uint64_t count = 1;  // rows of the column that hold it (1 for a registry value)

  // The run log's line for the hit.
  std::string logLine() const;
};

// Whether text holds the old value other than inside the new one.
bool holdsLeftover(const std::string& text, const LeftoverTerm& term);

// Scans the machine: the registry, then the databases. Terms without an old
// value, or with one equal to the new value, are skipped. Places that cannot
// be read are skipped and named in problems.
std::vector<LeftoverHit> scanForLeftovers(Machine& machine, const std::vector<LeftoverTerm>& terms,
                                          std::vector<std::string>& problems);

// The scan's two halves, for a caller that runs them side by side: the
// registry half reads the machine's store; the databases half reads only
// the database files under the machine's folder, through connections of its
// own, so it may run on another thread while the store is in use.
std::vector<LeftoverHit> scanRegistryForLeftovers(Machine& machine, const std::vector<LeftoverTerm>& terms,
                                                  std::vector<std::string>& problems);
std::vector<LeftoverHit> scanDatabasesForLeftovers(Machine& machine, const std::vector<LeftoverTerm>& terms,
                                                   std::vector<std::string>& problems);

}  // namespace vrel::restore
