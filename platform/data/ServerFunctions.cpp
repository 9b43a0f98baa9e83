#include "platform/data/ServerFunctions.h"

#include "platform/Text.h"
#include "platform/data/Collation.h"
#include "platform/data/OleDate.h"
#include "platform/data/Variant.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>

namespace vrel::data {

namespace {

std::string_view argText(sqlite3_value* v) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
  return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string_view();
}

void resultText(sqlite3_context* ctx, const std::string& s) {
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

int collateText(void*, int n1, const void* p1, int n2, const void* p2) {
  return compareText(std::string_view(static_cast<const char*>(p1), static_cast<std::size_t>(n1)),
                     std::string_view(static_cast<const char*>(p2), static_cast<std::size_t>(n2)));
}

// A GUID's 36 characters inside optional braces and blanks; empty when the
// text has not that shape.
std::string_view guidBody(std::string_view t) {
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  if (t.size() == 38 && t.front() == '{' && t.back() == '}') t = t.substr(1, 36);
  return t.size() == 36 ? t : std::string_view();
}

// Each byte as it stands in a canonical GUID: hex digits upper-cased, the
// dash kept, 0 for anything else.
constexpr std::array<char, 256> kGuidChars = [] {
  std::array<char, 256> t{};
  for (char c = '0'; c <= '9'; ++c) t[static_cast<unsigned char>(c)] = c;
  for (char c = 'A'; c <= 'F'; ++c) t[static_cast<unsigned char>(c)] = c;
  for (char c = 'a'; c <= 'f'; ++c) t[static_cast<unsigned char>(c)] = static_cast<char>(c - 32);
  t['-'] = '-';
  return t;
}();

// Two GUIDs compare by their canonical forms; anything else as text. The
// indexes on GUID columns call this for every step of every lookup, so both
// texts are checked and compared in one pass, without copies.
int collateGuid(void*, int n1, const void* p1, int n2, const void* p2) {
  const std::string_view t1(static_cast<const char*>(p1), static_cast<std::size_t>(n1));
  const std::string_view t2(static_cast<const char*>(p2), static_cast<std::size_t>(n2));
  // GUIDs are stored as their 36 characters, without braces or blanks. For
  // two ASCII texts of that shape the canonical form of a GUID and the text
  // key of anything else are both the upper-cased bytes, so the first
  // differing byte decides, GUIDs or not, and the rest need no look.
  if (n1 == 36 && n2 == 36 && t1.front() != ' ' && t1.back() != ' ' && t2.front() != ' ' && t2.back() != ' ') {
    std::size_t i = 0;
    for (; i < 36; ++i) {
      const auto x = static_cast<unsigned char>(t1[i]);
      const auto y = static_cast<unsigned char>(t2[i]);
      if ((x | y) & 0x80) break;
      const char ux = static_cast<char>(x >= 'a' && x <= 'z' ? x - 32 : x);
      const char uy = static_cast<char>(y >= 'a' && y <= 'z' ? y - 32 : y);
      if (ux != uy) return static_cast<unsigned char>(ux) < static_cast<unsigned char>(uy) ? -1 : 1;
    }
    if (i == 36) return 0;
  }
  const std::string_view a = guidBody(t1), b = guidBody(t2);
  if (!a.empty() && !b.empty()) {
    int order = 0;
    bool guids = true;
    for (std::size_t i = 0; i < 36 && guids; ++i) {
      const char x = kGuidChars[static_cast<unsigned char>(a[i])];
      const char y = kGuidChars[static_cast<unsigned char>(b[i])];
      const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
      guids = x && y && (x == '-') == dash && (y == '-') == dash;
      if (order == 0 && x != y) order = x < y ? -1 : 1;
    }
    if (guids) return order;
  }
  return guidCollationKey(t1).compare(guidCollationKey(t2));
}

// like(pattern, value [, escape]), as SQLite calls it for "value LIKE pattern".
void likeFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i)
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  char32_t escape = 0;
  if (argc == 3) {
    const std::u16string e = utf8ToUtf16(foldCase(argText(argv[2])));
    if (e.size() != 1) return sqlite3_result_error(ctx, "The escape character must be one character.", -1);
    escape = e[0];
  }
  sqlite3_result_int(ctx, sqlLike(argText(argv[0]), argText(argv[1]), escape) ? 1 : 0);
}

void newIdFn(sqlite3_context* ctx, int, sqlite3_value**) {
  resultText(ctx, newGuidText());
}

std::string nowText(bool utc) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  if (utc)
    gmtime_r(&t, &tm);
  else
    localtime_r(&t, &tm);
  DateParts p;
  p.year = tm.tm_year + 1900;
  p.month = tm.tm_mon + 1;
  p.day = tm.tm_mday;
  p.hour = tm.tm_hour;
  p.minute = tm.tm_min;
  p.second = tm.tm_sec;
  p.millisecond =
      static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  return isoDateText(oleFromParts(p));
}

void getDateFn(sqlite3_context* ctx, int, sqlite3_value**) {
  resultText(ctx, nowText(false));
}
void getUtcDateFn(sqlite3_context* ctx, int, sqlite3_value**) {
  resultText(ctx, nowText(true));
}

// LEN counts characters without the trailing blanks.
void lenFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::string_view s = argText(argv[0]);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  sqlite3_int64 n = 0;
  for (char c : s)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  sqlite3_result_int64(ctx, n);
}

void isNullFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3_result_value(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? argv[1] : argv[0]);
}

// CHARINDEX(needle, haystack [, start]): 1-based character position, 0 when
// absent, compared without regard to case.
void charIndexFn(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
    return sqlite3_result_null(ctx);
  const std::u16string needle = utf8ToUtf16(foldCase(argText(argv[0])));
  const std::u16string hay = utf8ToUtf16(foldCase(argText(argv[1])));
  sqlite3_int64 start = argc == 3 ? sqlite3_value_int64(argv[2]) : 1;
  if (start < 1) start = 1;
  if (needle.empty()) return sqlite3_result_int64(ctx, 0);
  const std::size_t pos = hay.find(needle, static_cast<std::size_t>(start - 1));
  sqlite3_result_int64(ctx, pos == std::u16string::npos ? 0 : static_cast<sqlite3_int64>(pos) + 1);
}

struct FunctionDef {
  const char* name;
  int args;
  bool deterministic;
  void (*fn)(sqlite3_context*, int, sqlite3_value**);
};

constexpr FunctionDef kFunctions[] = {
    {"like", 2, true, likeFn},
    {"like", 3, true, likeFn},
    {"newid", 0, false, newIdFn},
    {"getdate", 0, false, getDateFn},
    {"getutcdate", 0, false, getUtcDateFn},
    {"len", 1, true, lenFn},
    {"isnull", 2, true, isNullFn},
    {"charindex", 2, true, charIndexFn},
    {"charindex", 3, true, charIndexFn},
};

}  // namespace

bool registerServerFunctions(sqlite3* db, std::string& error) {
  if (sqlite3_create_collation_v2(db, kTextCollation, SQLITE_UTF8, nullptr, collateText, nullptr) != SQLITE_OK ||
      sqlite3_create_collation_v2(db, kGuidCollation, SQLITE_UTF8, nullptr, collateGuid, nullptr) != SQLITE_OK) {
    error = sqlite3_errmsg(db);
    return false;
  }
  for (const FunctionDef& f : kFunctions) {
    const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
    if (sqlite3_create_function_v2(db, f.name, f.args, flags, nullptr, f.fn, nullptr, nullptr, nullptr) != SQLITE_OK) {
      error = sqlite3_errmsg(db);
      return false;
    }
  }
  return true;
}

std::string newGuidText() {
  thread_local std::mt19937_64 rng{std::random_device{}()};
  const std::uint64_t hi = rng(), lo = rng();
  char buf[40];
  // Version 4, variant 1, as Windows' CoCreateGuid makes them.
  std::snprintf(buf, sizeof buf, "%08X-%04X-4%03X-%04X-%012llX", static_cast<unsigned>(hi >> 32),
                static_cast<unsigned>((hi >> 16) & 0xFFFF), static_cast<unsigned>(hi & 0xFFF),
                static_cast<unsigned>(0x8000 | (lo >> 50)), static_cast<unsigned long long>(lo & 0xFFFFFFFFFFFFULL));
  return buf;
}

}  // namespace vrel::data
