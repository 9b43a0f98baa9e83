#include "platform/registry/RegImport.h"

#include "platform/registry/RegFileWriter.h"

namespace vrel {

std::string describeRegStatus(RegStatus status) {
  const char* what = "unknown error";
  switch (status) {
    case kRegOk: what = "success"; break;
    case kRegNotFound: what = "not found"; break;
    case kRegAccessDenied: what = "access denied"; break;
    case kRegInvalidParam: what = "invalid parameter"; break;
    case kRegBadPath: what = "bad key path"; break;
    case kRegHasChildren: what = "key has subkeys"; break;
    case kRegBusy: what = "registry store busy"; break;
    case kRegStoreFailure: what = "registry store failure"; break;
  }
  return "error " + std::to_string(static_cast<long>(status)) + " (" + what + ")";
}

bool importRegFile(Registry& registry, const Bytes& fileBytes, std::vector<RegFileProblem>& problems,
                   std::string& error, std::string* truncated) {
  RegFileContent content;
  const bool readable = RegFileReader().read(fileBytes, content, error);
  problems = std::move(content.problems);
  if (truncated) *truncated = content.truncated;
  if (!readable) return false;
  const RegStatus st = registry.apply(content.ops);
  if (st != kRegOk) {
    error = "the registry refused the import: " + describeRegStatus(st) + "; nothing was changed";
    return false;
  }
  return true;
}

RegStatus exportRegBranch(Registry& registry, Hive hive, std::string_view path, Bytes& out) {
  std::vector<Registry::KeyDump> keys;
  const RegStatus st = registry.dumpBranch(hive, path, keys);
  if (st != kRegOk) return st;
  RegFileWriter writer;
  writer.addKeys(hiveName(hive), keys);
  out = writer.finish();
  return kRegOk;
}

RegStatus exportRegAll(Registry& registry, Bytes& out) {
  RegFileWriter writer;
  for (Hive hive : {Hive::LocalMachine, Hive::Users}) {
    std::vector<Registry::KeyDump> keys;
    const RegStatus st = registry.dumpBranch(hive, "", keys);
    if (st != kRegOk) return st;
    writer.addKeys(hiveName(hive), keys);
  }
  out = writer.finish();
  return kRegOk;
}

}  // namespace vrel
