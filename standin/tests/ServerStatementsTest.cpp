// The statements other programs send to the stand-in server's databases, as
// those programs write them, compile against the schemas: every table, view
// and column they name exists. Rows ending in "Fields" probe the columns a
// program reads or writes by name on a "Select *" recordset or in a Find.
#include "standin/server/AccessSchemas.h"
#include "standin/server/OrvixSchema.h"
#include "standin/tests/SchemaTestDb.h"

#include <gtest/gtest.h>

namespace vrel {
namespace {

enum class Db { Orvix, ConfigInfo, SubscriberInfo, MdbCertificate };

struct StatementRow {
  const char* name;
  Db db;
  const char* sql;
};
void PrintTo(const StatementRow& row, std::ostream* os) {
  *os << row.name;
}

// Values the programs put between quotes are written as 'x'.
const StatementRow kStatements[] = {
    // Start-up and the clean-install check.
    {"LocationsOld", Db::Orvix, "select * from location"},
    {"LocationsView", Db::Orvix, "select * from vw_location"},
    {"MailboxStores", Db::Orvix, "Select * from MailboxStore"},
    {"CleanCheckOld", Db::Orvix, "Select Alias from Subscriber"},
    {"CleanCheckView", Db::Orvix, "Select Alias from vw_Subscriber"},
    {"LocationFields", Db::Orvix, "SELECT DirectoryID FROM vw_Location"},
    // Local configuration backup and the saved SQL values.
    {"DefaultTemplate", Db::Orvix, "SELECT PwNT, PwDTMF FROM SubscriberTemplate WHERE Alias='defaulttemplate'"},
    {"ConfigurationCopy", Db::Orvix, "SELECT * FROM Configuration"},
    {"ConfigurationFields", Db::Orvix,
     "SELECT NodeID, NodeName, NodeValue, NodeType, ParentNodeID, ConfigurationMetadataObjectID, LastModifiedTime, "
     "FullNodeName, msrepl_tran_version FROM Configuration"},
    {"SetupParameters", Db::Orvix, "Select * from OrvixSetupParameters"},
    {"SetupParameterFields", Db::Orvix, "SELECT Value FROM OrvixSetupParameters WHERE Name='@SystemId'"},
    {"MailboxStoreFields", Db::Orvix, "SELECT Alias, DirectoryID, mailDatabaseIndex, MailDatabase FROM MailboxStore"},
    {"MailTransferAgent", Db::Orvix, "Select MailTransferAgent, alias from Subscriber"},
    {"SubscribersOld", Db::Orvix, "Select Alias, UID, DirectoryID from Subscriber"},
    {"SubscribersView", Db::Orvix, "Select Alias, UID, DirectoryID from vw_Subscriber"},
    {"LocationValuesOld", Db::Orvix, "Select Alias, DirectoryID, HomeServer, UID from Location"},
    {"LocationValuesView", Db::Orvix, "Select Alias, DirectoryID, HomeServer, UID from vw_Location"},
    {"SystemLists", Db::Orvix, "Select Alias, DirectoryID from DistributionList"},
    {"SetSubscribers", Db::Orvix, "Select Alias, DirectoryID, ObjectChangedID from Subscriber"},
    {"SetLocations", Db::Orvix, "Select Alias, DirectoryID, ObjectChangedID, HomeServer, UID, SystemID from Location"},
    {"SetLists", Db::Orvix, "Select UID, Alias, DirectoryID, ObjectChangedID from DistributionList"},
    // Fix-ups of the restored database.
    {"ExampleAdministrator", Db::Orvix, "SELECT Alias, DirectoryID, SubscriberObjectID from Subscriber"},
    {"AddressBooks", Db::Orvix, "SELECT * FROM DominoAddressBook"},
    {"OldServerName", Db::Orvix, "Select Alias, HomeServer, DirectoryID, TextName from Location"},
    {"TemplatePasswords", Db::Orvix, "SELECT PwNT, PwDTMF FROM SubscriberTemplate"},
    {"ServerRow", Db::Orvix, "Select * from Servers WHERE Alias='NEWSERVER'"},
    {"ServerFields", Db::Orvix, "SELECT Alias, SchemaMajorVersion, SchemaMinorVersion FROM Servers"},
    {"SubscriberRewrite", Db::Orvix,
     "Select IsSubscriber, SubscriberType, SubscriberObjectID, Alias, UID, DisplayName, DirectoryID, HomeServer, "
     "StreamPath, MailTransferAgent from Subscriber"},
    {"HandlerStreamPaths", Db::Orvix, "Select Alias, StreamPath from CallHandler"},
    {"RuleStreamPaths", Db::Orvix, "Select Alias, StreamPath from MessagingRule"},
    {"ListStreamPaths", Db::Orvix, "Select Alias, StreamPath from DistributionList"},
    {"LookupStreamPaths", Db::Orvix, "Select Alias, StreamPath from NameLookupHandler"},
    {"ClearConfiguration", Db::Orvix, "DELETE from Configuration"},
    {"ClearConfigurationUpper", Db::Orvix, "DELETE FROM Configuration"},
    {"ClearDomains", Db::Orvix, "DELETE FROM ADDomain"},
    {"ClearDirObjs", Db::Orvix, "DELETE FROM ADMonitorDirObjsList"},
    {"ClearListMembers", Db::Orvix, "DELETE FROM ADMonitorDistributionListMember"},
    {"ClearScopeLists", Db::Orvix, "DELETE FROM ADMonitorScopeDistributionList"},
    {"ClearScopeMembers", Db::Orvix, "DELETE FROM ADMonitorScopeDistributionListMember"},
    {"ClearScopeChanges", Db::Orvix, "DELETE FROM ADMonitorScopeDistributionListPendingChanges"},
    {"ClearMovedMailboxes", Db::Orvix, "DELETE FROM MovedMailbox"},
    // Global tables, locations and setup after the resynchronisation.
    {"GlobalLocationsNotLocal", Db::Orvix,
     "DELETE FROM GlobalLocation WHERE LocationObjectID NOT IN (SELECT LocationObjectID FROM Location)"},
    {"GlobalLocationsAll", Db::Orvix, "DELETE FROM GlobalLocation"},
    {"GlobalSubscribersNotLocal", Db::Orvix,
     "DELETE FROM GlobalSubscriber WHERE LocationObjectID NOT IN (SELECT LocationObjectID FROM Location)"},
    {"GlobalSubscribersNoLocation", Db::Orvix, "DELETE FROM GlobalSubscriber WHERE LocationObjectID IS NULL"},
    {"GlobalSystemAccounts", Db::Orvix, "DELETE FROM GlobalSubscriber WHERE subscriberType = 0 OR IsSubscriber = 0"},
    {"LocalLocations", Db::Orvix, "Select * from vw_Location"},
    {"GlobalLocations", Db::Orvix, "Select * from GlobalLocation"},
    {"GlobalLocationCopyFields", Db::Orvix,
     "SELECT LocationObjectID, Alias, SystemID, AllowBlindAddressing, DestinationType, DTMFAccessID, DTMFName, "
     "SMTPDomain, TextName, Undeletable, StreamPath, UID, Site, DirectoryID, DialingDomainName, AddressingMaxScope, "
     "BlindAddressingMaxScope, IncludeLocations, AMISNodeID, AMISDialID, ObjectType, HomeServer, RemoteServer, "
     "RemoteNodeID FROM vw_Location UNION ALL SELECT LocationObjectID, Alias, SystemID, AllowBlindAddressing, "
     "DestinationType, DTMFAccessID, DTMFName, SMTPDomain, TextName, Undeletable, StreamPath, UID, Site, "
     "DirectoryID, DialingDomainName, AddressingMaxScope, BlindAddressingMaxScope, IncludeLocations, AMISNodeID, "
     "AMISDialID, ObjectType, HomeServer, RemoteServer, RemoteNodeID FROM GlobalLocation"},
    {"DefaultLocation", Db::Orvix, "Select Alias, TextName from Location where alias='default'"},
    // Alias remapping and object references.
    {"RemapTarget", Db::Orvix, "SELECT Alias, UID, SubscriberObjectID FROM Subscriber WHERE UID='newalias'"},
    {"RemapGlobal", Db::Orvix, "UPDATE GlobalSubscriber SET Alias='new' WHERE Alias='old'"},
    {"RemapPersonalLists", Db::Orvix, "UPDATE PersonalDlist SET ParentAlias='new' WHERE ParentAlias='old'"},
    {"RemapMwi", Db::Orvix, "UPDATE NotificationMWI SET ParentAlias='new' WHERE ParentAlias='old'"},
    {"RemapDevices", Db::Orvix, "UPDATE NotificationDevice SET ParentAlias='new' WHERE ParentAlias='old'"},
    {"RemapRules", Db::Orvix, "UPDATE NotificationRule SET ParentAlias='new' WHERE ParentAlias='old'"},
    {"Exchange2007Stores", Db::Orvix, "SELECT Alias, MailstoreType FROM vw_MailboxStore WHERE MailstoreType=2"},
    // Duplicate administrator clean-up.
    {"AdminSubscribers", Db::Orvix,
     "Select Alias, Undeletable, SubscriberObjectID, CallHandlerObjectID from subscriber"},
    {"AdminHandlers", Db::Orvix,
     "Select Alias, IsPrimary, CallHandlerObjectID, AdministratorObjectID, RecipientObjectID from CallHandler"},
    {"HandlerOwners", Db::Orvix, "Select Alias, AdministratorObjectID, RecipientObjectID, IsPrimary from CallHandler"},
    {"InterviewReferences", Db::Orvix, "select Alias, RecipientObjectID, AdministratorObjectID from InterviewHandler"},
    {"ListOwners", Db::Orvix, "Select Alias, UID, AdministratorObjectID from DistributionList"},
    {"LookupOwners", Db::Orvix, "Select Alias, AdministratorObjectID from NameLookupHandler"},
    {"RuleDestinations", Db::Orvix, "Select MessagingRuleObjectID, DestinationObjectID from MessagingRule"},
    {"MenuDestinations", Db::Orvix, "select MenuEntryObjectID, DestinationObjectID from MenuEntry"},
    {"Extensions", Db::Orvix, "Select * from DTMFAccessID"},
    {"ExtensionFields", Db::Orvix, "SELECT DTMFAccessID, ParentObjectID FROM DTMFAccessID"},
    // Mail-store rights check.
    {"StoresWithSubscribers", Db::Orvix,
     "SELECT MailboxStore.MailboxStoreObjectID, MailboxStore.DirectoryID, MailboxStore.MailDatabase FROM MailboxStore "
     "INNER JOIN Subscriber ON Subscriber.MailboxStoreObjectID=MailboxStore.MailboxStoreObjectID GROUP BY "
     "MailboxStore.mailboxstoreobjectid, MailboxStore.MailDatabase, MailboxStore.DirectoryID"},
    // Message restore and the Domino wizard.
    {"MailboxAddresses", Db::Orvix,
     "Select Alias, SubscriberObjectID, AddressID, SubscriberType, HomeServer from Subscriber"},
    {"ResolvedDirectoryId", Db::Orvix,
     "SELECT DirectoryID FROM Subscriber WHERE SubscriberObjectId='{6F9619FF-8B86-D011-B42D-00C04FC964FF}'"},
    {"CallHandlerSearchAll", Db::Orvix,
     "SELECT Alias, TextName,DtmfAccessId, CallHandlerObjectId FROM vw_CallHandler WHERE (IsPrimary<>1)GROUP BY "
     "Alias, TextName, DtmfAccessId, CallHandlerObjectId ORDER BY Alias"},
    {"CallHandlerSearchByName", Db::Orvix,
     "SELECT Alias, TextName,DtmfAccessId, CallHandlerObjectId FROM vw_CallHandler WHERE (IsPrimary<>1) AND "
     "(TextName LIKE 'Op%') GROUP BY Alias, TextName, DtmfAccessId, CallHandlerObjectId ORDER BY Alias"},
    {"CallHandlerSearchByExtension", Db::Orvix,
     "SELECT Alias, TextName,DtmfAccessId, CallHandlerObjectId FROM vw_CallHandler WHERE (IsPrimary<>1) AND "
     "(DTMFAccessID LIKE '50%') GROUP BY Alias, TextName, DtmfAccessId, CallHandlerObjectId ORDER BY Alias"},
    {"SubscriberSearchAll", Db::Orvix,
     "SELECT vw_Subscriber.Alias, vw_Subscriber.DisplayName,vw_CallHandler.DtmfAccessId, "
     "vw_Subscriber.FirstName,vw_Subscriber.LastName , vw_Subscriber.SubscriberObjectID FROM vw_CallHandler INNER "
     "JOIN vw_Subscriber ON vw_CallHandler.CallHandlerObjectId = vw_Subscriber.CallHandlerObjectId WHERE "
     "vw_Subscriber.SubscriberType IN (1,3)GROUP BY vw_Subscriber.Alias, vw_Subscriber.DisplayName, "
     "vw_CallHandler.DtmfAccessId, vw_Subscriber.FirstName,vw_Subscriber.LastName , vw_Subscriber.SubscriberObjectId"},
    {"SubscriberSearchByExtension", Db::Orvix,
     "SELECT vw_Subscriber.Alias, vw_Subscriber.DisplayName,vw_CallHandler.DtmfAccessId, "
     "vw_Subscriber.FirstName,vw_Subscriber.LastName , vw_Subscriber.SubscriberObjectID FROM vw_CallHandler INNER "
     "JOIN vw_Subscriber ON vw_CallHandler.CallHandlerObjectId = vw_Subscriber.CallHandlerObjectId WHERE "
     "vw_Subscriber.SubscriberType IN (1,3)AND (vw_CallHandler.DTMFAccessID LIKE '5001') GROUP BY "
     "vw_Subscriber.Alias, vw_Subscriber.DisplayName, vw_CallHandler.DtmfAccessId, "
     "vw_Subscriber.FirstName,vw_Subscriber.LastName , vw_Subscriber.SubscriberObjectId"},
    {"UnassociatedDominoSubscribers", Db::Orvix,
     "SELECT DirectoryId, Alias, AddressId, FirstName, LastName, SubscriberObjectId FROM vw_subscriber WHERE "
     "subscribertype = 3"},
    // Access files.
    {"CleanConfiguration", Db::ConfigInfo, "DELETE from Configuration"},
    {"ConfigurationRows", Db::ConfigInfo, "Select * from Configuration"},
    {"ConfigInfoFields", Db::ConfigInfo,
     "SELECT NodeID, NodeName, NodeValue, NodeType, ParentNodeID, ConfigurationMetadataObjectID, LastModifiedTime, "
     "FullNodeName, msrepl_tran_version FROM Configuration"},
    {"SubscriberInfoRows", Db::SubscriberInfo, "Select * from Subscribers"},
    {"SubscriberInfoFields", Db::SubscriberInfo,
     "SELECT Alias, SubscriberObjectID, OldMailboxDN, NewMailboxDN FROM Subscribers WHERE Alias='x'"},
    // Jet accepts the keyword Index bare; SQLite needs it quoted (see AccessSchemas.h).
    {"CertificatesInOrder", Db::MdbCertificate, "Select * from CertTable ORDER BY [Index] ASC"},
    {"CertificateFields", Db::MdbCertificate, "SELECT SerialNumber, Data FROM CertTable WHERE SerialNumber='01'"},
};

std::span<const standin::SchemaObject> schemaOf(Db db) {
  switch (db) {
    case Db::Orvix:
      return standin::orvixDbObjects();
    case Db::ConfigInfo:
      return standin::configInfoMdbObjects();
    case Db::SubscriberInfo:
      return standin::subscriberInfoMdbObjects();
    case Db::MdbCertificate:
      return standin::mdbCertificateObjects();
  }
  return {};
}

class ServerStatementsTest : public ::testing::TestWithParam<StatementRow> {};

TEST_P(ServerStatementsTest, Compiles) {
  test::SchemaTestDb db;
  ASSERT_TRUE(db.createSchema(schemaOf(GetParam().db)));
  EXPECT_EQ(db.prepareError(GetParam().sql), "") << GetParam().sql;
}

INSTANTIATE_TEST_SUITE_P(Programs, ServerStatementsTest, ::testing::ValuesIn(kStatements),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vrel
