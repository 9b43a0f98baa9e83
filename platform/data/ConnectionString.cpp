#include "platform/data/ConnectionString.h"

#include "platform/Text.h"
#include "platform/data/AdoError.h"

namespace vrel::data {

namespace {

constexpr long kErrBadInitString = -2147217805;  // 0x80040E73
constexpr const char* kOdbcSource = "Microsoft OLE DB Provider for ODBC Drivers";

[[noreturn]] void badFormat() {
  throw AdoError(kErrBadInitString, "Format of the initialization string does not conform to the OLE DB specification.",
                 "Microsoft OLE DB Service Components");
}

// Reads a quoted value starting at text[i] (the opening quote); i ends after
// the closing quote. A doubled closing character stands for itself.
std::string readQuoted(std::string_view text, std::size_t& i) {
  const char open = text[i];
  const char close = open == '{' ? '}' : open;
  std::string out;
  for (++i; i < text.size(); ++i) {
    if (text[i] != close) {
      out += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == close) {
      out += close;
      ++i;
    } else {
      ++i;
      return out;
    }
  }
  badFormat();
}

bool isSqlServerDriver(const std::string& driver) {
  return iequals(driver, "SQL Server") || iequals(driver, "SQL Native Client") ||
         wildcardMatch("SQL Server Native Client*", driver) || wildcardMatch("ODBC Driver * for SQL Server", driver);
}

std::string firstOf(const ConnectionProperties& p, std::initializer_list<const char*> keys) {
  for (const char* k : keys)
    if (p.has(k)) return p.get(k);
  return {};
}

DataSourceSpec sqlSpec(ProviderKind kind, const ConnectionProperties& p, std::initializer_list<const char*> servers,
                       std::initializer_list<const char*> databases) {
  DataSourceSpec s;
  s.kind = kind;
  s.server = firstOf(p, servers);
  s.database = firstOf(p, databases);
  if (s.database.empty()) s.database = "master";
  return s;
}

DataSourceSpec jetSpec(std::string file) {
  if (file.empty()) throw AdoError(kErrUnspecified, "Could not find file ''.", "Microsoft JET Database Engine");
  DataSourceSpec s;
  s.kind = ProviderKind::Jet;
  s.file = std::move(file);
  return s;
}

DataSourceSpec odbcSpec(const ConnectionProperties& p) {
  const std::string driver = p.get("Driver");
  if (driver.empty())
    throw AdoError(kErrUnspecified,
                   "[Microsoft][ODBC Driver Manager] Data source name not found and no default driver specified",
                   kOdbcSource);
  if (isSqlServerDriver(driver)) return sqlSpec(ProviderKind::SqlOdbc, p, {"Server", "Address", "Addr"}, {"Database"});
  if (iequals(driver, "Microsoft Access Driver (*.mdb)")) return jetSpec(p.get("DBQ"));
  throw AdoError(kErrUnspecified,
                 "[Microsoft][ODBC Driver Manager] Data source name not found and no default driver specified",
                 kOdbcSource);
}

}  // namespace

ConnectionProperties ConnectionProperties::parse(std::string_view text) {
  ConnectionProperties props;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t eq = text.find('=', i);
    const std::size_t semi = text.find(';', i);
    if (semi != std::string_view::npos && (eq == std::string_view::npos || semi < eq)) {
      if (!trim(text.substr(i, semi - i)).empty()) badFormat();
      i = semi + 1;
      continue;
    }
    if (eq == std::string_view::npos) {
      if (!trim(text.substr(i)).empty()) badFormat();
      break;
    }
    std::string key = trim(text.substr(i, eq - i));
    if (key.empty()) badFormat();
    i = eq + 1;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::string value;
    if (i < text.size() && (text[i] == '"' || text[i] == '\'' || text[i] == '{')) {
      value = readQuoted(text, i);
      const std::size_t end = text.find(';', i);
      if (!trim(text.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i)).empty()) badFormat();
      i = end == std::string_view::npos ? text.size() : end + 1;
    } else {
      const std::size_t end = text.find(';', i);
      value = trim(text.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
      i = end == std::string_view::npos ? text.size() : end + 1;
    }
    props.m_pairs.emplace_back(std::move(key), std::move(value));
  }
  return props;
}

std::string ConnectionProperties::get(std::string_view key) const {
  for (auto it = m_pairs.rbegin(); it != m_pairs.rend(); ++it)
    if (iequals(it->first, key)) return it->second;
  return {};
}

bool ConnectionProperties::has(std::string_view key) const {
  for (const auto& kv : m_pairs)
    if (iequals(kv.first, key)) return true;
  return false;
}

DataSourceSpec resolveConnectionString(std::string_view text) {
  const ConnectionProperties p = ConnectionProperties::parse(text);
  const std::string provider = p.get("Provider");
  if (provider.empty() || wildcardMatch("MSDASQL*", provider)) return odbcSpec(p);
  if (iequals(provider, "SQLOLEDB") || iequals(provider, "SQLOLEDB.1") || wildcardMatch("SQLNCLI*", provider) ||
      iequals(provider, "MSOLEDBSQL"))
    return sqlSpec(ProviderKind::SqlOleDb, p, {"Data Source", "Server", "Address", "Addr", "Network Address"},
                   {"Initial Catalog", "Database"});
  if (iequals(provider, "Microsoft.Jet.OLEDB.4.0")) return jetSpec(p.get("Data Source"));
  raiseAdo(adErrProviderNotFound, "ADODB.Connection");
}

const char* providerErrorSource(ProviderKind kind) {
  switch (kind) {
    case ProviderKind::SqlOleDb:
      return "Microsoft OLE DB Provider for SQL Server";
    case ProviderKind::SqlOdbc:
      return kOdbcSource;
    case ProviderKind::Jet:
      return "Microsoft JET Database Engine";
  }
  return "";
}

const char* providerMessagePrefix(ProviderKind kind) {
  return kind == ProviderKind::SqlOdbc ? "[Microsoft][ODBC SQL Server Driver][SQL Server]" : "";
}

}  // namespace vrel::data
