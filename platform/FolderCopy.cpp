#include "platform/FolderCopy.h"

namespace vrel {

namespace {

void note(FolderCopyResult& r, const FileStatus& st) {
  if (st) return;
  if (r.failures++ == 0) r.status = st;
}

void copyInto(const Files& files, const std::string& from, const std::string& to, bool recurse,
              FolderCopyResult& r) {
  std::vector<DirEntry> entries;
  if (FileStatus st = files.list(from, entries); !st) return note(r, st);
  if (!files.folderExists(to))
    if (FileStatus st = files.createFolder(to); !st) return note(r, st);
  for (const DirEntry& e : entries) {
    const std::string src = winJoin(from, e.name);
    const std::string dst = winJoin(to, e.name);
    if (e.isFolder) {
      if (recurse) copyInto(files, src, dst, true, r);
      continue;
    }
    const FileStatus st = files.copyFile(src, dst, true);
    note(r, st);
    if (st) ++r.filesCopied;
  }
}

}  // namespace

FolderCopyResult copyFolderTree(const Files& files, std::string_view from, std::string_view to) {
  FolderCopyResult r;
  copyInto(files, std::string(from), std::string(to), true, r);
  return r;
}

FolderCopyResult copyFolderFiles(const Files& files, std::string_view from, std::string_view to) {
  FolderCopyResult r;
  copyInto(files, std::string(from), std::string(to), false, r);
  return r;
}

}  // namespace vrel
