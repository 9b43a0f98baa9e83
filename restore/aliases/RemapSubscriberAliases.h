// Remapping subscriber aliases from an alias mapping file after the server
// database has been restored: the subscriber's record, every table that
// names the subscriber by alias, its row in the working copy of
// "SubscriberInfo.mdb" and its exported message file, so the message
// restore finds the subscriber under the new alias.
#pragma once

#include <string>

namespace vrel::restore {

class Program;

// What the form holds for the remapping.
struct AliasRemapSource {
  std::string mappingFilePath;   // txtAliasMappingFilePath
  std::string backupFolder;      // txtTargetPath (it ends in a backslash in this program)
  bool restoreMessages = false;  // chkRestoreMessages
};

// Applies the mapping file line by line, in file order, each line against
// the state the lines before it left. Reports through the run log and, for
// a new alias that is taken and for an unexpected error, a message box.
// A line's database changes are made together or not at all; a line whose
// aliases cannot name a file in the Messages folder is refused whole.
void RemapSubscriberAliases(Program& program, const AliasRemapSource& source);

}  // namespace vrel::restore
