#include "restore/messages/ExMergeSummary.h"

#include "platform/Text.h"
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
  // A number too large for a long stays at the largest long.
  constexpr long kMax = std::numeric_limits<long>::max();
  long value = 0;
  for (skipBlanks(); i < text.size(); skipBlanks()) {
    if (text[i] < '0' || text[i] > '9') break;
    const int digit = text[i] - '0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    ++i;
  }
  return negative ? -value : value;
}

// The next-to-last line, as reading line by line to the end sees it (CR,
// LF and CR LF each end a line); empty for a file of one line.
}  // namespace

std::string exMergeSummaryLine(const std::string& text) {
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

ExMergeSummary readExMergeSummary(const std::string& line) {
  ExMergeSummary out;
  long a = 0, b = 0, c = 0, d = 0;
  // Each statement on its own: an error is noted and the next one runs.
  auto statement = [&](std::vector<std::string>& errors, auto&& body) {
    if (auto e = trapStatement(body)) errors.push_back(e->description);
  };
  statement(out.restoredErrors, [&] { a = instr(1, line, "] "); });
  statement(out.restoredErrors, [&] { b = instr(1, line, " mailboxes"); });
  statement(out.restoredErrors, [&] { out.restored = integerValue(mid(line, a + 2, b - a - 2)); });
  statement(out.failedErrors, [&] { c = instr(b, line, "processed. "); });
  statement(out.failedErrors, [&] { d = instr(c, line, " mailboxes"); });
  statement(out.failedErrors, [&] { out.failed = integerValue(mid(line, c + 10, d - c - 10)); });
  return out;
}

}  // namespace vrel::restore
