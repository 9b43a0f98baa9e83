#include "restore/preserve/RegBranchImport.h"

#include "platform/registry/RegFileReader.h"
#include "restore/external/modCallExternalApp.h"

namespace vrel::restore {

namespace {
constexpr int kNormalWindow = 1;
}

bool bRegFileUsable(const Files& files, const std::string& path, std::string& reason) {
  if (!files.fileExists(path)) {
    reason = "the file does not exist";
    return false;
  }
  std::string text;
  if (const FileStatus st = files.readAll(path, text); !st) {
    reason = st.description;
    return false;
  }
  RegFileContent content;
  if (!RegFileReader().read(Bytes(text.begin(), text.end()), content, reason)) return false;
  // The registry editor would import the part before the cut; a registry
  // half restored from a damaged file is worse than one left as it is, and
  // the error line tells the administrator.
  if (!content.truncated.empty()) {
    reason = content.truncated;
    return false;
  }
  if (content.ops.empty()) {
    reason = "the file holds no registry keys";
    return false;
  }
  return true;
}

std::string regImportCommand(const std::string& path) {
  return "regedit /s \"" + path + "\"";
}

void runAndWait(modCallExternalApp& external, const std::string& command) {
  const long pid = external.Shell(command, kNormalWindow);
  external.WaitForProcess(pid, modCallExternalApp::kInfinite);
}

std::string regFileNotImportedLine(const std::string& path, const std::string& reason) {
  return "(error) could not import " + path + ": " + reason;
}

}  // namespace vrel::restore
