#include "platform/MachineCopy.h"

#include "platform/Machine.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>

namespace vrel {

namespace fs = std::filesystem;

namespace {

constexpr const char* kStoreFile = "machine.db";  // and its -wal and -shm

bool copyStore(Machine& machine, const std::string& target, std::string& error) {
  sqlite3* copy = nullptr;
  int rc = sqlite3_open_v2(target.c_str(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_backup* backup = sqlite3_backup_init(copy, "main", machine.store().handle(), "main");
    if (!backup) {
      rc = sqlite3_errcode(copy);
    } else {
      rc = sqlite3_backup_step(backup, -1);
      const int finished = sqlite3_backup_finish(backup);
      rc = rc == SQLITE_DONE ? finished : rc;
    }
  }
  if (rc != SQLITE_OK) error = "cannot copy the machine store: " + std::string(copy ? sqlite3_errmsg(copy) : sqlite3_errstr(rc));
  sqlite3_close_v2(copy);
  return rc == SQLITE_OK;
}

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
  fs::create_directory(m_root, ec);
  // Everything but the store, as files.
  for (const fs::directory_entry& entry : fs::directory_iterator(machine.root(), ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kStoreFile, 0) == 0) continue;
    fs::copy(entry.path(), m_root + "/" + name, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) break;
  }
  if (ec) {
    error = "cannot copy the machine " + machine.root() + " to " + m_root + ": " + ec.message();
    return false;
  }
  // The store through SQLite, from this process's own connection. Reading
  // its files directly would open and close them outside SQLite, and closing
  // a file drops every POSIX lock the process holds on it: the next program
  // would take the store for unused, rebuild its shared index and delete its
  // log under this process's connection, whose later writes would be lost.
  if (!copyStore(machine, m_root + "/" + kStoreFile, error)) return false;
  m_copy = Machine::open(m_root, error);
  if (!m_copy) return false;
  if (!clearProcessTable(*m_copy, error)) {
    error = "cannot clear the process table of the copy: " + error;
    return false;
  }
  return true;
}

}  // namespace vrel
