#include "platform/registry/RegFileWriter.h"

#include <bit>
#include <cstdio>
#include <cstring>

namespace vrel {

namespace {

// regedit breaks a hex line once it reaches this many characters.
constexpr std::size_t kMaxHexChars = 77;

constexpr char kHexDigits[] = "0123456789abcdef";

char16_t unitAt(const Bytes& data, std::size_t i) {
  return static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
}

}  // namespace

bool isPlainRegString(const Bytes& data) {
  if (data.empty()) return true;
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  const std::size_t n = data.size() / 2;
  if (unitAt(data, n - 1) != 0) return false;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const char16_t c = unitAt(data, i);
    if (c == 0) return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 2 >= n) return false;
      const char16_t d = unitAt(data, i + 1);
      if (d < 0xDC00 || d > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

RegFileWriter::RegFileWriter() { putAscii("Windows Registry Editor Version 5.00\r\n"); }

void RegFileWriter::put(char16_t c) { m_text.push_back(c); }

void RegFileWriter::put(std::u16string_view s) { m_text.append(s); }

void RegFileWriter::putAscii(std::string_view s) {
  for (char c : s) put(static_cast<char16_t>(static_cast<unsigned char>(c)));
}

void RegFileWriter::addKeys(std::string_view rootName, const std::vector<Registry::KeyDump>& keys) {
  const std::u16string root = utf8ToUtf16(rootName);
  for (const Registry::KeyDump& key : keys) {
    putAscii("\r\n[");
    put(root);
    if (!key.path.empty()) {
      put(u'\\');
      put(utf8ToUtf16(key.path));
    }
    putAscii("]\r\n");
    for (const RegValue& v : key.values) putValue(v);
  }
}

Bytes RegFileWriter::finish() {
  putAscii("\r\n");
  Bytes out(2 + 2 * m_text.size());
  out[0] = 0xFF;
  out[1] = 0xFE;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out.data() + 2, m_text.data(), 2 * m_text.size());
  } else {
    for (std::size_t i = 0; i < m_text.size(); ++i) {
      out[2 + 2 * i] = static_cast<std::uint8_t>(m_text[i] & 0xFF);
      out[3 + 2 * i] = static_cast<std::uint8_t>(m_text[i] >> 8);
    }
  }
  m_text.clear();
  return out;
}

std::size_t RegFileWriter::putName(std::string_view name) {
  if (name.empty()) {
    putAscii("@=");
    return 2;
  }
  std::size_t len = 3;  // the quotes and '='
  put(u'"');
  for (char16_t c : utf8ToUtf16(name)) {
    switch (c) {
      case u'\\': put(u"\\\\"); len += 2; break;
      case u'"': put(u"\\\""); len += 2; break;
      case u'\r': put(u"\\r"); len += 2; break;
      case u'\n': put(u"\\n"); len += 2; break;
      default: put(c); ++len; break;
    }
  }
  putAscii("\"=");
  return len;
}

void RegFileWriter::putValue(const RegValue& value) {
  const std::size_t len = putName(value.name);
  if (value.type == kRegSz && isPlainRegString(value.data)) {
    put(u'"');
    const std::size_t n = value.data.empty() ? 0 : value.data.size() / 2 - 1;
    for (std::size_t i = 0; i < n; ++i) {
      const char16_t c = unitAt(value.data, i);
      if (c == u'\r') put(u"\\r");
      else if (c == u'\n') put(u"\\n");
      else {
        if (c == u'\\' || c == u'"') put(u'\\');
        put(c);
      }
    }
    put(u'"');
  } else if (value.type == kRegDword && value.data.size() == 4) {
    const std::uint32_t v = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                            (static_cast<std::uint32_t>(value.data[3]) << 24);
    char buf[16];
    std::snprintf(buf, sizeof buf, "dword:%08x", v);
    putAscii(buf);
  } else {
    putHex(value.type, value.data, len);
  }
  putAscii("\r\n");
}

void RegFileWriter::putHex(std::uint32_t type, const Bytes& data, std::size_t lineLength) {
  char label[16];
  if (type == kRegBinary) std::snprintf(label, sizeof label, "hex:");
  else std::snprintf(label, sizeof label, "hex(%x):", type);
  putAscii(label);
  lineLength += std::char_traits<char>::length(label);
  for (std::size_t i = 0; i < data.size(); ++i) {
    put(static_cast<char16_t>(kHexDigits[data[i] >> 4]));
    put(static_cast<char16_t>(kHexDigits[data[i] & 0xF]));
    if (i + 1 == data.size()) break;
    put(u',');
    lineLength += 3;
    if (lineLength >= kMaxHexChars) {
      putAscii("\\\r\n  ");
      lineLength = 2;
    }
  }
}

}  // namespace vrel
