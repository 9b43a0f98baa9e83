// OrvixDB tables of the installation itself: setup parameters, servers, the
// configuration tree, the directory domains and Domino address books the
// installation is bound to, and the directory monitor's cache tables.
#include "standin/server/OrvixSchemaParts.h"

namespace vrel::standin::detail {

namespace {

using enum SchemaKind;

// Rows "@SystemId" (hexadecimal text), "@strRootPath" (install root without
// its final backslash) and "@PrimaryServer" (computer name).
constexpr const char* kOrvixSetupParameters = R"(CREATE TABLE OrvixSetupParameters (
  Name NVARCHAR(64) COLLATE SQLSRV NOT NULL PRIMARY KEY,
  Value NVARCHAR(512) COLLATE SQLSRV
))";

// One row per server of the installation, by computer name (Alias).
constexpr const char* kServers = R"(CREATE TABLE Servers (
  ServerObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  Alias NVARCHAR(64) COLLATE SQLSRV,
  SchemaMajorVersion INT,
  SchemaMinorVersion INT
))";

// The configuration tree. Every column may be null (a null NodeID is
// reported, not refused, when the table is copied); NodeID is unique when
// present.
constexpr const char* kConfiguration = R"(CREATE TABLE Configuration (
  NodeID INT,
  NodeName NVARCHAR(256) COLLATE SQLSRV,
  NodeValue NVARCHAR(4000) COLLATE SQLSRV,
  NodeType INT,
  ParentNodeID INT,
  ConfigurationMetadataObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  LastModifiedTime DATETIME,
  FullNodeName NVARCHAR(1024) COLLATE SQLSRV,
  msrepl_tran_version UNIQUEIDENTIFIER COLLATE SQLGUID DEFAULT (newid())
))";

// The Active Directory domains the installation serves.
constexpr const char* kAdDomain = R"(CREATE TABLE ADDomain (
  ADDomainObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  DomainName NVARCHAR(256) COLLATE SQLSRV,
  DistinguishedName NVARCHAR(512) COLLATE SQLSRV
))";

// The Domino address books of the installation, as the Domino directory
// connector's registry list names them (number, server, database file).
constexpr const char* kDominoAddressBook = R"(CREATE TABLE DominoAddressBook (
  DominoAddressBookObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  AddressBookId INT,
  ServerName NVARCHAR(256) COLLATE SQLSRV,
  DatabaseName NVARCHAR(256) COLLATE SQLSRV
))";

// The directory monitor's caches of directory objects and list memberships,
// keyed by directory IDs; a restore empties them and the monitor refills.
constexpr const char* kAdMonitorDirObjsList = R"(CREATE TABLE ADMonitorDirObjsList (
  DirectoryID NVARCHAR(256) COLLATE SQLSRV,
  ObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  ObjectType INT
))";

constexpr const char* kAdMonitorDistributionListMember = R"(CREATE TABLE ADMonitorDistributionListMember (
  ListDirectoryID NVARCHAR(256) COLLATE SQLSRV,
  MemberDirectoryID NVARCHAR(256) COLLATE SQLSRV
))";

constexpr const char* kAdMonitorScopeDistributionList = R"(CREATE TABLE ADMonitorScopeDistributionList (
  DirectoryID NVARCHAR(256) COLLATE SQLSRV,
  Alias NVARCHAR(64) COLLATE SQLSRV
))";

constexpr const char* kAdMonitorScopeDistributionListMember = R"(CREATE TABLE ADMonitorScopeDistributionListMember (
  ListDirectoryID NVARCHAR(256) COLLATE SQLSRV,
  MemberDirectoryID NVARCHAR(256) COLLATE SQLSRV
))";

constexpr const char* kAdMonitorScopeDistributionListPendingChanges =
    R"(CREATE TABLE ADMonitorScopeDistributionListPendingChanges (
  ListDirectoryID NVARCHAR(256) COLLATE SQLSRV,
  MemberDirectoryID NVARCHAR(256) COLLATE SQLSRV,
  ChangeType INT,
  ChangeTime DATETIME
))";

// Mailboxes the directory monitor saw move between stores.
constexpr const char* kMovedMailbox = R"(CREATE TABLE MovedMailbox (
  SubscriberObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  OldMailboxStoreObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  NewMailboxStoreObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  MoveTime DATETIME
))";

constexpr SchemaObject kTables[] = {
    {Table, "OrvixSetupParameters", kOrvixSetupParameters},
    {Table, "Servers", kServers},
    {Table, "Configuration", kConfiguration},
    {Table, "ADDomain", kAdDomain},
    {Table, "DominoAddressBook", kDominoAddressBook},
    {Table, "ADMonitorDirObjsList", kAdMonitorDirObjsList},
    {Table, "ADMonitorDistributionListMember", kAdMonitorDistributionListMember},
    {Table, "ADMonitorScopeDistributionList", kAdMonitorScopeDistributionList},
    {Table, "ADMonitorScopeDistributionListMember", kAdMonitorScopeDistributionListMember},
    {Table, "ADMonitorScopeDistributionListPendingChanges", kAdMonitorScopeDistributionListPendingChanges},
    {Table, "MovedMailbox", kMovedMailbox},
};

}  // namespace

std::span<const SchemaObject> orvixSystemTables() {
  return kTables;
}

}  // namespace vrel::standin::detail
