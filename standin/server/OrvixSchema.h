// The schema of the stand-in server's main database OrvixDB: the tables,
// views and indexes that the restore program, the directory COM server and
// the server's own stand-in procedures read and write. Object IDs are GUID
// columns named <Object>ObjectID; they are indexed but not unique, because
// the restore reports duplicated object IDs as an error and a stand-in
// database must be able to hold that fault.
#pragma once

#include "standin/server/SchemaObject.h"

#include <span>

namespace vrel::standin {

// Tables, then views, then indexes, in creation order.
std::span<const SchemaObject> orvixDbObjects();

// The whole schema as one script (the statements of orvixDbObjects()).
const char* orvixDbSchemaSql();

}  // namespace vrel::standin
