// syncDominoBooks: the person documents of a provisioned or populated Domino
// server's subscribers.
#include "platform/Machine.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "standin/notes/NotesStore.h"
#include "standin/server/ProvisionDatabases.h"

#include <map>

namespace vrel::standin {

namespace {

constexpr const char* kMailServers = "SOFTWARE\\Tremarc\\Directory Connectors\\DirSynchDomino\\1.00\\Mail Servers";

struct ConfiguredBook {
  std::string server;
  std::string database;
};

// The directory connector's books by AddressBookId.
std::map<int, ConfiguredBook> configuredBooks(Machine& machine) {
  std::map<int, ConfiguredBook> out;
  Registry& reg = machine.registry();
  std::vector<std::string> keys;
  if (reg.subKeys(Hive::LocalMachine, kMailServers, keys) != kRegOk) return out;
  for (const std::string& key : keys) {
    const std::string path = std::string(kMailServers) + "\\" + key;
    RegValue id, server, database;
    if (reg.getValue(Hive::LocalMachine, path, "AddressBookId", id) != kRegOk || id.data.size() != 4 ||
        reg.getValue(Hive::LocalMachine, path, "ServerName", server) != kRegOk ||
        reg.getValue(Hive::LocalMachine, path, "Database", database) != kRegOk)
      continue;
    const int number = static_cast<int>(id.data[0] | id.data[1] << 8 | id.data[2] << 16 | id.data[3] << 24);
    out.emplace(number, ConfiguredBook{regDataAsText(server.data), regDataAsText(database.data)});
  }
  return out;
}

std::string fieldText(data::Recordset& rs, const char* name) { return rs.fields(name).value().toString(); }

}  // namespace

bool syncDominoBooks(Machine& machine, std::string& error) {
  const std::map<int, ConfiguredBook> books = configuredBooks(machine);
  if (books.empty()) return true;
  NotesStore store;
  if (!store.open(machine, error)) return false;
  std::map<int, std::int64_t> stored;
  for (const auto& [number, b] : books) {
    const auto id = store.book(b.server, b.database, true);
    if (!id) {
      error = "cannot create the address book " + b.database;
      return false;
    }
    stored[number] = *id;
  }
  const auto& [firstNumber, firstBook] = *books.begin();
  try {
    data::Connection cn(machine);
    cn.open(localDatabaseConnection("OrvixDB"));
    data::Recordset rs;
    rs.open("SELECT SubscriberObjectID, Alias, FirstName, LastName, DisplayName, DirectoryID FROM Subscriber "
            "WHERE SubscriberType = 3",
            cn, data::adOpenStatic);
    struct Update {
      std::string objectId, directoryId;
    };
    std::vector<Update> updates;
    for (; !rs.eof(); rs.moveNext()) {
      const std::string current = fieldText(rs, "DirectoryID");
      if (current.size() == 34) {
        const auto unid = unidFromHex(current.substr(2));
        const auto book = stored.find(std::atoi(current.substr(0, 2).c_str()));
        if (unid && book != stored.end() && store.noteExists(book->second, *unid)) continue;
      }
      const std::string objectId = fieldText(rs, "SubscriberObjectID");
      const std::string first = fieldText(rs, "FirstName"), last = fieldText(rs, "LastName");
      const std::string display = fieldText(rs, "DisplayName");
      const Unid unid = derivedUnid("Person:" + firstBook.server + "|" + objectId);
      const std::vector<NotesItem> items = {{"ShortName", {fieldText(rs, "Alias")}},
                                            {"FirstName", {first}},
                                            {"LastName", {last}},
                                            {"FullName", {"CN=" + display + "/O=Orvix", display}}};
      if (!store.putNote(stored[firstNumber], unid, items, error)) return false;
      updates.push_back({objectId, dominoDirectoryId(firstNumber, unid)});
    }
    rs.close();
    cn.beginTrans();
    for (const Update& u : updates) {
      cn.execute("UPDATE Subscriber SET DirectoryID = ? WHERE SubscriberObjectID = ?", {u.directoryId, u.objectId});
      cn.execute("UPDATE GlobalSubscriber SET DirectoryID = ? WHERE SubscriberObjectID = ?",
                 {u.directoryId, u.objectId});
    }
    cn.commitTrans();
    cn.close();
  } catch (const data::AdoError& e) {
    error = e.description;
    return false;
  }
  return true;
}

}  // namespace vrel::standin
