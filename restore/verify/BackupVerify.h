// VrelRestore --verify-only: checks a disaster-recovery backup folder
// completely and changes nothing on the machine. Every item the restore
// reads is opened and read; the registry export is parsed whole; each
// database image is checked as the restore checks it, in a scratch file of
// the host; the certificate export is opened with its password; an alias
// mapping file, when given, is read as the remapping reads it; and the
// backed-up version is compared with the installed one as Browse compares
// them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vrel {
class Machine;
}

namespace vrel::restore {

struct VerifyFinding {
  bool problem = false;
  std::string text;

  // "ok: ..." or "problem: ...".
  std::string line() const { return (problem ? "problem: " : "ok: ") + text; }
};

// The findings for the backup folder (a Windows path of the machine), in
// the order above. The backup is usable when none is a problem.
std::vector<VerifyFinding> verifyBackup(Machine& machine, const std::string& folder,
                                        const std::optional<std::string>& aliasMapFile);

bool backupUsable(const std::vector<VerifyFinding>& findings);

}  // namespace vrel::restore
