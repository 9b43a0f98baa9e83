#include "platform/EventLog.h"

#include "platform/Machine.h"
#include "platform/Text.h"

namespace vrel {

bool EventLog::ensureSchema(std::string& error) {
  return m_machine.store().exec(
      "CREATE TABLE IF NOT EXISTS event_log ("
      " number INTEGER PRIMARY KEY AUTOINCREMENT,"
      " log_key TEXT NOT NULL, log TEXT NOT NULL, source TEXT NOT NULL,"
      " type INTEGER NOT NULL, category INTEGER NOT NULL, event_id INTEGER NOT NULL);"
      "CREATE TABLE IF NOT EXISTS event_strings ("
      " number INTEGER NOT NULL, idx INTEGER NOT NULL, text TEXT NOT NULL, PRIMARY KEY (number, idx))",
      &error);
}

bool EventLog::report(const EventRecord& r, std::string& error) {
  if (!ensureSchema(error)) return false;
  sql::Database& db = m_machine.store();
  sql::Transaction tx(db);
  if (!tx.ok()) {
    error = db.lastError();
    return false;
  }
  sql::Statement add(db, "INSERT INTO event_log (log_key, log, source, type, category, event_id) VALUES (?,?,?,?,?,?)");
  add.bind(1, foldCase(r.log)).bind(2, r.log).bind(3, r.source).bind(4, r.type).bind(5, r.category).bind(6, r.eventId);
  if (!add.run()) {
    error = db.lastError();
    return false;
  }
  const std::int64_t number = sqlite3_last_insert_rowid(db.handle());
  for (std::size_t i = 0; i < r.strings.size(); ++i) {
    sql::Statement s(db, "INSERT INTO event_strings (number, idx, text) VALUES (?,?,?)");
    s.bind(1, number).bind(2, static_cast<std::int64_t>(i)).bind(3, r.strings[i]);
    if (!s.run()) {
      error = db.lastError();
      return false;
    }
  }
  if (!tx.commit()) {
    error = db.lastError();
    return false;
  }
  return true;
}

std::vector<EventRecord> EventLog::read(std::string_view log) {
  std::vector<EventRecord> out;
  std::string error;
  if (!ensureSchema(error)) return out;
  sql::Database& db = m_machine.store();
  sql::Statement st(db,
                    "SELECT number, log, source, type, category, event_id FROM event_log WHERE log_key = ? "
                    "ORDER BY number");
  st.bind(1, foldCase(log));
  while (st.step() == SQLITE_ROW) {
    EventRecord r;
    r.number = st.int64(0);
    r.log = st.text(1);
    r.source = st.text(2);
    r.type = static_cast<std::uint16_t>(st.int64(3));
    r.category = static_cast<std::uint16_t>(st.int64(4));
    r.eventId = static_cast<std::uint32_t>(st.int64(5));
    out.push_back(std::move(r));
  }
  for (EventRecord& r : out) {
    sql::Statement s(db, "SELECT text FROM event_strings WHERE number = ? ORDER BY idx");
    s.bind(1, r.number);
    while (s.step() == SQLITE_ROW) r.strings.push_back(s.text(0));
  }
  return out;
}

bool EventLog::clear(std::string_view log, std::string& error) {
  if (!ensureSchema(error)) return false;
  sql::Database& db = m_machine.store();
  sql::Statement s(db, "DELETE FROM event_strings WHERE number IN (SELECT number FROM event_log WHERE log_key = ?)");
  s.bind(1, foldCase(log));
  sql::Statement l(db, "DELETE FROM event_log WHERE log_key = ?");
  l.bind(1, foldCase(log));
  if (!s.run() || !l.run()) {
    error = db.lastError();
    return false;
  }
  return true;
}

}  // namespace vrel
