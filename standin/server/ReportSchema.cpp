#include "standin/server/ReportSchema.h"

#include <string>

namespace vrel::standin {

namespace {

using enum SchemaKind;

// Rows "@SystemId" and "@PrimaryServer" of the installation that wrote the
// reports, like OrvixSetupParameters.
constexpr const char* kReportSetupParameters = R"(CREATE TABLE ReportSetupParameters (
  Name NVARCHAR(64) COLLATE SQLSRV NOT NULL PRIMARY KEY,
  Value NVARCHAR(512) COLLATE SQLSRV
))";

// One row per reported event of a subscriber's mailbox (ActivityType: 1 a
// message received, 2 a message heard, 3 a message deleted).
constexpr const char* kSubscriberActivity = R"(CREATE TABLE SubscriberActivity (
  ActivityID INTEGER PRIMARY KEY,
  ActivityTime DATETIME,
  SubscriberObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  Alias NVARCHAR(64) COLLATE SQLSRV,
  ActivityType INT,
  MessageCount INT
))";

constexpr SchemaObject kObjects[] = {
    {Table, "ReportSetupParameters", kReportSetupParameters},
    {Table, "SubscriberActivity", kSubscriberActivity},
    {Index, "IX_SubscriberActivity_SubscriberObjectID",
     "CREATE INDEX IX_SubscriberActivity_SubscriberObjectID ON SubscriberActivity (SubscriberObjectID)"},
};

}  // namespace

std::span<const SchemaObject> reportDbObjects() {
  return kObjects;
}

const char* reportDbSchemaSql() {
  static const std::string script = schemaScript(reportDbObjects());
  return script.c_str();
}

}  // namespace vrel::standin
