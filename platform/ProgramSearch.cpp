#include "platform/ProgramSearch.h"

#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/WinPath.h"

#include <array>
#include <sys/stat.h>

namespace vrel {

namespace {

constexpr std::string_view kEnvironmentKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr std::string_view kDefaultPath = "%SystemRoot%\\system32;%SystemRoot%";
constexpr std::array<std::string_view, 4> kExtensions = {".COM", ".EXE", ".BAT", ".CMD"};

bool environmentValue(Machine& machine, std::string_view name, std::string& out) {
  RegValue v;
  if (machine.registry().getValue(Hive::LocalMachine, kEnvironmentKey, name, v) != kRegOk) return false;
  if (v.type != kRegSz && v.type != kRegExpandSz) return false;
  out = regDataAsText(v.data);
  return true;
}

bool isRegularFile(const std::string& hostPath) {
  struct stat st {};
  return !hostPath.empty() && ::stat(hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool hasExtension(std::string_view name) {
  const std::string file = winFileName(name);
  const auto dot = file.rfind('.');
  return dot != std::string::npos && dot + 1 < file.size();
}

bool isBatchName(std::string_view name) {
  const std::string file = winFileName(name);
  const auto dot = file.rfind('.');
  if (dot == std::string::npos) return false;
  const std::string_view ext = std::string_view(file).substr(dot);
  return iequals(ext, ".bat") || iequals(ext, ".cmd");
}

// Tries one full Windows path with the extensions.
bool tryCandidates(Machine& machine, const std::string& winPath, ProgramLocation& out) {
  const WinPaths paths(machine);
  std::vector<std::string> names;
  if (hasExtension(winPath)) names.push_back(winPath);
  for (const auto ext : kExtensions) names.push_back(winPath + std::string(ext));
  for (const auto& name : names) {
    const std::string host = paths.toHost(name);
    if (!isRegularFile(host)) continue;
    // Report the name as it is spelled on disk.
    const auto slash = host.rfind('/');
    out.hostPath = host;
    out.winPath = winJoin(winParent(name), slash == std::string::npos ? host : host.substr(slash + 1));
    out.kind = isBatchName(out.winPath) ? ProgramLocation::Batch : ProgramLocation::Executable;
    return true;
  }
  return false;
}

}  // namespace

namespace {

std::string expand(Machine& machine, std::string_view text, int depth) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto open = text.find('%', i);
    const auto close = open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) {
      out += text.substr(i);
      break;
    }
    out += text.substr(i, open - i);
    const std::string name(text.substr(open + 1, close - open - 1));
    std::string value;
    if (iequals(name, "SystemRoot"))
      out += "C:\\Windows";
    else if (iequals(name, "SystemDrive"))
      out += "C:";
    else if (!name.empty() && depth < 4 && environmentValue(machine, name, value))
      out += expand(machine, value, depth + 1);  // e.g. windir = %SystemRoot%
    else
      out += text.substr(open, close - open + 1);  // unknown: kept as written
    i = close + 1;
  }
  return out;
}

}  // namespace

std::string expandMachineEnvironment(Machine& machine, std::string_view text) { return expand(machine, text, 0); }

std::vector<std::string> machineSearchPath(Machine& machine) {
  std::string path;
  if (!environmentValue(machine, "Path", path)) path = kDefaultPath;
  std::vector<std::string> folders;
  for (auto& part : split(expandMachineEnvironment(machine, path), ';')) {
    std::string folder = trim(part);
    if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"') folder = folder.substr(1, folder.size() - 2);
    if (!folder.empty()) folders.push_back(std::move(folder));
  }
  return folders;
}

bool findProgram(Machine& machine, std::string_view name, ProgramLocation& out) {
  if (name.empty()) return false;
  const WinPaths paths(machine);
  if (name.find_first_of("\\/:") != std::string_view::npos)
    return tryCandidates(machine, paths.absolute(name), out);
  if (tryCandidates(machine, winJoin(WinPaths::currentFolder(), name), out)) return true;
  for (const auto& folder : machineSearchPath(machine)) {
    if (tryCandidates(machine, winJoin(paths.absolute(folder), name), out)) return true;
  }
  return false;
}

}  // namespace vrel
