// A disposable copy of a stand-in machine: its store (registry, machine
// values, services), its databases and its drives, copied into a new
// folder of the host's temporary folder and removed with the object, for a
// run that must leave the machine itself untouched. The copy records no
// running processes, so ending processes on it never reaches the machine's
// own.
#pragma once

#include "platform/Machine.h"

#include <memory>
#include <string>

namespace vrel {



class MachineCopy {
 public:
  MachineCopy() = default;
  ~MachineCopy();
  MachineCopy(const MachineCopy&) = delete;
  MachineCopy& operator=(const MachineCopy&) = delete;

  // Copies machine (symbolic links as links) and opens the copy. False with
  // error on any failure; what was copied is removed with the object.
  bool make(Machine& machine, std::string& error);

  Machine& machine() { return *m_copy; }
  // The copy's machine folder.
  const std::string& root() const { return m_root; }

 private:
  std::string m_folder;  // the temporary folder holding the copy
  std::string m_root;
  std::unique_ptr<Machine> m_copy;
};

}  // namespace vrel
