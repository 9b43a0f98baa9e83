// Reading every file below a folder of the machine once, as a check that
// each is there and can be read: the folder is resolved once, its tree is
// then walked on the host, so a tree of hundreds of thousands of files is
// read in seconds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {

class Files;

struct FolderReadResult {
  std::size_t files = 0;                 // regular files read
  std::vector<std::string> unreadable;   // Windows paths with the reason: "C:\x\y.PST (Permission denied)"
};

// Opens and reads the first block of every regular file below folder (a
// Windows path). A folder that cannot be listed is named in unreadable too.
FolderReadResult readEveryFile(const Files& files, std::string_view folder);

}  // namespace vrel
