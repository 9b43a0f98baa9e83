#include "platform/data/OleDate.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vrel::data {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's method).
long daysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

void civilFromDays(long z, int& y, int& m, int& d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<long>(yoe) + era * 400 + (m <= 2));
}

constexpr long kOleEpoch = -25569;  // 1899-12-30 in days since 1970-01-01

bool validDate(int y, int m, int d) {
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

// Reads an unsigned decimal number at text[i]; false when none.
bool readNumber(std::string_view text, std::size_t& i, int& out, int maxDigits = 4) {
  std::size_t start = i;
  out = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < static_cast<std::size_t>(maxDigits))
    out = out * 10 + (text[i++] - '0');
  return i > start;
}

void skipBlanks(std::string_view text, std::size_t& i) {
  while (i < text.size() && text[i] == ' ') ++i;
}

bool readTime(std::string_view text, std::size_t& i, DateParts& p, bool allowMillis) {
  if (!readNumber(text, i, p.hour, 2) || i >= text.size() || text[i] != ':') return false;
  ++i;
  if (!readNumber(text, i, p.minute, 2)) return false;
  if (i < text.size() && text[i] == ':') {
    ++i;
    if (!readNumber(text, i, p.second, 2)) return false;
    if (i < text.size() && text[i] == '.') {
      if (!allowMillis) return false;
      ++i;
      const std::size_t start = i;
      int frac = 0;
      if (!readNumber(text, i, frac, 3)) return false;
      for (std::size_t n = i - start; n < 3; ++n) frac *= 10;
      p.millisecond = frac;
      while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    }
  }
  skipBlanks(text, i);
  if (i + 1 < text.size() && (text[i + 1] == 'M' || text[i + 1] == 'm')) {
    const char ap = static_cast<char>(text[i] | 0x20);
    if (ap == 'a' || ap == 'p') {
      if (p.hour < 1 || p.hour > 12) return false;
      if (ap == 'a' && p.hour == 12) p.hour = 0;
      if (ap == 'p' && p.hour != 12) p.hour += 12;
      i += 2;
    }
  }
  return p.hour < 24 && p.minute < 60 && p.second < 60;
}

}  // namespace

double oleFromParts(const DateParts& p) {
  const double days = static_cast<double>(
      daysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) - kOleEpoch);
  const double secs = p.hour * 3600.0 + p.minute * 60.0 + p.second + p.millisecond / 1000.0;
  return days + secs / 86400.0;
}

DateParts partsFromOle(double ole) {
  DateParts p;
  double day = std::floor(ole);
  long long ms = std::llround((ole - day) * 86400000.0);
  if (ms >= 86400000) {
    ms -= 86400000;
    day += 1;
  }
  civilFromDays(static_cast<long>(day) + kOleEpoch, p.year, p.month, p.day);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  return p;
}

std::string vbDateText(double ole) {
  const DateParts p = partsFromOle(ole);
  const bool hasTime = p.hour || p.minute || p.second;
  const bool dayZero = p.year == 1899 && p.month == 12 && p.day == 30;
  char buf[64];
  std::string out;
  if (!dayZero || !hasTime) {
    std::snprintf(buf, sizeof buf, "%d/%d/%d", p.month, p.day, p.year);
    out = buf;
  }
  if (hasTime) {
    const int h12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h12, p.minute, p.second, p.hour < 12 ? "AM" : "PM");
    if (!out.empty()) out += ' ';
    out += buf;
  }
  return out;
}

std::string isoDateText(double ole) {
  const DateParts p = partsFromOle(ole);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute, p.second);
  std::string out = buf;
  if (p.millisecond) {
    std::snprintf(buf, sizeof buf, ".%03d", p.millisecond);
    out += buf;
  }
  return out;
}

std::optional<double> parseIsoDate(std::string_view text) {
  DateParts p;
  std::size_t i = 0;
  if (!readNumber(text, i, p.year, 4) || i != 4 || i >= text.size() || text[i++] != '-') return std::nullopt;
  if (!readNumber(text, i, p.month, 2) || i >= text.size() || text[i++] != '-') return std::nullopt;
  if (!readNumber(text, i, p.day, 2) || !validDate(p.year, p.month, p.day)) return std::nullopt;
  if (i < text.size() && (text[i] == ' ' || text[i] == 'T')) {
    ++i;
    if (!readTime(text, i, p, true)) return std::nullopt;
  }
  skipBlanks(text, i);
  if (i != text.size()) return std::nullopt;
  return oleFromParts(p);
}

std::optional<double> parseUsDate(std::string_view text) {
  std::size_t i = 0;
  skipBlanks(text, i);
  if (text.size() - i >= 10 && text[i + 4] == '-') return parseIsoDate(text.substr(i));
  DateParts p;
  const std::size_t start = i;
  int first = 0;
  bool hasDate = false;
  if (readNumber(text, i, first, 4) && i < text.size() && text[i] == '/') {
    p.month = first;
    ++i;
    if (!readNumber(text, i, p.day, 2) || i >= text.size() || text[i] != '/') return std::nullopt;
    ++i;
    const std::size_t yStart = i;
    if (!readNumber(text, i, p.year, 4)) return std::nullopt;
    if (i - yStart <= 2) p.year += p.year < 30 ? 2000 : 1900;
    if (!validDate(p.year, p.month, p.day)) return std::nullopt;
    hasDate = true;
    skipBlanks(text, i);
  } else {
    i = start;
  }
  if (i < text.size()) {
    DateParts t;
    if (!readTime(text, i, t, false)) return std::nullopt;
    p.hour = t.hour;
    p.minute = t.minute;
    p.second = t.second;
  } else if (!hasDate) {
    return std::nullopt;
  }
  skipBlanks(text, i);
  if (i != text.size()) return std::nullopt;
  return oleFromParts(p);
}

}  // namespace vrel::data
