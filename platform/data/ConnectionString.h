// Connection strings as ADO reads them: "key=value" pairs separated by ';',
// keys without regard to case or order, blanks around keys and values
// trimmed, values optionally quoted ("..." or '...' with the quote doubled
// inside; {...} in ODBC style). A string names one of three providers: the
// OLE DB provider for SQL Server, the SQL Server ODBC driver, or Jet 4.0.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vrel::data {

class ConnectionProperties {
 public:
  // Throws AdoError when a segment is no "key=value" or a quote is open.
  static ConnectionProperties parse(std::string_view text);
  // The value of a key (any case), the last one written; "" when absent.
  std::string get(std::string_view key) const;
  bool has(std::string_view key) const;

 private:
  std::vector<std::pair<std::string, std::string>> m_pairs;
};

enum class ProviderKind { SqlOleDb, SqlOdbc, Jet };

// What a connection string asks for, before it is resolved on a machine.
struct DataSourceSpec {
  ProviderKind kind = ProviderKind::SqlOleDb;
  std::string server;    // SQL: as written ("" = the local default instance)
  std::string database;  // SQL: the database name ("master" when none given)
  std::string file;      // Jet: the Windows path of the .mdb
};

// Classifies a connection string; throws AdoError for an unknown provider
// (3706), an unknown ODBC driver or DSN, or a Jet string without a file.
DataSourceSpec resolveConnectionString(std::string_view text);

// The error source and message prefix of a provider, as its errors show.
const char* providerErrorSource(ProviderKind kind);
const char* providerMessagePrefix(ProviderKind kind);

}  // namespace vrel::data
