// The text of an alias mapping file: its lines, its two alias columns, and
// the rule an alias must meet before it may name a subscriber's message
// file. Shared by the browse-time check and the remapping.
#pragma once

#include "platform/Text.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vrel::restore {

// The lines of a mapping file as UTF-8. A file that starts with the UTF-8
// byte-order mark is UTF-8 and loses the mark (spreadsheet programs write
// one); any other file is in the machine's ANSI code page. CR LF, LF and CR
// each end a line; a line end at the very end opens no further line.
std::vector<std::string> mappingFileLines(std::string_view data);

// The positions of "OLD_ALIAS" and "NEW_ALIAS" among a header's fields
// (trimmed, any case; of two equal names the right-most counts); -1 when
// the name is missing.
struct AliasColumns {
  int oldAlias = -1;
  int newAlias = -1;
};
AliasColumns findAliasColumns(const std::vector<std::string>& fields);

// Why "<alias>.PST" would not be a file of the folder it is put in: a path
// separator, drive colon, wildcard or other character Windows refuses in a
// file name, a control character, "." or "..", or a device name (CON,
// NUL, COM1, ...). Empty when the alias is a plain file name.
std::string aliasFileNameFault(std::string_view alias);

// The alias as a log line shows it: control characters as "<0xNN>", so a
// line of the log stays one readable line.
std::string printableAlias(std::string_view alias);

}  // namespace vrel::restore
