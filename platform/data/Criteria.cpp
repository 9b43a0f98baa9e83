#include "platform/data/Criteria.h"

#include "platform/Text.h"
#include "platform/data/AdoError.h"

#include <cstdlib>

namespace vrel::data {

namespace {

[[noreturn]] void invalid() {
  raiseAdo(adErrInvalidArgument, "ADODB.Recordset");
}

bool isWildcard(char c) {
  return c == '*' || c == '%';
}

// A LIKE pattern may hold wildcards only at its end, or at both ends.
void checkLikePattern(const std::string& p) {
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (!isWildcard(p[i])) continue;
    const bool last = i + 1 == p.size();
    const bool firstOfBoth = i == 0 && p.size() >= 2 && isWildcard(p.back());
    if (!last && !firstOfBoth) invalid();
  }
}

class Parser {
 public:
  // Parentheses nest at most this deep; deeper ones are refused rather than
  // read by ever deeper recursion until the stack runs out.
  static constexpr int kMaxDepth = 64;

  explicit Parser(std::string_view text) : m_s(text) {}

  CriteriaClause clause() {
    CriteriaClause c;
    skip();
    c.column = columnName();
    skip();
    c.op = op();
    skip();
    c.value = value();
    if (c.op == CriteriaOp::Like) {
      if (c.value.kind == CriteriaValue::Number) invalid();
      checkLikePattern(c.value.text);
    }
    return c;
  }

  // expr := term (OR term)*; term := factor (AND factor)*;
  // factor := '(' expr ')' | clause.
  Criteria expr() {
    Criteria out;
    for (;;) {
      for (auto& group : term().anyOf) out.anyOf.push_back(std::move(group));
      if (!keyword("OR")) return out;
    }
  }

  bool atEnd() {
    skip();
    return m_i >= m_s.size();
  }

 private:
  Criteria term() {
    std::vector<CriteriaClause> group;
    Criteria single;
    int factors = 0;
    for (;;) {
      Criteria f = factor();
      ++factors;
      // An OR inside parentheses may not be ANDed with anything.
      if (f.anyOf.size() > 1 && (factors > 1 || peekKeyword("AND"))) invalid();
      if (f.anyOf.size() > 1)
        single = std::move(f);
      else
        for (auto& c : f.anyOf.front()) group.push_back(std::move(c));
      if (!keyword("AND")) break;
    }
    if (!single.anyOf.empty()) return single;
    Criteria out;
    out.anyOf.push_back(std::move(group));
    return out;
  }

  Criteria factor() {
    skip();
    if (m_i < m_s.size() && m_s[m_i] == '(') {
      if (++m_depth > kMaxDepth) invalid();
      ++m_i;
      Criteria inner = expr();
      skip();
      if (m_i >= m_s.size() || m_s[m_i] != ')') invalid();
      ++m_i;
      --m_depth;
      return inner;
    }
    Criteria out;
    out.anyOf.push_back({clause()});
    return out;
  }

  void skip() {
    while (m_i < m_s.size() && (m_s[m_i] == ' ' || m_s[m_i] == '\t' || m_s[m_i] == '\r' || m_s[m_i] == '\n')) ++m_i;
  }

  bool peekKeyword(const char* word) {
    skip();
    const std::size_t n = std::string_view(word).size();
    if (m_s.size() - m_i < n || !iequals(m_s.substr(m_i, n), word)) return false;
    return m_i + n == m_s.size() || m_s[m_i + n] == ' ' || m_s[m_i + n] == '(' || m_s[m_i + n] == '\t';
  }

  bool keyword(const char* word) {
    if (!peekKeyword(word)) return false;
    m_i += std::string_view(word).size();
    return true;
  }

  std::string columnName() {
    if (m_i < m_s.size() && m_s[m_i] == '[') {
      const std::size_t close = m_s.find(']', m_i + 1);
      if (close == std::string_view::npos || close == m_i + 1) invalid();
      std::string name(m_s.substr(m_i + 1, close - m_i - 1));
      m_i = close + 1;
      return name;
    }
    const std::size_t start = m_i;
    while (m_i < m_s.size() && m_s[m_i] != ' ' && m_s[m_i] != '\t' && m_s[m_i] != '=' && m_s[m_i] != '<' &&
           m_s[m_i] != '>' && m_s[m_i] != '(' && m_s[m_i] != ')' && m_s[m_i] != '\'' && m_s[m_i] != '#')
      ++m_i;
    if (m_i == start) invalid();
    return std::string(m_s.substr(start, m_i - start));
  }

  CriteriaOp op() {
    auto take = [&](std::string_view o) {
      if (m_s.substr(m_i, o.size()) != o) return false;
      m_i += o.size();
      return true;
    };
    if (take("<=")) return CriteriaOp::Le;
    if (take(">=")) return CriteriaOp::Ge;
    if (take("<>")) return CriteriaOp::Ne;
    if (take("=")) return CriteriaOp::Eq;
    if (take("<")) return CriteriaOp::Lt;
    if (take(">")) return CriteriaOp::Gt;
    if (m_s.size() - m_i > 4 && iequals(m_s.substr(m_i, 4), "LIKE") &&
        (m_s[m_i + 4] == ' ' || m_s[m_i + 4] == '\'' || m_s[m_i + 4] == '#')) {
      m_i += 4;
      return CriteriaOp::Like;
    }
    invalid();
  }

  CriteriaValue value() {
    CriteriaValue v;
    if (m_i >= m_s.size()) invalid();
    if (m_s[m_i] == '\'') {
      for (++m_i;; ++m_i) {
        if (m_i >= m_s.size()) invalid();
        if (m_s[m_i] == '\'') {
          if (m_i + 1 < m_s.size() && m_s[m_i + 1] == '\'') {
            v.text += '\'';
            ++m_i;
            continue;
          }
          ++m_i;
          return v;
        }
        v.text += m_s[m_i];
      }
    }
    if (m_s[m_i] == '#') {
      const std::size_t close = m_s.find('#', m_i + 1);
      if (close == std::string_view::npos) invalid();
      v.kind = CriteriaValue::Hash;
      v.text = std::string(m_s.substr(m_i + 1, close - m_i - 1));
      m_i = close + 1;
      return v;
    }
    const std::size_t start = m_i;
    while (m_i < m_s.size() && m_s[m_i] != ' ' && m_s[m_i] != ')' && m_s[m_i] != '\t') ++m_i;
    v.kind = CriteriaValue::Number;
    v.text = std::string(m_s.substr(start, m_i - start));
    std::string digits;
    for (char c : v.text)
      if (c != '$') digits += c;
    char* end = nullptr;
    v.number = std::strtod(digits.c_str(), &end);
    const bool ok =
        !digits.empty() && end && *end == '\0' && digits.find_first_not_of("0123456789.+-eE") == std::string::npos;
    if (!ok) invalid();
    return v;
  }

  std::string_view m_s;
  std::size_t m_i = 0;
  int m_depth = 0;
};

}  // namespace

CriteriaClause parseFindCriteria(std::string_view text) {
  Parser p(text);
  CriteriaClause c = p.clause();
  if (!p.atEnd()) invalid();
  return c;
}

Criteria parseFilterCriteria(std::string_view text) {
  Parser p(text);
  Criteria c = p.expr();
  if (!p.atEnd()) invalid();
  return c;
}

}  // namespace vrel::data
