// Windows command lines: the parsing every C program on Windows applies to
// its command line (the CRT's rules, which CommandLineToArgvW shares for all
// but the rarest inputs), the quoting that survives it, and the whole line a
// program of ours was started with.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {

// The program part of a command line: the first token, where quotes only
// group (backslashes are plain characters there, as in paths).
struct ProgramPart {
  std::string program;  // quotes removed
  std::size_t end = 0;  // offset in the line just after the token
  bool quoted = false;  // the token held a quote character
};
ProgramPart splitProgramPart(std::string_view line);

// The arguments after the program part, by the CRT rules: blanks and tabs
// separate outside quotes; 2n backslashes before a quote give n backslashes
// and the quote opens or closes a quoted run; 2n+1 give n backslashes and a
// literal quote; inside a quoted run "" gives one literal quote; other
// backslashes are literal.
std::vector<std::string> parseArguments(std::string_view text);

// Program part then arguments: what argv would hold.
std::vector<std::string> parseCommandLine(std::string_view line);

// One argument quoted so that parseArguments gives it back unchanged; left
// bare when it has no blank, tab or quote and is not empty.
std::string quoteArgument(std::string_view arg);
// A program part: quoted when it holds a blank or tab (a program name cannot
// hold a quote).
std::string quoteProgram(std::string_view program);
// argv joined into one command line that parses back into the same argv.
std::string joinCommandLine(const std::vector<std::string>& argv);

// The whole command line this program was started with: VREL_CMDLINE when
// our process runner started it (checked against argv, so a stale value
// inherited from a parent is ignored), otherwise argv joined with quoting.
std::string rawCommandLine(int argc, const char* const* argv);
// The same check, for tests: inherited is the VREL_CMDLINE value (or null).
std::string rawCommandLine(int argc, const char* const* argv, const char* inherited);

// The command line with the program part removed and leading blanks dropped.
std::string argumentsText(std::string_view line);

}  // namespace vrel
