// The criteria texts of Recordset.Find and Recordset.Filter, as ADO reads
// them: "Column Op Value" clauses, Op one of = <> < > <= >= LIKE, Value a
// string in '...' (with '' for a quote), a #date# or #text#, or a number;
// a column name in [ ] may hold blanks. LIKE patterns may use * or % only at
// the end or at both ends. Find takes one clause; Filter takes clauses
// joined by AND / OR with parentheses, but only as an OR of AND-groups:
// "(A OR B) AND C" is refused, as ADO refuses it. Errors raise 3001.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vrel::data {

enum class CriteriaOp { Eq, Ne, Lt, Gt, Le, Ge, Like };

struct CriteriaValue {
  enum Kind { String, Number, Hash } kind = String;
  std::string text;  // string contents, number as written, text between '#'
  double number = 0;
};

struct CriteriaClause {
  std::string column;
  CriteriaOp op = CriteriaOp::Eq;
  CriteriaValue value;
};

// An OR of AND-groups.
struct Criteria {
  std::vector<std::vector<CriteriaClause>> anyOf;
};

CriteriaClause parseFindCriteria(std::string_view text);
Criteria parseFilterCriteria(std::string_view text);

}  // namespace vrel::data
