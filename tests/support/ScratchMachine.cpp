#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace vrel::test {

namespace {
std::string makeTemp() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/vrel-test-XXXXXX";
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  return tmpl;
}
// Removes a folder a test made; read-only folders in it must not stop the
// clean-up (links are left as they are: their targets are not ours).
void removeTree(const std::string& path) {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(path, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    if (!it->is_symlink(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path, ec);
}

}  // namespace

TempDir::TempDir() : m_path(makeTemp()) {}

TempDir::~TempDir() {
  removeTree(m_path);
}

ScratchMachine::ScratchMachine() : m_base(makeTemp()), m_root(m_base + "/machine") {
  std::string error;
  m_machine = Machine::open(m_root, error);
  if (!m_machine) throw std::runtime_error("cannot open scratch machine: " + error);
  m_root = m_machine->root();
  m_files = std::make_unique<Files>(*m_machine);
  activate();
}

ScratchMachine::~ScratchMachine() {
  m_files.reset();
  m_machine.reset();
  removeTree(m_base);
}

void ScratchMachine::activate() const { setenv("VREL_MACHINE", m_root.c_str(), 1); }

std::string ScratchMachine::tool(const std::string& name) { return Machine::toolsFolder() + "/" + name; }

}  // namespace vrel::test
