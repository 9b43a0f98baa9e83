// Helpers for the registry and database restore tests: an old server on a
// machine of its own, backed up into a host folder that the new machine
// reaches through Z:; the new machine's branch files as the local
// configuration backup leaves them in the program folder; the run log's
// entries; registry branches in a form tests can compare.
#pragma once

#include "platform/Files.h"
#include "platform/Registry.h"
#include "standin/server/ProvisionOptions.h"
#include "tests/support/ScratchMachine.h"

#include <functional>
#include <string>
#include <vector>

namespace vrel::test {

// One branch file of the new machine: its name in the program folder, the
// branch (under HKEY_LOCAL_MACHINE) it holds, and whether it is written
// only when the key exists.
struct LocalBranchFile {
  const char* file;
  const char* branch;
  bool onlyWhenKeyExists;
};

// Files 1 to 15 in the order they are put back, then "TempMalLnBranchFile.reg".
extern const std::vector<LocalBranchFile> kLocalBranchFiles;
inline constexpr const char* kMalLnBranchFile = "TempMalLnBranchFile.reg";

// Exports the branches of the machine's registry into folder (a Windows
// path) with the platform's exporter: files 1 to 15 (the conditional ones
// only when the key exists), and the Domino MAL branch when domino.
void exportLocalBranches(Machine& machine, Files& files, const std::string& folder, bool domino);

// An old server, provisioned with options, changed by tweak, backed up.
class OldServerBackup {
 public:
  explicit OldServerBackup(standin::ProvisionOptions options, const std::function<void(Machine&)>& tweak = {});

  // The backup folder as a Windows path ending in a backslash (Z:\...\).
  const std::string& folder() const { return m_folder; }
  ScratchMachine& machine() { return m_machine; }

 private:
  TempDir m_dir;
  ScratchMachine m_machine;
  std::string m_folder;
};

// The entries written after the run log's header, date prefix removed.
std::vector<std::string> runLogLines(const Files& files, const std::string& logPath);
// True when the entries hold line exactly.
bool hasLine(const std::vector<std::string>& lines, const std::string& line);

// A branch as lines "key path | value name | type | data" (string data as
// text, other data in hex), key paths relative to the branch; empty when
// the key does not exist.
std::vector<std::string> branchLines(Registry& registry, const std::string& branch);

// Sets a value in a key that exists or is created.
void putValue(Registry& registry, const std::string& key, const RegValue& value);
// A text value of HKEY_LOCAL_MACHINE, or "<missing>".
std::string textValue(Registry& registry, const std::string& key, const std::string& name);

}  // namespace vrel::test
