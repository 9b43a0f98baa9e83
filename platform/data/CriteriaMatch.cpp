#include "platform/data/CriteriaMatch.h"

#include "platform/Text.h"
#include "platform/data/AdoError.h"
#include "platform/data/Collation.h"
#include "platform/data/OleDate.h"

#include <cstdio>

namespace vrel::data {

namespace {

[[noreturn]] void invalid() {
  raiseAdo(adErrInvalidArgument, "ADODB.Recordset");
}

std::string numberKey(double d) {
  if (d == 0) return "0";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", d);
  return buf;
}

// The literal as a number of the column's kind.
double literalNumber(const CriteriaValue& v, TypeClass kind) {
  if (kind == TypeClass::Bool) {
    if (v.kind == CriteriaValue::Number) return v.number != 0 ? 1 : 0;
    if (v.kind == CriteriaValue::Hash) invalid();
    const auto b = Variant(v.text).toBool();
    if (!b) invalid();
    return b.value ? 1 : 0;
  }
  if (v.kind == CriteriaValue::Number) return v.number;
  if (kind == TypeClass::Date || v.kind == CriteriaValue::Hash) {
    if (auto d = parseUsDate(v.text)) return *d;
    invalid();
  }
  double d = 0;
  if (!parseVbNumber(v.text, d)) invalid();
  return d;
}

// A value as a number of the column's kind; false when it does not convert.
bool valueNumber(const Variant& v, TypeClass kind, double& out) {
  if (kind == TypeClass::Bool) {
    const auto b = v.toBool();
    out = b.value ? 1 : 0;
    return static_cast<bool>(b);
  }
  const auto d = kind == TypeClass::Date ? v.toDate() : v.toDouble();
  out = d.value;
  return static_cast<bool>(d);
}

bool numericKind(TypeClass k) {
  return k == TypeClass::Number || k == TypeClass::Date || k == TypeClass::Bool;
}

bool likeShapeMatches(const BoundClause& c, const std::string& folded) {
  switch (c.shape) {
    case BoundClause::Exact:
      return folded == c.text;
    case BoundClause::Prefix:
      return folded.compare(0, c.text.size(), c.text) == 0;
    case BoundClause::Contains:
      return folded.find(c.text) != std::string::npos;
  }
  return false;
}

bool likeMatches(const BoundClause& c, const Variant& v) {
  std::string s = v.toString();
  if (likeShapeMatches(c, foldCase(s))) return true;
  const std::size_t end = s.find_last_not_of(' ');
  if (end + 1 == s.size()) return false;
  s.resize(end == std::string::npos ? 0 : end + 1);
  return likeShapeMatches(c, foldCase(s));
}

bool ordered(CriteriaOp op, int cmp) {
  switch (op) {
    case CriteriaOp::Lt:
      return cmp < 0;
    case CriteriaOp::Gt:
      return cmp > 0;
    case CriteriaOp::Le:
      return cmp <= 0;
    case CriteriaOp::Ge:
      return cmp >= 0;
    default:
      return false;
  }
}

}  // namespace

std::size_t columnIndex(const std::vector<ColumnInfo>& columns, std::string_view name, const char* source) {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (iequals(columns[i].name, name)) return i;
  raiseAdo(adErrItemNotFound, source);
}

BoundClause bindClause(const CriteriaClause& clause, const std::vector<ColumnInfo>& columns) {
  BoundClause b;
  b.column = columnIndex(columns, clause.column, "ADODB.Recordset");
  b.op = clause.op;
  b.kind = typeClass(columns[b.column].type);
  if (b.kind == TypeClass::Binary) b.kind = TypeClass::Text;
  if (b.op == CriteriaOp::Like) {
    const std::string& p = clause.value.text;
    const auto wild = [](char c) { return c == '*' || c == '%'; };
    std::string core = p;
    if (p.size() >= 2 && wild(p.front()) && wild(p.back())) {
      b.shape = BoundClause::Contains;
      core = p.substr(1, p.size() - 2);
    } else if (!p.empty() && wild(p.back())) {
      b.shape = BoundClause::Prefix;
      core = p.substr(0, p.size() - 1);
    }
    b.text = foldCase(core);
    return b;
  }
  if (numericKind(b.kind)) {
    b.number = literalNumber(clause.value, b.kind);
    b.key = numberKey(b.number);
  } else {
    b.text = clause.value.text;
    b.key = b.kind == TypeClass::Guid ? guidCollationKey(b.text) : collationKey(b.text);
  }
  return b;
}

BoundCriteria bindCriteria(const Criteria& criteria, const std::vector<ColumnInfo>& columns) {
  BoundCriteria out;
  for (const auto& group : criteria.anyOf) {
    std::vector<BoundClause> g;
    for (const auto& c : group) g.push_back(bindClause(c, columns));
    out.push_back(std::move(g));
  }
  return out;
}

std::optional<std::string> equalityKey(const Variant& value, TypeClass kind) {
  if (value.isNull() || value.isEmpty()) return std::nullopt;
  switch (kind) {
    case TypeClass::Guid:
      if (value.kind() == VarKind::Guid) return std::string(value.text());
      return guidCollationKey(value.toString());
    case TypeClass::Number:
    case TypeClass::Date:
    case TypeClass::Bool: {
      double d = 0;
      if (!valueNumber(value, kind, d)) return std::nullopt;
      return numberKey(d);
    }
    case TypeClass::Text:
    case TypeClass::Binary:
      break;
  }
  return collationKey(value.toString());
}

bool clauseMatches(const BoundClause& c, const Variant& v) {
  if (v.isNull() || v.isEmpty()) return false;
  switch (c.op) {
    case CriteriaOp::Like:
      return likeMatches(c, v);
    case CriteriaOp::Eq:
    case CriteriaOp::Ne: {
      // The common cases without building a key: same answer, no copies.
      if (c.kind == TypeClass::Guid && v.kind() == VarKind::Guid)
        return (v.text() == c.key) == (c.op == CriteriaOp::Eq);
      if (c.kind == TypeClass::Text && v.kind() == VarKind::String)
        return (compareText(v.text(), c.text) == 0) == (c.op == CriteriaOp::Eq);
      const auto key = equalityKey(v, c.kind);
      if (!key) return false;
      return (*key == c.key) == (c.op == CriteriaOp::Eq);
    }
    default:
      break;
  }
  if (numericKind(c.kind)) {
    double d = 0;
    if (!valueNumber(v, c.kind, d)) return false;
    return ordered(c.op, d < c.number ? -1 : (d > c.number ? 1 : 0));
  }
  if (c.kind == TypeClass::Guid) return ordered(c.op, equalityKey(v, c.kind)->compare(c.key));
  return ordered(c.op, compareText(v.toString(), c.text));
}

bool criteriaMatch(const BoundCriteria& criteria, const std::vector<Variant>& row) {
  for (const auto& group : criteria) {
    bool all = true;
    for (const auto& c : group) {
      if (!clauseMatches(c, row[c.column])) {
        all = false;
        break;
      }
    }
    if (all) return true;
  }
  return false;
}

}  // namespace vrel::data
