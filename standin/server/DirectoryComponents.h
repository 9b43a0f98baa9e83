// The server's directory components as their type libraries present them to
// clients:
// - the SQL/directory synchroniser "VozIvuravUzezOro.DbSync", whose
//   SyncCommit walks the server's subscribers, raises Progress and LogInfo
//   events, and writes what the directory knows of them into the global
//   subscriber table;
// - the directory service classes ("TMDSEx55.TmDSEx55.1",
//   "TMDSGlobalCatalog.TmDSGlobalCatalog.1", "TMDSDomino.TmDSDomino.1"),
//   whose fifth interface member synchronises the global (remote) objects.
// Clients create them by ProgID; a ProgID missing from HKEY_CLASSES_ROOT of
// the machine fails with REGDB_E_CLASSNOTREG, as an unregistered class does.
//
// Tests and drills make them misbehave with machine values:
//   DbSyncFail      "<hex HRESULT>[,<count>]": that many SyncCommit calls
//                   (every call without a count) fail with the HRESULT
//   DbSyncErrors    N: the first N subscribers are reported through LogInfo
//                   as not written to SQL (code 800B1004), with one event of
//                   an informational code (800B1003) before them
//   DbSyncCrash     "1": the synchroniser's process dies after its first
//                   progress event
//   DirectoryServiceFail  "<hex HRESULT>": the global synchronisation fails
#pragma once

#include "platform/Registry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vrel {
class Machine;
}

namespace vrel::standin {

enum class MailStoreKind : int;

// An HRESULT with the description of its error information.
struct ComResult {
  std::int32_t hr = 0;
  std::string description;
  bool failed() const { return hr < 0; }
};

inline constexpr std::int32_t kClassNotRegistered = static_cast<std::int32_t>(0x80040154u);

inline constexpr const char* kDbSyncProgId = "VozIvuravUzezOro.DbSync";
inline constexpr const char* kDbSyncProgIdVersioned = "VozIvuravUzezOro.dbSync.1";
inline constexpr const char* kEx55DirectoryProgId = "TMDSEx55.TmDSEx55.1";
inline constexpr const char* kGlobalCatalogProgId = "TMDSGlobalCatalog.TmDSGlobalCatalog.1";
inline constexpr const char* kDominoDirectoryProgId = "TMDSDomino.TmDSDomino.1";

// LogInfo codes the synchroniser raises.
inline constexpr std::int32_t kSyncInformational = static_cast<std::int32_t>(0x800B1003u);
inline constexpr std::int32_t kSyncSqlWriteFailed = static_cast<std::int32_t>(0x800B1004u);

class DbSyncEvents {
 public:
  virtual ~DbSyncEvents() = default;
  virtual void Progress(std::int32_t current, std::int32_t total) = 0;
  virtual void LogInfo(std::int32_t code, const std::string& text, std::int32_t value) = 0;
};

class DbSync {
 public:
  virtual ~DbSync() = default;
  // Connects the event sink (null disconnects).
  virtual void Advise(DbSyncEvents* sink) = 0;
  // Synchronises SQL with the directory and returns when done. server and
  // database are in/out texts (empty: the local server's OrvixDB); flags is
  // the scope word; option and reserved are 0 for a full run.
  virtual ComResult SyncCommit(std::string& server, std::string& database, std::uint32_t flags,
                               std::int16_t option, std::int32_t reserved) = 0;
};

class DirectoryService {
 public:
  virtual ~DirectoryService() = default;
  // The interface's fifth member: synchronises the global (remote) objects.
  virtual ComResult SynchronizeGlobalObjects(const std::string& options) = 0;
};

ComResult createDbSync(Machine& machine, const std::string& progId, std::unique_ptr<DbSync>& out);
ComResult createDirectoryService(Machine& machine, const std::string& progId,
                                 std::unique_ptr<DirectoryService>& out);

// The class registrations an installation of that mail store kind carries
// in HKEY_CLASSES_ROOT.
void addDirectoryComponentRegistration(std::vector<RegOp>& ops, MailStoreKind kind, const std::string& installRoot);

}  // namespace vrel::standin
