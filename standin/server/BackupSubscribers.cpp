// The subscriber part of a backup: "SubscriberInfo.mdb" and the exported
// mailboxes in "messages".
// The ".PST" format is the mail store's (MailStore.h).
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/data/AdoError.h"
#include "platform/data/DatabaseBackup.h"
#include "platform/data/Session.h"
#include "standin/server/AccessSchemas.h"
#include "standin/server/Backup.h"
#include "standin/server/MailStore.h"


namespace vrel::standin {

namespace {

constexpr const char* kOrvixDb = "Provider=SQLOLEDB;Data Source=(local);Initial Catalog=OrvixDB;Integrated Security=SSPI";

struct Subscriber {
  data::Variant objectId;
  std::string alias;
  std::string addressId;
};

std::string textOf(const data::Variant& v) { return v.isNull() || v.isEmpty() ? std::string() : v.toString(); }

bool writeSubscriberInfo(Machine& machine, const std::string& file, const std::vector<Subscriber>& subscribers,
                         std::string& error) {
  const Files files(machine);
  if (files.exists(file)) files.deleteFile(file, true);
  if (!data::createDatabaseFile(machine, file, error)) return false;
  auto mdb = data::Session::open(machine, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file);
  mdb->execute(subscriberInfoMdbSchemaSql());
  mdb->execute("BEGIN");
  for (const Subscriber& s : subscribers) {
    const std::string dn = mailboxDn(s.addressId);
    mdb->execute("INSERT INTO Subscribers (SubscriberObjectID, Alias, OldMailboxDN) VALUES (?, ?, ?)",
                 {s.objectId, data::Variant(s.alias), dn.empty() ? data::Variant::null() : data::Variant(dn)});
  }
  mdb->execute("COMMIT");
  return true;
}

}  // namespace

std::string mailboxDn(const std::string& addressId) {
  const std::vector<std::string> parts = split(addressId, ',');
  if (parts.size() != 4) return addressId;
  std::string dn;
  for (auto it = parts.rbegin(); it != parts.rend(); ++it) dn += "/" + trim(*it);
  return dn;
}

bool backupSubscribers(Machine& machine, const std::string& folder, BackupReport& report, std::string& error) {
  std::vector<Subscriber> subscribers;
  std::vector<std::string> stores;
  try {
    auto db = data::Session::open(machine, kOrvixDb);
    for (const auto& row : db->query("SELECT SubscriberObjectID, Alias, AddressID FROM Subscriber ORDER BY rowid").rows)
      subscribers.push_back({row[0], textOf(row[1]), textOf(row[2])});
    for (const auto& row : db->query("SELECT Alias FROM MailboxStore ORDER BY rowid").rows)
      stores.push_back(textOf(row[0]));
    if (!writeSubscriberInfo(machine, winJoin(folder, "SubscriberInfo.mdb"), subscribers, error)) {
      error = "SubscriberInfo.mdb: " + error;
      return false;
    }
  } catch (const data::AdoError& e) {
    error = "SubscriberInfo.mdb: " + e.description;
    return false;
  }
  report.written.emplace_back("SubscriberInfo.mdb");

  const Files files(machine);
  const std::string messages = winJoin(folder, "messages");
  for (const Subscriber& s : subscribers) {
    // Names come from the database: one that is no plain file name must not
    // choose where a file goes.
    if (!isPlainFileName(s.alias)) {
      report.skipped.push_back("messages: the alias '" + s.alias + "' cannot name a file");
      continue;
    }
    for (const std::string& store : stores) {
      const std::string mailbox = winJoin(winJoin(kMailStoreRoot, store), s.alias);
      if (!isPlainFileName(store) || !files.folderExists(mailbox)) continue;
      const std::string pst = winJoin(messages, s.alias + ".PST");
      FileStatus st = files.createFolder(messages);
      if (st) st = files.writeAll(pst, exportPst(files, mailbox), Files::Durability::Deferred);  // synced with the backup
      if (!st) {
        error = "messages\\" + s.alias + ".PST: " + st.description;
        return false;
      }
      report.written.push_back("messages\\" + s.alias + ".PST");
      break;
    }
  }
  return true;
}

}  // namespace vrel::standin
