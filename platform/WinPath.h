// Windows paths of the machine and the host files behind them. Drive letters
// map to host folders (Machine::driveFolder); every component resolves
// without regard to case.
#pragma once

#include <string>
#include <string_view>

namespace vrel {

class Machine;

class WinPaths {
 public:
  explicit WinPaths(Machine& machine) : m_machine(machine) {}

  // Host path for a Windows path ("C:\Program Files\x", "x\y" relative to the
  // current folder, "/" accepted as a separator). Existing components are
  // matched case-insensitively; missing ones keep the given spelling. Returns
  // empty text for paths that name no drive (UNC, bad drive letters).
  std::string toHost(std::string_view winPath) const;
  // Windows form of a host path: C:\... under a drive folder, else Z:\...
  std::string toWindows(std::string_view hostPath) const;

  // Canonical Windows form: drive letter upper-cased, '/' to '\', "." and
  // ".." segments resolved, relative paths made absolute.
  std::string absolute(std::string_view winPath) const;

  // Whether the disk behind the path's drive is full (Machine::driveFull).
  bool driveIsFull(std::string_view winPath) const;

  // Process-wide current folder (initially VREL_CWD, else the host's).
  static std::string currentFolder();
  static void setCurrentFolder(std::string_view winPath);

 private:
  Machine& m_machine;
};

// "C:\a\b.txt" -> "C:\a"; "C:\a\" -> "C:\a"
std::string winParent(std::string_view winPath);
// "C:\a\b.txt" -> "b.txt"
std::string winFileName(std::string_view winPath);
// Joins with exactly one backslash.
std::string winJoin(std::string_view a, std::string_view b);

// The host path of this executable: argv0 made absolute when it names a
// path, else what the system reports.
std::string executableHostPath(const char* argv0);

// The program folder for an executable's host path, as the machine names it
// (no trailing backslash): a program's own folder.
std::string programFolderOf(const WinPaths& paths, const std::string& executableHostPath);

}  // namespace vrel
