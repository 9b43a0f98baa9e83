// Restoring a database of the machine's default SQL Server instance from a
// backup image (see DatabaseBackup.h), the stand-in for the management
// objects' full database restore with the replace flag.
#pragma once

#include "platform/data/DatabaseBackup.h"

#include <string>
#include <string_view>

namespace vrel {
class Machine;
}

namespace vrel::data {

// True when the database file (a host path) is sound: SQLite reads it and
// finds every page and index in order; false with the reason otherwise.
bool databaseFileIsSound(const std::string& file, std::string& reason);

// Replaces database name with the image at imagePath (a Windows path), or
// creates it when it does not exist. The image is checked whole (header,
// size, checksum, database pages) before anything is touched; the live
// database is then swapped in one rename while the restore holds it
// exclusively. Fails with kErrExclusiveAccess while any connection of any
// process holds the database, with kErrBackupRestoreFailed for anything else;
// on failure the live database is unchanged.
DatabaseImageStatus restoreDatabase(Machine& machine, std::string_view name, std::string_view imagePath);

// Checks an image as the restore does (header, length, checksum, database
// pages) without touching any database: the pages are copied into a file
// of the host's temporary folder, checked there and removed. False with the
// reason ("the backup is truncated") when the image is not sound.
bool checkDatabaseImage(const std::string& hostImagePath, std::string& reason);

}  // namespace vrel::data
