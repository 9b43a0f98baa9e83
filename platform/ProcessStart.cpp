// Processes::start: from a Windows command line to a spawned host process.
#include "platform/CommandLine.h"
#include "platform/Machine.h"
#include "platform/ProcessHost.h"
#include "platform/ProgramSearch.h"
#include "platform/Processes.h"
#include "platform/WinPath.h"

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <vector>

extern char** environ;

namespace vrel {

namespace {

constexpr std::string_view kCmdWinPath = "C:\\Windows\\system32\\cmd.exe";

bool validStyle(int style) {
  switch (style) {
    case kHide:
    case kNormalFocus:
    case kMinimizedFocus:
    case kMaximizedFocus:
    case kNormalNoFocus:
    case kMinimizedNoFocus:
      return true;
    default:
      return false;
  }
}

// The ways the program part can be read. A quoted part is what it says. An
// unquoted path with blanks is tried the way Windows does: the text up to the
// first blank, then up to the next one, and so on, until a file is found.
struct Candidate {
  std::string program;
  std::size_t end = 0;
};
std::vector<Candidate> programCandidates(std::string_view line) {
  const ProgramPart part = splitProgramPart(line);
  std::vector<Candidate> out{{part.program, part.end}};
  if (part.quoted) return out;
  const auto quote = line.find('"');
  const std::string_view plain = line.substr(0, quote);
  for (std::size_t p = part.end; p < plain.size();) {
    while (p < plain.size() && (plain[p] == ' ' || plain[p] == '\t')) ++p;
    if (p == plain.size()) break;
    while (p < plain.size() && plain[p] != ' ' && plain[p] != '\t') ++p;
    // A token cut short by a quote is not a candidate.
    if (p == plain.size() && quote != std::string_view::npos) break;
    out.push_back({std::string(plain.substr(0, p)), p});
  }
  return out;
}

std::vector<std::string> childEnvironment(Machine& machine, const std::string& cmdLine, int style) {
  static const std::vector<std::string_view> kOwn = {"VREL_CMDLINE=", "VREL_WINDOW_STYLE=", "VREL_CWD=",
                                                     "VREL_MACHINE=", "VREL_TOOLS="};
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    const std::string_view entry(*e);
    bool own = false;
    for (const auto prefix : kOwn) own = own || entry.substr(0, prefix.size()) == prefix;
    if (!own) env.emplace_back(entry);
  }
  env.push_back("VREL_CMDLINE=" + cmdLine);
  env.push_back("VREL_WINDOW_STYLE=" + std::to_string(style));
  env.push_back("VREL_CWD=" + WinPaths::currentFolder());
  env.push_back("VREL_MACHINE=" + machine.root());
  env.push_back("VREL_TOOLS=" + Machine::toolsFolder());
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

ProcStatus spawnError(int rc) {
  if (rc == ENOENT || rc == ENOTDIR) return {53, "File not found"};
  if (rc == EACCES || rc == EPERM) return {70, "Permission denied"};
  return {5, "Invalid procedure call or argument"};
}

ProcStatus spawn(Machine& machine, const std::string& exe, std::vector<std::string> argv, const std::string& cmdLine,
                 int style, long& pid) {
  std::vector<std::string> env = childEnvironment(machine, cmdLine, style);
  auto argvp = pointers(argv);
  auto envp = pointers(env);

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGCHLD);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  // The child also starts in the host folder behind the machine's current
  // folder, when there is one.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string cwd = WinPaths(machine).toHost(WinPaths::currentFolder());
  struct stat st {};
  if (!cwd.empty() && ::stat(cwd.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());

  pid_t child = 0;
  const int rc = posix_spawn(&child, exe.c_str(), &actions, &attr, argvp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return spawnError(rc);
  pid = static_cast<long>(child);
  host::rememberChild(pid);
  return {};
}

std::string hostFileName(const std::string& hostPath) {
  const auto slash = hostPath.rfind('/');
  return slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
}

}  // namespace

std::string Processes::batchInterpreter() { return Machine::toolsFolder() + "/cmd"; }

ProcStatus Processes::start(std::string_view commandLine, int windowStyle, long& pid) {
  pid = 0;
  host::reapEnded();
  std::string_view line = commandLine;
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  if (line.empty() || !validStyle(windowStyle)) return {5, "Invalid procedure call or argument"};

  ProgramLocation loc;
  Candidate found;
  bool ok = false;
  for (const auto& c : programCandidates(line)) {
    if ((ok = findProgram(m_machine, c.program, loc))) {
      found = c;
      break;
    }
  }
  if (!ok) return {53, "File not found"};

  const std::string rest(line.substr(found.end));
  std::vector<std::string> args = parseArguments(rest);
  std::string exe, image, cmdLine;
  std::vector<std::string> argv;
  if (loc.kind == ProgramLocation::Batch) {
    // As Windows does: cmd.exe /c with the batch file and its arguments.
    exe = batchInterpreter();
    image = "cmd.exe";
    cmdLine = std::string(kCmdWinPath) + " /c " + quoteProgram(loc.winPath) + rest;
    argv = {std::string(kCmdWinPath), "/c", loc.winPath};
  } else {
    exe = loc.hostPath;
    image = hostFileName(loc.hostPath);
    cmdLine = std::string(line);
    argv = {found.program};
  }
  argv.insert(argv.end(), args.begin(), args.end());

  ProcStatus status = spawn(m_machine, exe, std::move(argv), cmdLine, windowStyle, pid);
  if (!status) return status;
  std::string error;
  // A row that cannot be written only means kill will not see this process;
  // the process itself runs.
  m_table.add(pid, image, cmdLine, error);
  return status;
}

}  // namespace vrel
