#include "platform/data/ProviderErrors.h"

#include <sqlite3.h>

namespace vrel::data {

namespace {

bool startsWith(const std::string& s, const char* prefix, std::string& rest) {
  const std::string p(prefix);
  if (s.compare(0, p.size(), p) != 0) return false;
  rest = s.substr(p.size());
  return true;
}

std::string tableOf(const std::string& qualified) {
  const std::size_t dot = qualified.find('.');
  return dot == std::string::npos ? qualified : qualified.substr(0, dot);
}

std::string columnOf(const std::string& qualified) {
  const std::size_t dot = qualified.find('.');
  return dot == std::string::npos ? qualified : qualified.substr(dot + 1);
}

AdoError sqlServerError(ProviderKind kind, int code, const std::string& msg) {
  std::string rest;
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED) return providerMessage(kind, kErrTimeout, "Timeout expired");
  if (startsWith(msg, "no such table: ", rest))
    return providerMessage(kind, kErrNoSuchTable, "Invalid object name '" + columnOf(rest) + "'.");
  if (startsWith(msg, "no such column: ", rest))
    return providerMessage(kind, kErrCommand, "Invalid column name '" + columnOf(rest) + "'.");
  if (startsWith(msg, "UNIQUE constraint failed: ", rest))
    return providerMessage(
        kind, kErrIntegrity,
        "Violation of UNIQUE KEY constraint. Cannot insert duplicate key in object '" + tableOf(rest) + "'.");
  if (startsWith(msg, "NOT NULL constraint failed: ", rest))
    return providerMessage(kind, kErrIntegrity,
                           "Cannot insert the value NULL into column '" + columnOf(rest) + "', table '" +
                               tableOf(rest) + "'; column does not allow nulls.");
  if (startsWith(msg, "near \"", rest) && rest.find("\": syntax error") != std::string::npos)
    return providerMessage(kind, kErrCommand, "Incorrect syntax near '" + rest.substr(0, rest.find('"')) + "'.");
  return providerMessage(kind, kErrCommand, msg);
}

AdoError jetError(int code, const std::string& msg) {
  std::string rest;
  const ProviderKind jet = ProviderKind::Jet;
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
    return providerMessage(jet, kErrUnspecified, "Could not update; currently locked.");
  if (startsWith(msg, "no such table: ", rest))
    return providerMessage(jet, kErrNoSuchTable,
                           "The Microsoft Jet database engine cannot find the input table or query '" + columnOf(rest) +
                               "'.  Make sure it exists and that its name is spelled correctly.");
  if (startsWith(msg, "no such column: ", rest))
    return providerMessage(jet, kErrMissingParameter, "No value given for one or more required parameters.");
  if (startsWith(msg, "UNIQUE constraint failed: ", rest))
    return providerMessage(jet, kErrUnspecified,
                           "The changes you requested to the table were not successful because they would create "
                           "duplicate values in the index, primary key, or relationship.");
  if (startsWith(msg, "NOT NULL constraint failed: ", rest))
    return providerMessage(jet, kErrUnspecified,
                           "The field '" + rest +
                               "' cannot contain a Null value because the Required property for "
                               "this field is set to True.  Enter a value in this field.");
  if (msg.find("syntax error") != std::string::npos)
    return providerMessage(jet, kErrCommand, "Syntax error in SQL statement.");
  return providerMessage(jet, kErrCommand, msg);
}

}  // namespace

AdoError providerError(ProviderKind kind, int sqliteCode, const std::string& sqliteMessage) {
  const int code = sqliteCode & 0xFF;
  if (kind == ProviderKind::Jet) return jetError(code, sqliteMessage);
  return sqlServerError(kind, code, sqliteMessage);
}

AdoError providerMessage(ProviderKind kind, long number, const std::string& message) {
  return AdoError(number, providerMessagePrefix(kind) + message, providerErrorSource(kind));
}

}  // namespace vrel::data
