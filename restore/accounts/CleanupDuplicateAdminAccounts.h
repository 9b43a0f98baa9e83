// Merging the two example administrator accounts a restored database can
// hold: "EAdministrator" stays, every reference to "EAdmin" (or "EAdmin"
// followed by the SystemID) moves over to it, its primary call handler is
// repaired, the "EAdmin" subscriber is deleted, and extensions left without
// a number or a handler go.
#pragma once

#include <string>

namespace vrel::restore {

class Program;

// Best effort: every failure is logged as "(error):N (desc) in procedure
// CleanupDuplicateAdminAccounts of Form frmMain" and the next step runs.
// Without both accounts, or without the object IDs of both, nothing changes.
void CleanupDuplicateAdminAccounts(Program& program, const std::string& systemId);

}  // namespace vrel::restore
