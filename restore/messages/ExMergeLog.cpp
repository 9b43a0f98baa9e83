#include "restore/messages/ExMergeLog.h"

#include "platform/IniFile.h"
#include "platform/Text.h"
#include "restore/run/Program.h"
#include "restore/run/VbError.h"
#include "restore/run/frmMainTraps.h"

#include <limits>

namespace vrel::restore {

namespace {

constexpr long kInvalidCall = 5;

[[noreturn]] void invalidCall() { throw VbError(kInvalidCall, "Invalid procedure call or argument"); }

// VB's InStr with text comparison: the 1-based position of find in text at
// or after start, 0 when absent; a start below 1 is an invalid call.
long instr(long start, const std::string& text, const char* find) {
  if (start < 1) invalidCall();
  if (static_cast<std::size_t>(start) > text.size() + 1) return 0;
  const std::size_t at = ifind(text, find, static_cast<std::size_t>(start - 1));
  return at == std::string::npos ? 0 : static_cast<long>(at) + 1;
}

// VB's Mid: length characters from the 1-based start; a start below 1 or a
// negative length is an invalid call.
std::string mid(const std::string& text, long start, long length) {
  if (start < 1 || length < 0) invalidCall();
  const auto from = static_cast<std::size_t>(start - 1);
  if (from >= text.size()) return {};
  return text.substr(from, static_cast<std::size_t>(length));
}

// The integer part of VB's Val: blanks are skipped, a sign and the digits
// that follow count, anything else ends the number.
long integerValue(const std::string& text) {
  std::size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
  };
  skipBlanks();
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (skipBlanks(); i < text.size(); skipBlanks()) {
    if (text[i] < '0' || text[i] > '9') break;
    if (value < std::numeric_limits<long>::max()) value = value * 10 + (text[i] - '0');
    ++i;
  }
  if (value > std::numeric_limits<long>::max()) value = std::numeric_limits<long>::max();
  return static_cast<long>(negative ? -value : value);
}

// The next-to-last line, as reading line by line to the end sees it (CR,
// LF and CR LF each end a line); empty for a file of one line.
std::string nextToLastLine(const std::string& text) {
  std::string last, previous, current;
  bool open = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      previous = std::move(last);
      last = std::move(current);
      current.clear();
      open = false;
    } else {
      current += c;
      open = true;
    }
  }
  if (open) {
    previous = std::move(last);
    last = std::move(current);
  }
  return previous;
}

}  // namespace

void parseforerrorsinexmergelogs(Program& p, const std::string& folder) {
  RunLog& log = p.log;
  const std::string path = folder + "exmerge.log";
  std::string line;
  long restored = 0, failed = 0;
  long a = 0, b = 0, c = 0, d = 0;
  // Each statement runs under the procedure's trap: an error is logged and
  // the next statement runs.
  auto statement = [&](auto&& body) {
    if (auto e = trapStatement(body)) log.WriteToLog("(error) in parseforerrorsinexmergelogs:" + e->description);
  };
  bool present = false;
  statement([&] { present = p.files.fileExists(path); });
  if (!present) {
    log.WriteToLog("(error) No ExMerge.log file generated.  restore of messages failed");
    return;
  }
  statement([&] {
    std::string bytes;
    if (const FileStatus st = p.files.readAll(path, bytes); !st) throw VbError(st.number, st.description);
    // A log with a byte-order mark is read in its encoding, so a Unicode
    // log still gives its summary.
    line = nextToLastLine(IniFile::decode(bytes));
  });
  statement([&] { a = instr(1, line, "] "); });
  statement([&] { b = instr(1, line, " mailboxes"); });
  statement([&] { restored = integerValue(mid(line, a + 2, b - a - 2)); });
  statement([&] { log.WriteToLog("    " + vbStr(restored) + " mailboxes successfully restored"); });
  statement([&] { c = instr(b, line, "processed. "); });
  statement([&] { d = instr(c, line, " mailboxes"); });
  statement([&] { failed = integerValue(mid(line, c + 10, d - c - 10)); });
  if (failed >= 1)
    log.WriteToLog("(error) " + vbStr(failed) +
                   " mailboxes not restored properly.  Check the exMerge.log file at: " + folder + " for more details");
}

}  // namespace vrel::restore
