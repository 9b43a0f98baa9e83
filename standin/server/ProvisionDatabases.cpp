#include "standin/server/ProvisionDatabases.h"

#include "platform/Machine.h"
#include "platform/data/Connection.h"
#include "platform/data/SqlInstance.h"
#include "standin/server/OrvixSchema.h"
#include "standin/server/ReportSchema.h"

#include <cstdio>

namespace vrel::standin {

using data::Variant;

namespace {

constexpr const char* kInstallTime = "2026-01-01 08:00:00";

Variant subscriberType(const ServerIdentity& id) { return Variant(id.isDomino() ? 3 : 1); }

std::string addressOf(const ServerIdentity& id, const std::string& alias, const std::string& displayName) {
  if (id.isDomino()) return "CN=" + displayName + "/O=Orvix";
  return "cn=" + alias + ",cn=Recipients,ou=" + id.computer() + ",o=Orvix";
}

struct Account {
  const char* alias;
  const char* first;
  const char* last;
  bool isSubscriber;
  bool hasHandler;
};

void insertSubscribers(data::Connection& cn, const ServerIdentity& id) {
  const std::string location = id.objectId("Location:default");
  const std::string messaging = id.messagingAccountAlias();
  const Account accounts[] = {{"EAdmin", "Example", "Administrator", true, true},
                              {"ESubscriber", "Example", "Subscriber", true, true},
                              {"Installer", "Installer", "Account", false, false},
                              {messaging.c_str(), "Orvix", "Messaging System", false, false}};
  for (const Account& a : accounts) {
    const std::string alias = a.alias;
    const bool system = alias == messaging;
    const std::string display = std::string(a.first) + " " + a.last;
    const std::string objectId = id.objectId("Subscriber:" + alias);
    const std::string uid = alias == "Installer" ? "Installer" + id.systemId() : alias;
    const Variant handler = a.hasHandler ? Variant(id.objectId("CallHandler:ch_" + alias)) : Variant::null();
    insertRow(cn, "Subscriber",
              {{"SubscriberObjectID", objectId}, {"Alias", alias}, {"UID", uid}, {"DisplayName", display},
               {"FirstName", a.first}, {"LastName", a.last}, {"DirectoryID", id.directoryId("Subscriber:" + alias)},
               {"AddressID", addressOf(id, alias, display)}, {"SubscriberType", system ? Variant(0) : subscriberType(id)},
               {"IsSubscriber", a.isSubscriber ? 1 : 0}, {"Undeletable", 1}, {"HomeServer", id.computer()},
               {"MailTransferAgent", id.computer()},
               {"MailboxStoreObjectID", a.isSubscriber || system ? Variant(id.objectId("MailboxStore")) : Variant::null()},
               {"CallHandlerObjectID", handler}, {"LocationObjectID", location}});
    insertRow(cn, "GlobalSubscriber",
              {{"SubscriberObjectID", objectId}, {"Alias", alias}, {"DisplayName", display},
               {"DirectoryID", id.directoryId("Subscriber:" + alias)}, {"LocationObjectID", location},
               {"SubscriberType", system ? Variant(0) : subscriberType(id)}, {"IsSubscriber", a.isSubscriber ? 1 : 0}});
    if (!a.hasHandler) continue;
    insertRow(cn, "CallHandler",
              {{"CallHandlerObjectID", handler}, {"Alias", "ch_" + alias}, {"TextName", display}, {"IsPrimary", 1},
               {"AdministratorObjectID", id.objectId("Subscriber:EAdmin")}, {"AdministratorObjectIDType", 1},
               {"RecipientObjectID", objectId}, {"RecipientObjectIDType", 1}, {"AfterMessageAction", 1},
               {"ExitAction", 1}});
  }
}

void insertLocationAndLists(data::Connection& cn, const ServerIdentity& id) {
  const Row location = {{"LocationObjectID", id.objectId("Location:default")},
                        {"Alias", "default"},
                        {"TextName", id.computer()},
                        {"UID", "default" + id.systemId()},
                        {"DirectoryID", id.directoryId("Location:default")},
                        {"HomeServer", id.computer()},
                        {"SystemID", static_cast<long long>(id.systemIdNumber())},
                        {"Undeletable", 1},
                        {"DestinationType", 1},
                        {"DTMFName", id.computer()},
                        {"SMTPDomain", "orvix.local"},
                        {"Site", id.computer()},
                        {"DialingDomainName", ""}};
  insertRow(cn, "Location", location);
  insertRow(cn, "GlobalLocation", location);
  const char* lists[][3] = {{"allsubscribers", "AllSubscribers", "All Subscribers"},
                            {"unaddressedmessages", "UnaddressedMessages", "Unaddressed Messages"},
                            {"systemeventmessages", "SystemEventMessages", "System Event Messages"}};
  for (const auto& l : lists) {
    const std::string key = std::string("DistributionList:") + l[0];
    insertRow(cn, "DistributionList",
              {{"SystemDListObjectID", id.objectId(key)}, {"Alias", l[0]}, {"UID", l[1] + id.systemId()},
               {"TextName", l[2]}, {"DirectoryID", id.directoryId(key)},
               {"AdministratorObjectID", id.objectId("Subscriber:EAdmin")}, {"AdministratorObjectIDType", 1}});
  }
  for (const char* member : {"EAdmin", "ESubscriber"})
    insertRow(cn, "DistributionListMember",
              {{"SystemDListObjectID", id.objectId("DistributionList:allsubscribers")},
               {"MemberObjectID", id.objectId(std::string("Subscriber:") + member)}, {"MemberObjectIDType", 1}});
}

}  // namespace

std::string mailDatabaseOf(const ServerIdentity& id) {
  if (id.isDomino()) return "CN=" + id.computer() + "/O=Orvix!!mail";
  const std::string& c = id.computer();
  return "CN=Mailbox Store (" + c + "),CN=First Storage Group,CN=InformationStore,CN=" + c +
         ",CN=Servers,CN=First Administrative Group,CN=Administrative Groups,CN=Orvix,CN=Microsoft Exchange,"
         "CN=Services,CN=Configuration,DC=orvix,DC=local";
}

namespace {

void insertInstallation(data::Connection& cn, const ServerIdentity& id) {
  insertRow(cn, "MailboxStore",
            {{"MailboxStoreObjectID", id.objectId("MailboxStore")}, {"Alias", id.mailStoreAlias()},
             {"DirectoryID", id.directoryId("MailboxStore")}, {"MailDatabase", mailDatabaseOf(id)},
             {"mailDatabaseIndex", 1}, {"MailstoreType", 1}});
  char dtmf[16];
  std::snprintf(dtmf, sizeof dtmf, "%06u", id.systemIdNumber() % 1000000u);
  insertRow(cn, "SubscriberTemplate",
            {{"SubscriberTemplateObjectID", id.objectId("SubscriberTemplate")}, {"Alias", "defaulttemplate"},
             {"TextName", "Default Subscriber Template"}, {"PwNT", "Nt" + id.systemId()}, {"PwDTMF", dtmf}});
  insertRow(cn, "COS", {{"COSObjectID", id.objectId("COS:defaultcos")}, {"Alias", "defaultcos"},
                        {"TextName", "Default Class of Service"}});
  insertRow(cn, "Servers", {{"ServerObjectID", id.objectId("Server")}, {"Alias", id.computer()},
                            {"SchemaMajorVersion", id.version().major}, {"SchemaMinorVersion", id.version().minor}});
  for (const auto& [name, value] : {std::pair<const char*, std::string>{"@SystemId", id.systemId()},
                                    {"@strRootPath", id.root()},
                                    {"@PrimaryServer", id.computer()}})
    insertRow(cn, "OrvixSetupParameters", {{"Name", name}, {"Value", value}});
  struct Node {
    int id, parent, type;
    const char* name;
    std::string value;
  };
  const Node nodes[] = {{1, 0, 0, "Orvix", ""},
                        {2, 1, 0, "System", ""},
                        {3, 2, 1, "ServerName", id.computer()},
                        {4, 2, 1, "SystemId", id.systemId()},
                        {5, 2, 1, "DirectoryBinding", id.directoryId("Configuration")},
                        {6, 1, 0, "Conversations", ""},
                        {7, 6, 2, "DefaultLanguage", id.options().language}};
  for (const Node& n : nodes) {
    std::string full;
    for (int at = n.id; at != 0; at = nodes[at - 1].parent) full = "\\" + std::string(nodes[at - 1].name) + full;
    insertRow(cn, "Configuration",
              {{"NodeID", n.id}, {"NodeName", n.name}, {"NodeValue", n.value}, {"NodeType", n.type},
               {"ParentNodeID", n.parent == 0 ? Variant::null() : Variant(n.parent)},
               {"ConfigurationMetadataObjectID", id.objectId(std::string("Configuration:") + n.name)},
               {"LastModifiedTime", kInstallTime}, {"FullNodeName", full},
               {"msrepl_tran_version", id.objectId(std::string("ConfigurationVersion:") + n.name)}});
  }
  if (id.mailStore() == MailStoreKind::Exchange2000)
    insertRow(cn, "ADDomain", {{"ADDomainObjectID", id.objectId("ADDomain")}, {"DomainName", "orvix.local"},
                               {"DistinguishedName", "DC=orvix,DC=local"}});
  if (id.isDomino())
    insertRow(cn, "DominoAddressBook",
              {{"DominoAddressBookObjectID", id.objectId("DominoAddressBook:0")}, {"AddressBookId", 0},
               {"ServerName", "CN=" + id.computer() + "/O=Orvix"}, {"DatabaseName", "names.nsf"}});
}

// Runs fill in one transaction on a new connection to database.
template <class F>
bool fillDatabase(Machine& machine, const char* database, const char* schema, F&& fill, std::string& error) {
  try {
    data::Connection cn(machine);
    cn.open(localDatabaseConnection(database));
    cn.beginTrans();
    cn.execute(schema);
    fill(cn);
    cn.commitTrans();
    cn.close();
    return true;
  } catch (const data::AdoError& e) {
    error = std::string("cannot fill ") + database + ": " + e.description;
    return false;
  }
}

}  // namespace

std::string localDatabaseConnection(std::string_view database) {
  return "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=" +
         std::string(database) + ";Data Source=(local)";
}

void insertRow(data::Connection& cn, std::string_view table, const Row& row) {
  std::string sql = "INSERT INTO " + std::string(table) + " (";
  std::string marks;
  std::vector<Variant> values;
  for (const auto& [column, value] : row) {
    sql += (values.empty() ? "" : ", ") + std::string(column);
    marks += values.empty() ? "?" : ", ?";
    values.push_back(value);
  }
  cn.execute(sql + ") VALUES (" + marks + ")", values);
}

bool createServerDatabases(Machine& machine, const ServerIdentity& id, std::string& error) {
  data::SqlInstance sql(machine);
  for (const char* name : {"OrvixDB", "ReportDB"})
    if (!sql.createDatabase(name, error)) return false;
  const bool ok =
      fillDatabase(machine, "OrvixDB", orvixDbSchemaSql(),
                   [&](data::Connection& cn) {
                     insertLocationAndLists(cn, id);
                     insertSubscribers(cn, id);
                     insertInstallation(cn, id);
                   },
                   error) &&
      fillDatabase(machine, "ReportDB", reportDbSchemaSql(),
                   [&](data::Connection& cn) {
                     insertRow(cn, "ReportSetupParameters", {{"Name", "@SystemId"}, {"Value", id.systemId()}});
                     insertRow(cn, "ReportSetupParameters", {{"Name", "@PrimaryServer"}, {"Value", id.computer()}});
                   },
                   error);
  if (!ok) {
    std::string ignored;
    dropServerDatabases(machine, ignored);
  }
  return ok;
}

bool dropServerDatabases(Machine& machine, std::string& error) {
  data::SqlInstance sql(machine);
  for (const char* name : {"OrvixDB", "ReportDB"})
    if (sql.exists(name) && !sql.dropDatabase(name, error)) return false;
  return true;
}

}  // namespace vrel::standin
