// The stand-in registry editor: imports .reg files into the machine's
// registry and exports branches of it, from the command line as the restore
// program starts it.
//   regedit [/s] FILE...          import (silent; nothing printed on success)
//   regedit /e FILE ["KEY"]       export KEY's branch, or the whole registry
// FILE is a Windows path of the machine named by VREL_MACHINE. Problems go
// to stderr; the exit code is 0 on success and 1 when anything failed.
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/registry/RegImport.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace vrel {
namespace {

struct Request {
  bool exportMode = false;
  std::vector<std::string> files;
  std::optional<std::string> key;
};

void complain(const std::string& text) { std::fprintf(stderr, "regedit: %s\n", text.c_str()); }

bool isSwitch(const std::string& arg) { return arg.size() >= 2 && (arg[0] == '/' || arg[0] == '-'); }

// Switches are case-insensitive. /s only silences the prompts regedit would
// show, which this stand-in never shows anyway.
bool parseRequest(const std::vector<std::string>& args, Request& req, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!isSwitch(a)) {
      req.files.push_back(a);
    } else if (iequals(a.substr(1), "s")) {
      continue;
    } else if (iequals(a.substr(1), "e")) {
      req.exportMode = true;
    } else {
      error = "unsupported switch " + a;
      return false;
    }
  }
  if (req.exportMode) {
    if (req.files.empty() || req.files.size() > 2) {
      error = "usage: regedit /e FILE [\"KEY\"]";
      return false;
    }
    if (req.files.size() == 2) req.key = req.files[1];
    req.files.resize(1);
  } else if (req.files.empty()) {
    error = "usage: regedit /s FILE  or  regedit /e FILE [\"KEY\"]";
    return false;
  }
  return true;
}

bool importOne(Machine& machine, const Files& files, const std::string& file) {
  std::string text;
  if (const FileStatus st = files.readAll(file, text); !st) {
    complain("Cannot import " + file + ": " + st.description);
    return false;
  }
  const Bytes bytes(text.begin(), text.end());
  std::vector<RegFileProblem> problems;
  std::string error;
  std::string truncated;
  const bool ok = importRegFile(machine.registry(), bytes, problems, error, &truncated);
  for (const RegFileProblem& p : problems)
    complain(file + ", line " + std::to_string(p.line) + ": " + p.message);
  if (!ok) complain("Cannot import " + file + ": " + error);
  else if (!truncated.empty()) complain(file + ": " + truncated + "; what it held up to there was imported");
  return ok;
}

bool exportTo(Machine& machine, const Files& files, const std::string& file, const std::optional<std::string>& key) {
  Bytes out;
  RegStatus st = kRegOk;
  if (key) {
    // Only the full root names are taken here (HKLM is refused), as the
    // registry editor takes them.
    const auto kp = parseKeyPath(*key);
    if (!kp || !iequals(key->substr(0, key->find('\\')), hiveName(kp->hive))) {
      complain("Invalid key name: " + *key);
      return false;
    }
    st = exportRegBranch(machine.registry(), kp->hive, kp->path, out);
    if (st == kRegNotFound) {
      complain("Unable to open the registry key '" + *key + "': the key does not exist; nothing exported");
      return false;
    }
  } else {
    st = exportRegAll(machine.registry(), out);
  }
  if (st != kRegOk) {
    complain("Cannot export " + file + ": " + describeRegStatus(st));
    return false;
  }
  const std::string_view data(reinterpret_cast<const char*>(out.data()), out.size());
  if (const FileStatus fs = files.writeAll(file, data); !fs) {
    complain("Cannot export " + file + ": " + fs.description);
    return false;
  }
  return true;
}

int run(int argc, char** argv) {
  const std::string line = rawCommandLine(argc, argv);
  Request req;
  std::string error;
  if (!parseRequest(parseArguments(argumentsText(line)), req, error)) {
    complain(error);
    return 1;
  }
  auto machine = Machine::fromEnvironment(error);
  if (!machine) {
    complain(error);
    return 1;
  }
  const Files files(*machine);
  if (req.exportMode) return exportTo(*machine, files, req.files[0], req.key) ? 0 : 1;
  bool ok = true;
  for (const std::string& file : req.files) ok = importOne(*machine, files, file) && ok;
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace vrel

int main(int argc, char** argv) { return vrel::run(argc, argv); }
