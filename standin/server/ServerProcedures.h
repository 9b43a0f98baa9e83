// The stand-in server's OrvixDB stored procedures, run in code: each one
// registered under its name with the parameters callers pass
// (StoredProcedures.h) and the effect docs/server-schema.md describes.
#pragma once

namespace vrel::standin {

// Registers every OrvixDB procedure for the database "OrvixDB"; calling it
// again replaces them with the same definitions.
void registerServerProcedures();

// The OrvixSetupParameters row whose presence (any value other than empty
// or "0") makes sp_InsertReplicationSet fail, so a drill can drive the
// caller's error path.
inline constexpr const char* kFailReplicationSetParameter = "@StandinFailInsertReplicationSet";

}  // namespace vrel::standin
