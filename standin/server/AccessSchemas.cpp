#include "standin/server/AccessSchemas.h"

#include <string>

namespace vrel::standin {

namespace {

using enum SchemaKind;

constexpr const char* kConfiguration = R"(CREATE TABLE Configuration (
  NodeID INTEGER,
  NodeName VARCHAR(255) COLLATE SQLSRV,
  NodeValue LONGTEXT COLLATE SQLSRV,
  NodeType INTEGER,
  ParentNodeID INTEGER,
  ConfigurationMetadataObjectID GUID COLLATE SQLGUID,
  LastModifiedTime DATETIME,
  FullNodeName LONGTEXT COLLATE SQLSRV,
  msrepl_tran_version GUID COLLATE SQLGUID
))";

// OldMailboxDN is written by the backup, NewMailboxDN by the restore
// ("/o=.../ou=.../cn=.../cn=..." forms).
constexpr const char* kSubscribers = R"(CREATE TABLE Subscribers (
  SubscriberObjectID GUID COLLATE SQLGUID,
  Alias VARCHAR(64) COLLATE SQLSRV,
  OldMailboxDN VARCHAR(255) COLLATE SQLSRV,
  NewMailboxDN VARCHAR(255) COLLATE SQLSRV
))";

constexpr const char* kCertTable = R"(CREATE TABLE CertTable (
  "Index" INTEGER PRIMARY KEY,
  SerialNumber VARCHAR(64) COLLATE SQLSRV,
  Data LONGBINARY
))";

constexpr SchemaObject kConfigInfo[] = {{Table, "Configuration", kConfiguration}};
constexpr SchemaObject kSubscriberInfo[] = {{Table, "Subscribers", kSubscribers}};
constexpr SchemaObject kMdbCertificate[] = {
    {Table, "CertTable", kCertTable},
    {Index, "IX_CertTable_SerialNumber", "CREATE INDEX IX_CertTable_SerialNumber ON CertTable (SerialNumber)"},
};

}  // namespace

std::span<const SchemaObject> configInfoMdbObjects() {
  return kConfigInfo;
}
std::span<const SchemaObject> subscriberInfoMdbObjects() {
  return kSubscriberInfo;
}
std::span<const SchemaObject> mdbCertificateObjects() {
  return kMdbCertificate;
}

const char* configInfoMdbSchemaSql() {
  static const std::string script = schemaScript(kConfigInfo);
  return script.c_str();
}

const char* subscriberInfoMdbSchemaSql() {
  static const std::string script = schemaScript(kSubscriberInfo);
  return script.c_str();
}

const char* mdbCertificateSchemaSql() {
  static const std::string script = schemaScript(kMdbCertificate);
  return script.c_str();
}

}  // namespace vrel::standin
