// Helpers of the .reg file tests: building files in either encoding and
// describing parsed operations as text, so expectations read like the file.
#pragma once

#include "platform/Registry.h"
#include "platform/registry/RegFileReader.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vrel::test {

// A 5.00-style file: byte-order mark, then the text as UTF-16LE.
inline Bytes utf16File(std::string_view utf8) {
  Bytes b{0xFF, 0xFE};
  const Bytes w = utf8ToUtf16le(utf8, false);
  b.insert(b.end(), w.begin(), w.end());
  return b;
}

// An ANSI file: the bytes as they stand (Windows-1252 text).
inline Bytes ansiFile(std::string_view bytes) { return Bytes(bytes.begin(), bytes.end()); }

inline std::string hexOf(const Bytes& data) {
  std::string s;
  char buf[4];
  for (std::uint8_t b : data) {
    std::snprintf(buf, sizeof buf, "%02x", b);
    if (!s.empty()) s += ' ';
    s += buf;
  }
  return s;
}

inline std::string shortRoot(Hive h) {
  switch (h) {
    case Hive::LocalMachine: return "HKLM";
    case Hive::CurrentUser: return "HKCU";
    case Hive::ClassesRoot: return "HKCR";
    case Hive::Users: return "HKU";
    case Hive::CurrentConfig: return "HKCC";
  }
  return "?";
}

inline std::string opText(const RegOp& op) {
  const std::string key = shortRoot(op.hive) + (op.path.empty() ? "" : "\\" + op.path);
  switch (op.kind) {
    case RegOp::CreateKey: return "key " + key;
    case RegOp::DeleteTree: return "delete " + key;
    case RegOp::SetValue:
      return "set " + key + " [" + op.value.name + "] " + std::to_string(op.value.type) + ": " + hexOf(op.value.data);
    case RegOp::DeleteValue: return "unset " + key + " [" + op.value.name + "]";
  }
  return "?";
}

inline std::vector<std::string> opTexts(const std::vector<RegOp>& ops) {
  std::vector<std::string> out;
  for (const RegOp& op : ops) out.push_back(opText(op));
  return out;
}

inline std::vector<std::size_t> problemLines(const std::vector<RegFileProblem>& problems) {
  std::vector<std::size_t> out;
  for (const RegFileProblem& p : problems) out.push_back(p.line);
  return out;
}

// UTF-16LE text with its terminator, as REG_SZ data.
inline Bytes sz(std::string_view utf8) { return utf8ToUtf16le(utf8, true); }

}  // namespace vrel::test
