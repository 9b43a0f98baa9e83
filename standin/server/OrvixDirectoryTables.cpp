// OrvixDB tables of directory objects: subscribers and their global copies,
// locations and their global copies, distribution lists, classes of service,
// mail stores, subscriber templates, and the per-subscriber tables that name
// their subscriber by alias (ParentAlias).
#include "standin/server/OrvixSchemaParts.h"

namespace vrel::standin::detail {

namespace {

using enum SchemaKind;

// SubscriberType: 0 the server's own messaging-system accounts (removed by a
// restore), 1 an Exchange subscriber, 3 a Domino subscriber.
// UID is the subscriber's alias as the directory knows it (an alias remap
// changes Alias and UID together). AddressID is the mail address as a
// distinguished name (Exchange) or canonical name (Domino). CallHandlerObjectID
// names the subscriber's primary call handler.
constexpr const char* kSubscriber = R"(CREATE TABLE Subscriber (
  SubscriberObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  Alias NVARCHAR(64) COLLATE SQLSRV,
  UID NVARCHAR(64) COLLATE SQLSRV,
  DisplayName NVARCHAR(64) COLLATE SQLSRV,
  FirstName NVARCHAR(64) COLLATE SQLSRV,
  LastName NVARCHAR(64) COLLATE SQLSRV,
  DirectoryID NVARCHAR(256) COLLATE SQLSRV,
  AddressID NVARCHAR(512) COLLATE SQLSRV,
  SubscriberType INT NOT NULL DEFAULT 1,
  IsSubscriber BIT NOT NULL DEFAULT 1,
  Undeletable BIT NOT NULL DEFAULT 0,
  HomeServer NVARCHAR(64) COLLATE SQLSRV,
  StreamPath NVARCHAR(260) COLLATE SQLSRV,
  MailTransferAgent NVARCHAR(64) COLLATE SQLSRV,
  MailboxStoreObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  CallHandlerObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  LocationObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  ObjectChangedID INT NOT NULL DEFAULT 0
))";

// The network-wide copy of subscribers: local ones and those of other
// locations, rebuilt from the directory after a restore.
constexpr const char* kGlobalSubscriber = R"(CREATE TABLE GlobalSubscriber (
  SubscriberObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL,
  Alias NVARCHAR(64) COLLATE SQLSRV,
  DisplayName NVARCHAR(64) COLLATE SQLSRV,
  DirectoryID NVARCHAR(256) COLLATE SQLSRV,
  LocationObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  SubscriberType INT NOT NULL DEFAULT 1,
  IsSubscriber BIT NOT NULL DEFAULT 1
))";

// SystemID is the installation's system ID (hexadecimal text elsewhere) as a
// number. DirectoryID is text; a restore sets it to 1 until the directory
// resynchronisation writes the real one. DTMFAccessID is the location's own
// column of older versions (later ones keep extensions in DTMFAccessID).
constexpr const char* kLocation = R"(CREATE TABLE Location (
  LocationObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  Alias NVARCHAR(64) COLLATE SQLSRV,
  TextName NVARCHAR(64) COLLATE SQLSRV,
  UID NVARCHAR(64) COLLATE SQLSRV,
  DirectoryID NVARCHAR(256) COLLATE SQLSRV,
  HomeServer NVARCHAR(64) COLLATE SQLSRV,
  SystemID INT,
  ObjectChangedID INT NOT NULL DEFAULT 0,
  AllowBlindAddressing BIT NOT NULL DEFAULT 0,
  DestinationType INT,
  DTMFAccessID NVARCHAR(40) COLLATE SQLSRV,
  DTMFName NVARCHAR(64) COLLATE SQLSRV,
  SMTPDomain NVARCHAR(255) COLLATE SQLSRV,
  Undeletable BIT NOT NULL DEFAULT 0,
  StreamPath NVARCHAR(260) COLLATE SQLSRV,
  Site NVARCHAR(64) COLLATE SQLSRV,
  DialingDomainName NVARCHAR(64) COLLATE SQLSRV,
  AddressingMaxScope INT,
  BlindAddressingMaxScope INT,
  IncludeLocations BIT NOT NULL DEFAULT 0,
  AMISNodeID NVARCHAR(64) COLLATE SQLSRV,
  AMISDialID NVARCHAR(64) COLLATE SQLSRV,
  ObjectType INT,
  RemoteServer NVARCHAR(64) COLLATE SQLSRV,
  RemoteNodeID NVARCHAR(64) COLLATE SQLSRV
))";

// Every location of the network; local rows are copied from Location.
constexpr const char* kGlobalLocation = R"(CREATE TABLE GlobalLocation (
  LocationObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL,
  Alias NVARCHAR(64) COLLATE SQLSRV,
  TextName NVARCHAR(64) COLLATE SQLSRV,
  UID NVARCHAR(64) COLLATE SQLSRV,
  DirectoryID NVARCHAR(256) COLLATE SQLSRV,
  HomeServer NVARCHAR(64) COLLATE SQLSRV,
  SystemID INT,
  AllowBlindAddressing BIT NOT NULL DEFAULT 0,
  DestinationType INT,
  DTMFAccessID NVARCHAR(40) COLLATE SQLSRV,
  DTMFName NVARCHAR(64) COLLATE SQLSRV,
  SMTPDomain NVARCHAR(255) COLLATE SQLSRV,
  Undeletable BIT NOT NULL DEFAULT 0,
  StreamPath NVARCHAR(260) COLLATE SQLSRV,
  Site NVARCHAR(64) COLLATE SQLSRV,
  DialingDomainName NVARCHAR(64) COLLATE SQLSRV,
  AddressingMaxScope INT,
  BlindAddressingMaxScope INT,
  IncludeLocations BIT NOT NULL DEFAULT 0,
  AMISNodeID NVARCHAR(64) COLLATE SQLSRV,
  AMISDialID NVARCHAR(64) COLLATE SQLSRV,
  ObjectType INT,
  RemoteServer NVARCHAR(64) COLLATE SQLSRV,
  RemoteNodeID NVARCHAR(64) COLLATE SQLSRV
))";

// The system lists of an installation have UIDs "AllSubscribers",
// "UnaddressedMessages" and "SystemEventMessages" followed by the system ID.
constexpr const char* kDistributionList = R"(CREATE TABLE DistributionList (
  SystemDListObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  Alias NVARCHAR(64) COLLATE SQLSRV,
  UID NVARCHAR(64) COLLATE SQLSRV,
  TextName NVARCHAR(64) COLLATE SQLSRV,
  DirectoryID NVARCHAR(256) COLLATE SQLSRV,
  StreamPath NVARCHAR(260) COLLATE SQLSRV,
  AdministratorObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  AdministratorObjectIDType INT,
  ObjectChangedID INT NOT NULL DEFAULT 0
))";

// Members of public lists; MemberObjectIDType uses the object type codes.
constexpr const char* kDistributionListMember = R"(CREATE TABLE DistributionListMember (
  SystemDListObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL,
  MemberObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL,
  MemberObjectIDType INT NOT NULL DEFAULT 1
))";

constexpr const char* kCos = R"(CREATE TABLE COS (
  COSObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  Alias NVARCHAR(64) COLLATE SQLSRV,
  TextName NVARCHAR(64) COLLATE SQLSRV
))";

// MailDatabase is the store's distinguished name, DirectoryID its directory
// GUID as text. MailstoreType 2 is an Exchange 2007 store.
constexpr const char* kMailboxStore = R"(CREATE TABLE MailboxStore (
  MailboxStoreObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  Alias NVARCHAR(64) COLLATE SQLSRV,
  DirectoryID NVARCHAR(256) COLLATE SQLSRV,
  MailDatabase NVARCHAR(512) COLLATE SQLSRV,
  mailDatabaseIndex INT,
  MailstoreType INT NOT NULL DEFAULT 1
))";

// The default template has the alias "defaulttemplate".
constexpr const char* kSubscriberTemplate = R"(CREATE TABLE SubscriberTemplate (
  SubscriberTemplateObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  Alias NVARCHAR(64) COLLATE SQLSRV,
  TextName NVARCHAR(64) COLLATE SQLSRV,
  PwNT NVARCHAR(64) COLLATE SQLSRV,
  PwDTMF NVARCHAR(64) COLLATE SQLSRV
))";

// Tables whose rows belong to a subscriber named by alias (ParentAlias).
constexpr const char* kPersonalDlist = R"(CREATE TABLE PersonalDlist (
  PersonalDlistObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  ParentAlias NVARCHAR(64) COLLATE SQLSRV,
  Alias NVARCHAR(64) COLLATE SQLSRV
))";

constexpr const char* kNotificationMwi = R"(CREATE TABLE NotificationMWI (
  NotificationMWIObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  ParentAlias NVARCHAR(64) COLLATE SQLSRV,
  Extension NVARCHAR(40) COLLATE SQLSRV
))";

constexpr const char* kNotificationDevice = R"(CREATE TABLE NotificationDevice (
  NotificationDeviceObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  ParentAlias NVARCHAR(64) COLLATE SQLSRV,
  DeviceName NVARCHAR(64) COLLATE SQLSRV,
  PhoneNumber NVARCHAR(64) COLLATE SQLSRV
))";

constexpr const char* kNotificationRule = R"(CREATE TABLE NotificationRule (
  NotificationRuleObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  ParentAlias NVARCHAR(64) COLLATE SQLSRV,
  DeviceName NVARCHAR(64) COLLATE SQLSRV
))";

constexpr SchemaObject kTables[] = {
    {Table, "Subscriber", kSubscriber},
    {Table, "GlobalSubscriber", kGlobalSubscriber},
    {Table, "Location", kLocation},
    {Table, "GlobalLocation", kGlobalLocation},
    {Table, "DistributionList", kDistributionList},
    {Table, "DistributionListMember", kDistributionListMember},
    {Table, "COS", kCos},
    {Table, "MailboxStore", kMailboxStore},
    {Table, "SubscriberTemplate", kSubscriberTemplate},
    {Table, "PersonalDlist", kPersonalDlist},
    {Table, "NotificationMWI", kNotificationMwi},
    {Table, "NotificationDevice", kNotificationDevice},
    {Table, "NotificationRule", kNotificationRule},
};

}  // namespace

std::span<const SchemaObject> orvixDirectoryTables() {
  return kTables;
}

}  // namespace vrel::standin::detail
