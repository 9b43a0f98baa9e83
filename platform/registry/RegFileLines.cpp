#include "platform/registry/RegFileLines.h"

#include <array>

namespace vrel {

namespace {

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

char16_t ansiUnit(std::uint8_t byte) {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> t{};
    for (int b = 0; b < 256; ++b) {
      const char c = static_cast<char>(b);
      const std::u16string w = utf8ToUtf16(ansiToUtf8(std::string_view(&c, 1)));
      t[b] = w.size() == 1 ? w[0] : u'?';
    }
    return t;
  }();
  return table[byte];
}

RegFileLines::RegFileLines(const Bytes& file, std::size_t maxLineBytes) : m_file(file), m_max(maxLineBytes) {}

char16_t RegFileLines::unit(std::size_t i) const {
  if (m_encoding == Encoding::Ansi) return ansiUnit(m_file[i]);
  return static_cast<char16_t>(m_file[2 * i] | (m_file[2 * i + 1] << 8));
}

std::size_t RegFileLines::lineCount() const {
  std::size_t count = 1;
  const std::uint8_t* p = m_file.data();
  if (m_encoding == Encoding::Ansi) {
    for (std::size_t i = 0; i < m_file.size(); ++i) count += p[i] == '\n';
  } else {
    for (std::size_t i = 2 * m_first; i + 1 < m_file.size(); i += 2) count += p[i] == '\n' && p[i + 1] == 0;
  }
  return count;
}

std::size_t RegFileLines::unitCount() const { return m_units; }

bool RegFileLines::open(std::string& error) {
  const Bytes& f = m_file;
  if (f.size() >= 3 && f[0] == 0xEF && f[1] == 0xBB && f[2] == 0xBF) {
    error = "the file is UTF-8 with a byte-order mark; registry files are UTF-16LE with a byte-order mark "
            "(\"Windows Registry Editor Version 5.00\") or ANSI text (\"REGEDIT4\")";
    return false;
  }
  if (f.size() >= 2 && f[0] == 0xFE && f[1] == 0xFF) {
    error = "the file is UTF-16 big-endian; registry files are UTF-16LE with a byte-order mark or ANSI text";
    return false;
  }
  if (f.size() < 2 || f[0] != 0xFF || f[1] != 0xFE) {
    m_encoding = Encoding::Ansi;
    m_first = m_pos = 0;
    m_units = f.size();
    return true;
  }
  m_encoding = Encoding::Utf16;
  m_first = m_pos = 1;
  m_units = f.size() / 2;
  // A file cut in the middle of a character keeps its whole characters, as
  // the registry editor reads it; the half character is dropped.
  const bool odd = f.size() % 2 != 0;
  const bool halfPair = m_units > m_first && isHighSurrogate(unit(m_units - 1));
  if (halfPair) --m_units;
  if (odd || halfPair)
    m_cutOff = "the file ends in the middle of a UTF-16 character (" +
               (odd ? "it holds an odd number of bytes, " + std::to_string(f.size())
                    : std::string("the first half of a surrogate pair")) +
               ")";
  // Every surrogate must be part of a pair, or the text is not UTF-16.
  const std::uint8_t* p = f.data();
  const std::size_t n = unitCount();
  std::size_t line = 1;
  for (std::size_t i = m_first; i < n; ++i) {
    const char16_t c = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    if (c < 0xD800 || c > 0xDFFF) {
      if (c == u'\n' || (c == u'\r' && (i + 1 >= n || unit(i + 1) != u'\n'))) ++line;
    } else if (isHighSurrogate(c) && i + 1 < n && isLowSurrogate(unit(i + 1))) {
      ++i;
    } else {
      error = "the file claims UTF-16 (byte-order mark FF FE) but line " + std::to_string(line) +
              " holds an unpaired surrogate code unit: it is not UTF-16 text";
      return false;
    }
  }
  return true;
}

bool RegFileLines::next(std::u16string& out, bool& tooLong) {
  out.clear();
  tooLong = false;
  m_tooLongContinues = false;
  const std::size_t n = unitCount();
  if (m_pos >= n) return false;
  const std::size_t unitBytes = m_encoding == Encoding::Ansi ? 1 : 2;
  std::size_t end = m_pos;
  if (m_encoding == Encoding::Ansi) {
    const std::uint8_t* p = m_file.data();
    while (end < n && p[end] != '\n' && p[end] != '\r') ++end;
  } else {
    const std::uint8_t* p = m_file.data();
    while (end < n && !(p[2 * end + 1] == 0 && (p[2 * end] == '\n' || p[2 * end] == '\r'))) ++end;
  }
  ++m_line;
  m_lastBytes = (end - m_pos) * unitBytes;
  if (m_lastBytes > m_max) {
    tooLong = true;
    std::size_t k = end;
    while (k > m_pos && (unit(k - 1) == u' ' || unit(k - 1) == u'\t')) --k;
    m_tooLongContinues = k > m_pos && unit(k - 1) == u'\\';
  } else {
    out.resize(end - m_pos);
    if (m_encoding == Encoding::Ansi) {
      for (std::size_t i = m_pos; i < end; ++i) out[i - m_pos] = ansiUnit(m_file[i]);
    } else {
      const std::uint8_t* p = m_file.data();
      for (std::size_t i = m_pos; i < end; ++i)
        out[i - m_pos] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    }
  }
  m_pos = end;
  m_lineEnded = m_pos < n;
  if (m_pos < n) {
    const char16_t brk = unit(m_pos++);
    if (brk == u'\r' && m_pos < n && unit(m_pos) == u'\n') ++m_pos;
  }
  return true;
}

}  // namespace vrel
