// A throw-away stand-in machine for one test: a fresh machine root in a
// temporary folder, named in VREL_MACHINE while it lives, removed at the end.
#pragma once

#include "platform/Files.h"
#include "platform/Machine.h"

#include <memory>
#include <string>

namespace vrel::test {

class ScratchMachine {
 public:
  ScratchMachine();
  ~ScratchMachine();
  ScratchMachine(const ScratchMachine&) = delete;
  ScratchMachine& operator=(const ScratchMachine&) = delete;

  Machine& machine() { return *m_machine; }
  Registry& registry() { return m_machine->registry(); }
  Files& files() { return *m_files; }
  const std::string& root() const { return m_root; }
  // Makes VREL_MACHINE name this machine (for child processes).
  void activate() const;

  // The host path of a built tool or program (VREL_TOOLS).
  static std::string tool(const std::string& name);

 private:
  std::string m_base;
  std::string m_root;
  std::unique_ptr<Machine> m_machine;
  std::unique_ptr<Files> m_files;
};

// A temporary host folder removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
};

}  // namespace vrel::test
