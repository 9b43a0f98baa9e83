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
  // with a message (naming the line) for a UTF-16 file of an odd length or
  // with broken surrogate pairs, and for encodings regedit does not read.
  bool open(std::string& error);
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

 private:
  char16_t unit(std::size_t index) const;  // code unit at a unit index
  std::size_t unitCount() const;

  const Bytes& m_file;
  std::size_t m_max;
  Encoding m_encoding = Encoding::Ansi;
  std::size_t m_first = 0;  // first unit after the byte-order mark
  std::size_t m_pos = 0;    // next unit to read
  std::size_t m_line = 0;
  std::size_t m_lastBytes = 0;
  bool m_tooLongContinues = false;
};

}  // namespace vrel
