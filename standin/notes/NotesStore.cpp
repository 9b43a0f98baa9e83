#include "standin/notes/NotesStore.h"

#include "platform/Machine.h"
#include "platform/Sqlite.h"
#include "platform/Text.h"
#include "standin/server/ProvisionIdentity.h"

#include <cstdio>

namespace vrel::standin {

std::string unidHex(const Unid& u) {
  char out[40];
  std::snprintf(out, sizeof out, "%08X%08X%08X%08X", u[0], u[1], u[2], u[3]);
  return out;
}

std::optional<Unid> unidFromHex(std::string_view hex) {
  if (hex.size() != 32) return std::nullopt;
  Unid u{};
  for (std::size_t w = 0; w < 4; ++w) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 8; ++i) {
      const char c = hex[w * 8 + i];
      int d = -1;
      if (c >= '0' && c <= '9') d = c - '0';
      if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
      if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<std::uint32_t>(d);
    }
    u[w] = v;
  }
  return u;
}

Unid derivedUnid(std::string_view seed) {
  std::string hex;
  for (char c : derivedGuid(seed))
    if (c != '-' && c != '{' && c != '}') hex += c;
  Unid u = *unidFromHex(hex.substr(0, 32));
  if (u[0] == 0) u[0] = 1;
  return u;
}

std::string dominoDirectoryId(int addressBook, const Unid& unid) {
  char out[48];
  std::snprintf(out, sizeof out, "%02d%08X%08X%08X%08X", addressBook, unid[0], unid[1], unid[2], unid[3]);
  return out;
}

struct NotesStore::Impl {
  sql::Database db;
};

NotesStore::~NotesStore() { delete m; }

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS books (id INTEGER PRIMARY KEY, server_key TEXT NOT NULL, server TEXT NOT NULL,"
    " database_key TEXT NOT NULL, database TEXT NOT NULL, UNIQUE (server_key, database_key));"
    "CREATE TABLE IF NOT EXISTS notes (book INTEGER NOT NULL, unid TEXT NOT NULL, PRIMARY KEY (book, unid));"
    "CREATE TABLE IF NOT EXISTS items (book INTEGER NOT NULL, unid TEXT NOT NULL, item_key TEXT NOT NULL,"
    " item TEXT NOT NULL, idx INTEGER NOT NULL, value TEXT NOT NULL, PRIMARY KEY (book, unid, item_key, idx));"
    "CREATE INDEX IF NOT EXISTS items_by_value ON items (book, item_key, value);"
    "CREATE TABLE IF NOT EXISTS faults (call_key TEXT PRIMARY KEY, call TEXT NOT NULL, kind INTEGER NOT NULL,"
    " status INTEGER NOT NULL)";

}  // namespace

bool NotesStore::open(Machine& machine, std::string& error) {
  delete m;
  m = new Impl;
  if (!m->db.open(machine.root() + "/notes.db", true, error)) return false;
  return m->db.exec(kSchema, &error);
}

std::optional<std::int64_t> NotesStore::book(std::string_view server, std::string_view database, bool create) {
  sql::Statement find(m->db, "SELECT id FROM books WHERE server_key = ? AND database_key = ?");
  find.bind(1, foldCase(server)).bind(2, foldCase(database));
  if (find.step() == SQLITE_ROW) return find.int64(0);
  if (!create) return std::nullopt;
  sql::Statement add(m->db, "INSERT INTO books (server_key, server, database_key, database) VALUES (?,?,?,?)");
  add.bind(1, foldCase(server)).bind(2, server).bind(3, foldCase(database)).bind(4, database);
  if (!add.run()) return std::nullopt;
  return sqlite3_last_insert_rowid(m->db.handle());
}

bool NotesStore::putNote(std::int64_t book, const Unid& unid, const std::vector<NotesItem>& items,
                         std::string& error) {
  sql::Transaction tx(m->db);
  const std::string key = unidHex(unid);
  sql::Statement clear(m->db, "DELETE FROM items WHERE book = ? AND unid = ?");
  clear.bind(1, book).bind(2, key);
  sql::Statement note(m->db, "INSERT OR REPLACE INTO notes (book, unid) VALUES (?, ?)");
  note.bind(1, book).bind(2, key);
  bool ok = tx.ok() && clear.run() && note.run();
  for (const NotesItem& item : items) {
    for (std::size_t i = 0; ok && i < item.values.size(); ++i) {
      sql::Statement add(m->db, "INSERT INTO items (book, unid, item_key, item, idx, value) VALUES (?,?,?,?,?,?)");
      add.bind(1, book).bind(2, key).bind(3, foldCase(item.name)).bind(4, item.name);
      add.bind(5, static_cast<std::int64_t>(i)).bind(6, item.values[i]);
      ok = add.run();
    }
  }
  if (!ok || !tx.commit()) {
    error = m->db.lastError();
    return false;
  }
  return true;
}

bool NotesStore::deleteNote(std::int64_t book, const Unid& unid) {
  sql::Statement items(m->db, "DELETE FROM items WHERE book = ? AND unid = ?");
  items.bind(1, book).bind(2, unidHex(unid));
  sql::Statement note(m->db, "DELETE FROM notes WHERE book = ? AND unid = ?");
  note.bind(1, book).bind(2, unidHex(unid));
  return items.run() && note.run();
}

bool NotesStore::noteExists(std::int64_t book, const Unid& unid) {
  sql::Statement st(m->db, "SELECT 1 FROM notes WHERE book = ? AND unid = ?");
  st.bind(1, book).bind(2, unidHex(unid));
  return st.step() == SQLITE_ROW;
}

std::vector<std::string> NotesStore::textList(std::int64_t book, const Unid& unid, std::string_view item) {
  std::vector<std::string> out;
  sql::Statement st(m->db, "SELECT value FROM items WHERE book = ? AND unid = ? AND item_key = ? ORDER BY idx");
  st.bind(1, book).bind(2, unidHex(unid)).bind(3, foldCase(item));
  while (st.step() == SQLITE_ROW) out.push_back(st.text(0));
  return out;
}

std::vector<Unid> NotesStore::lookupName(std::int64_t book, std::string_view name, bool caseInsensitive) {
  std::vector<Unid> out;
  sql::Statement st(m->db,
                    "SELECT unid, value FROM items WHERE book = ? AND item_key IN (?, ?) ORDER BY value, unid");
  st.bind(1, book).bind(2, foldCase("FullName")).bind(3, foldCase("ShortName"));
  std::string last;
  const std::string wanted = caseInsensitive ? foldCase(name) : std::string(name);
  while (st.step() == SQLITE_ROW) {
    const std::string unid = st.text(0);
    const std::string value = caseInsensitive ? foldCase(st.text(1)) : st.text(1);
    if (value != wanted || unid == last) continue;
    last = unid;
    if (auto u = unidFromHex(unid)) out.push_back(*u);
  }
  return out;
}

bool NotesStore::setFault(std::string_view call, std::optional<NotesFault> fault, std::string& error) {
  if (!fault) {
    sql::Statement st(m->db, "DELETE FROM faults WHERE call_key = ?");
    st.bind(1, foldCase(call));
    if (st.run()) return true;
  } else {
    sql::Statement st(m->db, "INSERT OR REPLACE INTO faults (call_key, call, kind, status) VALUES (?,?,?,?)");
    st.bind(1, foldCase(call)).bind(2, call).bind(3, static_cast<std::int64_t>(fault->kind)).bind(4, fault->status);
    if (st.run()) return true;
  }
  error = m->db.lastError();
  return false;
}

std::optional<NotesFault> NotesStore::fault(std::string_view call) {
  sql::Statement st(m->db, "SELECT kind, status FROM faults WHERE call_key = ?");
  st.bind(1, foldCase(call));
  if (st.step() != SQLITE_ROW) return std::nullopt;
  NotesFault f;
  f.kind = st.int64(0) == NotesFault::Status ? NotesFault::Status : NotesFault::Crash;
  f.status = static_cast<std::uint16_t>(st.int64(1));
  return f;
}

std::vector<std::string> NotesStore::listing() {
  std::vector<std::string> out;
  sql::Statement books(m->db, "SELECT id, server, database FROM books ORDER BY id");
  std::vector<std::pair<std::int64_t, std::string>> all;
  while (books.step() == SQLITE_ROW)
    all.emplace_back(books.int64(0), "book " + books.text(1) + "!!" + books.text(2));
  for (const auto& [id, line] : all) {
    out.push_back(line);
    sql::Statement notes(m->db, "SELECT unid FROM notes WHERE book = ? ORDER BY unid");
    notes.bind(1, id);
    while (notes.step() == SQLITE_ROW) {
      const std::string unid = notes.text(0);
      std::string text = "  " + unid;
      sql::Statement items(m->db, "SELECT item, value FROM items WHERE book = ? AND unid = ? ORDER BY item_key, idx");
      items.bind(1, id).bind(2, unid);
      std::string lastItem;
      while (items.step() == SQLITE_ROW) {
        const std::string item = items.text(0);
        text += (item == lastItem ? ";" : " " + item + "=") + items.text(1);
        lastItem = item;
      }
      out.push_back(text);
    }
  }
  for (sql::Statement f(m->db, "SELECT call, kind, status FROM faults ORDER BY call_key"); f.step() == SQLITE_ROW;)
    out.push_back("fault " + f.text(0) + " " + (f.int64(1) == NotesFault::Status ? std::to_string(f.int64(2)) : "crash"));
  return out;
}

}  // namespace vrel::standin
