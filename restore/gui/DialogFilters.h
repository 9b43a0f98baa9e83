// The file dialogs' filters in Qt's form. A Windows filter is either a bare
// pattern list ("*.CSV") or pairs of description and patterns separated by
// '|' ("Mapping files (*.csv)|*.csv|All files|*.*"). Windows matches patterns
// without regard to case; Qt on this host does not, so each pattern is given
// in the spellings a file may have.
#pragma once

#include <string>
#include <string_view>

namespace vrel::restore {

// "*.CSV" -> "*.CSV *.csv"; "Text|*.txt|All|*.*" -> "Text (*.txt *.TXT);;All (*.*)".
// Empty text gives an empty filter (every file).
std::string qtFilter(std::string_view windowsFilter);

}  // namespace vrel::restore
