// Files and folders of the machine, named by Windows paths. The read-only
// attribute is the host file's owner-write bit, and is honoured here even
// for a process that the host would let write anyway.
#pragma once

#include "platform/Text.h"
#include "platform/WinPath.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {

// The outcome of a file operation: 0 or a VB-style run-time error number with
// its description (53 file not found, 75 path/file access error, 76 path not
// found, 58 file already exists, 61 disk full).
struct FileStatus {
  long number = 0;
  std::string description;
  explicit operator bool() const { return number == 0; }
  static FileStatus ok() { return {}; }
};

struct DirEntry {
  std::string name;
  bool isFolder = false;
  bool readOnly = false;
  std::uint64_t size = 0;
};

class Files {
 public:
  explicit Files(Machine& machine) : m_paths(machine) {}
  const WinPaths& paths() const { return m_paths; }

  bool exists(std::string_view path) const;      // file or folder
  bool fileExists(std::string_view path) const;
  bool folderExists(std::string_view path) const;

  FileStatus readAll(std::string_view path, std::string& out) const;
  // When written content is on the disk. Flush: each file before it
  // replaces the old one. Deferred: not yet; for a run of many new files
  // whose caller ends the run with syncDrive and reports success only then.
  enum class Durability { Flush, Deferred };

  // Replaces the file's content (write to a temporary, then rename).
  FileStatus writeAll(std::string_view path, std::string_view data, Durability durability = Durability::Flush) const;
  // Puts everything written to the file system holding path on the disk.
  FileStatus syncDrive(std::string_view path) const;
  FileStatus append(std::string_view path, std::string_view data) const;
  FileStatus copyFile(std::string_view from, std::string_view to, bool overwrite) const;
  // Copies every file of folder `from` into folder `to` (created when
  // missing), each as copyFile(file, target, true) would, but resolving
  // the two folders once rather than each file's path. Each file's outcome
  // goes to `done`; the names of from's subfolders are added to
  // `subfolders`. Fails as a whole when a folder cannot be read or made.
  FileStatus copyFiles(std::string_view from, std::string_view to, std::vector<std::string>& subfolders,
                       const std::function<void(const FileStatus&)>& done) const;
  // force: delete a read-only file too.
  FileStatus deleteFile(std::string_view path, bool force) const;
  FileStatus createFolder(std::string_view path, bool parents = true) const;
  FileStatus deleteFolder(std::string_view path) const;  // with content

  FileStatus list(std::string_view folder, std::vector<DirEntry>& out) const;

  bool isReadOnly(std::string_view path) const;
  FileStatus setReadOnly(std::string_view path, bool readOnly) const;

 private:
  WinPaths m_paths;
};

}  // namespace vrel
