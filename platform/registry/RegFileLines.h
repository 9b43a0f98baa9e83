// The physical lines of a .reg file as UTF-16 code units, whatever the
// file's encoding: UTF-16LE after a byte-order mark, otherwise the ANSI code
// page (Windows-1252), which is how the Windows registry editor reads them.
#pragma once

#include "platform/Text.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vrel {

// The UTF-16 code unit of one byte of ANSI (Windows-1252) text.
char16_t ansiUnit(std::uint8_t byte);

class RegFileLines {
 public:
  enum class Encoding { Utf16, Ansi };

  // maxLineBytes: a line longer than this (in file bytes) is not decoded.
  RegFileLines(const Bytes& file, std::size_t maxLineBytes);

  // Checks that the text can be read as what its first bytes claim; false
  // with a message (naming the line) for UTF-16 text with broken surrogate
  // pairs, and for encodings regedit does not read. A UTF-16 file that ends
  // in the middle of a character (an odd byte count, or the first half of a
  // surrogate pair) is read up to its last whole character, and cutOff()
  // says so.
  bool open(std::string& error);
  // Why the file looks cut off in the middle of a character; empty if not.
  const std::string& cutOff() const { return m_cutOff; }
  Encoding encoding() const { return m_encoding; }
  // The number of line feeds plus one: an estimate of the line count.
  std::size_t lineCount() const;

  // The next line without its break (CR LF, LF or a lone CR). False at the
  // end of the file. A line over the limit comes back empty with tooLong set.
  bool next(std::u16string& out, bool& tooLong);
  // Number (from 1) and size in file bytes of the line last returned.
  std::size_t lineNumber() const { return m_line; }
  std::size_t lineBytes() const { return m_lastBytes; }
  // Whether the last line, when it was too long to decode, ends with a
  // backslash (after trailing blanks): the start of a continued value.
  bool tooLongLineContinues() const { return m_tooLongContinues; }
  // Whether the last line returned ended with a line break.
  bool lineEnded() const { return m_lineEnded; }

 private:
  char16_t unit(std::size_t index) const;  // code unit at a unit index
  std::size_t unitCount() const;

  const Bytes& m_file;
  std::size_t m_max;
  Encoding m_encoding = Encoding::Ansi;
  std::size_t m_first = 0;  // first unit after the byte-order mark
  std::size_t m_pos = 0;    // next unit to read
  std::size_t m_units = 0;  // units that are read (whole characters only)
  std::size_t m_line = 0;
  std::size_t m_lastBytes = 0;
  bool m_tooLongContinues = false;
  bool m_lineEnded = false;
  std::string m_cutOff;
};

}  // namespace vrel
