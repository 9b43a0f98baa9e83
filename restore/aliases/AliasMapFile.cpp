#include "restore/aliases/AliasMapFile.h"

#include "platform/Text.h"
#include "restore/aliases/AliasMapText.h"
#include "restore/run/Program.h"

namespace vrel::restore {

namespace {

constexpr std::size_t kMinHeaderLength = 18;

}  // namespace

bool bCheckAliasMapFile(Program& program, const std::string& path) {
  if (!program.files.fileExists(path)) return false;
  std::string data;
  if (const FileStatus st = program.files.readAll(path, data); !st) {
    program.MsgBox("Error " + std::to_string(st.number) + " (" + st.description +
                   ") in procedure bCheckAliasMapFile of Form frmMain");
    return false;
  }
  // Read as the remapping reads it, so a file accepted here is one the
  // remapping understands (a byte-order mark included).
  const std::vector<std::string> lines = mappingFileLines(data);
  const std::string header = lines.empty() ? std::string() : lines.front();
  if (textLength(header) < kMinHeaderLength) return false;
  const std::vector<std::string> fields = split(header, ',');
  if (fields.size() < 2) return false;
  const AliasColumns columns = findAliasColumns(fields);
  return columns.oldAlias >= 0 && columns.newAlias >= 0;
}

}  // namespace vrel::restore
