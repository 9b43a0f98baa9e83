#include "platform/MachineSnapshot.h"

#include "platform/Machine.h"
#include "platform/Services.h"
#include "platform/Text.h"
#include "platform/data/ServerFunctions.h"
#include "platform/data/SqlInstance.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <thread>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vrel {

namespace {

namespace fs = std::filesystem;

// The hives a program writes; HKEY_CLASSES_ROOT and HKEY_CURRENT_CONFIG are
// views of these.
constexpr Hive kHives[] = {Hive::LocalMachine, Hive::CurrentUser, Hive::Users};

std::string hexText(const Bytes& data) {
  static const char* digits = "0123456789abcdef";
  std::string out = "hex:";
  for (std::uint8_t b : data) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string valueText(const RegValue& v) {
  switch (v.type) {
    case kRegSz:
    case kRegExpandSz:
    case kRegMultiSz:
      return regDataAsText(v.data);
    case kRegDword:
      if (v.data.size() == 4)
        return "dword:" + std::to_string(v.data[0] | v.data[1] << 8 | v.data[2] << 16 | std::uint32_t(v.data[3]) << 24);
      [[fallthrough]];
    default:
      return hexText(v.data);
  }
}

bool snapshotRegistry(Machine& machine, MachineSnapshot& out, std::string& error) {
  for (Hive hive : kHives) {
    std::vector<Registry::KeyDump> keys;
    const RegStatus s = machine.registry().dumpBranch(hive, "", keys);
    if (s == kRegNotFound) continue;
    if (s != kRegOk) {
      error = "cannot read the registry hive " + hiveName(hive) + " (error " + std::to_string(s) + ")";
      return false;
    }
    for (const Registry::KeyDump& k : keys) {
      const std::string key = k.path.empty() ? hiveName(hive) : hiveName(hive) + "\\" + k.path;
      for (const RegValue& v : k.values) {
        // A multi-string keeps its parts apart in the text.
        std::string text = valueText(v);
        if (v.type == kRegMultiSz) text = hexText(v.data);
        out.registry[foldCase(key + "\\" + v.name)] = {key, v.name, text};
      }
    }
  }
  return true;
}

// Folds one more piece into a row's fingerprint.
std::uint64_t mix(std::uint64_t h, std::uint64_t piece) {
  h ^= piece + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
  return h * 0xff51afd7ed558ccdull;
}

// One fingerprint per row: each column's storage class and content, numbers
// taken as they are stored rather than as text.
bool snapshotTable(sql::Database& db, const std::string& table, std::vector<std::uint64_t>& out) {
  std::string quoted = "\"";
  for (char c : table) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  const std::string text = "SELECT * FROM " + quoted + "\"";
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db.handle(), text.c_str(), -1, &st, nullptr) != SQLITE_OK) return false;
  const int columns = sqlite3_column_count(st);
  const std::hash<std::string_view> bytesHash;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    std::uint64_t h = 1469598103934665603ull;
    for (int c = 0; c < columns; ++c) {
      const int type = sqlite3_column_type(st, c);
      h = mix(h, static_cast<std::uint64_t>(type));
      switch (type) {
        case SQLITE_INTEGER:
          h = mix(h, static_cast<std::uint64_t>(sqlite3_column_int64(st, c)));
          break;
        case SQLITE_FLOAT: {
          const double d = sqlite3_column_double(st, c);
          std::uint64_t bits = 0;
          std::memcpy(&bits, &d, sizeof bits);
          h = mix(h, bits);
          break;
        }
        case SQLITE_NULL:
          break;
        default: {
          const void* bytes = type == SQLITE_BLOB ? sqlite3_column_blob(st, c) : sqlite3_column_text(st, c);
          const int n = sqlite3_column_bytes(st, c);
          h = mix(h, static_cast<std::uint64_t>(n));
          if (bytes) h = mix(h, bytesHash(std::string_view(static_cast<const char*>(bytes), static_cast<std::size_t>(n))));
        }
      }
    }
    out.push_back(h);
  }
  sqlite3_finalize(st);
  std::sort(out.begin(), out.end());
  return rc == SQLITE_DONE;
}

bool snapshotDatabases(Machine& machine, MachineSnapshot& out, std::string& error) {
  data::SqlInstance instance(machine);
  for (const std::string& name : instance.databases()) {
    // The shared hold keeps a restore from replacing the file mid-read.
    auto hold = instance.holdShared(name, error);
    if (!hold) return false;
    sql::Database db;
    if (!db.open(instance.databaseFile(name), false, error)) return false;
    // The server's collations and functions, which its tables name.
    if (!data::registerServerFunctions(db.handle(), error)) return false;
    std::vector<std::string> tables;
    {
      sql::Statement st(db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'");
      while (st.step() == SQLITE_ROW) tables.push_back(st.text(0));
    }
    for (const std::string& table : tables)
      if (!snapshotTable(db, table, out.rows[name + "." + table])) {
        error = "cannot read the table " + table + " of the database " + name + ": " + db.lastError();
        return false;
      }
  }
  return true;
}

// The regular files under an open host folder, named from winPrefix; links
// are not followed and folders that cannot be read are passed over. Each
// entry is looked at relative to its open folder, so no path is walked
// again per file.
using FileStamps = std::map<std::string, MachineSnapshot::FileStamp>;

void snapshotFolder(int folder, const std::string& winPrefix, FileStamps& out) {
  DIR* d = fdopendir(folder);
  if (!d) {
    ::close(folder);
    return;
  }
  while (dirent* e = readdir(d)) {
    if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
    if (e->d_type == DT_DIR) {
      const int sub = openat(dirfd(d), e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0) snapshotFolder(sub, winPrefix + e->d_name + "\\", out);
      continue;
    }
    struct stat st{};
    if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode)) {  // a file system that does not report types
      const int sub = openat(dirfd(d), e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0) snapshotFolder(sub, winPrefix + e->d_name + "\\", out);
      continue;
    }
    if (!S_ISREG(st.st_mode)) continue;
    out[winPrefix + e->d_name] = {static_cast<std::uint64_t>(st.st_size),
                                  st.st_mtim.tv_sec * 1000000000ll + st.st_mtim.tv_nsec};
  }
  closedir(d);
}

void snapshotFiles(const std::string& machineRoot, FileStamps& out) {
  std::error_code ec;
  for (const fs::directory_entry& drive : fs::directory_iterator(machineRoot, ec)) {
    const std::string folder = drive.path().filename().string();
    if (folder.size() != 7 || folder.compare(0, 6, "drive_") != 0 || folder[6] == 'z') continue;
    const std::string letter(1, static_cast<char>(std::toupper(static_cast<unsigned char>(folder[6]))));
    const int fd = ::open(drive.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) snapshotFolder(fd, letter + ":\\", out);
  }
}

}  // namespace

bool takeMachineSnapshot(Machine& machine, MachineSnapshot& out, std::string& error) {
  out = MachineSnapshot{};
  // The folders are walked on a second thread while the registry and the
  // databases are read: the walk is mostly waiting on system calls, the
  // rest is SQLite's work, and neither touches what the other fills.
  FileStamps files;
  {
    std::jthread walk([&files, root = machine.root()] { snapshotFiles(root, files); });
    if (!snapshotRegistry(machine, out, error) || !snapshotDatabases(machine, out, error)) return false;
  }
  out.files = std::move(files);
  std::vector<ServiceInfo> services;
  std::string ignored;
  if (Services(machine).list(services, ignored))
    for (const ServiceInfo& s : services) out.services[s.name] = static_cast<int>(s.state);
  return true;
}

std::uint64_t MachineChanges::rowsWritten() const {
  std::uint64_t n = 0;
  for (const TableChange& t : tables) n += t.written;
  return n;
}

std::uint64_t MachineChanges::rowsRemoved() const {
  std::uint64_t n = 0;
  for (const TableChange& t : tables) n += t.removed;
  return n;
}

namespace {

// Walks two sorted maps together; each key goes to one call of visit with
// the entry before (or null) and after (or null).
template <class Map, class Visit>
void mergeWalk(const Map& before, const Map& after, Visit visit) {
  auto b = before.begin();
  auto a = after.begin();
  while (b != before.end() || a != after.end()) {
    if (a == after.end() || (b != before.end() && b->first < a->first)) {
      visit(b->first, &b->second, nullptr);
      ++b;
    } else if (b == before.end() || a->first < b->first) {
      visit(a->first, nullptr, &a->second);
      ++a;
    } else {
      visit(a->first, &b->second, &a->second);
      ++a, ++b;
    }
  }
}

// Rows of one multiset not in the other.
std::uint64_t countMissing(const std::vector<std::uint64_t>& from, const std::vector<std::uint64_t>& in) {
  std::vector<std::uint64_t> missing;
  std::set_difference(from.begin(), from.end(), in.begin(), in.end(), std::back_inserter(missing));
  return missing.size();
}

}  // namespace

MachineChanges diffMachineSnapshots(const MachineSnapshot& before, const MachineSnapshot& after) {
  using S = MachineSnapshot;
  MachineChanges out;
  mergeWalk(before.registry, after.registry, [&](const std::string&, const S::Value* b, const S::Value* a) {
    if (b && a && b->text == a->text) return;
    const S::Value& v = a ? *a : *b;
    out.values.push_back({v.key, v.name, b ? b->text : "", a ? a->text : "", b != nullptr, a != nullptr});
  });
  static const std::vector<std::uint64_t> kNone;
  mergeWalk(before.rows, after.rows,
            [&](const std::string& table, const std::vector<std::uint64_t>* b, const std::vector<std::uint64_t>* a) {
              const auto& was = b ? *b : kNone;
              const auto& is = a ? *a : kNone;
              if (was == is) return;
              out.tables.push_back({table, countMissing(is, was), countMissing(was, is)});
            });
  mergeWalk(before.files, after.files, [&](const std::string& path, const S::FileStamp* b, const S::FileStamp* a) {
    if (b && a && b->size == a->size && b->changedNs == a->changedNs) return;
    out.files.push_back({path, !b ? "added" : !a ? "removed" : "changed"});
  });
  mergeWalk(before.services, after.services, [&](const std::string& name, const int* b, const int* a) {
    if (b && a && *b == *a) return;
    out.services.push_back({name, b ? *b : 0, a ? *a : 0});
  });
  return out;
}

}  // namespace vrel
