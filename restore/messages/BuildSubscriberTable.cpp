#include "restore/messages/BuildSubscriberTable.h"

#include "platform/Text.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "restore/preserve/SQLInfoSupport.h"
#include "restore/run/Program.h"
#include "restore/run/frmMainTraps.h"

#include <algorithm>

namespace vrel::restore {

namespace {

constexpr const char* kSqlConnection = "Driver={SQL Server};server=;database=OrvixDb";
constexpr const char* kSqlQuery = "Select Alias, SubscriberObjectID, AddressID, SubscriberType, HomeServer from Subscriber";

// An address without one of its markers has no mailbox DN.
struct MissingMarker {
  std::string marker;
};

bool isExampleAdministrator(const std::string& alias, const std::string& newSystemId, const std::string& oldSystemId) {
  return iequals(alias, "EAdministrator") || iequals(alias, "EAdmin") || iequals(alias, "EAdmin" + oldSystemId) ||
         iequals(alias, "EAdmin" + newSystemId);
}

class SubscriberTable {
 public:
  SubscriberTable(Program& p, std::string newSystemId, std::string oldSystemId)
      : m_p(p), m_newSystemId(std::move(newSystemId)), m_oldSystemId(std::move(oldSystemId)) {}

  ~SubscriberTable() {
    for (data::Recordset* rs : {&m_subscribers, &m_sql})
      if (rs->isOpen()) (void)trapStatement([&] { rs->close(); });
  }

  bool build() {
    const std::string mdb = m_p.programFolder() + "\\SubscriberInfo.mdb";
    if (!m_p.files.fileExists(mdb)) return false;
    log("    Building subscriber table of MailboxDNs");
    if (!open(mdb)) {
      m_p.MsgBox(m_p.str(15), MsgBoxStyle::OKOnly, MsgIcon::Critical);
      m_p.MsgBox(m_p.str(23));
      log("(error) could not open database to store subscriber MailboxDN values.  Skipping message backup sequence.");
      return false;
    }
    trapped([&] { moveToFirstRow(m_subscribers); });
    bool more = true;
    while (more) {
      trapped([&] { more = !m_subscribers.eof(); });
      if (!more) break;
      pairRow();
      // A row that cannot be left ends the walk rather than repeating forever.
      if (!trapped([&] { m_subscribers.moveNext(); })) break;
    }
    trapped([&] { writeMailboxList(); });
    log("    finished building subscriber table and mailboxes.txt file");
    return true;
  }

 private:
  void log(const std::string& text) { m_p.log.WriteToLog(text); }

  // Runs one statement; an error is logged and the walk goes on.
  template <class F>
  bool trapped(F&& statement) {
    if (auto e = trapStatement(std::forward<F>(statement))) {
      log("(error) in BuildSubscriberTable routine:" + e->description + " number= " + std::to_string(e->number));
      return false;
    }
    return true;
  }

  bool open(const std::string& mdb) {
    return !trapStatement([&] {
      const std::string access = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + mdb;
      log("        Attempting to connect to Access using connection string:" + access);
      m_subscribers.open("Select * from Subscribers", m_p.machine, access, data::adOpenKeyset, data::adLockOptimistic);
      log(std::string("        Attempting to connect to SQL table with string=") + kSqlConnection);
      m_sql.setCursorLocation(data::adUseClient);
      m_sql.open(kSqlQuery, m_p.machine, kSqlConnection, data::adOpenStatic, data::adLockReadOnly);
      // One search per subscriber: the object ID gets a local index.
      m_sql.fields("SubscriberObjectID").setOptimize(true);
    });
  }

  void pairRow() {
    std::string alias, objectId;
    trapped([&] {
      alias = fieldText(m_subscribers, "Alias");
      objectId = fieldText(m_subscribers, "SubscriberObjectID");
    });
    bool found = false;
    trapped([&] {
      found = isExampleAdministrator(alias, m_newSystemId, m_oldSystemId)
                  ? findFromFirst(m_sql, "Alias=" + criteriaQuote(alias))
                  : findFromFirst(m_sql, "SubscriberObjectID=" + criteriaQuote(objectId));
    });
    if (!found) {
      log("(error) didn't find subscriber in SQL table by ObjectID=" + objectId);
      return;
    }
    std::string address;
    trapped([&] { address = fieldText(m_sql, "AddressID"); });
    std::string dn = strFormatMailboxDNString(m_p.log, address);
    if (m_p.mailStoreKind == kMailStoreExchange55) dn.erase(std::remove(dn.begin(), dn.end(), '"'), dn.end());
    if (textLength(dn) >= 2) {
      trapped([&] {
        m_subscribers.fields("NewMailboxDN") = data::Variant(dn);
        m_subscribers.update();
      });
    } else {
      log("(error) no properly formatted MailboxDN string could be derived from:" + address);
    }
  }

  void writeMailboxList() {
    const std::string folder = m_p.programFolder();
    if (m_p.files.fileExists(folder + "\\Mailboxes.TXT")) m_p.files.deleteFile(folder + "\\Mailboxes.TXT", true);
    std::string text;
    for (moveToFirstRow(m_subscribers); !m_subscribers.eof(); m_subscribers.moveNext()) {
      const std::string oldDn = fieldText(m_subscribers, "OldMailboxDN");
      const std::string newDn = fieldText(m_subscribers, "NewMailboxDN");
      if (textLength(oldDn) > 1 && textLength(newDn) > 1) text += oldDn + "\t" + newDn + "\r\n";
    }
    if (const FileStatus st = m_p.files.writeAll(folder + "\\Mailboxes.txt", text); !st)
      throw VbError(st.number, st.description);
  }

  Program& m_p;
  std::string m_newSystemId;
  std::string m_oldSystemId;
  data::Recordset m_subscribers;
  data::Recordset m_sql;
};

}  // namespace

bool BuildSubscriberTable(Program& p, const std::string& newSystemId, const std::string& oldSystemId) {
  return SubscriberTable(p, newSystemId, oldSystemId).build();
}

std::string strFormatMailboxDNString(RunLog& log, std::string_view raw) {
  if (textLength(raw) < 4) {
    log.WriteToLog("(error) empty string passed to strFormatMailboxDNString function");
    return {};
  }
  const std::size_t p1 = ifind(raw, ",cn=");
  const std::size_t p2 = p1 == std::string_view::npos ? p1 : ifind(raw, ",ou=", p1 + 1);
  const std::size_t p3 = p2 == std::string_view::npos ? p2 : ifind(raw, ",o=", p2 + 1);
  if (p3 == std::string_view::npos) {
    const char* missing = p1 == std::string_view::npos ? ",cn=" : p2 == std::string_view::npos ? ",ou=" : ",o=";
    log.WriteToLog(std::string("(error) in strFormatMailboxDNString:the address has no \"") + missing + "\" part");
    log.WriteToLog("    strRawAddressID=" + std::string(raw));
    return {};
  }
  const std::string_view mailbox = raw.substr(0, p1);
  const std::string_view container = raw.substr(p1 + 1, p2 - p1 - 1);
  const std::string_view site = raw.substr(p2 + 1, p3 - p2 - 1);
  const std::string_view organisation = raw.substr(p3 + 1);
  return "/" + std::string(organisation) + "/" + std::string(site) + "/" + std::string(container) + "/" +
         std::string(mailbox);
}

}  // namespace vrel::restore
