// Writing registry branches as the Windows registry editor exports them:
// "Windows Registry Editor Version 5.00" files in UTF-16LE with a byte-order
// mark and CR LF line ends, hex data wrapped as regedit wraps it.
#pragma once

#include "platform/Registry.h"

#include <string>
#include <string_view>
#include <vector>

namespace vrel {

class RegFileWriter {
 public:
  // Starts the file: byte-order mark, header line.
  RegFileWriter();

  // One block per key: a blank line, "[FULLPATH]", one line per value.
  // rootName prefixes every dump path ("HKEY_LOCAL_MACHINE"); an empty dump
  // path stands for the root itself.
  void addKeys(std::string_view rootName, const std::vector<Registry::KeyDump>& keys);

  // Ends the file with the blank line regedit writes last; the writer is
  // spent afterwards.
  Bytes finish();

 private:
  void put(char16_t c);
  void put(std::u16string_view s);
  void putAscii(std::string_view s);
  void putValue(const RegValue& value);
  // Writes "name"= (or @=) and returns its length in characters.
  std::size_t putName(std::string_view name);
  void putHex(std::uint32_t type, const Bytes& data, std::size_t lineLength);

  std::u16string m_text;  // the file after its byte-order mark
};

// Whether REG_SZ data can be written as a quoted string and read back the
// same: UTF-16 text with one terminator at its end and no other NUL and no
// unpaired surrogates (line breaks are written as \r and \n), or no data at
// all, written "" as the registry editor writes it. Other data goes out as
// hex(1).
bool isPlainRegString(const Bytes& data);

}  // namespace vrel
