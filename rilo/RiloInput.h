// Rilo's input file (one mail store per line) and its output lines.
#pragma once

#include <string>
#include <vector>

namespace vrel::rilo {

// The entries of an input file's text: one per line (CR, LF or CR LF not
// included), lines longer than 2047 characters split into pieces of 2047,
// each trimmed of blanks and tabs at the right.
std::vector<std::string> inputEntries(const std::string& text);

// The output line of an entry: "entry","1" (without the line end).
std::string outputLine(const std::string& entry, int flag);

}  // namespace vrel::rilo
