// The new machine's registry branches saved into registry files in the
// restore program's folder with "regedit /e", before the backup's registry
// is imported over them.
#pragma once

#include <span>
#include <string>

namespace vrel::restore {

class frmMain;

struct LocalBranchFile {
  const char* file;        // in the program folder
  const char* branch;      // under HKEY_LOCAL_MACHINE, spelled as exported
  bool onlyWhenPresent;    // skipped, with absentLine, when the key is missing
  const char* exportLine;  // logged before the export, followed by the command
  const char* absentLine;
};

// File 0: the whole product tree, the safety copy for an aborted run.
const LocalBranchFile& wholeTreeFile();
// Files 1 to 15, re-imported over the backup's registry.
std::span<const LocalBranchFile> localBranchFiles();
// File 16: the Domino mail layer's branch, re-imported on Domino systems.
const LocalBranchFile& malLnFile();

// "regedit /e "FOLDER\FILE" "HKEY_LOCAL_MACHINE\BRANCH"".
std::string regExportCommand(const std::string& programFolder, const LocalBranchFile& file);

// Deletes an older file of the name, skips a conditional branch whose key is
// missing (logging its absent line), and otherwise logs the export line and
// the command, runs it and waits without limit. Errors go to the procedure's
// trap, and each part still runs after a failed one.
void exportLocalBranch(frmMain& form, const LocalBranchFile& file);

// Deletes a file an earlier run left (read-only or not), so an export or
// dump that fails now cannot leave that old file to be loaded later. A
// failure goes to the procedure's trap.
void deleteEarlierFile(frmMain& form, const std::string& path);

}  // namespace vrel::restore
