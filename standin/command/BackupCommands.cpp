// standin backup DIR: writes the backup folder of the machine's server.
#include "platform/WinPath.h"
#include "standin/command/Commands.h"
#include "standin/server/Backup.h"

#include <cstdio>

namespace vrel::standin {

int cmdBackup(const Args& a) {
  if (a.size() != 2 || a[1].empty()) return usage("backup needs DIR");
  auto machine = openMachine();
  if (!machine) return 1;
  // A host folder is named on the machine through Z:.
  const std::string folder = a[1].front() == '/' ? WinPaths(*machine).toWindows(a[1]) : a[1];
  BackupReport report;
  std::string error;
  const bool ok = backupServer(*machine, folder, report, error);
  for (const std::string& item : report.written) std::printf("wrote %s\n", item.c_str());
  for (const std::string& item : report.skipped) std::printf("skipped %s\n", item.c_str());
  if (!ok) {
    std::fprintf(stderr, "standin: backup failed: %s\n", error.c_str());
    return 1;
  }
  std::printf("backup written: %s\n", folder.c_str());
  return 0;
}

}  // namespace vrel::standin
