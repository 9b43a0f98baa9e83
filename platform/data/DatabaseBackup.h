// Database backup images of the machine's default SQL Server instance, and
// empty database files for the Access (.mdb) files the Jet provider opens.
//
// An image is a fixed header and the database's pages as one SQLite file:
//   "VRELDBI1"  8 bytes
//   size        8 bytes, little-endian: the length of the pages that follow
//   checksum    8 bytes, little-endian: FNV-1a (64 bit) of those pages
//   pages       the database as the SQLite online backup makes it
// so a truncated or damaged image is found before anything is replaced.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vrel {
class Machine;
}

namespace vrel::data {

// The outcome of a backup or restore: 0, or an error number (as VB shows a
// management object's HRESULT) with its description.
struct DatabaseImageStatus {
  long number = 0;
  std::string description;
  explicit operator bool() const { return number == 0; }
};

// The restore could not get the database to itself: a connection holds it.
inline constexpr long kErrExclusiveAccess = -2147218303;  // 0x80040C81
// Any other failure of a backup or restore (a missing, truncated or damaged
// image, a missing database, a write that failed).
inline constexpr long kErrBackupRestoreFailed = -2147202107;  // 0x80044BC5

inline constexpr std::string_view kImageMagic = "VRELDBI1";
inline constexpr std::size_t kImageHeaderSize = 24;

// The image's checksum, FNV-1a (64 bit), fed piece by piece: each call
// continues from the value the previous one returned.
inline constexpr std::uint64_t kImageChecksumSeed = 0xcbf29ce484222325ULL;
std::uint64_t imageChecksum(std::string_view bytes, std::uint64_t h = kImageChecksumSeed);
// A little-endian 64-bit field of the image header (8 bytes).
std::uint64_t getLe64(std::string_view in);

// The image bytes of a database's pages.
std::string makeDatabaseImage(std::string_view pages);
// The pages of an image; false with a reason when the image is not whole.
bool readDatabaseImage(std::string_view image, std::string_view& pages, std::string& reason);

// Writes an image of database name (a database of the machine's default
// instance) to imagePath, a Windows path. Connections may stay open: the
// copy is a consistent snapshot.
DatabaseImageStatus backupDatabase(Machine& machine, std::string_view name, std::string_view imagePath);

// Creates an empty database file at a Windows path (for an Access file the
// Jet provider then opens); false with error when it exists or cannot be made.
bool createDatabaseFile(Machine& machine, std::string_view path, std::string& error);

}  // namespace vrel::data
