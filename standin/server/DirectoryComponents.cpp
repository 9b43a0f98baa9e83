#include "standin/server/DirectoryComponents.h"

#include "platform/Machine.h"
#include "platform/Services.h"
#include "platform/Text.h"
#include "platform/data/AdoError.h"
#include "platform/data/Session.h"
#include "standin/server/ProvisionOptions.h"

#include <charconv>
#include <cstdlib>
#include <unordered_set>

namespace vrel::standin {

namespace {

constexpr const char* kOrvixDb = "Driver={SQL Server};server=;database=OrvixDB";
constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005u);

struct Registration {
  const char* progId;
  const char* clsid;
  const char* module;  // below the install root
};

constexpr Registration kDbSync = {kDbSyncProgId, "{1A2F6C31-5B7E-11D3-9C42-00C04F68A1D2}", "TmDbSync.dll"};
constexpr Registration kDbSyncVersioned = {kDbSyncProgIdVersioned, "{1A2F6C31-5B7E-11D3-9C42-00C04F68A1D2}",
                                           "TmDbSync.dll"};
constexpr Registration kDirectoryServices[] = {
    {kEx55DirectoryProgId, "{2A5D1F10-B98A-11D4-A10C-00C04F2B5734}", "TmDSEx55.dll"},
    {kGlobalCatalogProgId, "{2A5D1F11-B98A-11D4-A10C-00C04F2B5734}", "TmDSGlobalCatalog.dll"},
    {kDominoDirectoryProgId, "{2A5D1F12-B98A-11D4-A10C-00C04F2B5734}", "TmDSDomino.dll"},
};

bool registered(Machine& machine, const std::string& progId) {
  return !progId.empty() && machine.registry().keyExists(Hive::ClassesRoot, progId + "\\CLSID");
}

ComResult notRegistered() { return {kClassNotRegistered, "Class not registered"}; }

// "<hex HRESULT>[,<count>]" of a machine value; false when absent or bad.
bool parseFailure(const std::string& text, std::uint32_t& hr, long& count) {
  const std::vector<std::string> parts = split(trim(text), ',');
  if (parts.empty() || trim(parts[0]).empty()) return false;
  const std::string code = trim(parts[0]);
  if (std::from_chars(code.data(), code.data() + code.size(), hr, 16).ec != std::errc()) return false;
  count = -1;
  if (parts.size() > 1) {
    const std::string n = trim(parts[1]);
    if (std::from_chars(n.data(), n.data() + n.size(), count).ec != std::errc() || count < 0) return false;
  }
  return true;
}

std::string describe(std::uint32_t hr) {
  switch (hr) {
    case 0x80004003u: return "Invalid pointer";
    case 0x80010108u: return "The object invoked has disconnected from its clients.";
    case 0x80004005u: return "Unspecified error";
    default: return "Synchronisation failed";
  }
}

class MachineDbSync : public DbSync {
 public:
  explicit MachineDbSync(Machine& machine) : m_machine(machine) {}

  void Advise(DbSyncEvents* sink) override { m_sink = sink; }

  ComResult SyncCommit(std::string& server, std::string& database, std::uint32_t, std::int16_t,
                       std::int32_t) override {
    if (ComResult failure; injectedFailure(failure)) return failure;
    if (!server.empty() && !iequals(server, m_machine.computerName()))
      return {kEFail, "The server " + server + " cannot be reached"};
    if (!database.empty() && !iequals(database, "OrvixDB")) return {kEFail, "Unknown database " + database};
    try {
      synchronise();
    } catch (const data::AdoError& e) {
      return {static_cast<std::int32_t>(e.number), e.description};
    }
    return {};
  }

 private:
  bool injectedFailure(ComResult& failure) {
    std::uint32_t hr = 0;
    long count = -1;
    if (!parseFailure(m_machine.value("DbSyncFail"), hr, count) || count == 0) return false;
    if (count > 0) m_machine.setValue("DbSyncFail", trim(split(m_machine.value("DbSyncFail"), ',')[0]) + "," +
                                                        std::to_string(count - 1));
    failure = {static_cast<std::int32_t>(hr), describe(hr)};
    return true;
  }

  // Each subscriber of the server is read from the directory and written
  // into the global subscriber table; progress is reported per subscriber.
  void synchronise() {
    auto db = data::Session::open(m_machine, kOrvixDb);
    const data::Rowset rows = db->query("SELECT SubscriberObjectID, Alias, rowid FROM Subscriber ORDER BY rowid");
    const auto total = static_cast<std::int32_t>(rows.rows.size());
    long failing = std::atol(m_machine.value("DbSyncErrors", "0").c_str());
    const bool crash = trim(m_machine.value("DbSyncCrash")) == "1";
    if (failing > 0 && m_sink) m_sink->LogInfo(kSyncInformational, "Synchronisation started", 0);
    db->execute("BEGIN");
    std::int32_t current = 0;
    // The rows that fail are the first ones; those after the last failure
    // are written together below.
    long long written = 0;  // rowid after which every row is written
    // Whether two written rows share an ID; an ID that is no GUID (compared
    // by the server's rules only) counts as shared.
    std::unordered_set<std::string> ids;
    bool shared = false;
    for (const auto& row : rows.rows) {
      ++current;
      if (m_sink) m_sink->Progress(current, total);
      if (crash) std::abort();
      if (failing > 0) {
        --failing;
        written = row[2].intValue();
        if (m_sink) m_sink->LogInfo(kSyncSqlWriteFailed, row[1].isNull() ? std::string() : row[1].toString(), current);
        continue;
      }
      shared = shared || row[0].kind() != data::VarKind::Guid || !ids.insert(std::string(row[0].text())).second;
    }
    // What a row by row replacement leaves: every global row of a written
    // subscriber's ID goes, and each ID's last subscriber row takes its place.
    // The rows go by their rowids, found by joining the written subscribers
    // to the global rows (compared as GUIDs, as both columns are), rather
    // than through a sorted list of every written ID: about half the time
    // at 100,000 subscribers, and a join SQLite can plan through either
    // table's index, so it stays quick without one of them.
    db->execute(
        "DELETE FROM GlobalSubscriber WHERE rowid IN (SELECT g.rowid FROM Subscriber AS s "
        "JOIN GlobalSubscriber AS g ON g.SubscriberObjectID = s.SubscriberObjectID WHERE s.rowid > ?)",
        {data::Variant(written)});
    const std::string insert =
        "INSERT INTO GlobalSubscriber (SubscriberObjectID, Alias, DisplayName, DirectoryID, LocationObjectID, "
        "SubscriberType, IsSubscriber) SELECT SubscriberObjectID, Alias, DisplayName, DirectoryID, LocationObjectID, "
        "SubscriberType, IsSubscriber FROM Subscriber AS s WHERE s.rowid > ?";
    db->execute(shared ? insert + " AND NOT EXISTS (SELECT 1 FROM Subscriber AS t WHERE t.rowid > s.rowid AND "
                                  "t.SubscriberObjectID = s.SubscriberObjectID) ORDER BY s.rowid"
                       : insert + " ORDER BY s.rowid",
                {data::Variant(written)});
    db->execute("COMMIT");
    m_machine.setValue("DirectorySyncedSubscribers", std::to_string(total));
  }

  Machine& m_machine;
  DbSyncEvents* m_sink = nullptr;
};

class MachineDirectoryService : public DirectoryService {
 public:
  MachineDirectoryService(Machine& machine, std::string progId) : m_machine(machine), m_progId(std::move(progId)) {}

  ComResult SynchronizeGlobalObjects(const std::string&) override {
    std::uint32_t hr = 0;
    long count = 0;
    if (parseFailure(m_machine.value("DirectoryServiceFail"), hr, count))
      return {static_cast<std::int32_t>(hr), describe(hr)};
    // The global catalog monitor reads the forest through its service.
    if (iequals(m_progId, kGlobalCatalogProgId)) {
      const auto svc = Services(m_machine).find("TmDSGlobalCatalog");
      if (!svc || svc->state != ServiceState::Running)
        return {kEFail, "The global catalog monitor service is not running"};
    }
    m_machine.setValue("GlobalObjectsSynchronisedBy", m_progId);
    return {};
  }

 private:
  Machine& m_machine;
  std::string m_progId;
};

}  // namespace

ComResult createDbSync(Machine& machine, const std::string& progId, std::unique_ptr<DbSync>& out) {
  out.reset();
  if (!iequals(progId, kDbSyncProgId) && !iequals(progId, kDbSyncProgIdVersioned)) return notRegistered();
  if (!registered(machine, progId)) return notRegistered();
  out = std::make_unique<MachineDbSync>(machine);
  return {};
}

ComResult createDirectoryService(Machine& machine, const std::string& progId,
                                 std::unique_ptr<DirectoryService>& out) {
  out.reset();
  bool known = false;
  for (const Registration& r : kDirectoryServices) known = known || iequals(progId, r.progId);
  if (!known || !registered(machine, progId)) return notRegistered();
  out = std::make_unique<MachineDirectoryService>(machine, progId);
  return {};
}

void addDirectoryComponentRegistration(std::vector<RegOp>& ops, MailStoreKind kind, const std::string& installRoot) {
  auto add = [&](const Registration& r) {
    ops.push_back({RegOp::DeleteTree, Hive::ClassesRoot, r.progId, {}});
    ops.push_back({RegOp::CreateKey, Hive::ClassesRoot, std::string(r.progId) + "\\CLSID", {}});
    ops.push_back({RegOp::SetValue, Hive::ClassesRoot, std::string(r.progId) + "\\CLSID", RegValue::text("", r.clsid)});
    const std::string server = std::string("CLSID\\") + r.clsid + "\\InprocServer32";
    ops.push_back({RegOp::CreateKey, Hive::ClassesRoot, server, {}});
    ops.push_back({RegOp::SetValue, Hive::ClassesRoot, server, RegValue::text("", installRoot + r.module)});
    ops.push_back({RegOp::SetValue, Hive::ClassesRoot, std::string("CLSID\\") + r.clsid, RegValue::text("", r.progId)});
  };
  add(kDbSync);
  add(kDbSyncVersioned);
  const Registration& service = kind == MailStoreKind::Exchange55     ? kDirectoryServices[0]
                                : kind == MailStoreKind::Exchange2000 ? kDirectoryServices[1]
                                                                      : kDirectoryServices[2];
  add(service);
}

}  // namespace vrel::standin
