// The pieces of .reg file syntax below the line level: quoted strings with
// their escapes, dword and hex data, hex type codes. Shared by the reader and
// its tests; every function works on UTF-16 text of one line.
#pragma once

#include "platform/Text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vrel::regfile {

inline bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }
int hexDigit(char16_t c);  // its value, or -1
std::size_t skipBlanks(std::u16string_view s, std::size_t i);
// True when only blanks, or blanks and a ';' comment, follow position i.
bool restIsEmpty(std::u16string_view s, std::size_t i);

enum class Unescape { Ok, NoClosingQuote };
// Reads a quoted string from just after its opening quote up to the first
// unescaped quote: \\ and \" stand for themselves, \n and \r for line feed and
// carriage return; any other backslash (\0 included) stays in the text with
// the character after it. end is set just past the closing quote.
Unescape unescape(std::u16string_view s, std::size_t start, std::u16string& text, std::size_t& end);

// The data of "dword:": blanks, one to eight hex digits, blanks, then the end
// of the line or a ';' comment.
bool parseDword(std::u16string_view s, std::uint32_t& value);

// The type code of "hex(N):", s starting just after "hex(": hex digits that
// fit 32 bits (no "0x"), then "):". dataStart is set after the colon.
bool parseHexType(std::u16string_view s, std::uint32_t& type, std::size_t& dataStart);

enum class HexRun { Done, Continued, Bad };
// Comma-separated bytes of one line, appended to out. Continued when the line
// ends with a backslash after a comma (blanks and a ';' comment may follow),
// Done at the end of the line, a trailing comma or a ';' comment.
HexRun parseHexBytes(std::u16string_view s, Bytes& out);

// String-typed hex data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) as regedit
// stores it: a missing terminator is added, and data from an ANSI file is
// widened from the code page to UTF-16LE. Other types are left alone.
void finishStringData(std::uint32_t type, bool ansi, Bytes& data);

// UTF-16LE bytes of text followed by a terminator.
Bytes terminatedUtf16(std::u16string_view text);

}  // namespace vrel::regfile
