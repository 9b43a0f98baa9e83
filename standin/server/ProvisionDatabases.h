// The databases of a fresh installation: OrvixDB and ReportDB created with
// their schemas and exactly the rows a new install writes, every directory
// ID bound to this machine (docs/server-layout.md lists the rows).
#pragma once

#include "platform/data/Variant.h"
#include "standin/server/ProvisionIdentity.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vrel {
class Machine;
namespace data {
class Connection;
}  // namespace data
}  // namespace vrel

namespace vrel::standin {

// The connection string that opens a database of this machine's default
// instance.
std::string localDatabaseConnection(std::string_view database);

// Creates both databases (they must not exist) and fills them; false with
// error, and nothing left half-made, on failure.
bool createServerDatabases(Machine& machine, const ServerIdentity& id, std::string& error);

// Drops both databases when present; false with error when one is in use.
bool dropServerDatabases(Machine& machine, std::string& error);

// The mail store's MailDatabase: its distinguished name in the directory
// (Exchange), or the Domino database.
std::string mailDatabaseOf(const ServerIdentity& id);

// INSERT INTO table (columns) VALUES (?, ...) with the values bound.
using Row = std::vector<std::pair<const char*, data::Variant>>;
void insertRow(data::Connection& cn, std::string_view table, const Row& row);

}  // namespace vrel::standin
