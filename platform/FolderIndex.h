// Case-insensitive lookup of names in host folders at a cost that does not
// depend on how many entries a folder holds.
//
// A folder is read once; its names are kept folded (foldCase, the rule of
// iequals) and kept current from the kernel's change notifications
// (inotify), which report every change made on this host by any process,
// this one included, by the time the call that made it returns. A run of
// creations in one folder therefore never reads the folder again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vrel {

class FolderIndex {
 public:
  struct Limits {
    std::size_t folders = 256;    // folders indexed at once (each holds a watch)
    std::size_t names = 262'144;  // names held over all folders
  };
  struct Stats {
    std::uint64_t scans = 0;  // full reads of a folder
    std::size_t folders = 0;  // folders indexed now
    std::size_t names = 0;    // names held now
  };

  FolderIndex();
  explicit FolderIndex(Limits limits);
  ~FolderIndex();
  FolderIndex(const FolderIndex&) = delete;
  FolderIndex& operator=(const FolderIndex&) = delete;

  // The index of the process (WinPaths resolves through it).
  static FolderIndex& shared();

  // The spelling of the entry of hostFolder whose name equals name ignoring
  // case: name itself when that spelling exists, else any one of the
  // matching entries; empty text when none matches or the folder cannot be
  // read. Safe to call from several threads.
  std::string find(const std::string& hostFolder, std::string_view name);

  Stats stats() const;

 private:
  struct State;
  std::unique_ptr<State> m;
};

}  // namespace vrel
