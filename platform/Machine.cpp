#include "platform/Machine.h"

#include <mutex>
#include <vector>

#include "platform/SqliteRegistry.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vrel {

namespace {

constexpr const char* kMachineSchema = R"sql(
CREATE TABLE IF NOT EXISTS machine_values(
  fold TEXT PRIMARY KEY,
  name TEXT NOT NULL,
  value TEXT NOT NULL);
)sql";

// Raised whenever the store's schema statements change, so that machines
// made before run them again.
constexpr const char* kStoreSchemaGeneration = "1";

// The Windows tools every machine carries in its system folder.
constexpr const char* kSystemTools[] = {"net", "kill", "regedit", "regsvr32", "bcp", "notepad", "cmd"};

constexpr const char* kDefaultUserSid = "S-1-5-21-1004336348-1177238915-682003330-500";

}  // namespace

Machine::~Machine() = default;

// A mistyped VREL_MACHINE must not silently make an empty machine: only the
// commands that make machines open a missing folder (with open()).
std::unique_ptr<Machine> Machine::fromEnvironment(std::string& error) {
  const char* root = std::getenv("VREL_MACHINE");
  if (!root || !*root) {
    error = "VREL_MACHINE is not set: it must name the machine's folder";
    return nullptr;
  }
  std::error_code ec;
  const fs::file_status st = fs::status(root, ec);
  if (!fs::exists(st)) {
    error = std::string("VREL_MACHINE names ") + root +
            ", which does not exist: no machine there (\"standin provision\" or \"standin init\" makes one)";
    return nullptr;
  }
  if (!fs::is_directory(st)) {
    error = std::string("VREL_MACHINE names ") + root + ", which is not a folder";
    return nullptr;
  }
  return open(root, error);
}

std::unique_ptr<Machine> Machine::open(const std::string& root, std::string& error) {
  std::unique_ptr<Machine> m(new Machine());
  std::error_code ec;
  fs::create_directories(root, ec);
  if (ec) {
    error = "cannot create the machine folder " + root + ": " + ec.message();
    return nullptr;
  }
  m->m_root = fs::canonical(root, ec).string();
  if (ec) {
    error = "cannot open the machine folder " + root + ": " + ec.message();
    return nullptr;
  }
  if (!m->init(error)) return nullptr;
  return m;
}

bool Machine::init(std::string& error) {
  std::error_code ec;
  fs::create_directories(m_root + "/drive_c/Windows/System32", ec);
  if (ec) {
    error = "cannot create drive C: of " + m_root + ": " + ec.message();
    return false;
  }
  if (!m_store.open(m_root + "/machine.db", true, error)) {
    error = "cannot open the machine store: " + error;
    return false;
  }
  // A registry import of tens of megabytes keeps its pages in memory instead
  // of spilling and reading them back; the cache only grows as it is used,
  // so the many small programs of a run do not pay for it.
  m_store.exec("PRAGMA cache_size=-65536");
  const bool fresh = value("Created").empty();
  // Every program opens the machine, dozens of them in one restore: the
  // schema statements (and their write lock) only run on a store that does
  // not carry this generation of them yet.
  if (value("StoreSchema") != kStoreSchemaGeneration) {
    if (!m_store.exec(kMachineSchema, &error) || !SqliteRegistry::createSchema(m_store, error) ||
        !setValue("StoreSchema", kStoreSchemaGeneration)) {
      error = "cannot prepare the machine store: " + (error.empty() ? m_store.lastError() : error);
      return false;
    }
  }
  m_registry = std::make_unique<SqliteRegistry>(m_store, value("UserSid", kDefaultUserSid));
  if (fresh) {
    // What a bare Windows installation has before anything else is installed.
    m_registry->apply({
        {RegOp::SetValue, Hive::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
         RegValue::text("SystemRoot", "C:\\Windows")},
        {RegOp::SetValue, Hive::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
         RegValue::text("Path", "%SystemRoot%\\system32;%SystemRoot%", kRegExpandSz)},
        {RegOp::CreateKey, Hive::Users, kDefaultUserSid, {}},
        {RegOp::CreateKey, Hive::LocalMachine, "SOFTWARE\\Classes", {}},
        {RegOp::CreateKey, Hive::LocalMachine, "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current", {}},
    });
    setValue("Created", "1");
  }
  linkSystemTools();
  return true;
}

Machine* Machine::processMachine() {
  static std::mutex lock;
  static std::vector<std::pair<std::string, std::unique_ptr<Machine>>> opened;
  const char* root = std::getenv("VREL_MACHINE");
  std::lock_guard<std::mutex> guard(lock);
  if (!root || !*root) return nullptr;
  if (!opened.empty() && opened.back().first == root) return opened.back().second.get();
  std::string error;
  std::unique_ptr<Machine> m = fromEnvironment(error);
  if (!m) return nullptr;
  opened.emplace_back(root, std::move(m));
  return opened.back().second.get();
}

std::string Machine::toolsFolder() {
  if (const char* t = std::getenv("VREL_TOOLS"); t && *t) return t;
#ifdef VREL_TOOLS_DIR
  return VREL_TOOLS_DIR;
#else
  return {};
#endif
}

void Machine::linkSystemTools() {
  const std::string tools = toolsFolder();
  if (tools.empty()) return;
  const std::string sys = m_root + "/drive_c/Windows/System32/";
  for (const char* tool : kSystemTools) {
    const std::string target = tools + "/" + tool;
    const std::string link = sys + tool + ".exe";
    std::error_code ec;
    if (!fs::exists(target, ec)) continue;
    if (fs::is_symlink(link, ec)) {
      if (fs::read_symlink(link, ec) == target) continue;
      fs::remove(link, ec);
    }
    if (!fs::exists(link, ec)) fs::create_symlink(target, link, ec);
  }
}

std::string Machine::driveFolder(char letter) const {
  const char l = static_cast<char>(letter | 0x20);
  if (l == 'z') return "";
  return m_root + "/drive_" + l;
}

bool Machine::driveFull(char letter) const {
  struct stat st{};
  const char mark[2] = {static_cast<char>(letter & ~0x20), 0};
  return ::stat((m_root + "/full/" + mark).c_str(), &st) == 0;
}

bool Machine::setDriveFull(char letter, bool full) {
  const char mark[2] = {static_cast<char>(letter & ~0x20), 0};
  const std::string dir = m_root + "/full";
  const std::string file = dir + "/" + mark;
  if (!full) return ::unlink(file.c_str()) == 0 || errno == ENOENT;
  ::mkdir(dir.c_str(), 0755);
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

std::string Machine::value(std::string_view name, std::string_view fallback) {
  sql::Statement st(m_store, "SELECT value FROM machine_values WHERE fold = ?1");
  st.bind(1, foldCase(name));
  if (st.ok() && st.step() == SQLITE_ROW) return st.text(0);
  return std::string(fallback);
}

bool Machine::setValue(std::string_view name, std::string_view value) {
  sql::Statement st(m_store,
                    "INSERT INTO machine_values(fold, name, value) VALUES (?1, ?2, ?3) "
                    "ON CONFLICT(fold) DO UPDATE SET name = excluded.name, value = excluded.value");
  st.bind(1, foldCase(name)).bind(2, name).bind(3, value);
  return st.run();
}

}  // namespace vrel
