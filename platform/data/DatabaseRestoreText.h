// The server's texts for failed backups and restores, as the management
// objects pass them on from SQL Server through its ODBC driver.
#pragma once

#include <string>
#include <string_view>

namespace vrel::data {

// Every line of text prefixed with the driver's and server's tags.
std::string sqlServerText(std::string_view text);
// what + the closing "<op> is terminating abnormally." line.
std::string abnormalText(std::string_view op, std::string_view what);
std::string missingDatabaseText(std::string_view name, std::string_view op);
std::string deviceText(std::string_view device, std::string_view why, std::string_view op);
std::string malformedMediaText(std::string_view device, std::string_view why);
std::string exclusiveAccessText();

}  // namespace vrel::data
