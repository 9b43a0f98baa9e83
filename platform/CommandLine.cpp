#include "platform/CommandLine.h"

#include <algorithm>
#include <cstdlib>

namespace vrel {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// True when the line, read without its quote characters, begins with the
// program text.
bool startsWithProgram(std::string_view line, std::string_view program) {
  std::string bare;
  for (const char c : line) {
    if (c != '"') bare += c;
    if (bare.size() >= program.size()) break;
  }
  return bare == program;
}

}  // namespace

ProgramPart splitProgramPart(std::string_view line) {
  ProgramPart part;
  bool inQuotes = false;
  std::size_t i = 0;
  for (; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') {
      inQuotes = !inQuotes;
      part.quoted = true;
      continue;
    }
    if (!inQuotes && isBlank(c)) break;
    part.program += c;
  }
  part.end = i;
  return part;
}

std::vector<std::string> parseArguments(std::string_view text) {
  std::vector<std::string> args;
  std::size_t p = 0;
  const std::size_t n = text.size();
  for (;;) {
    while (p < n && isBlank(text[p])) ++p;
    if (p >= n) break;
    std::string arg;
    bool inQuotes = false;
    for (;;) {
      std::size_t backslashes = 0;
      while (p < n && text[p] == '\\') {
        ++p;
        ++backslashes;
      }
      bool copy = true;
      if (p < n && text[p] == '"') {
        if (backslashes % 2 == 0) {
          if (inQuotes && p + 1 < n && text[p + 1] == '"') {
            ++p;  // "" inside quotes: the second one is kept
          } else {
            copy = false;
            inQuotes = !inQuotes;
          }
        }
        backslashes /= 2;
      }
      arg.append(backslashes, '\\');
      if (p >= n || (!inQuotes && isBlank(text[p]))) break;
      if (copy) arg += text[p];
      ++p;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::vector<std::string> parseCommandLine(std::string_view line) {
  const ProgramPart part = splitProgramPart(line);
  std::vector<std::string> argv{part.program};
  for (auto& a : parseArguments(line.substr(part.end))) argv.push_back(std::move(a));
  return argv;
}

std::string quoteArgument(std::string_view arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string_view::npos) return std::string(arg);
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  // Backslashes before the closing quote are doubled too.
  out.append(backslashes * 2, '\\');
  out += '"';
  return out;
}

std::string quoteProgram(std::string_view program) {
  if (!program.empty() && program.find_first_of(" \t") == std::string_view::npos) return std::string(program);
  return "\"" + std::string(program) + "\"";
}

std::string joinCommandLine(const std::vector<std::string>& argv) {
  std::string line;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    if (i) line += ' ';
    line += i == 0 ? quoteProgram(argv[i]) : quoteArgument(argv[i]);
  }
  return line;
}

std::string rawCommandLine(int argc, const char* const* argv, const char* inherited) {
  std::vector<std::string> given;
  for (int i = 0; i < argc; ++i) given.emplace_back(argv[i] ? argv[i] : "");
  if (inherited && !given.empty() && startsWithProgram(inherited, given[0])) {
    // The runner passes the program as typed and the arguments that follow
    // the part of the line it matched, so those are the tail of the line's
    // own parse. A line inherited by some other program fails this test.
    const std::vector<std::string> parsed = parseArguments(std::string_view(inherited).substr(splitProgramPart(inherited).end));
    const std::size_t count = given.size() - 1;
    if (count <= parsed.size() && std::equal(given.begin() + 1, given.end(), parsed.end() - static_cast<long>(count)))
      return inherited;
  }
  return joinCommandLine(given);
}

std::string rawCommandLine(int argc, const char* const* argv) {
  return rawCommandLine(argc, argv, std::getenv("VREL_CMDLINE"));
}

std::string argumentsText(std::string_view line) {
  std::size_t p = splitProgramPart(line).end;
  while (p < line.size() && isBlank(line[p])) ++p;
  return std::string(line.substr(p));
}

}  // namespace vrel
