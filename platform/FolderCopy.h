// Copies a folder tree onto another with overwrite: files of the same name
// are replaced, other files already in the target are kept, missing folders
// are created. A file that cannot be copied (a read-only target, a full disk)
// does not stop the others; the outcome names the first failure and how many
// there were.
#pragma once

#include "platform/Files.h"

#include <string_view>

namespace vrel {

struct FolderCopyResult {
  FileStatus status;  // the first failure, or ok
  long filesCopied = 0;
  long failures = 0;
};

FolderCopyResult copyFolderTree(const Files& files, std::string_view from, std::string_view to);

// Copies the files (not the subfolders) of a folder into another folder, as
// "<from>\*.*" does; the target folder is created when missing.
FolderCopyResult copyFolderFiles(const Files& files, std::string_view from, std::string_view to);

}  // namespace vrel
