// Importing and exporting .reg files against the machine's registry, as the
// registry editor does for "regedit /s FILE" and "regedit /e FILE [KEY]".
#pragma once

#include "platform/Registry.h"
#include "platform/registry/RegFileReader.h"

#include <string>
#include <string_view>
#include <vector>

namespace vrel {

// Reads the file and applies all its changes in one batch. Skipped lines go
// to problems; the rest is still applied, and so is what a cut-off file held
// up to its end (why it looks cut off goes to truncated, when given). False,
// with nothing changed and the reason in error, when the file as a whole is
// unusable (no header, broken encoding) or the registry refuses the batch.
bool importRegFile(Registry& registry, const Bytes& fileBytes, std::vector<RegFileProblem>& problems,
                   std::string& error, std::string* truncated = nullptr);

// A branch as a 5.00 file. The top key is written as "HIVE\path" with path
// spelled as given; kRegNotFound when the key does not exist.
RegStatus exportRegBranch(Registry& registry, Hive hive, std::string_view path, Bytes& out);

// The whole registry as regedit exports it: HKEY_LOCAL_MACHINE, then
// HKEY_USERS. The other roots are views into these two and are not repeated.
RegStatus exportRegAll(Registry& registry, Bytes& out);

// "error 5 (access denied)" and the like, for messages.
std::string describeRegStatus(RegStatus status);

}  // namespace vrel
