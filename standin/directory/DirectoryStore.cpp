#include "standin/directory/DirectoryStore.h"

#include "platform/Machine.h"
#include "platform/Sqlite.h"

#include <algorithm>

namespace vrel::standin {

namespace {

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS dir_objects(
  guid TEXT PRIMARY KEY,
  dn TEXT NOT NULL UNIQUE COLLATE NOCASE,
  classes TEXT NOT NULL,
  sid BLOB,
  sam TEXT COLLATE NOCASE,
  descriptor BLOB);
CREATE TABLE IF NOT EXISTS dir_attributes(guid TEXT NOT NULL, name TEXT NOT NULL COLLATE NOCASE, value TEXT);
CREATE TABLE IF NOT EXISTS dir_members(grp TEXT NOT NULL, member TEXT NOT NULL, PRIMARY KEY(grp, member));
CREATE TABLE IF NOT EXISTS dir_settings(name TEXT PRIMARY KEY COLLATE NOCASE, value TEXT);
)";

constexpr const char* kColumns = "SELECT guid, dn, classes, sid, sam, descriptor FROM dir_objects ";

DirObject readRow(sql::Statement& st) {
  DirObject o;
  sec::parseGuid(st.text(0), o.guid);
  o.dn = st.text(1);
  o.classes = split(st.text(2), ';');
  if (!st.isNull(3)) {
    const Bytes b = st.blob(3);
    sec::Sid sid;
    if (sec::parseSidBytes(b.data(), b.size(), sid)) o.sid = sid;
  }
  o.sam = st.isNull(4) ? "" : st.text(4);
  o.descriptor = st.blob(5);
  return o;
}

// Ends at the first comma that no backslash escapes.
std::size_t rdnEnd(std::string_view dn) {
  for (std::size_t i = 0; i < dn.size(); ++i) {
    if (dn[i] == '\\') ++i;
    else if (dn[i] == ',') return i;
  }
  return std::string_view::npos;
}

}  // namespace

bool DirObject::hasClass(std::string_view cls) const {
  return std::any_of(classes.begin(), classes.end(), [&](const std::string& c) { return iequals(c, cls); });
}

std::string rdnValue(std::string_view dn) {
  std::string_view rdn = dn.substr(0, rdnEnd(dn));
  const std::size_t eq = rdn.find('=');
  return std::string(eq == std::string_view::npos ? rdn : rdn.substr(eq + 1));
}

std::string parentDn(std::string_view dn) {
  const std::size_t end = rdnEnd(dn);
  return end == std::string_view::npos ? std::string() : std::string(dn.substr(end + 1));
}

std::string guidKey(const sec::Guid& guid) { return sec::guidBraced(guid).substr(1, 36); }

DirectoryStore::DirectoryStore(Machine& machine) : m_machine(machine) {
  m_ok = machine.store().exec(kSchema, &m_error);
}

std::optional<DomainInfo> DirectoryStore::domain() {
  std::map<std::string, std::string> values;
  sql::Statement st(m_machine.store(), "SELECT name, value FROM dir_settings");
  while (st.step() == SQLITE_ROW) values[foldCase(st.text(0))] = st.text(1);
  auto value = [&](const char* name) { return values[foldCase(name)]; };
  DomainInfo d;
  d.dnsName = value("DnsName");
  if (d.dnsName.empty() || !sec::parseSidString(value("DomainSid"), d.domainSid)) return std::nullopt;
  d.netbiosName = value("NetbiosName");
  d.defaultNamingContext = value("DefaultNamingContext");
  d.configurationNamingContext = value("ConfigurationNamingContext");
  d.dcName = value("DcName");
  return d;
}

bool DirectoryStore::setDomain(const DomainInfo& d) {
  const std::pair<const char*, std::string> values[] = {{"DnsName", d.dnsName},
                                                        {"NetbiosName", d.netbiosName},
                                                        {"DefaultNamingContext", d.defaultNamingContext},
                                                        {"ConfigurationNamingContext", d.configurationNamingContext},
                                                        {"DcName", d.dcName},
                                                        {"DomainSid", sec::sidString(d.domainSid)}};
  for (const auto& [name, value] : values) {
    sql::Statement st(m_machine.store(), "INSERT OR REPLACE INTO dir_settings(name, value) VALUES(?, ?)");
    if (!st.bind(1, std::string_view(name)).bind(2, value).run()) return false;
  }
  return true;
}

std::optional<DirObject> DirectoryStore::one(const char* where, const std::string& key) {
  sql::Statement st(m_machine.store(), std::string(kColumns) + where);
  st.bind(1, key);
  if (st.step() != SQLITE_ROW) return std::nullopt;
  return readRow(st);
}

std::optional<DirObject> DirectoryStore::oneBlob(const char* where, const Bytes& key) {
  sql::Statement st(m_machine.store(), std::string(kColumns) + where);
  st.bindBlob(1, key.data(), key.size());
  if (st.step() != SQLITE_ROW) return std::nullopt;
  return readRow(st);
}

std::optional<DirObject> DirectoryStore::byDn(std::string_view dn) { return one("WHERE dn = ?", std::string(dn)); }
std::optional<DirObject> DirectoryStore::byGuid(const sec::Guid& g) { return one("WHERE guid = ?", guidKey(g)); }
std::optional<DirObject> DirectoryStore::bySid(const sec::Sid& s) { return oneBlob("WHERE sid = ?", sec::sidBytes(s)); }
std::optional<DirObject> DirectoryStore::bySam(std::string_view sam) {
  if (sam.empty()) return std::nullopt;
  return one("WHERE sam = ?", std::string(sam));
}

std::vector<DirObject> DirectoryStore::subtree(std::string_view dn) {
  std::vector<DirObject> out;
  sql::Statement st(m_machine.store(), std::string(kColumns) + "ORDER BY dn");
  const std::string suffix = "," + std::string(dn);
  while (st.step() == SQLITE_ROW) {
    DirObject o = readRow(st);
    if (iequals(o.dn, dn) || (o.dn.size() > suffix.size() && iequals(std::string_view(o.dn).substr(o.dn.size() - suffix.size()), suffix)))
      out.push_back(std::move(o));
  }
  return out;
}

bool DirectoryStore::put(const DirObject& o, std::string& error) {
  const std::string key = guidKey(o.guid);
  if (auto other = byDn(o.dn); other && other->guid != o.guid) return error = "an object named " + o.dn + " exists already", false;
  if (o.sid)
    if (auto other = bySid(*o.sid); other && other->guid != o.guid)
      return error = "the SID " + sec::sidString(*o.sid) + " belongs to " + other->dn, false;
  if (auto other = bySam(o.sam); other && other->guid != o.guid)
    return error = "the account name " + o.sam + " belongs to " + other->dn, false;
  std::string classes;
  for (const std::string& c : o.classes) classes += (classes.empty() ? "" : ";") + c;
  sql::Statement st(m_machine.store(),
                    "INSERT OR REPLACE INTO dir_objects(guid, dn, classes, sid, sam, descriptor) VALUES(?, ?, ?, ?, ?, ?)");
  st.bind(1, key).bind(2, o.dn).bind(3, classes);
  if (o.sid) {
    const Bytes b = sec::sidBytes(*o.sid);
    st.bindBlob(4, b.data(), b.size());
  } else {
    st.bindNull(4);
  }
  if (o.sam.empty()) st.bindNull(5);
  else st.bind(5, o.sam);
  st.bindBlob(6, o.descriptor.data(), o.descriptor.size());
  if (!st.run()) return error = "cannot store " + o.dn + ": " + m_machine.store().lastError(), false;
  return true;
}

bool DirectoryStore::setDescriptor(const sec::Guid& guid, const Bytes& descriptor) {
  sql::Statement st(m_machine.store(), "UPDATE dir_objects SET descriptor = ? WHERE guid = ?");
  st.bindBlob(1, descriptor.data(), descriptor.size()).bind(2, guidKey(guid));
  return st.run() && sqlite3_changes(m_machine.store().handle()) == 1;
}

bool DirectoryStore::remove(const sec::Guid& guid) {
  sql::Transaction tx(m_machine.store());
  const std::string key = guidKey(guid);
  for (const char* statement : {"DELETE FROM dir_objects WHERE guid = ?", "DELETE FROM dir_attributes WHERE guid = ?",
                                "DELETE FROM dir_members WHERE grp = ?1 OR member = ?1"}) {
    sql::Statement st(m_machine.store(), statement);
    if (!tx.ok() || !st.bind(1, key).run()) return false;
  }
  return tx.commit();
}

std::vector<std::string> DirectoryStore::attribute(const sec::Guid& guid, std::string_view name) {
  std::vector<std::string> out;
  sql::Statement st(m_machine.store(), "SELECT value FROM dir_attributes WHERE guid = ? AND name = ? ORDER BY rowid");
  st.bind(1, guidKey(guid)).bind(2, name);
  while (st.step() == SQLITE_ROW) out.push_back(st.text(0));
  return out;
}

bool DirectoryStore::setAttribute(const sec::Guid& guid, std::string_view name, const std::vector<std::string>& values) {
  sql::Transaction tx(m_machine.store());
  sql::Statement del(m_machine.store(), "DELETE FROM dir_attributes WHERE guid = ? AND name = ?");
  if (!tx.ok() || !del.bind(1, guidKey(guid)).bind(2, name).run()) return false;
  for (const std::string& v : values) {
    sql::Statement ins(m_machine.store(), "INSERT INTO dir_attributes(guid, name, value) VALUES(?, ?, ?)");
    if (!ins.bind(1, guidKey(guid)).bind(2, name).bind(3, v).run()) return false;
  }
  return tx.commit();
}

std::vector<sec::Guid> DirectoryStore::members(const sec::Guid& group) {
  std::vector<sec::Guid> out;
  sql::Statement st(m_machine.store(), "SELECT member FROM dir_members WHERE grp = ? ORDER BY rowid");
  st.bind(1, guidKey(group));
  while (st.step() == SQLITE_ROW) {
    sec::Guid g;
    if (sec::parseGuid(st.text(0), g)) out.push_back(g);
  }
  return out;
}

std::vector<sec::Guid> DirectoryStore::groupsOf(const sec::Guid& member) {
  std::vector<sec::Guid> out;
  sql::Statement st(m_machine.store(), "SELECT grp FROM dir_members WHERE member = ?");
  st.bind(1, guidKey(member));
  while (st.step() == SQLITE_ROW) {
    sec::Guid g;
    if (sec::parseGuid(st.text(0), g)) out.push_back(g);
  }
  return out;
}

bool DirectoryStore::addMember(const sec::Guid& group, const sec::Guid& member) {
  sql::Statement st(m_machine.store(), "INSERT OR IGNORE INTO dir_members(grp, member) VALUES(?, ?)");
  return st.bind(1, guidKey(group)).bind(2, guidKey(member)).run();
}

std::uint32_t DirectoryStore::nextRid() {
  std::uint32_t next = 1100;
  const auto d = domain();
  if (!d) return next;
  sql::Statement st(m_machine.store(), "SELECT sid FROM dir_objects WHERE sid IS NOT NULL");
  while (st.step() == SQLITE_ROW) {
    const Bytes b = st.blob(0);
    sec::Sid sid;
    if (!sec::parseSidBytes(b.data(), b.size(), sid) || sid.subAuthorities.empty()) continue;
    sec::Sid prefix = sid;
    prefix.subAuthorities.pop_back();
    if (prefix == d->domainSid) next = std::max(next, sid.subAuthorities.back() + 1);
  }
  return next;
}

}  // namespace vrel::standin
