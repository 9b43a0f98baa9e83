// Schemas of the Access files (.mdb) that the restore program reads and
// writes through the Jet provider, held by the stand-in as database files of
// the same names. Jet's types are spelled so that SQLite gives them the
// right affinity: VARCHAR(n) and LONGTEXT are text, INTEGER a 32-bit number,
// GUID a GUID, LONGBINARY bytes.
#pragma once

#include "standin/server/SchemaObject.h"

#include <span>

namespace vrel::standin {

// "CleanConfigInfo.mdb" (shipped with the restore program, empty) and the
// "ConfigInfo.mdb" copied from it: table Configuration, the nine columns of
// the server's Configuration table.
std::span<const SchemaObject> configInfoMdbObjects();
const char* configInfoMdbSchemaSql();

// "SubscriberInfo.mdb" (written by the backup tool): table Subscribers, one
// row per subscriber with its old object ID, alias and mailbox names.
std::span<const SchemaObject> subscriberInfoMdbObjects();
const char* subscriberInfoMdbSchemaSql();

// "MDBCertificate.MDB" (the message-aging service's certificate database):
// table CertTable. Its auto-numbered column is named Index, a keyword of
// SQLite's SQL, so statements must quote it ("Index" or [Index]).
std::span<const SchemaObject> mdbCertificateObjects();
const char* mdbCertificateSchemaSql();

}  // namespace vrel::standin
