// The stand-in Windows machine: a folder named by VREL_MACHINE holding the
// machine's store (registry, machine values, service and process tables) and
// one host folder per drive letter.
#pragma once

#include "platform/Registry.h"
#include "platform/Sqlite.h"

#include <memory>
#include <string>
#include <string_view>

namespace vrel {

class Machine {
 public:
  // Opens the machine at root, creating an empty one when the folder does not
  // exist yet. On failure returns null and fills error.
  static std::unique_ptr<Machine> open(const std::string& root, std::string& error);
  // The machine named by VREL_MACHINE, which must be an existing folder.
  static std::unique_ptr<Machine> fromEnvironment(std::string& error);
  // The machine of this process (of the code that calls it: a shared library
  // has its own), opened on first use from VREL_MACHINE and opened again when
  // the variable names another folder (tests switch machines); earlier ones
  // stay valid until the process ends. Null when there is none.
  static Machine* processMachine();
  ~Machine();

  const std::string& root() const { return m_root; }
  // Host folder behind a drive letter ('C' -> <root>/drive_c; 'Z' -> "/").
  std::string driveFolder(char letter) const;

  // A drive whose disk is full takes no more data: every write through the
  // platform fails with "Disk full". The mark is a file <root>/full/<letter>,
  // so every process of the machine sees it at the cost of one stat.
  bool driveFull(char letter) const;
  bool setDriveFull(char letter, bool full);

  sql::Database& store() { return m_store; }
  Registry& registry() { return *m_registry; }

  // Machine values: ComputerName, LanGroup, UserName, LogonDomain,
  // LogonServer, OsVersion, Platform, ... Names are case-insensitive.
  std::string value(std::string_view name, std::string_view fallback = "");
  bool setValue(std::string_view name, std::string_view value);
  std::string computerName() { return value("ComputerName", "STANDIN"); }

  // The folder of the Windows tools (net, kill, regedit, ...) on the host;
  // VREL_TOOLS or the folder the build put them in.
  static std::string toolsFolder();

 private:
  Machine() = default;
  bool init(std::string& error);
  void linkSystemTools();

  std::string m_root;
  sql::Database m_store;
  std::unique_ptr<Registry> m_registry;
};

}  // namespace vrel
