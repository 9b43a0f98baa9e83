#include "platform/registry/RegFileReader.h"

#include "platform/PrintableText.h"
#include "platform/registry/RegFileLines.h"
#include "platform/registry/RegFileSyntax.h"

#include <algorithm>
#include <utility>

namespace vrel {

namespace {

using namespace regfile;

constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kHeader4 = u"REGEDIT4";
constexpr std::size_t kMaxKeyNameUnits = 255;
constexpr std::size_t kMaxValueNameUnits = 16383;
// Problems listed one by one; beyond this they are only counted, so a file
// of rubbish cannot fill memory with messages.
constexpr std::size_t kMaxProblems = 1000;

// A short quoted piece of a line for messages, anything but printable ASCII
// escaped, so a message about a damaged file stays one line of plain text.
std::string excerpt(std::u16string_view s) { return printableQuote(s.substr(skipBlanks(s, 0)), 57); }

// The key name with empty parts inside it passed over ("a\\\\b" is "a\\b"),
// as the registry takes such a path; a single trailing backslash stays for
// the path parser, which accepts it.
std::u16string withoutEmptyParts(std::u16string_view name) {
  std::u16string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == u'\\' && !out.empty() && out.back() == u'\\') continue;
    out += name[i];
  }
  return out;
}

bool keySegmentsFit(std::u16string_view name) {
  std::size_t start = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && name[i] != u'\\') continue;
    if (i - start > kMaxKeyNameUnits) return false;
    start = i + 1;
  }
  return true;
}

class Parser {
 public:
  Parser(RegFileLines& lines, std::size_t maxLineBytes, RegFileContent& out)
      : m_lines(lines), m_max(maxLineBytes), m_out(out) {}

  bool run(std::string& error);

 private:
  enum class KeyState { None, Open, Invalid, Deleted };
  // A hex value whose data goes on over the following lines.
  struct Pending {
    bool active = false;
    bool overflow = false;  // longer than the limit: read on, then skipped
    bool discard = false;   // the rest of an over-long line; no value behind it
    std::size_t line = 0;
    std::size_t bytes = 0;
    RegValue value;
  };

  void problem(std::size_t line, std::string message);
  void parseLine(std::u16string_view s);
  void keyLine(std::u16string_view s);
  void badKey(std::string message);
  bool keyTakesValues();
  void valueLine(std::u16string_view name, std::u16string_view s, std::size_t pos);
  void stringData(RegValue value, std::u16string_view d);
  void hexData(RegValue value, std::u16string_view d);
  void hexRun(HexRun run);
  void continueHex(std::u16string_view s, bool tooLong);
  void finishHex();
  void setValue(RegValue value) { m_out.ops.push_back({RegOp::SetValue, m_hive, m_path, std::move(value)}); }

  RegFileLines& m_lines;
  std::size_t m_max;
  RegFileContent& m_out;
  bool m_ansiHex = false;  // string-typed hex data holds ANSI bytes (a REGEDIT4 header)
  std::size_t m_line = 0;
  KeyState m_key = KeyState::None;
  std::size_t m_keyLine = 0;
  Hive m_hive = Hive::LocalMachine;
  std::string m_path;
  Pending m_pending;
  std::size_t m_unlisted = 0;  // problems beyond kMaxProblems
  std::size_t m_firstUnlisted = 0;
};

void Parser::problem(std::size_t line, std::string message) {
  if (m_out.problems.size() < kMaxProblems) {
    m_out.problems.push_back({line, std::move(message)});
  } else if (m_unlisted++ == 0) {
    m_firstUnlisted = line;
  }
}

bool Parser::run(std::string& error) {
  std::u16string line;
  bool tooLong = false;
  if (!m_lines.next(line, tooLong)) {
    error = "the file is empty: a registry file starts with \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\"";
    return false;
  }
  const std::u16string_view header = std::u16string_view(line).substr(skipBlanks(line, 0));
  if (tooLong || (header != kHeader5 && header != kHeader4)) {
    error = "not a registry file: its first line " + (tooLong ? std::string("is too long") : excerpt(line)) +
            " is not \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\"";
    if (line.find(u'\0') != std::u16string::npos) error += " (it looks like UTF-16 text without a byte-order mark)";
    return false;
  }
  // The header, not the file's encoding, decides the width of the characters
  // in hex(2), hex(7) and hex(1) data: one byte after REGEDIT4, two after 5.00.
  m_ansiHex = header == kHeader4;
  std::size_t lastProblems = 0;
  while (m_lines.next(line, tooLong)) {
    m_line = m_lines.lineNumber();
    if (m_pending.active) {
      continueHex(line, tooLong);
    } else if (tooLong) {
      problem(m_line, "the line is longer than " + std::to_string(m_max) + " bytes; skipped");
      if (m_lines.tooLongLineContinues()) m_pending = Pending{true, true, true, m_line, 0, {}};
    } else {
      lastProblems = m_out.problems.size() + m_unlisted;
      parseLine(line);
      if (!m_lines.lineEnded() && m_out.problems.size() + m_unlisted != lastProblems)
        m_out.truncated = "the file ends inside line " + std::to_string(m_line) +
                          ", which has no line break and is skipped: the file is cut off";
    }
  }
  if (m_pending.active) {
    // As the registry editor does, the bytes read so far make the value.
    m_out.truncated = "the file ends inside the value that starts on line " + std::to_string(m_pending.line) +
                      " (its last line ends with a backslash): the file is cut off";
    m_pending.active = false;
    finishHex();
  }
  if (m_unlisted > 0)
    m_out.problems.push_back({m_firstUnlisted, "and " + std::to_string(m_unlisted) +
                                                   " more skipped lines from here on, not listed one by one"});
  if (!m_lines.cutOff().empty()) m_out.truncated = m_lines.cutOff() + ": the file is cut off";
  return true;
}

void Parser::parseLine(std::u16string_view s) {
  const std::size_t i = skipBlanks(s, 0);
  if (i == s.size() || s[i] == u';') return;
  if (s.find(u'\0') != std::u16string_view::npos) {
    if (s[i] == u'[') badKey("the key line holds a NUL character; skipped");
    else problem(m_line, "the line holds a NUL character; skipped");
    return;
  }
  switch (s[i]) {
    case u'[':
      keyLine(s.substr(i + 1));
      return;
    case u'@':
      valueLine(u"", s, i + 1);
      return;
    case u'"': {
      std::u16string name;
      std::size_t end = 0;
      const Unescape r = unescape(s, i + 1, name, end);
      if (r != Unescape::Ok) problem(m_line, "the value name " + excerpt(s) + " has no closing quote; skipped");
      else if (name.size() > kMaxValueNameUnits)
        problem(m_line, "the value name is longer than " + std::to_string(kMaxValueNameUnits) + " characters; skipped");
      else valueLine(name, s, end);
      return;
    }
    default:
      problem(m_line, "not a key, value or comment line: " + excerpt(s) + "; skipped");
  }
}

void Parser::badKey(std::string message) {
  problem(m_line, std::move(message));
  m_key = KeyState::Invalid;
  m_keyLine = m_line;
}

void Parser::keyLine(std::u16string_view s) {
  if (s.empty() || isBlank(s[0])) return badKey("the key line has a blank after '['; skipped");
  const std::size_t close = s.rfind(u']');
  if (close == std::u16string_view::npos) return badKey("the key line has no closing ']'; skipped");
  std::u16string_view written = s.substr(0, close);
  const bool deletion = !written.empty() && written[0] == u'-';
  if (deletion) written.remove_prefix(1);
  const std::u16string name = withoutEmptyParts(written);
  if (!keySegmentsFit(name)) return badKey("a key name in the line is longer than 255 characters; skipped");
  const auto kp = parseKeyPath(utf16ToUtf8(name));
  if (!kp) return badKey("the key " + excerpt(name) + " has an unknown root key or an empty key name; skipped");
  m_keyLine = m_line;
  if (!deletion) {
    m_key = KeyState::Open;
    m_hive = kp->hive;
    m_path = kp->path;
    m_out.ops.push_back({RegOp::CreateKey, m_hive, m_path, {}});
  } else if (kp->path.empty()) {
    badKey("a root key cannot be deleted; skipped");
  } else {
    m_key = KeyState::Deleted;
    m_out.ops.push_back({RegOp::DeleteTree, kp->hive, kp->path, {}});
  }
}

bool Parser::keyTakesValues() {
  switch (m_key) {
    case KeyState::Open: return true;
    case KeyState::None: problem(m_line, "a value line before any key line; skipped"); return false;
    case KeyState::Invalid:
      problem(m_line, "a value under the invalid key line " + std::to_string(m_keyLine) + "; skipped");
      return false;
    case KeyState::Deleted:
      problem(m_line, "a value under the key deletion on line " + std::to_string(m_keyLine) + "; skipped");
      return false;
  }
  return false;
}

void Parser::valueLine(std::u16string_view name, std::u16string_view s, std::size_t pos) {
  if (!keyTakesValues()) return;
  pos = skipBlanks(s, pos);
  if (pos == s.size() || s[pos] != u'=') return problem(m_line, "'=' is missing after the value name; skipped");
  pos = skipBlanks(s, pos + 1);
  std::size_t end = s.size();
  while (end > pos && isBlank(s[end - 1])) --end;
  const std::u16string_view d = s.substr(pos, end - pos);
  RegValue value{utf16ToUtf8(name), kRegSz, {}};
  if (d.starts_with(u"-")) {
    if (!restIsEmpty(d, 1)) return problem(m_line, "text follows the '-' of a value deletion; skipped");
    value.data.clear();
    m_out.ops.push_back({RegOp::DeleteValue, m_hive, m_path, std::move(value)});
  } else if (d.starts_with(u"\"")) {
    stringData(std::move(value), d);
  } else if (d.starts_with(u"hex:")) {
    value.type = kRegBinary;
    hexData(std::move(value), d.substr(4));
  } else if (d.starts_with(u"dword:")) {
    std::uint32_t v = 0;
    if (!parseDword(d.substr(6), v)) return problem(m_line, "invalid dword data " + excerpt(d) + "; skipped");
    setValue(RegValue::dword(std::move(value.name), v));
  } else if (d.starts_with(u"hex(")) {
    std::size_t start = 0;
    if (!parseHexType(d.substr(4), value.type, start))
      return problem(m_line, "invalid hex type in " + excerpt(d) + "; skipped");
    hexData(std::move(value), d.substr(4 + start));
  } else {
    problem(m_line, "unknown value data " + excerpt(d) + "; skipped");
  }
}

void Parser::stringData(RegValue value, std::u16string_view d) {
  std::u16string text;
  std::size_t end = 0;
  if (unescape(d, 1, text, end) != Unescape::Ok) return problem(m_line, "the string " + excerpt(d) + " has no closing quote; skipped");
  if (!restIsEmpty(d, end)) return problem(m_line, "text follows the closing quote of the string; skipped");
  value.type = kRegSz;
  value.data = terminatedUtf16(text);
  setValue(std::move(value));
}

void Parser::hexData(RegValue value, std::u16string_view d) {
  m_pending = Pending{false, false, false, m_line, m_lines.lineBytes(), std::move(value)};
  hexRun(parseHexBytes(d, m_pending.value.data));
}

void Parser::hexRun(HexRun run) {
  switch (run) {
    case HexRun::Done: finishHex(); return;
    case HexRun::Continued: m_pending.active = true; return;
    case HexRun::Bad:
      problem(m_pending.line, m_line == m_pending.line
                                  ? "invalid hex data; skipped"
                                  : "invalid hex data on its line " + std::to_string(m_line) + "; the value is skipped");
      m_pending = Pending{};
      return;
  }
}

void Parser::continueHex(std::u16string_view s, bool tooLong) {
  if (tooLong) {
    m_pending.overflow = true;
    m_pending.value.data = Bytes{};
    if (!m_lines.tooLongLineContinues()) finishHex();
    return;
  }
  const std::size_t i = skipBlanks(s, 0);
  if (i == s.size() || s[i] == u';') return;  // blank and comment lines inside the data are passed over
  if (hexDigit(s[i]) < 0 || s.find(u'\0') != std::u16string_view::npos) {
    problem(m_pending.line, "the value goes on with line " + std::to_string(m_line) +
                                ", which is not hex data; the value and that line are skipped");
    m_pending = Pending{};
    return;
  }
  m_pending.bytes += m_lines.lineBytes();
  if (m_pending.bytes > m_max && !m_pending.overflow) {
    m_pending.overflow = true;
    m_pending.value.data = Bytes{};
  }
  if (!m_pending.overflow) return hexRun(parseHexBytes(s.substr(i), m_pending.value.data));
  Bytes scratch;
  hexRun(parseHexBytes(s.substr(i), scratch));
}

void Parser::finishHex() {
  Pending p = std::move(m_pending);
  m_pending = Pending{};
  if (p.discard) return;  // reported with its over-long line
  if (p.overflow) {
    problem(p.line, "the value is longer than " + std::to_string(m_max) + " bytes; skipped");
    return;
  }
  finishStringData(p.value.type, m_ansiHex, p.value.data);
  setValue(std::move(p.value));
}

}  // namespace

bool RegFileReader::read(const Bytes& file, RegFileContent& out, std::string& error) const {
  out = RegFileContent{};
  RegFileLines lines(file, m_maxLineBytes);
  if (!lines.open(error)) return false;
  // Room for the operations up front, but never more than a typical line
  // length allows, so a file of blank lines cannot claim much memory.
  out.ops.reserve(std::min(lines.lineCount(), file.size() / 40));
  Parser parser(lines, m_maxLineBytes, out);
  return parser.run(error);
}

}  // namespace vrel
