#include "restore/aliases/RemapSubscriberAliases.h"

#include "platform/Text.h"
#include "platform/data/Command.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "restore/aliases/AliasMapText.h"
#include "restore/preserve/SQLInfoSupport.h"
#include "restore/run/Program.h"
#include "restore/run/frmMainTraps.h"

#include <algorithm>
#include <array>

namespace vrel::restore {

namespace {

constexpr int kUnableToRemap = 170;  // "Unable to remap old alias="
constexpr int kToNewAlias = 171;     // " to new alias="
constexpr int kAliasTaken = 172;     // "There is another subscriber record with that alias already."

constexpr std::size_t kMinPathLength = 3;
constexpr std::size_t kMinHeaderLength = 10;
constexpr std::size_t kMinLineLength = 2;
// Lines whose changes are committed together; see AliasRemap::beginBatch.
constexpr std::size_t kLinesPerCommit = 500;

constexpr const char* kSubscriberByUid = "SELECT Alias, UID, SubscriberObjectID FROM Subscriber WHERE UID=?";

// The tables that name a subscriber by alias, in the order they are
// rewritten; each statement binds the new alias, then the old one.
constexpr std::array<const char*, 5> kAliasReferences = {
    "UPDATE GlobalSubscriber SET Alias=? WHERE Alias=?",
    "UPDATE PersonalDlist SET ParentAlias=? WHERE ParentAlias=?",
    "UPDATE NotificationMWI SET ParentAlias=? WHERE ParentAlias=?",
    "UPDATE NotificationDevice SET ParentAlias=? WHERE ParentAlias=?",
    "UPDATE NotificationRule SET ParentAlias=? WHERE ParentAlias=?",
};

// Holds a transaction on the connection until committed; one left open is
// rolled back, so a line's database changes land together or not at all.
class LineTransaction {
 public:
  explicit LineTransaction(data::Connection& db) : m_db(db) { m_db.beginTrans(); }
  ~LineTransaction() {
    if (m_open) trapStatement([&] { m_db.rollbackTrans(); });
  }
  LineTransaction(const LineTransaction&) = delete;
  LineTransaction& operator=(const LineTransaction&) = delete;
  void commit() {
    m_db.commitTrans();
    m_open = false;
  }

 private:
  data::Connection& m_db;
  bool m_open = true;
};

class AliasRemap {
 public:
  AliasRemap(Program& program, const AliasRemapSource& source)
      : m_p(program), m_source(source), m_db(program.machine), m_access(program.machine) {}

  void run();

 private:
  bool readMappingFile(std::vector<std::string>& lines);
  bool findColumns(const std::string& header);
  bool openServerDatabase();
  bool openSubscriberInfo();
  void remapLine(const std::string& line);
  bool refusedAsFileName(const std::string& alias);
  bool renameInDatabase(const std::string& oldAlias, const std::string& newAlias);
  bool renameInSubscriberInfo(const std::string& oldAlias, const std::string& newAlias);
  void copyMessageFile(const std::string& oldAlias, const std::string& newAlias);
  void openSubscriber(data::Recordset& rs, const std::string& uid);
  void beginBatch();
  void commitBatch();
  void showBox(const std::string& text);
  void log(const std::string& line) { m_p.log.WriteToLog(line); }
  // Runs one step under the procedure's trap; false when it failed.
  template <class F>
  bool trapped(F&& step) {
    const auto e = trapStatement(std::forward<F>(step));
    if (e) reportError(*e);
    return !e;
  }
  void reportError(const TrappedError& e);

  Program& m_p;
  const AliasRemapSource& m_source;
  data::Connection m_db;
  data::Connection m_access;
  data::Recordset m_subscriberInfo;
  bool m_batchOpen = false;
  bool m_fileUpdate = false;
  AliasColumns m_columns;
  std::size_t m_fieldsNeeded = 0;
};

void AliasRemap::reportError(const TrappedError& e) {
  const std::string text = "Error " + std::to_string(e.number) + " (" + e.description +
                           ") in procedure RemapSubscriberAliases of Module Module1";
  // Logged as well as shown: the run's closing count of error lines must
  // not call a run whose remapping failed a clean one.
  log("(error) " + text);
  showBox(text);
}

// The lines' changes are committed in batches: a commit per line would wait
// for the disk twice for every line of a long mapping file. Inside a batch
// each line is a transaction of its own (LineTransaction), so a failing line
// is undone alone. A batch also ends before a message box, so the run holds
// no lock while it waits for the user, and at the end of the file.
void AliasRemap::beginBatch() {
  m_batchOpen = trapped([&] {
    m_db.beginTrans();
    if (m_access.isOpen()) m_access.beginTrans();
  });
}

void AliasRemap::commitBatch() {
  if (!m_batchOpen) return;
  m_batchOpen = false;
  trapped([&] { m_db.commitTrans(); });
  if (m_access.isOpen()) trapped([&] { m_access.commitTrans(); });
}

void AliasRemap::showBox(const std::string& text) {
  const bool batch = m_batchOpen;
  commitBatch();
  m_p.MsgBox(text);
  if (batch) beginBatch();
}

void AliasRemap::run() {
  log("    Starting remapping of subscriber aliases");
  std::vector<std::string> lines;
  if (!readMappingFile(lines)) return;
  if (!findColumns(lines.empty() ? std::string() : lines.front())) return;
  // Without the server database every line would fail alike; one box says so.
  if (!openServerDatabase()) return;
  m_fileUpdate = openSubscriberInfo();
  beginBatch();
  for (std::size_t i = 1; i < lines.size(); ++i) {
    remapLine(lines[i]);
    if (i % kLinesPerCommit == 0) {
      commitBatch();
      beginBatch();
    }
  }
  commitBatch();
}

bool AliasRemap::readMappingFile(std::vector<std::string>& lines) {
  const std::string& path = m_source.mappingFilePath;
  if (textLength(path) < kMinPathLength) {
    log("(error) alias mapping file is empty");
    return false;
  }
  if (!m_p.files.fileExists(path)) {
    log("(error) alias mapping file not found:" + path);
    return false;
  }
  std::string data;
  if (const FileStatus st = m_p.files.readAll(path, data); !st) {
    reportError({st.number, st.description});
    return false;
  }
  lines = mappingFileLines(data);
  return true;
}

bool AliasRemap::findColumns(const std::string& header) {
  const std::vector<std::string> fields = split(header, ',');
  if (textLength(header) < kMinHeaderLength || fields.size() < 2) {
    log("(error) first line of alias remapping file is not valid - exiting replacement routine");
    return false;
  }
  m_columns = findAliasColumns(fields);
  if (m_columns.oldAlias < 0 || m_columns.newAlias < 0) {
    log("(error) could not find both new and old alias columns in the alias mapping file - exiting map routine.");
    return false;
  }
  m_fieldsNeeded = static_cast<std::size_t>(std::max(m_columns.oldAlias, m_columns.newAlias)) + 1;
  return true;
}

bool AliasRemap::openServerDatabase() {
  return trapped([&] { m_db.open(m_p.connectionString); });
}

bool AliasRemap::openSubscriberInfo() {
  if (!m_source.restoreMessages || !m_p.files.fileExists(m_p.programFolder() + "\\SubscriberInfo.MDB")) return false;
  const std::string connection =
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + m_p.programFolder() + "\\SubscriberInfo.mdb";
  log("        Attempting to connect to Access using connection string:" + connection);
  const bool opened = trapped([&] {
    // A client cursor with the alias column indexed: each line looks its
    // row up instead of scanning the whole table.
    m_access.open(connection);
    m_subscriberInfo.setCursorLocation(data::adUseClient);
    m_subscriberInfo.open("Select * from Subscribers", m_access, data::adOpenKeyset, data::adLockOptimistic);
    m_subscriberInfo.fields("Alias").setOptimize(true);
  });
  if (!opened && m_subscriberInfo.isOpen()) m_subscriberInfo.close();
  if (!m_subscriberInfo.isOpen()) {
    if (m_access.isOpen()) trapped([&] { m_access.close(); });
    log("    Failed to update subscriber information MDB file - messages for subscribers witch changed aliases may "
        "fail");
    return false;
  }
  return true;
}

void AliasRemap::remapLine(const std::string& line) {
  if (textLength(line) < kMinLineLength) return;
  const std::vector<std::string> fields = split(line, ',');
  if (fields.size() < m_fieldsNeeded) return;
  const std::string oldAlias = trim(fields[static_cast<std::size_t>(m_columns.oldAlias)]);
  const std::string newAlias = trim(fields[static_cast<std::size_t>(m_columns.newAlias)]);
  if (oldAlias.empty() || newAlias.empty() || iequals(oldAlias, newAlias)) return;

  log("    Searching for subscriber alias=" + printableAlias(oldAlias) +
      " and replacing with new alias=" + printableAlias(newAlias));
  if (refusedAsFileName(oldAlias) || refusedAsFileName(newAlias)) return;
  bool renamed = false;
  if (!trapped([&] { renamed = renameInDatabase(oldAlias, newAlias); }) || !renamed) return;
  if (!m_fileUpdate) return;
  bool found = false;
  if (!trapped([&] { found = renameInSubscriberInfo(oldAlias, newAlias); }) || !found) return;
  copyMessageFile(oldAlias, newAlias);
}

// An alias names the subscriber's message file "<alias>.PST" in the
// Messages folder, so one that would lead the copy elsewhere (or to a
// device) is refused for the whole line, database included: renaming the
// subscriber without its message file would strand its messages.
bool AliasRemap::refusedAsFileName(const std::string& alias) {
  const std::string fault = aliasFileNameFault(alias);
  if (fault.empty()) return false;
  log("(error) the alias " + printableAlias(alias) + " cannot name a message file (" + fault +
      ") - skipping remap for that alias, nothing was changed.");
  return true;
}

void AliasRemap::openSubscriber(data::Recordset& rs, const std::string& uid) {
  data::Command cmd;
  cmd.setActiveConnection(m_db);
  cmd.setCommandText(kSubscriberByUid);
  cmd.parameters().append(data::Command::createParameter("UID", data::adVarWChar, data::adParamInput,
                                                         static_cast<long>(uid.size()), data::Variant(uid)));
  rs.open(cmd, data::adOpenKeyset, data::adLockOptimistic);
}

bool AliasRemap::renameInDatabase(const std::string& oldAlias, const std::string& newAlias) {
  {
    data::Recordset taken;
    openSubscriber(taken, newAlias);
    if (!taken.eof()) {
      taken.close();
      log("(error)   a user record with that alias already exists in the subscriber table. Skipping remap for that "
          "alias.");
      showBox(m_p.str(kUnableToRemap) + oldAlias + m_p.str(kToNewAlias) + newAlias + "\r\n" + m_p.str(kAliasTaken));
      return false;
    }
    taken.close();
  }
  data::Recordset rs;
  openSubscriber(rs, oldAlias);
  const long rows = rs.recordCount();
  if (rows == 0) {
    log("(warning)    No subscriber found with that alias");
    rs.close();
    return false;
  }
  if (rows > 1) {
    log("(error) more than one subscriber found with that alias - skipping");
    rs.close();
    return false;
  }
  log("        Local subscriber found matching that alias - changing references in the database");
  LineTransaction transaction(m_db);
  rs.fields("Alias") = data::Variant(newAlias);
  rs.fields("UID") = data::Variant(newAlias);
  rs.update();
  rs.close();
  for (const char* statement : kAliasReferences)
    m_db.execute(statement, {data::Variant(newAlias), data::Variant(oldAlias)});
  transaction.commit();
  return true;
}

bool AliasRemap::renameInSubscriberInfo(const std::string& oldAlias, const std::string& newAlias) {
  if (!findFromFirst(m_subscriberInfo, "Alias=" + criteriaQuote(oldAlias))) return false;
  try {
    m_subscriberInfo.fields("Alias") = data::Variant(newAlias);
    m_subscriberInfo.update();
  } catch (...) {
    // A pending edit would be saved again, and fail again, on the next move.
    if (m_subscriberInfo.editMode() != data::adEditNone) m_subscriberInfo.cancelUpdate();
    throw;
  }
  return true;
}

void AliasRemap::copyMessageFile(const std::string& oldAlias, const std::string& newAlias) {
  // The backup folder ends in a backslash already; the doubled one that
  // follows is tolerated by every path the machine resolves.
  const std::string folder = m_source.backupFolder + "\\Messages\\";
  const std::string messages = folder + oldAlias + ".PST";
  if (!m_p.files.fileExists(messages)) {
    log("(warning) - message backup file could not be found using alias of: " + oldAlias +
        ".  This user may not have had messages to back up.");
    return;
  }
  for (const std::string& target : {folder + oldAlias + ".OLD", folder + newAlias + ".PST"}) {
    trapped([&] {
      if (const FileStatus st = m_p.files.copyFile(messages, target, true); !st)
        throw VbError(st.number, st.description);
    });
  }
}

}  // namespace

void RemapSubscriberAliases(Program& program, const AliasRemapSource& source) {
  AliasRemap(program, source).run();
}

}  // namespace vrel::restore
