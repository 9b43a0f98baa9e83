#include "platform/SqliteRegistry.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace vrel {

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS reg_keys(
  id INTEGER PRIMARY KEY,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  deny_write INTEGER NOT NULL DEFAULT 0);
CREATE UNIQUE INDEX IF NOT EXISTS reg_keys_child ON reg_keys(parent, fold);
CREATE TABLE IF NOT EXISTS reg_values(
  key INTEGER NOT NULL,
  seq INTEGER NOT NULL,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(key, fold)) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS reg_values_order ON reg_values(key, seq);
INSERT OR IGNORE INTO reg_keys(id, parent, name, fold) VALUES
  (1, 0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),
  (2, 0, 'HKEY_USERS', 'HKEY_USERS');
)sql";

// Splits a key path into segments. A single trailing backslash is accepted,
// as Windows accepts it; empty segments are not.
bool splitPath(std::string_view path, std::vector<std::string_view>& segs) {
  segs.clear();
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  if (path.empty()) return true;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') {
      if (i == start) return false;
      segs.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return true;
}

// The recursive set of key ids of a branch.
constexpr const char* kBranchCte =
    "WITH RECURSIVE branch(id) AS (SELECT ?1 UNION ALL "
    "SELECT k.id FROM reg_keys k JOIN branch b ON k.parent = b.id) ";

constexpr const char* kFindChild = "SELECT id, deny_write FROM reg_keys WHERE parent = ?1 AND fold = ?2";
constexpr const char* kAddChild = "INSERT INTO reg_keys(parent, name, fold) VALUES (?1, ?2, ?3)";
// One statement: a new value goes after the key's others, an existing one
// keeps its place.
constexpr const char* kPutValue =
    "INSERT INTO reg_values(key, seq, name, fold, type, data) VALUES (?1, "
    "(SELECT IFNULL(MAX(seq), 0) + 1 FROM reg_values WHERE key = ?1), ?2, ?3, ?4, ?5) "
    "ON CONFLICT(key, fold) DO UPDATE SET name = excluded.name, type = excluded.type, data = excluded.data";
// The same with the position given, inside a batch that keeps count.
constexpr const char* kPutValueAt =
    "INSERT INTO reg_values(key, seq, name, fold, type, data) VALUES (?1, ?6, ?2, ?3, ?4, ?5) "
    "ON CONFLICT(key, fold) DO UPDATE SET name = excluded.name, type = excluded.type, data = excluded.data";
constexpr const char* kLastSeq = "SELECT IFNULL(MAX(seq), 0) FROM reg_values WHERE key = ?1";
constexpr const char* kDeleteValue = "DELETE FROM reg_values WHERE key = ?1 AND fold = ?2";
constexpr const char* kGetValue = "SELECT name, type, data FROM reg_values WHERE key = ?1 AND fold = ?2";

}  // namespace

SqliteRegistry::SqliteRegistry(sql::Database& db, std::string userSid)
    : m_db(db), m_userSid(std::move(userSid)), m_stmts(db) {}

bool SqliteRegistry::createSchema(sql::Database& db, std::string& error) {
  return db.exec(kSchema, &error);
}

std::string SqliteRegistry::storePath(Hive hive, std::string_view path) const {
  std::string prefix;
  switch (hive) {
    case Hive::LocalMachine: prefix = "HKEY_LOCAL_MACHINE"; break;
    case Hive::Users: prefix = "HKEY_USERS"; break;
    case Hive::ClassesRoot: prefix = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes"; break;
    case Hive::CurrentUser: prefix = "HKEY_USERS\\" + m_userSid; break;
    case Hive::CurrentConfig:
      prefix = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current";
      break;
  }
  if (path.empty() || path == "\\") return prefix;
  return prefix + "\\" + std::string(path);
}

bool SqliteRegistry::findKey(const std::string& full, KeyRow& row) {
  std::vector<std::string_view> segs;
  if (!splitPath(full, segs) || segs.empty()) return false;
  const std::string folded = m_batch ? foldCase(full) : std::string();
  if (m_batch) {
    auto it = m_batch->keys.find(folded);
    if (it != m_batch->keys.end()) {
      row = it->second;
      return true;
    }
  }
  auto st = m_stmts.get(kFindChild);
  std::int64_t parent = 0;
  bool deny = false;
  for (auto seg : segs) {
    st->reset();
    st->bind(1, parent).bind(2, foldCase(seg));
    if (st->step() != SQLITE_ROW) return false;
    parent = st->int64(0);
    deny = st->int64(1) != 0;
  }
  row = {parent, deny};
  if (m_batch) m_batch->keys[folded] = row;
  return true;
}

RegStatus SqliteRegistry::makeKey(const std::string& full, KeyRow& row) {
  std::vector<std::string_view> segs;
  if (!splitPath(full, segs) || segs.empty()) return kRegBadPath;
  // The folded path of each prefix: the keys of the cache, when there is one.
  std::string folded;
  std::vector<std::size_t> ends;
  ends.reserve(segs.size());
  for (std::size_t i = 0; i < segs.size(); ++i) {
    if (i) folded += '\\';
    folded += foldCase(segs[i]);
    ends.push_back(folded.size());
  }
  // Start below the deepest key already known: in a batch, a new key's
  // parent usually is, so only the new part of the path is looked up.
  std::size_t known = 0;
  KeyRow at{0, false};
  if (m_batch) {
    for (std::size_t n = segs.size(); n > 0; --n) {
      auto it = m_batch->keys.find(folded.substr(0, ends[n - 1]));
      if (it != m_batch->keys.end()) {
        known = n;
        at = it->second;
        break;
      }
    }
    if (known == segs.size()) {
      row = at;
      return kRegOk;
    }
  } else if (findKey(full, row)) {
    return kRegOk;
  }
  auto find = m_stmts.get(kFindChild);
  auto add = m_stmts.get(kAddChild);
  for (std::size_t i = known; i < segs.size(); ++i) {
    const std::string_view seg = segs[i];
    if (utf8ToUtf16(seg).size() > 255) return kRegInvalidParam;  // Windows counts UTF-16 units
    const std::size_t begin = i ? ends[i - 1] + 1 : 0;
    const std::string f = folded.substr(begin, ends[i] - begin);
    find->reset();
    find->bind(1, at.id).bind(2, f);
    if (find->step() == SQLITE_ROW) {
      at = {find->int64(0), find->int64(1) != 0};
    } else {
      if (at.id == 0) return kRegBadPath;  // no new top-level keys
      if (at.denyWrite) return kRegAccessDenied;
      add->reset();
      add->bind(1, at.id).bind(2, seg).bind(3, f);
      if (!add->run()) return kRegStoreFailure;
      at = {sqlite3_last_insert_rowid(m_db.handle()), false};
      if (m_batch) m_batch->nextSeq[at.id] = 1;  // a new key has no values
    }
    if (m_batch) m_batch->keys[folded.substr(0, ends[i])] = at;
  }
  row = at;
  return kRegOk;
}

bool SqliteRegistry::keyExists(Hive hive, std::string_view path) {
  KeyRow row;
  return findKey(storePath(hive, path), row);
}

RegStatus SqliteRegistry::createKey(Hive hive, std::string_view path) {
  sql::Transaction tx(m_db);
  if (!tx.ok()) return kRegBusy;
  KeyRow row;
  const RegStatus st = makeKey(storePath(hive, path), row);
  if (st != kRegOk) return st;
  return tx.commit() ? kRegOk : kRegStoreFailure;
}

RegStatus SqliteRegistry::deleteKey(Hive hive, std::string_view path) {
  sql::Transaction tx(m_db);
  if (!tx.ok()) return kRegBusy;
  KeyRow row;
  if (path.empty() || !findKey(storePath(hive, path), row)) return kRegNotFound;
  if (row.denyWrite) return kRegAccessDenied;
  sql::Statement kids(m_db, "SELECT 1 FROM reg_keys WHERE parent = ?1 LIMIT 1");
  kids.bind(1, row.id);
  if (kids.step() == SQLITE_ROW) return kRegAccessDenied;  // RegDeleteKey on a key with subkeys
  const RegStatus st = removeTree(row);
  if (st != kRegOk) return st;
  return tx.commit() ? kRegOk : kRegStoreFailure;
}

RegStatus SqliteRegistry::removeTree(const KeyRow& key) {
  if (key.id <= 2) return kRegAccessDenied;  // hive roots stay
  sql::Statement denied(m_db, std::string(kBranchCte) +
                                  "SELECT 1 FROM reg_keys WHERE id IN branch AND deny_write <> 0 LIMIT 1");
  denied.bind(1, key.id);
  if (denied.step() == SQLITE_ROW) return kRegAccessDenied;
  sql::Statement vals(m_db, std::string(kBranchCte) + "DELETE FROM reg_values WHERE key IN branch");
  vals.bind(1, key.id);
  if (!vals.run()) return kRegStoreFailure;
  sql::Statement keys(m_db, std::string(kBranchCte) + "DELETE FROM reg_keys WHERE id IN branch");
  keys.bind(1, key.id);
  if (!keys.run()) return kRegStoreFailure;
  if (m_batch) m_batch->keys.clear();
  return kRegOk;
}

RegStatus SqliteRegistry::deleteTree(Hive hive, std::string_view path) {
  sql::Transaction tx(m_db);
  if (!tx.ok()) return kRegBusy;
  KeyRow row;
  if (path.empty() || !findKey(storePath(hive, path), row)) return kRegNotFound;
  const RegStatus st = removeTree(row);
  if (st != kRegOk) return st;
  return tx.commit() ? kRegOk : kRegStoreFailure;
}

RegStatus SqliteRegistry::getValue(Hive hive, std::string_view path, std::string_view name, RegValue& out) {
  KeyRow row;
  if (!findKey(storePath(hive, path), row)) return kRegNotFound;
  auto st = m_stmts.get(kGetValue);
  st->bind(1, row.id).bind(2, foldCase(name));
  if (st->step() != SQLITE_ROW) return kRegNotFound;
  out.name = st->text(0);
  out.type = static_cast<std::uint32_t>(st->int64(1));
  out.data = st->blob(2);
  return kRegOk;
}

RegStatus SqliteRegistry::putValue(std::int64_t key, const RegValue& value) {
  const std::string f = foldCase(value.name);
  if (!m_batch) {
    auto put = m_stmts.get(kPutValue);
    put->bind(1, key).bind(2, value.name).bind(3, f).bind(4, static_cast<std::int64_t>(value.type));
    put->bindBlob(5, value.data.data(), value.data.size());
    return put->run() ? kRegOk : kRegStoreFailure;
  }
  // A new value goes after the others; an existing one keeps its place and
  // the number goes unused, which leaves the order as it is.
  auto next = m_batch->nextSeq.find(key);
  if (next == m_batch->nextSeq.end()) {
    auto last = m_stmts.get(kLastSeq);
    last->bind(1, key);
    if (last->step() != SQLITE_ROW) return kRegStoreFailure;
    next = m_batch->nextSeq.emplace(key, last->int64(0) + 1).first;
  }
  auto put = m_stmts.get(kPutValueAt);
  put->bind(1, key).bind(2, value.name).bind(3, f).bind(4, static_cast<std::int64_t>(value.type));
  put->bindBlob(5, value.data.data(), value.data.size());
  put->bind(6, next->second++);
  return put->run() ? kRegOk : kRegStoreFailure;
}

RegStatus SqliteRegistry::setValue(Hive hive, std::string_view path, const RegValue& value) {
  KeyRow row;
  if (!findKey(storePath(hive, path), row)) return kRegNotFound;
  if (row.denyWrite) return kRegAccessDenied;
  return putValue(row.id, value);
}

RegStatus SqliteRegistry::dropValue(std::int64_t key, std::string_view name) {
  auto st = m_stmts.get(kDeleteValue);
  st->bind(1, key).bind(2, foldCase(name));
  if (!st->run()) return kRegStoreFailure;
  return sqlite3_changes(m_db.handle()) > 0 ? kRegOk : kRegNotFound;
}

RegStatus SqliteRegistry::deleteValue(Hive hive, std::string_view path, std::string_view name) {
  KeyRow row;
  if (!findKey(storePath(hive, path), row)) return kRegNotFound;
  if (row.denyWrite) return kRegAccessDenied;
  return dropValue(row.id, name);
}

RegStatus SqliteRegistry::subKeys(Hive hive, std::string_view path, std::vector<std::string>& out) {
  out.clear();
  KeyRow row;
  if (!findKey(storePath(hive, path), row)) return kRegNotFound;
  sql::Statement st(m_db, "SELECT name FROM reg_keys WHERE parent = ?1 ORDER BY fold");
  st.bind(1, row.id);
  while (st.step() == SQLITE_ROW) out.push_back(st.text(0));
  return kRegOk;
}

RegStatus SqliteRegistry::values(Hive hive, std::string_view path, std::vector<RegValue>& out) {
  out.clear();
  KeyRow row;
  if (!findKey(storePath(hive, path), row)) return kRegNotFound;
  sql::Statement st(m_db, "SELECT name, type, data FROM reg_values WHERE key = ?1 ORDER BY seq");
  st.bind(1, row.id);
  while (st.step() == SQLITE_ROW)
    out.push_back({st.text(0), static_cast<std::uint32_t>(st.int64(1)), st.blob(2)});
  return kRegOk;
}

RegStatus SqliteRegistry::applyOne(const RegOp& op) {
  // A file's values follow their key: the key of the operation before is
  // used again without building and looking up its path.
  BatchState::LastKey& last = m_batch->last;
  const bool sameKey = last.valid && last.hive == op.hive && *last.path == op.path;
  KeyRow row;
  if ((op.kind == RegOp::CreateKey || op.kind == RegOp::SetValue) && !sameKey) {
    const RegStatus st = makeKey(storePath(op.hive, op.path), row);
    if (st != kRegOk) return st;
    last = {true, op.hive, &op.path, row};
  } else if (sameKey) {
    row = last.row;
  }
  switch (op.kind) {
    case RegOp::CreateKey:
      return kRegOk;
    case RegOp::DeleteTree:
      last.valid = false;
      if (op.path.empty()) return kRegAccessDenied;
      return findKey(storePath(op.hive, op.path), row) ? removeTree(row) : kRegOk;
    case RegOp::SetValue:
      if (row.denyWrite) return kRegAccessDenied;
      return putValue(row.id, op.value);
    case RegOp::DeleteValue:
      if (!sameKey && !findKey(storePath(op.hive, op.path), row)) return kRegOk;
      if (row.denyWrite) return kRegAccessDenied;
      {
        const RegStatus st = dropValue(row.id, op.value.name);
        return st == kRegNotFound ? kRegOk : st;
      }
  }
  return kRegInvalidParam;
}

RegStatus SqliteRegistry::apply(const std::vector<RegOp>& ops) {
  sql::Transaction tx(m_db);
  if (!tx.ok()) return kRegBusy;
  BatchState batch;
  m_batch = &batch;
  RegStatus result = kRegOk;
  for (const RegOp& op : ops) {
    result = applyOne(op);
    if (result != kRegOk) break;
  }
  m_batch = nullptr;
  if (result != kRegOk) return result;
  return tx.commit() ? kRegOk : kRegStoreFailure;
}

RegStatus SqliteRegistry::dumpBranch(Hive hive, std::string_view path, std::vector<KeyDump>& out) {
  out.clear();
  // One read transaction, so the dump is a consistent picture.
  if (!m_db.exec("BEGIN")) return kRegBusy;
  struct Node {
    std::string name, fold;
    std::vector<std::int64_t> kids;
  };
  KeyRow top;
  if (!findKey(storePath(hive, path), top)) {
    m_db.exec("ROLLBACK");
    return kRegNotFound;
  }
  std::unordered_map<std::int64_t, Node> nodes;
  {
    sql::Statement st(m_db, std::string(kBranchCte) +
                                "SELECT k.id, k.parent, k.name, k.fold FROM reg_keys k JOIN branch b ON k.id = b.id");
    st.bind(1, top.id);
    std::vector<std::pair<std::int64_t, std::int64_t>> links;
    while (st.step() == SQLITE_ROW) {
      const std::int64_t id = st.int64(0);
      nodes[id] = Node{st.text(2), st.text(3), {}};
      if (id != top.id) links.emplace_back(st.int64(1), id);
    }
    for (auto [parent, id] : links) nodes[parent].kids.push_back(id);
  }
  std::unordered_map<std::int64_t, std::vector<RegValue>> vals;
  {
    sql::Statement st(m_db, std::string(kBranchCte) +
                                "SELECT v.key, v.name, v.type, v.data FROM reg_values v "
                                "WHERE v.key IN branch ORDER BY v.key, v.seq");
    st.bind(1, top.id);
    while (st.step() == SQLITE_ROW)
      vals[st.int64(0)].push_back({st.text(1), static_cast<std::uint32_t>(st.int64(2)), st.blob(3)});
  }
  m_db.exec("COMMIT");
  std::string base(path);
  if (!base.empty() && base.back() == '\\') base.pop_back();
  // Depth first, children in Windows order.
  std::vector<std::pair<std::int64_t, std::string>> stack{{top.id, base}};
  while (!stack.empty()) {
    auto [id, p] = stack.back();
    stack.pop_back();
    Node& n = nodes[id];
    out.push_back({p, std::move(vals[id])});
    std::sort(n.kids.begin(), n.kids.end(),
              [&](std::int64_t a, std::int64_t b) { return nodes[a].fold < nodes[b].fold; });
    for (auto it = n.kids.rbegin(); it != n.kids.rend(); ++it)
      stack.emplace_back(*it, p.empty() ? nodes[*it].name : p + "\\" + nodes[*it].name);
  }
  return kRegOk;
}

RegStatus SqliteRegistry::setDenyWrite(Hive hive, std::string_view path, bool deny) {
  KeyRow row;
  if (!findKey(storePath(hive, path), row)) return kRegNotFound;
  sql::Statement st(m_db, "UPDATE reg_keys SET deny_write = ?2 WHERE id = ?1");
  st.bind(1, row.id).bind(2, deny ? 1 : 0);
  return st.run() ? kRegOk : kRegStoreFailure;
}

}  // namespace vrel
