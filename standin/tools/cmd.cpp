// The machine's command interpreter, as far as batch files need it:
//   cmd /c COMMAND LINE
// runs a program and waits for it, or runs a batch file line by line. The
// runner starts every .BAT and .CMD file this way. A batch line is either
// one of the few built-in commands below or a command line started like any
// other and waited for; %0..%9, %~1..%~9 (quotes removed), %* and %% are
// replaced first.
//   built in: REM, ::, :label (skipped), ECHO, ECHO OFF/ON, ECHO., EXIT [/B] [n],
//   START ["title"] [/switches] command (not waited for), CLS, PAUSE, TITLE,
//   SETLOCAL, ENDLOCAL (no effect here).
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/ProcessTable.h"
#include "platform/Processes.h"
#include "platform/ProgramSearch.h"
#include "platform/Text.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using namespace vrel;

namespace {

int windowStyle() {
  const char* s = std::getenv("VREL_WINDOW_STYLE");
  return s && *s >= '0' && *s <= '9' && s[1] == '\0' ? *s - '0' : kNormalFocus;
}

// Batch parameters keep their quotes; blanks outside quotes separate them.
std::vector<std::string> batchParameters(std::string_view text) {
  std::vector<std::string> out;
  std::string cur;
  bool inQuotes = false, any = false;
  for (const char c : text) {
    if (c == '"') inQuotes = !inQuotes;
    if (!inQuotes && (c == ' ' || c == '\t')) {
      if (any) out.push_back(cur);
      cur.clear();
      any = false;
      continue;
    }
    cur += c;
    any = true;
  }
  if (any) out.push_back(cur);
  return out;
}

std::string unquote(std::string s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

std::string substitute(std::string_view line, const std::vector<std::string>& params, const std::string& all) {
  std::string out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '%' || i + 1 >= line.size()) {
      out += line[i];
      continue;
    }
    const char n = line[i + 1];
    if (n == '%') {
      out += '%';
      ++i;
    } else if (n == '*') {
      out += all;
      ++i;
    } else if (n >= '0' && n <= '9') {
      const auto k = static_cast<std::size_t>(n - '0');
      out += k < params.size() ? params[k] : "";
      ++i;
    } else if (n == '~' && i + 2 < line.size() && line[i + 2] >= '0' && line[i + 2] <= '9') {
      const auto k = static_cast<std::size_t>(line[i + 2] - '0');
      out += k < params.size() ? unquote(params[k]) : "";
      i += 2;
    } else {
      out += '%';
    }
  }
  return out;
}

class Interpreter {
 public:
  explicit Interpreter(Machine& machine) : m_machine(machine), m_processes(machine) {}

  // Runs one command line; waits unless detached. Returns its exit code
  // as far as known (0, or 1 when it could not be started).
  int run(const std::string& line, bool wait) {
    std::string text = trim(line);
    if (text.empty()) return 0;
    ProgramLocation loc;
    const ProgramPart part = splitProgramPart(text);
    if (wait && findProgram(m_machine, part.program, loc) && loc.kind == ProgramLocation::Batch)
      return runBatch(loc.winPath, text.substr(part.end));
    long pid = 0;
    if (!m_processes.start(text, windowStyle(), pid)) {
      std::fprintf(stderr,
                   "'%s' is not recognized as an internal or external command,\n"
                   "operable program or batch file.\n",
                   part.program.c_str());
      return 1;
    }
    if (wait) Processes::wait(pid, kWaitInfinite);
    return 0;
  }

  int runBatch(const std::string& winPath, const std::string& argsText) {
    std::string content;
    const FileStatus st = Files(m_machine).readAll(winPath, content);
    if (!st) {
      std::fprintf(stderr, "The system cannot find the batch label specified - %s\n", winPath.c_str());
      return 1;
    }
    std::vector<std::string> params{winPath};
    for (auto& p : batchParameters(argsText)) params.push_back(std::move(p));
    const std::string all = trim(argsText);
    for (auto raw : split(content, '\n')) {
      if (!raw.empty() && raw.back() == '\r') raw.pop_back();
      std::string line = trim(raw);
      if (!line.empty() && line[0] == '@') line = trim(line.substr(1));
      if (line.empty() || line[0] == ':') continue;
      const std::string word = foldCase(line.substr(0, line.find_first_of(" \t")));
      if (word == "REM") continue;
      line = substitute(line, params, all);
      if (const auto code = builtin(word, line)) {
        if (*code >= 0) continue;
        return m_exitCode;
      }
      run(line, true);
    }
    return 0;
  }

 private:
  // nullopt: not a built-in. 0: done. -1: EXIT.
  std::optional<int> builtin(const std::string& word, const std::string& line) {
    const std::string rest = trim(line.substr(word.size()));
    if (word == "ECHO" || word.rfind("ECHO.", 0) == 0) {
      if (word != "ECHO")
        std::printf("%s\n", line.substr(5).c_str());
      else if (!iequals(rest, "off") && !iequals(rest, "on"))
        std::printf("%s\n", rest.c_str());
      std::fflush(stdout);
      return 0;
    }
    if (word == "EXIT") {
      std::string code = rest;
      if (foldCase(code.substr(0, 2)) == "/B") code = trim(code.substr(2));
      m_exitCode = std::atoi(code.c_str());
      return -1;
    }
    if (word == "START") {
      std::vector<std::string> parts = batchParameters(rest);
      std::size_t skip = 0;
      if (skip < parts.size() && parts[skip].front() == '"') ++skip;  // window title
      while (skip < parts.size() && parts[skip].front() == '/') ++skip;
      std::string cmd;
      for (std::size_t i = skip; i < parts.size(); ++i) cmd += (cmd.empty() ? "" : " ") + parts[i];
      run(cmd, false);
      return 0;
    }
    for (const char* quiet : {"CLS", "PAUSE", "TITLE", "SETLOCAL", "ENDLOCAL"})
      if (word == quiet) return 0;
    return std::nullopt;
  }

  Machine& m_machine;
  Processes m_processes;
  int m_exitCode = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string args = argumentsText(rawCommandLine(argc, argv));
  const std::string sw = foldCase(args.substr(0, 2));
  if (sw != "/C" || (args.size() > 2 && args[2] != ' ' && args[2] != '\t')) {
    std::fputs("cmd: only \"cmd /c command\" is supported on this machine\n", stderr);
    return 1;
  }
  std::string error;
  auto machine = Machine::fromEnvironment(error);
  if (!machine) {
    std::fprintf(stderr, "cmd: %s\n", error.c_str());
    return 1;
  }
  Interpreter interpreter(*machine);
  return interpreter.run(args.substr(2), true);
}
