// The backup version and clean-install check made when a backup folder is
// chosen: may a restore from that folder be offered on this machine?
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vrel::restore {

class frmMain;

// True when the restore may go ahead. Compares "BackedUpVersionInfo.txt" of
// the folder (a path ending in a backslash) with the installed version
// unless the command line says "SkipVersionCheck"; "DirtyRestore" skips the
// clean-install check, which otherwise ends the program when the server
// holds more than 6 subscribers. A machine with only the voice connector is
// always refused. Every answer other than "go ahead" has shown its reason.
bool PreRestoreChecksOK(frmMain& form, const std::string& backupFolder);

// A version file value as VB's CInt(Val(text)) reads it: the leading number
// (blanks, tabs and line feeds ignored; "&H"/"&O" prefixes; fraction and
// exponent), rounded half to even; 0 when there is none. Nothing when it
// does not fit 16 bits (VB's overflow, error 6).
std::optional<std::int16_t> versionFieldValue(std::string_view text);

}  // namespace vrel::restore
