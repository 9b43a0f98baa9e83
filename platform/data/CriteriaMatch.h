// Criteria clauses bound to a recordset's columns, and tested against
// values. A clause compares in its column's terms: text by the server
// collation, GUIDs by their canonical form, numbers, dates and Booleans by
// value; the literal is converted to that kind once (3001 when it does not
// convert). Equality goes through equalityKey(), which the Optimize index
// uses too, so an indexed Find finds exactly what a scan finds.
#pragma once

#include "platform/data/Criteria.h"
#include "platform/data/Rowset.h"
#include "platform/data/SqlValue.h"

#include <optional>
#include <string>
#include <vector>

namespace vrel::data {

struct BoundClause {
  std::size_t column = 0;
  CriteriaOp op = CriteriaOp::Eq;
  TypeClass kind = TypeClass::Text;
  std::string key;    // equality key of the literal
  std::string text;   // Text/Guid: the literal for ordering; LIKE: the folded pattern core
  double number = 0;  // Number/Date/Bool: the literal for ordering
  enum Shape { Exact, Prefix, Contains } shape = Exact;  // LIKE
};

using BoundCriteria = std::vector<std::vector<BoundClause>>;

// 3265 for an unknown column, 3001 for a literal of the wrong kind.
BoundClause bindClause(const CriteriaClause& clause, const std::vector<ColumnInfo>& columns);
BoundCriteria bindCriteria(const Criteria& criteria, const std::vector<ColumnInfo>& columns);

bool clauseMatches(const BoundClause& clause, const Variant& value);
bool criteriaMatch(const BoundCriteria& criteria, const std::vector<Variant>& row);

// The key under which '=' finds a value of a column kind; none for Null or
// a value that does not convert to the kind.
std::optional<std::string> equalityKey(const Variant& value, TypeClass kind);

// The column of a name, without regard to case; 3265 when there is none.
std::size_t columnIndex(const std::vector<ColumnInfo>& columns, std::string_view name, const char* source);

}  // namespace vrel::data
