#include "platform/FolderCopy.h"

namespace vrel {

namespace {

void note(FolderCopyResult& r, const FileStatus& st) {
  if (st) return;
  if (r.failures++ == 0) r.status = st;
}

void copyInto(const Files& files, const std::string& from, const std::string& to, bool recurse,
              FolderCopyResult& r) {
  std::vector<std::string> subfolders;
  const FileStatus st = files.copyFiles(from, to, subfolders, [&](const FileStatus& one) {
    note(r, one);
    if (one) ++r.filesCopied;
  });
  if (!st) return note(r, st);
  if (!recurse) return;
  for (const std::string& sub : subfolders) copyInto(files, winJoin(from, sub), winJoin(to, sub), true, r);
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
