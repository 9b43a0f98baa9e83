// Text helpers shared by every layer: encodings of Windows text, the case
// rules of Windows names, and wildcard matching.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {

using Bytes = std::vector<std::uint8_t>;

// UTF-8 <-> UTF-16 code units. Invalid UTF-8 becomes U+FFFD.
std::u16string utf8ToUtf16(std::string_view s);
std::string utf16ToUtf8(std::u16string_view s);

// UTF-16LE bytes (as Windows stores strings) <-> UTF-8.
Bytes utf8ToUtf16le(std::string_view s, bool terminate);
std::string utf16leToUtf8(const std::uint8_t* data, std::size_t size);

// The ANSI code page of the machine (Windows-1252) <-> UTF-8. Characters the
// code page lacks become '?'.
std::string ansiToUtf8(std::string_view ansi);
std::string utf8ToAnsi(std::string_view utf8);

// Hashes text of any string type alike, so that a map keyed by std::string
// (with std::equal_to<>) can be searched by a string_view without a copy.
struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// Whether every byte of s is ASCII (such text folds byte by byte).
bool isAscii(std::string_view s);
// Windows name comparison: each character upper-cased, then compared.
std::string foldCase(std::string_view s);
bool iequals(std::string_view a, std::string_view b);
// Position of needle in hay ignoring case, or npos.
std::size_t ifind(std::string_view hay, std::string_view needle, std::size_t from = 0);

// Windows-style wildcard match ('*' any run, '?' one character), ignoring case.
bool wildcardMatch(std::string_view pattern, std::string_view name);

std::string trim(std::string_view s);
// VB's Str of a number: a leading blank where a minus sign would stand.
std::string vbStr(long long n);
// The number of characters of a UTF-8 text, as VB's Len counts them.
std::size_t textLength(std::string_view utf8);
std::vector<std::string> split(std::string_view s, char sep);

}  // namespace vrel
