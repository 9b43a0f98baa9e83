#include "platform/MachineCopy.h"

#include "platform/Machine.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>

namespace vrel {

namespace fs = std::filesystem;

namespace {

// The table does not exist on a machine that never started a program.
bool clearProcessTable(Machine& copy, std::string& error) {
  bool hasTable = false;
  {
    sql::Statement st(copy.store(), "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'processes'");
    hasTable = st.step() == SQLITE_ROW;
  }
  return !hasTable || copy.store().exec("DELETE FROM processes", &error);
}

}  // namespace

MachineCopy::~MachineCopy() {
  m_copy.reset();
  std::error_code ec;
  if (!m_folder.empty()) fs::remove_all(m_folder, ec);
}

bool MachineCopy::make(Machine& machine, std::string& error) {
  std::error_code ec;
  std::string pattern = (fs::temp_directory_path(ec) / "vrel-machine-XXXXXX").string();
  if (ec || !::mkdtemp(pattern.data())) {
    error = "cannot make a temporary folder for the copy of the machine";
    return false;
  }
  m_folder = pattern;
  m_root = m_folder + "/machine";
  // The store's log is folded into its file first, so the file alone is the
  // whole store.
  machine.store().exec("PRAGMA wal_checkpoint(TRUNCATE)");
  fs::copy(machine.root(), m_root, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  if (ec) {
    error = "cannot copy the machine " + machine.root() + " to " + m_root + ": " + ec.message();
    return false;
  }
  m_copy = Machine::open(m_root, error);
  if (!m_copy) return false;
  if (!clearProcessTable(*m_copy, error)) {
    error = "cannot clear the process table of the copy: " + error;
    return false;
  }
  return true;
}

}  // namespace vrel
