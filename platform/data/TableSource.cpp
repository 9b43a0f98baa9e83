#include "platform/data/TableSource.h"

#include "platform/Text.h"
#include "platform/data/Session.h"

#include <cctype>
#include <vector>

namespace vrel::data {

namespace {

struct Token {
  enum Kind { Word, Quoted, Literal, Punct } kind = Word;
  std::string text;  // as written
  std::string name;  // Word / Quoted: the identifier without quotes
  std::size_t begin = 0, end = 0;
  int depth = 0;  // parenthesis depth
};

bool wordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '@' || c == '#' || c == '$' ||
         static_cast<unsigned char>(c) >= 0x80;
}

std::size_t skipComment(std::string_view s, std::size_t i) {
  if (s.compare(i, 2, "--") == 0) {
    const std::size_t e = s.find('\n', i);
    return e == std::string_view::npos ? s.size() : e + 1;
  }
  if (s.compare(i, 2, "/*") == 0) {
    const std::size_t e = s.find("*/", i + 2);
    return e == std::string_view::npos ? s.size() : e + 2;
  }
  return i;
}

// Splits SQL into tokens; false on an unterminated quote.
bool tokenize(std::string_view s, std::vector<Token>& out) {
  int depth = 0;
  for (std::size_t i = 0; i < s.size();) {
    if (std::isspace(static_cast<unsigned char>(s[i]))) {
      ++i;
      continue;
    }
    if (const std::size_t j = skipComment(s, i); j != i) {
      i = j;
      continue;
    }
    Token t;
    t.begin = i;
    const char c = s[i];
    if (c == '\'' || c == '"' || c == '[' || c == '`') {
      const char close = c == '[' ? ']' : c;
      std::size_t j = i + 1;
      for (;; ++j) {
        if (j >= s.size()) return false;
        if (s[j] == close) {
          if (close != ']' && j + 1 < s.size() && s[j + 1] == close) {
            t.name += close;
            ++j;
            continue;
          }
          break;
        }
        t.name += s[j];
      }
      t.kind = c == '\'' ? Token::Literal : Token::Quoted;
      i = j + 1;
    } else if (wordChar(c)) {
      while (i < s.size() && wordChar(s[i])) ++i;
      t.kind = Token::Word;
      t.name = std::string(s.substr(t.begin, i - t.begin));
    } else {
      t.kind = Token::Punct;
      ++i;
      if (c == ')') --depth;
    }
    t.end = i;
    t.text = std::string(s.substr(t.begin, t.end - t.begin));
    t.depth = depth;
    if (c == '(' && t.kind == Token::Punct) ++depth;
    out.push_back(std::move(t));
  }
  return depth == 0;
}

bool isWord(const Token& t, const char* w) {
  return t.kind == Token::Word && iequals(t.name, w);
}

bool isClauseKeyword(const Token& t) {
  for (const char* k : {"WHERE", "ORDER", "GROUP", "HAVING", "LIMIT", "UNION", "EXCEPT", "INTERSECT", "JOIN", "INNER",
                        "LEFT", "RIGHT", "CROSS", "NATURAL", "FULL", "OUTER", "ON", "WINDOW", "USING"})
    if (isWord(t, k)) return true;
  return false;
}

bool isAggregate(const Token& t) {
  for (const char* k : {"COUNT", "SUM", "MIN", "MAX", "AVG", "TOTAL", "GROUP_CONCAT"})
    if (isWord(t, k)) return true;
  return false;
}

bool isIdentifier(const Token& t) {
  return t.kind == Token::Quoted || (t.kind == Token::Word && !isClauseKeyword(t));
}

// Whether the source is one identifier, possibly bracketed.
bool isBareName(std::string_view source, std::string& name) {
  std::vector<Token> toks;
  if (!tokenize(source, toks) || toks.size() != 1 || !isIdentifier(toks[0])) return false;
  if (isWord(toks[0], "SELECT")) return false;
  name = toks[0].name;
  return true;
}

// The table and the qualifier to put before "_rowid_" of a single-table
// SELECT; false when the statement is anything else.
bool singleTable(const std::vector<Token>& t, std::string& table, std::string& qualifier) {
  if (t.empty() || !isWord(t[0], "SELECT")) return false;
  if (t.size() > 1 && (isWord(t[1], "DISTINCT") || isWord(t[1], "TOP") || isWord(t[1], "ALL"))) return false;
  std::size_t from = 0;
  for (std::size_t i = 1; i < t.size() && !from; ++i) {
    if (t[i].depth == 0 && isWord(t[i], "FROM")) from = i;
    // An aggregate makes one row of many: nothing to write back to.
    if (isAggregate(t[i]) && i + 1 < t.size() && t[i + 1].text == "(") return false;
  }
  if (!from || from + 1 >= t.size() || !isIdentifier(t[from + 1])) return false;
  table = t[from + 1].name;
  qualifier = t[from + 1].text;
  std::size_t i = from + 2;
  if (i < t.size() && t[i].text == ".") return false;  // schema-qualified: not ours to guess
  if (i < t.size() && isWord(t[i], "AS")) ++i;
  if (i < t.size() && isIdentifier(t[i])) qualifier = t[i++].text;
  for (; i < t.size(); ++i) {
    if (t[i].depth != 0) continue;
    if (t[i].text == "," || t[i].text == ";" || isWord(t[i], "JOIN") || isWord(t[i], "GROUP") ||
        isWord(t[i], "HAVING") || isWord(t[i], "UNION") || isWord(t[i], "EXCEPT") || isWord(t[i], "INTERSECT") ||
        isWord(t[i], "NATURAL") || isWord(t[i], "CROSS"))
      return false;
  }
  return true;
}

// A real table (not a view) that has a rowid (not WITHOUT ROWID).
bool isRowidTable(const Session& session, const std::string& table) {
  sqlite3_stmt* raw = nullptr;
  const std::string probe = "SELECT _rowid_ FROM " + quoteIdentifier(table) + " LIMIT 0";
  if (sqlite3_prepare_v2(session.db(), probe.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
    sqlite3_finalize(raw);
    return false;
  }
  Statement rowidProbe(raw);
  raw = nullptr;
  const char* kType = "SELECT type FROM sqlite_master WHERE name = ?1 COLLATE NOCASE";
  if (sqlite3_prepare_v2(session.db(), kType, -1, &raw, nullptr) != SQLITE_OK) {
    sqlite3_finalize(raw);
    return false;
  }
  Statement typeQuery(raw);
  sqlite3_bind_text(raw, 1, table.c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_step(raw) != SQLITE_ROW) return false;
  const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
  return type && iequals(type, "table");
}

}  // namespace

std::string quoteIdentifier(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

TableSource analyzeSource(const Session& session, std::string_view source, CommandTypeEnum type) {
  TableSource ts;
  std::string table, qualifier;
  std::size_t selectEnd = 6;
  if (type == adCmdTable || type == adCmdTableDirect || isBareName(source, table)) {
    if (table.empty()) table = trim(source);
    qualifier = quoteIdentifier(table);
    ts.sql = "SELECT * FROM " + qualifier;
  } else {
    ts.sql = std::string(source);
    std::vector<Token> toks;
    if (!tokenize(source, toks) || !singleTable(toks, table, qualifier)) return ts;
    selectEnd = toks[0].end;
  }
  if (!isRowidTable(session, table)) return ts;
  ts.sql = ts.sql.substr(0, selectEnd) + " " + qualifier + "._rowid_," + ts.sql.substr(selectEnd);
  ts.table = table;
  ts.updatable = true;
  return ts;
}

}  // namespace vrel::data
