// The schema of the stand-in server's report database ReportDB. The restore
// program never reads it: it only replaces the whole database from a backup
// when asked to. The stand-in keeps two small tables so that a drill can
// tell the backed-up report data from a fresh installation's.
#pragma once

#include "standin/server/SchemaObject.h"

#include <span>

namespace vrel::standin {

// Tables, then indexes, in creation order.
std::span<const SchemaObject> reportDbObjects();

// The whole schema as one script.
const char* reportDbSchemaSql();

}  // namespace vrel::standin
