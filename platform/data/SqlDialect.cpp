#include "platform/data/SqlDialect.h"

#include "platform/Text.h"

#include <cctype>

namespace vrel::data {

namespace {

bool wordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '@' || c == '$';
}

// The end of a quoted run or comment starting at i, or i when none starts.
std::size_t skipQuoted(std::string_view s, std::size_t i) {
  const char c = s[i];
  if (c == '\'' || c == '"' || c == '[' || c == '`') {
    const char close = c == '[' ? ']' : c;
    const std::size_t e = s.find(close, i + 1);
    return e == std::string_view::npos ? s.size() : e + 1;
  }
  if (s.compare(i, 2, "--") == 0) {
    const std::size_t e = s.find('\n', i);
    return e == std::string_view::npos ? s.size() : e;
  }
  if (s.compare(i, 2, "/*") == 0) {
    const std::size_t e = s.find("*/", i + 2);
    return e == std::string_view::npos ? s.size() : e + 2;
  }
  return i;
}

}  // namespace

std::string toSqliteText(std::string_view sql) {
  std::string out(sql);
  if (ifind(sql, "ISNULL") == std::string::npos && ifind(sql, "INDEX") == std::string::npos) return out;
  std::string previousWord;
  for (std::size_t i = 0; i < out.size();) {
    if (const std::size_t e = skipQuoted(out, i); e != i) {
      i = e;
      continue;
    }
    if (!wordChar(out[i])) {
      ++i;
      continue;
    }
    std::size_t e = i;
    while (e < out.size() && wordChar(out[e])) ++e;
    std::size_t next = e;
    while (next < out.size() && std::isspace(static_cast<unsigned char>(out[next]))) ++next;
    const std::string word = out.substr(i, e - i);
    if (word.size() == 6 && iequals(word, "ISNULL") && next < out.size() && out[next] == '(') {
      out.replace(i, 6, "IFNULL");
    } else if (iequals(word, "INDEX") && !iequals(previousWord, "CREATE") && !iequals(previousWord, "UNIQUE") &&
               !iequals(previousWord, "DROP")) {
      // A column named Index (Access allows it) outside CREATE/DROP INDEX.
      out.replace(i, 5, "\"" + word + "\"");
      e += 2;
    }
    previousWord = word;
    i = e;
  }
  return out;
}

}  // namespace vrel::data
