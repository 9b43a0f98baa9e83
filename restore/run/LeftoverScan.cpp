#include "restore/run/LeftoverScan.h"

#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/data/ServerFunctions.h"
#include "platform/data/SqlInstance.h"

#include <sqlite3.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <string_view>

namespace vrel::restore {

namespace {

constexpr const char* kServerBranch = "SOFTWARE\\Tremarc";
constexpr const char* kServerDatabases[] = {"OrvixDB", "ReportDB"};

std::vector<LeftoverTerm> usable(const std::vector<LeftoverTerm>& terms) {
  std::vector<LeftoverTerm> out;
  for (const LeftoverTerm& t : terms)
    if (!t.oldValue.empty() && !iequals(t.oldValue, t.newValue)) out.push_back(t);
  return out;
}

// A quick look at a cell for the terms that never misses a hit: ASCII text
// is folded once and searched for each folded term; text or a term beyond
// ASCII always passes to the exact check, which only the few cells that
// pass here get.
class QuickLook {
 public:
  explicit QuickLook(const std::vector<LeftoverTerm>& terms) {
    for (const LeftoverTerm& t : terms) {
      m_folded.push_back(isAscii(t.oldValue) ? foldCase(t.oldValue) : std::string());
      m_numeric = m_numeric || isNumberText(t.oldValue);
    }
  }
  // Whether a number's digits can hold a term at all.
  bool numbersMatter() const { return m_numeric; }
  // Takes the next cell to look at.
  void take(std::string_view cell) {
    m_ascii = isAscii(cell);
    if (!m_ascii) return;
    // ASCII only here, so plain arithmetic folds it (and the compiler
    // vectorises the loop, which a call per character would not allow).
    m_cell.resize(cell.size());
    for (std::size_t i = 0; i < cell.size(); ++i)
      m_cell[i] = cell[i] >= 'a' && cell[i] <= 'z' ? static_cast<char>(cell[i] - 32) : cell[i];
  }
  // Whether the cell taken can hold term t.
  bool mayHold(std::size_t t) const {
    return m_folded[t].empty() || !m_ascii || m_cell.find(m_folded[t]) != std::string::npos;
  }

 private:
  static bool isNumberText(std::string_view s) {
    return s.find_first_not_of("0123456789+-.eE") == std::string_view::npos;
  }

  std::vector<std::string> m_folded;  // empty: beyond ASCII, always passes
  bool m_numeric = false;
  bool m_ascii = true;
  std::string m_cell;
};

void scanRegistry(Machine& machine, const std::vector<LeftoverTerm>& terms, std::vector<LeftoverHit>& hits,
                  std::vector<std::string>& problems) {
  std::vector<Registry::KeyDump> keys;
  const RegStatus s = machine.registry().dumpBranch(Hive::LocalMachine, kServerBranch, keys);
  if (s != kRegOk) {
    if (s != kRegNotFound) problems.push_back("the registry branch " + std::string(kServerBranch) + " (error " +
                                              std::to_string(s) + ")");
    return;
  }
  QuickLook look(terms);
  for (const Registry::KeyDump& k : keys)
    for (const RegValue& v : k.values) {
      if (v.type != kRegSz && v.type != kRegExpandSz && v.type != kRegMultiSz) continue;
      // The parts of a multi-string are searched one by one.
      const std::string decoded = utf16leToUtf8(v.data.data(), v.data.size() & ~std::size_t(1));
      look.take(decoded);
      for (std::size_t t = 0; t < terms.size(); ++t)
        if (look.mayHold(t) && holdsLeftover(decoded, terms[t]))
          hits.push_back({terms[t].label, terms[t].oldValue,
                          "registry HKEY_LOCAL_MACHINE\\" + k.path + " value \"" + v.name + "\"", 1});
    }
}

std::string quoteName(const std::string& name) {
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// One pass per table over every cell, as text (a number is searched as its
// digits); each cell that can hold a term is then checked exactly.
bool scanTable(sql::Database& db, const std::string& database, const std::string& table,
               const std::vector<LeftoverTerm>& terms, std::vector<LeftoverHit>& hits) {
  std::vector<std::string> columns;
  {
    sql::Statement st(db, "SELECT name, type FROM pragma_table_info(?1)");
    st.bind(1, table);
    while (st.step() == SQLITE_ROW) columns.push_back(st.text(0));
  }
  if (columns.empty()) return true;
  std::string text = "SELECT ";
  for (std::size_t c = 0; c < columns.size(); ++c) text += (c ? ", " : "") + quoteName(columns[c]);
  text += " FROM " + quoteName(table);
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db.handle(), text.c_str(), -1, &st, nullptr) != SQLITE_OK) return false;
  std::map<std::pair<std::size_t, std::size_t>, std::uint64_t> counts;  // (term, column) -> rows
  QuickLook look(terms);
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW)
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const int type = sqlite3_column_type(st, static_cast<int>(c));
      if (type == SQLITE_NULL) continue;
      if ((type == SQLITE_INTEGER || type == SQLITE_FLOAT) && !look.numbersMatter()) continue;
      const auto* value = sqlite3_column_text(st, static_cast<int>(c));
      if (!value) continue;
      const std::string_view cell(reinterpret_cast<const char*>(value));
      look.take(cell);
      for (std::size_t t = 0; t < terms.size(); ++t)
        if (look.mayHold(t) && holdsLeftover(std::string(cell), terms[t])) ++counts[{t, c}];
    }
  sqlite3_finalize(st);
  for (const auto& [at, n] : counts)
    hits.push_back({terms[at.first].label, terms[at.first].oldValue,
                    database + " table " + table + ", column " + columns[at.second], n});
  return rc == SQLITE_DONE;
}

void scanDatabase(Machine& machine, const std::string& name, const std::vector<LeftoverTerm>& terms,
                  std::vector<LeftoverHit>& hits, std::vector<std::string>& problems) {
  data::SqlInstance instance(machine);
  const std::string file = instance.databaseFile(name);
  if (file.empty()) return;
  std::string error;
  auto hold = instance.holdShared(name, error);
  sql::Database db;
  if (!hold || !db.open(file, false, error) || !data::registerServerFunctions(db.handle(), error)) {
    problems.push_back("the database " + name + ": " + error);
    return;
  }
  std::vector<std::string> tables;
  {
    sql::Statement st(db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' ORDER BY name");
    while (st.step() == SQLITE_ROW) tables.push_back(st.text(0));
  }
  for (const std::string& table : tables)
    if (!scanTable(db, name, table, terms, hits)) problems.push_back("the table " + table + " of " + name + ": " + db.lastError());
}

}  // namespace

std::string LeftoverHit::logLine() const {
  std::string line = "(warning) leftover of the " + label + " \"" + oldValue + "\": " + place;
  if (place.compare(0, 9, "registry ") != 0) line += ", " + std::to_string(count) + " row(s)";
  return line;
}

bool holdsLeftover(const std::string& text, const LeftoverTerm& term) {
  if (ifind(text, term.oldValue) == std::string::npos) return false;
  if (term.newValue.empty() || ifind(term.newValue, term.oldValue) == std::string::npos) return true;
  // Blank out the new value's occurrences, then look again.
  std::string rest = text;
  for (std::size_t at = ifind(rest, term.newValue); at != std::string::npos; at = ifind(rest, term.newValue, at + 1))
    rest.replace(at, term.newValue.size(), std::string(1, '\n'));
  return ifind(rest, term.oldValue) != std::string::npos;
}

std::vector<LeftoverHit> scanRegistryForLeftovers(Machine& machine, const std::vector<LeftoverTerm>& terms,
                                                  std::vector<std::string>& problems) {
  std::vector<LeftoverHit> hits;
  const std::vector<LeftoverTerm> wanted = usable(terms);
  if (!wanted.empty()) scanRegistry(machine, wanted, hits, problems);
  return hits;
}

std::vector<LeftoverHit> scanDatabasesForLeftovers(Machine& machine, const std::vector<LeftoverTerm>& terms,
                                                   std::vector<std::string>& problems) {
  std::vector<LeftoverHit> hits;
  const std::vector<LeftoverTerm> wanted = usable(terms);
  if (!wanted.empty())
    for (const char* db : kServerDatabases) scanDatabase(machine, db, wanted, hits, problems);
  return hits;
}

std::vector<LeftoverHit> scanForLeftovers(Machine& machine, const std::vector<LeftoverTerm>& terms,
                                          std::vector<std::string>& problems) {
  std::vector<LeftoverHit> hits = scanRegistryForLeftovers(machine, terms, problems);
  std::vector<LeftoverHit> inDatabases = scanDatabasesForLeftovers(machine, terms, problems);
  hits.insert(hits.end(), std::make_move_iterator(inDatabases.begin()), std::make_move_iterator(inDatabases.end()));
  return hits;
}

}  // namespace vrel::restore
