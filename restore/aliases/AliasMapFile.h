// The browse-time check of an alias mapping file: a comma-separated text
// file whose first line names the columns "OLD_ALIAS" and "NEW_ALIAS".
#pragma once

#include <string>

namespace vrel::restore {

class Program;

// True when the file exists and its first line is at least 18 characters,
// splits at commas into at least two fields, and has a field equal to
// "OLD_ALIAS" and one equal to "NEW_ALIAS" (trimmed, any case). Only the
// first line is looked at. A read failure shows the procedure's error box
// and gives false.
bool bCheckAliasMapFile(Program& program, const std::string& path);

}  // namespace vrel::restore
