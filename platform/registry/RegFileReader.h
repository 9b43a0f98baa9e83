// Reading .reg files the way the Windows registry editor imports them:
// "Windows Registry Editor Version 5.00" and "REGEDIT4" headers, key lines,
// key and value deletions, every value type, continued hex data, comments.
// Invalid lines are skipped and reported; the rest of the file still counts.
#pragma once

#include "platform/Registry.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vrel {

// A line of a .reg file that was skipped, and why.
struct RegFileProblem {
  std::size_t line = 0;  // from 1 (the header is line 1)
  std::string message;
};

// What a .reg file asks for, in file order, and the lines it skipped.
struct RegFileContent {
  std::vector<RegOp> ops;
  std::vector<RegFileProblem> problems;
  // Why the file looks cut off, empty when it does not: it ends in the middle
  // of a character, inside a continued hex value, or with a line that has no
  // line break and is skipped. What was read up to there is still in ops.
  std::string truncated;
};

class RegFileReader {
 public:
  // Longest logical line (a value with its continuation lines) read, in file
  // bytes; longer values are skipped with a problem.
  static constexpr std::size_t kMaxLineBytes = std::size_t{64} * 1024 * 1024;

  explicit RegFileReader(std::size_t maxLineBytes = kMaxLineBytes) : m_maxLineBytes(maxLineBytes) {}

  // Parses the bytes of a .reg file. False, with ops left empty and a message
  // in error, when the file cannot be used at all: no valid header, or text
  // that is not what its byte-order mark claims. A file cut off at its end is
  // read as far as it goes, as the registry editor reads it, and is marked
  // in out.truncated.
  bool read(const Bytes& file, RegFileContent& out, std::string& error) const;

 private:
  std::size_t m_maxLineBytes;
};

}  // namespace vrel
