// The stand-in bulk-copy program: copies a table of a database of the
// machine's default SQL Server instance to a data file and back, as the
// restore program runs it:
//   bcp DATABASE..TABLE out "FILE" -n -T
//   bcp DATABASE..TABLE in "FILE" -n -T      (appends to the table)
// FILE is a Windows path of the machine named by VREL_MACHINE. The native
// format is this stand-in's own:
//   "VRELBCP1", column count (4 bytes)
//   per row: 0x01, then per column a type byte and the value:
//     0 NULL; 1 integer (8 bytes); 2 float (8 bytes, IEEE);
//     3 text, 4 bytes (length 4 bytes, then the bytes)
//   0x00, the row count (8 bytes), FNV-1a of everything before the 0x00
// (all numbers little-endian). An import reads and checks the whole file
// before it adds any row, and adds them all in one transaction or none.
// Messages go to stdout as the real tool's do; the exit code is 0 on
// success and 1 on any failure.
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/data/AdoError.h"
#include "platform/data/Session.h"
#include "standin/bcp/BcpNative.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace vrel {
namespace {

using bcp::fnv1a;
using bcp::kMagic;
using bcp::put;
using bcp::Row;
using bcp::Value;

constexpr const char* kDriver = "[Microsoft][ODBC SQL Server Driver]";

struct Request {
  std::string database;
  std::string table;
  bool out = false;
  std::string file;
};

void fail(const std::string& state, long native, const std::string& text) {
  std::printf("SQLState = %s, NativeError = %ld\nError = %s\n", state.c_str(), native, text.c_str());
}
void usage() {
  std::printf("usage: bcp {dbtable} {in | out} datafile -n -T\n  dbtable: database..table or database.owner.table\n");
}

bool parseRequest(const std::vector<std::string>& args, Request& req) {
  std::vector<std::string> plain;
  bool native = false;
  for (const std::string& a : args) {
    if (a.size() >= 2 && a[0] == '-') {
      if (a == "-n") native = true;
      else if (a != "-T") {
        std::printf("bcp: unsupported switch %s\n", a.c_str());
        return false;
      }
    } else {
      plain.push_back(a);
    }
  }
  if (plain.size() != 3 || !(iequals(plain[1], "in") || iequals(plain[1], "out"))) {
    usage();
    return false;
  }
  if (!native) {
    std::printf("bcp: only the native format (-n) is supported\n");
    return false;
  }
  // DATABASE..TABLE or DATABASE.OWNER.TABLE; the owner is not kept.
  const std::string& name = plain[0];
  const std::size_t first = name.find('.');
  const std::size_t last = name.rfind('.');
  if (first == std::string::npos || first == 0 || last == name.size() - 1 || last == first) {
    usage();
    return false;
  }
  req.database = name.substr(0, first);
  req.table = name.substr(last + 1);
  req.out = iequals(plain[1], "out");
  req.file = plain[2];
  return true;
}

// The table's name as the database spells it and its columns in order.
bool tableColumns(data::Session& s, std::string& table, std::vector<std::string>& columns) {
  data::Statement st = s.prepare("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE");
  sqlite3_bind_text(st.get(), 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(st.get()) != SQLITE_ROW) return false;
  table = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0));
  data::Statement cols = s.prepare("SELECT name FROM pragma_table_info(?) ORDER BY cid");
  sqlite3_bind_text(cols.get(), 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
  while (sqlite3_step(cols.get()) == SQLITE_ROW)
    columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(cols.get(), 0)));
  return true;
}

std::string quoted(const std::string& name) {
  std::string q = "\"";
  for (char c : name) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

std::string columnList(const std::vector<std::string>& columns) {
  std::string list;
  for (const std::string& c : columns) list += (list.empty() ? "" : ", ") + quoted(c);
  return list;
}

bool copyOut(data::Session& s, const Files& files, const Request& req, const std::string& table,
             const std::vector<std::string>& columns, long& copied) {
  data::Statement st = s.prepare("SELECT " + columnList(columns) + " FROM " + quoted(table) + " ORDER BY rowid");
  std::string out(kMagic);
  put(out, columns.size(), 4);
  int rc = SQLITE_ROW;
  while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
    out += '\x01';
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
      const int type = sqlite3_column_type(st.get(), c);
      if (type == SQLITE_INTEGER) {
        out += '\x01';
        put(out, static_cast<std::uint64_t>(sqlite3_column_int64(st.get(), c)), 8);
      } else if (type == SQLITE_FLOAT) {
        const double d = sqlite3_column_double(st.get(), c);
        std::uint64_t bits = 0;
        std::memcpy(&bits, &d, 8);
        out += '\x02';
        put(out, bits, 8);
      } else if (type == SQLITE_TEXT || type == SQLITE_BLOB) {
        const void* p = type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_column_text(st.get(), c))
                                            : sqlite3_column_blob(st.get(), c);
        const int n = sqlite3_column_bytes(st.get(), c);
        out += type == SQLITE_TEXT ? '\x03' : '\x04';
        put(out, static_cast<std::uint64_t>(n), 4);
        out.append(static_cast<const char*>(p), static_cast<std::size_t>(n));
      } else {
        out += '\x00';
      }
    }
    ++copied;
  }
  if (rc != SQLITE_DONE) s.raiseLast(rc);
  const std::uint64_t sum = fnv1a(out);
  out += '\x00';
  put(out, static_cast<std::uint64_t>(copied), 8);
  put(out, sum, 8);
  if (const FileStatus fs = files.writeAll(req.file, out); !fs) {
    fail("S1000", 0, std::string(kDriver) + "Unable to open BCP host data-file (" + fs.description + ")");
    return false;
  }
  return true;
}

bool copyIn(data::Session& s, const Files& files, const Request& req, const std::string& table,
            const std::vector<std::string>& columns, long& copied) {
  std::string data;
  if (const FileStatus fs = files.readAll(req.file, data); !fs) {
    fail("S1000", 0, std::string(kDriver) + "Unable to open BCP host data-file (" + fs.description + ")");
    return false;
  }
  std::vector<Row> rows;
  std::string reason;
  if (!bcp::parseNativeFile(data, columns.size(), rows, reason)) {
    fail("S1000", 0, kDriver + reason);
    return false;
  }
  std::string marks;
  for (std::size_t i = 0; i < columns.size(); ++i) marks += i ? ", ?" : "?";
  s.execute("BEGIN IMMEDIATE");
  try {
    data::Statement st =
        s.prepare("INSERT INTO " + quoted(table) + " (" + columnList(columns) + ") VALUES (" + marks + ")");
    for (const Row& row : rows) {
      sqlite3_reset(st.get());
      for (int c = 0; c < static_cast<int>(row.size()); ++c) {
        const Value& v = row[static_cast<std::size_t>(c)];
        if (v.type == SQLITE_INTEGER) sqlite3_bind_int64(st.get(), c + 1, v.i);
        else if (v.type == SQLITE_FLOAT) sqlite3_bind_double(st.get(), c + 1, v.d);
        else if (v.type == SQLITE_TEXT)
          sqlite3_bind_text(st.get(), c + 1, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_STATIC);
        else if (v.type == SQLITE_BLOB)
          sqlite3_bind_blob(st.get(), c + 1, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_STATIC);
        else sqlite3_bind_null(st.get(), c + 1);
      }
      if (const int rc = sqlite3_step(st.get()); rc != SQLITE_DONE) s.raiseLast(rc);
      ++copied;
    }
    s.execute("COMMIT");
  } catch (...) {
    sqlite3_exec(s.db(), "ROLLBACK", nullptr, nullptr, nullptr);
    copied = 0;
    throw;
  }
  return true;
}

int run(int argc, char** argv) {
  Request req;
  if (!parseRequest(parseArguments(argumentsText(rawCommandLine(argc, argv))), req)) return 1;
  std::string error;
  auto machine = Machine::fromEnvironment(error);
  if (!machine) {
    std::printf("bcp: %s\n", error.c_str());
    return 1;
  }
  const Files files(*machine);
  try {
    auto s = data::Session::open(*machine, "Provider=SQLOLEDB;Data Source=(local);Integrated Security=SSPI;"
                                           "Initial Catalog=" + req.database);
    std::string table = req.table;
    std::vector<std::string> columns;
    if (!tableColumns(*s, table, columns)) {
      fail("S0002", 208, std::string(kDriver) + "[SQL Server]Invalid object name '" + req.database + ".." +
                             req.table + "'.");
      return 1;
    }
    std::printf("\nStarting copy...\n");
    long copied = 0;
    const bool ok = req.out ? copyOut(*s, files, req, table, columns, copied)
                            : copyIn(*s, files, req, table, columns, copied);
    std::printf("\n%ld rows copied.\n", ok ? copied : 0L);
    return ok ? 0 : 1;
  } catch (const data::AdoError& e) {
    fail("37000", e.number, e.description);
    return 1;
  }
}

}  // namespace
}  // namespace vrel

int main(int argc, char** argv) { return vrel::run(argc, argv); }
