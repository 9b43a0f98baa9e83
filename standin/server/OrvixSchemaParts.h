// The pieces OrvixSchema.cpp assembles into the OrvixDB object list, one
// per source file, grouped by what the tables describe.
#pragma once

#include "standin/server/SchemaObject.h"

#include <span>

namespace vrel::standin::detail {

// Subscribers, locations, lists, mail stores, templates and the tables that
// hang on a subscriber's alias.
std::span<const SchemaObject> orvixDirectoryTables();
// Call handlers, interview and name lookup handlers, their rules, menu
// entries and DTMF access IDs.
std::span<const SchemaObject> orvixHandlerTables();
// Setup parameters, servers, configuration, directory domains, Domino
// address books and the directory monitor's cache tables.
std::span<const SchemaObject> orvixSystemTables();
// The vw_* views.
std::span<const SchemaObject> orvixViews();
// Lookup indexes.
std::span<const SchemaObject> orvixIndexes();

}  // namespace vrel::standin::detail
