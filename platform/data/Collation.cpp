#include "platform/data/Collation.h"

#include "platform/Text.h"
#include "platform/data/Variant.h"

#include <vector>

namespace vrel::data {

namespace {

std::string_view rtrimBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

char upperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// Pattern element of LIKE: one literal character, any one character, a set,
// or any run.
struct LikeToken {
  enum Kind { Literal, One, Set, Run } kind = Literal;
  char16_t ch = 0;
  bool negated = false;
  std::vector<std::pair<char16_t, char16_t>> ranges;
};

std::vector<LikeToken> tokenizeLike(const std::u16string& p, char32_t escape) {
  std::vector<LikeToken> out;
  for (std::size_t i = 0; i < p.size(); ++i) {
    LikeToken t;
    const char16_t c = p[i];
    if (escape && c == escape && i + 1 < p.size()) {
      t.ch = p[++i];
    } else if (c == u'%') {
      if (!out.empty() && out.back().kind == LikeToken::Run) continue;
      t.kind = LikeToken::Run;
    } else if (c == u'_') {
      t.kind = LikeToken::One;
    } else if (c == u'[' && p.find(u']', i + 1) != std::u16string::npos && p[i + 1] != u']') {
      const std::size_t close = p.find(u']', i + 1);
      std::size_t j = i + 1;
      t.kind = LikeToken::Set;
      if (p[j] == u'^' && j + 1 < close) {
        t.negated = true;
        ++j;
      }
      for (; j < close; ++j) {
        if (j + 2 < close && p[j + 1] == u'-') {
          t.ranges.emplace_back(p[j], p[j + 2]);
          j += 2;
        } else {
          t.ranges.emplace_back(p[j], p[j]);
        }
      }
      i = close;
    } else {
      t.ch = c;
    }
    out.push_back(std::move(t));
  }
  return out;
}

bool tokenMatches(const LikeToken& t, char16_t c) {
  switch (t.kind) {
    case LikeToken::Literal:
      return t.ch == c;
    case LikeToken::One:
      return true;
    case LikeToken::Set: {
      bool in = false;
      for (const auto& [lo, hi] : t.ranges) in = in || (c >= lo && c <= hi);
      return in != t.negated;
    }
    case LikeToken::Run:
      return false;
  }
  return false;
}

// Every token but Run consumes exactly one character, so the classic
// backtrack-to-last-run scan is complete.
bool matchTokens(const std::vector<LikeToken>& toks, const std::u16string& s) {
  std::size_t ti = 0, si = 0, star = std::string::npos, mark = 0;
  while (si < s.size()) {
    if (ti < toks.size() && toks[ti].kind != LikeToken::Run && tokenMatches(toks[ti], s[si])) {
      ++ti;
      ++si;
    } else if (ti < toks.size() && toks[ti].kind == LikeToken::Run) {
      star = ti++;
      mark = si;
    } else if (star != std::string::npos) {
      ti = star + 1;
      si = ++mark;
    } else {
      return false;
    }
  }
  while (ti < toks.size() && toks[ti].kind == LikeToken::Run) ++ti;
  return ti == toks.size();
}

}  // namespace

int compareText(std::string_view a, std::string_view b) {
  a = rtrimBlanks(a);
  b = rtrimBlanks(b);
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x >= 0x80 || y >= 0x80) return collationKey(a).compare(collationKey(b));
    const char ux = upperAscii(static_cast<char>(x));
    const char uy = upperAscii(static_cast<char>(y));
    if (ux != uy) return ux < uy ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  // The longer one's rest may fold to nothing only if it is empty, so the
  // shorter one sorts first, unless the rest needs full folding to compare.
  const std::string_view rest = a.size() > b.size() ? a.substr(n) : b.substr(n);
  for (char c : rest)
    if (static_cast<unsigned char>(c) >= 0x80) return collationKey(a).compare(collationKey(b));
  return a.size() < b.size() ? -1 : 1;
}

std::string collationKey(std::string_view text) {
  return foldCase(rtrimBlanks(text));
}

std::string guidCollationKey(std::string_view text) {
  std::string canonical;
  if (normalizeGuid(text, canonical)) return canonical;
  return collationKey(text);
}

bool sqlLike(std::string_view pattern, std::string_view value, char32_t escape) {
  const auto toks = tokenizeLike(utf8ToUtf16(foldCase(pattern)), escape);
  if (matchTokens(toks, utf8ToUtf16(foldCase(value)))) return true;
  const std::string_view trimmed = rtrimBlanks(value);
  return trimmed.size() != value.size() && matchTokens(toks, utf8ToUtf16(foldCase(trimmed)));
}

}  // namespace vrel::data
