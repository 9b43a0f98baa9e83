// standin sql [--db OrvixDB|ReportDB|FILE] "STATEMENT": runs one statement on
// a database of the machine's default instance, or on an Access file, and
// prints its rows as tab-separated lines under a header line. Values are
// written so that every row stays on one line: NULL as "NULL", bytes as
// 0x and hex digits, dates as "YYYY-MM-DD HH:MM:SS", and in text a
// backslash, tab, carriage return and line feed as \\, \t, \r and \n. A
// statement without rows prints "(N rows affected)".
#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/WinPath.h"
#include "platform/data/AdoError.h"
#include "platform/data/OleDate.h"
#include "platform/data/Session.h"
#include "standin/command/Commands.h"

#include <cstdio>
#include <string>

namespace vrel::standin {

namespace {

std::string escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

std::string cellText(const data::Variant& v) {
  static const char* kHex = "0123456789ABCDEF";
  switch (v.kind()) {
    case data::VarKind::Empty:
    case data::VarKind::Null: return "NULL";
    case data::VarKind::Bool: return v.boolValue() ? "1" : "0";
    case data::VarKind::Date: return data::isoDateText(v.dateValue());
    case data::VarKind::Bytes: {
      std::string out = "0x";
      for (std::uint8_t b : v.bytesValue()) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
      }
      return out;
    }
    default: return escaped(v.toString());
  }
}

// A database name, or a Windows (or host) path of an Access file.
std::string connectionFor(Machine& machine, const std::string& db) {
  const bool isFile = db.find_first_of("\\/:") != std::string::npos ||
                      (db.size() > 4 && iequals(db.substr(db.size() - 4), ".mdb"));
  if (!isFile)
    return "Provider=SQLOLEDB;Data Source=(local);Integrated Security=SSPI;Initial Catalog=" + db;
  const std::string path = db.front() == '/' ? WinPaths(machine).toWindows(db) : db;
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path;
}

}  // namespace

int cmdSql(const Args& a) {
  std::string db = "OrvixDB";
  std::string statement;
  bool haveStatement = false;
  for (std::size_t i = 1; i < a.size(); ++i) {
    if (a[i] == "--db" && i + 1 < a.size()) {
      db = a[++i];
    } else if (!haveStatement && (a[i].empty() || a[i][0] != '-')) {
      statement = a[i];
      haveStatement = true;
    } else {
      return usage("sql needs [--db OrvixDB|ReportDB|FILE] \"STATEMENT\"");
    }
  }
  if (!haveStatement || db.empty()) return usage("sql needs [--db OrvixDB|ReportDB|FILE] \"STATEMENT\"");
  auto machine = openMachine();
  if (!machine) return 1;
  try {
    auto s = data::Session::open(*machine, connectionFor(*machine, db));
    const auto before = sqlite3_total_changes64(s->db());
    bool produced = false;
    const data::Rowset rs = s->query(statement, {}, &produced);
    if (!produced) {
      std::printf("(%lld rows affected)\n", static_cast<long long>(sqlite3_total_changes64(s->db()) - before));
      return 0;
    }
    std::string line;
    for (std::size_t c = 0; c < rs.columns.size(); ++c) line += (c ? "\t" : "") + escaped(rs.columns[c].name);
    std::printf("%s\n", line.c_str());
    for (const auto& row : rs.rows) {
      line.clear();
      for (std::size_t c = 0; c < row.size(); ++c) line += (c ? "\t" : "") + cellText(row[c]);
      std::printf("%s\n", line.c_str());
    }
    return 0;
  } catch (const data::AdoError& e) {
    std::fprintf(stderr, "standin sql: %s (%ld)\n", e.description.c_str(), e.number);
    return 1;
  }
}

}  // namespace vrel::standin
