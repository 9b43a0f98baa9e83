// Importing registry files with the registry editor, as the registry restore
// does for the backup's "OrvixReg.reg" and the branch files saved from the
// new machine. A branch is deleted before its file is imported; a file that
// cannot be read as a registry file would then leave the branch deleted and
// nothing in its place, so the file is checked first.
#pragma once

#include "platform/Files.h"

#include <string>

namespace vrel::restore {

class modCallExternalApp;

// True when the file (a Windows path) exists, reads as a registry file that
// is not cut off, and asks for at least one change; false with the reason
// otherwise.
bool bRegFileUsable(const Files& files, const std::string& path, std::string& reason);

// "regedit /s " + the path between double quotes.
std::string regImportCommand(const std::string& path);

// Starts the command with a normal window and waits for it without limit.
// Raises VbError when it cannot be started.
void runAndWait(modCallExternalApp& external, const std::string& command);

// The line logged for a registry file that is not imported.
std::string regFileNotImportedLine(const std::string& path, const std::string& reason);

}  // namespace vrel::restore
