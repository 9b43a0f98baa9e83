// A picture of what a run can change on a machine, and the difference of two
// such pictures: registry values (every hive the programs write), database
// rows (each table of each database of the default instance, as a multiset
// of row fingerprints), files on the machine's own drives (size and change
// time) and service states. The restore run takes one before and one after
// itself; its report and a rehearsal's list of changes are their difference.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vrel {

class Machine;

struct MachineSnapshot {
  struct Value {
    std::string key;   // "HKEY_LOCAL_MACHINE\Software\X", as the machine spells it
    std::string name;  // "" for the default value
    std::string text;  // the data as a reader sees it ("dword:5", the string, hex)
  };
  // By folded "key\name".
  std::map<std::string, Value> registry;
  // By "Database.Table": sorted row fingerprints.
  std::map<std::string, std::vector<std::uint64_t>> rows;
  struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t changedNs = 0;
  };
  // By Windows path ("C:\Orvix\x.wav"); drive Z (the host) is not walked.
  std::map<std::string, FileStamp> files;
  // Service name -> state number.
  std::map<std::string, int> services;
};

// Takes the picture. False with error when the registry or a database
// cannot be read; files that vanish while they are walked are skipped.
bool takeMachineSnapshot(Machine& machine, MachineSnapshot& out, std::string& error);

struct MachineChanges {
  struct ValueChange {
    std::string key, name;
    std::string before, after;  // "" with had/has false when absent
    bool had = false, has = false;
  };
  struct TableChange {
    std::string table;  // "Database.Table"
    std::uint64_t written = 0;  // rows present after that were not before (inserted or updated)
    std::uint64_t removed = 0;  // rows present before that are not after (deleted or updated)
  };
  struct FileChange {
    std::string path;
    const char* how = "";  // "added", "changed", "removed"
  };
  struct ServiceChange {
    std::string name;
    int before = 0, after = 0;  // 0: not installed
  };
  std::vector<ValueChange> values;
  std::vector<TableChange> tables;
  std::vector<FileChange> files;
  std::vector<ServiceChange> services;

  std::uint64_t rowsWritten() const;
  std::uint64_t rowsRemoved() const;
};

// What changed from before to after, each list in name order.
MachineChanges diffMachineSnapshots(const MachineSnapshot& before, const MachineSnapshot& after);

}  // namespace vrel
