#include "restore/aliases/AliasMapFile.h"

#include "platform/Text.h"
#include "restore/run/Program.h"

namespace vrel::restore {

namespace {

constexpr std::size_t kMinHeaderLength = 18;

}  // namespace

std::string_view firstTextLine(std::string_view data) { return data.substr(0, data.find_first_of("\r\n")); }

bool bCheckAliasMapFile(Program& program, const std::string& path) {
  if (!program.files.fileExists(path)) return false;
  std::string data;
  if (const FileStatus st = program.files.readAll(path, data); !st) {
    program.MsgBox("Error " + std::to_string(st.number) + " (" + st.description +
                   ") in procedure bCheckAliasMapFile of Form frmMain");
    return false;
  }
  // Measured in the file's own single-byte characters.
  const std::string_view header = firstTextLine(data);
  if (header.size() < kMinHeaderLength) return false;
  const std::vector<std::string> fields = split(ansiToUtf8(header), ',');
  if (fields.size() < 2) return false;
  bool oldAlias = false;
  bool newAlias = false;
  for (const std::string& field : fields) {
    const std::string name = trim(field);
    oldAlias = oldAlias || iequals(name, "OLD_ALIAS");
    newAlias = newAlias || iequals(name, "NEW_ALIAS");
  }
  return oldAlias && newAlias;
}

}  // namespace vrel::restore
