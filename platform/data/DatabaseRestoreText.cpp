#include "platform/data/DatabaseRestoreText.h"

namespace vrel::data {

std::string sqlServerText(std::string_view text) {
  constexpr std::string_view kTag = "[Microsoft][ODBC SQL Server Driver][SQL Server]";
  std::string out(kTag);
  for (char c : text) {
    out += c;
    if (c == '\n') out += kTag;
  }
  return out;
}

std::string abnormalText(std::string_view op, std::string_view what) {
  return std::string(what) + "\n" + std::string(op) + " is terminating abnormally.";
}

std::string missingDatabaseText(std::string_view name, std::string_view op) {
  return abnormalText(std::string(op) + " DATABASE",
                      "Could not locate entry in sysdatabases for database '" + std::string(name) +
                          "'. No entry found with that name. Make sure that the name is entered correctly.");
}

std::string deviceText(std::string_view device, std::string_view why, std::string_view op) {
  return abnormalText(op, "Cannot open backup device '" + std::string(device) +
                              "'. Device error or device off-line. See the SQL Server error log for more details. (" +
                              std::string(why) + ")");
}

std::string malformedMediaText(std::string_view device, std::string_view why) {
  return abnormalText("RESTORE DATABASE", "The media family on device '" + std::string(device) +
                                              "' is incorrectly formed. SQL Server cannot process this media "
                                              "family. (" +
                                              std::string(why) + ")");
}

std::string exclusiveAccessText() {
  return abnormalText("RESTORE DATABASE", "Exclusive access could not be obtained because the database is in use.");
}

}  // namespace vrel::data
