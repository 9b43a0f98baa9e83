#include "platform/data/SqlValue.h"

#include "platform/Text.h"
#include "platform/data/OleDate.h"

#include <cctype>
#include <cmath>
#include <limits>

namespace vrel::data {

namespace {

bool has(const std::string& s, const char* word) {
  return s.find(word) != std::string::npos;
}

bool startsWord(const std::string& s, const char* word) {
  const std::string_view w(word);
  if (s.compare(0, w.size(), w) != 0) return false;
  return s.size() == w.size() || !std::isalnum(static_cast<unsigned char>(s[w.size()]));
}

std::string_view columnText(sqlite3_stmt* st, int col) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
  return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(st, col))) : std::string_view();
}

Variant integerValue(sqlite3_int64 v, bool wide) {
  if (!wide && v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())
    return Variant(static_cast<int>(v));
  return Variant(static_cast<long long>(v));
}

Variant readNumber(sqlite3_stmt* st, int col, DataTypeEnum type) {
  switch (sqlite3_column_type(st, col)) {
    case SQLITE_INTEGER: {
      const sqlite3_int64 v = sqlite3_column_int64(st, col);
      if (type == adDouble || type == adNumeric) return Variant(static_cast<double>(v));
      return integerValue(v, type == adBigInt);
    }
    case SQLITE_FLOAT:
      return Variant(sqlite3_column_double(st, col));
    default: {
      const std::string_view t = columnText(st, col);
      double d = 0;
      if (parseVbNumber(t, d)) return Variant(d);
      return Variant(t);
    }
  }
}

}  // namespace

DataTypeEnum typeFromDeclaration(std::string_view declared) {
  const std::string d = foldCase(trim(declared));
  if (d.empty()) return adEmpty;
  if (has(d, "UNIQUEIDENTIFIER") || has(d, "GUID")) return adGUID;
  if (has(d, "TIMESTAMP") || has(d, "ROWVERSION")) return adBinary;
  if (has(d, "DATE") || startsWord(d, "TIME")) return adDBTimeStamp;
  if (has(d, "NCHAR") || has(d, "NVARCHAR") || has(d, "NTEXT")) return has(d, "NTEXT") ? adLongVarWChar : adVarWChar;
  if (has(d, "CHAR") || has(d, "STRING") || startsWord(d, "SYSNAME")) return adVarChar;
  if (has(d, "TEXT") || has(d, "MEMO") || has(d, "CLOB")) return adLongVarChar;
  if (has(d, "VARBINARY")) return adVarBinary;
  if (has(d, "BINARY")) return startsWord(d, "BINARY") ? adBinary : adLongVarBinary;
  if (has(d, "BLOB") || has(d, "IMAGE") || has(d, "OLEOBJECT")) return adLongVarBinary;
  if (startsWord(d, "BIT") || has(d, "BOOL") || has(d, "YESNO") || has(d, "LOGICAL")) return adBoolean;
  if (has(d, "BIGINT")) return adBigInt;
  if (has(d, "SMALLINT") || has(d, "TINYINT") || startsWord(d, "BYTE")) return adSmallInt;
  if (has(d, "INT") || has(d, "COUNTER") || startsWord(d, "LONG")) return adInteger;
  if (has(d, "REAL") || has(d, "FLOA") || has(d, "DOUB") || has(d, "SINGLE")) return adDouble;
  if (has(d, "MONEY") || has(d, "CURRENCY") || has(d, "DECIMAL") || has(d, "NUMERIC")) return adNumeric;
  return adEmpty;
}

DataTypeEnum typeFromStorage(int sqliteType) {
  switch (sqliteType) {
    case SQLITE_INTEGER:
      return adInteger;
    case SQLITE_FLOAT:
      return adDouble;
    case SQLITE_BLOB:
      return adLongVarBinary;
    default:
      return adVarWChar;
  }
}

TypeClass typeClass(DataTypeEnum type) {
  switch (type) {
    case adGUID:
      return TypeClass::Guid;
    case adBoolean:
      return TypeClass::Bool;
    case adDate:
    case adDBTimeStamp:
      return TypeClass::Date;
    case adSmallInt:
    case adInteger:
    case adBigInt:
    case adDouble:
    case adNumeric:
      return TypeClass::Number;
    case adBinary:
    case adVarBinary:
    case adLongVarBinary:
      return TypeClass::Binary;
    default:
      return TypeClass::Text;
  }
}

Variant readColumn(sqlite3_stmt* st, int col, DataTypeEnum type) {
  const int storage = sqlite3_column_type(st, col);
  if (storage == SQLITE_NULL) return Variant::null();
  if (type == adEmpty || type == adVariant) type = typeFromStorage(storage);
  switch (typeClass(type)) {
    case TypeClass::Guid:
      return Variant::guid(columnText(st, col));
    case TypeClass::Bool:
      if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) return Variant(sqlite3_column_double(st, col) != 0);
      if (auto b = Variant(columnText(st, col)).toBool()) return Variant(b.value);
      return Variant(columnText(st, col));
    case TypeClass::Number:
      return readNumber(st, col, type);
    case TypeClass::Date: {
      if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) return Variant::date(sqlite3_column_double(st, col));
      const std::string_view t = columnText(st, col);
      if (auto d = parseIsoDate(t)) return Variant::date(*d);
      if (auto d = parseUsDate(t)) return Variant::date(*d);
      return Variant(t);
    }
    case TypeClass::Binary: {
      const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(st, col));
      const int n = sqlite3_column_bytes(st, col);
      return Variant::bytes(p ? Bytes(p, p + n) : Bytes());
    }
    case TypeClass::Text:
      break;
  }
  return Variant(columnText(st, col));
}

int bindValue(sqlite3_stmt* st, int index, const Variant& v, sqlite3_destructor_type keep) {
  switch (v.kind()) {
    case VarKind::Empty:
    case VarKind::Null:
      return sqlite3_bind_null(st, index);
    case VarKind::Bool:
      return sqlite3_bind_int(st, index, v.boolValue() ? 1 : 0);
    case VarKind::Int32:
    case VarKind::Int64:
      return sqlite3_bind_int64(st, index, v.intValue());
    case VarKind::Double:
      return sqlite3_bind_double(st, index, v.doubleValue());
    case VarKind::String:
    case VarKind::Guid:
      return sqlite3_bind_text(st, index, v.text().data(), static_cast<int>(v.text().size()), keep);
    case VarKind::Bytes: {
      static const char kNone = 0;
      const Bytes& b = v.bytesValue();
      return sqlite3_bind_blob(st, index, b.empty() ? static_cast<const void*>(&kNone) : b.data(),
                               static_cast<int>(b.size()), keep);
    }
    case VarKind::Date: {
      const std::string t = isoDateText(v.dateValue());
      return sqlite3_bind_text(st, index, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    }
  }
  return SQLITE_MISUSE;
}

std::optional<Variant> convertForType(const Variant& v, DataTypeEnum type) {
  if (v.isNull() || v.isEmpty()) return Variant::null();
  switch (typeClass(type)) {
    case TypeClass::Guid: {
      if (v.kind() == VarKind::Guid) return v;
      if (v.kind() != VarKind::String) return std::nullopt;
      Variant g = Variant::guid(v.text());
      if (g.kind() != VarKind::Guid) return std::nullopt;
      return g;
    }
    case TypeClass::Bool: {
      const auto b = v.toBool();
      return b ? std::optional<Variant>(Variant(b.value)) : std::nullopt;
    }
    case TypeClass::Number: {
      if (type == adDouble || type == adNumeric) {
        const auto d = v.toDouble();
        return d ? std::optional<Variant>(Variant(d.value)) : std::nullopt;
      }
      if (type == adBigInt && (v.kind() == VarKind::Int32 || v.kind() == VarKind::Int64))
        return Variant(static_cast<long long>(v.intValue()));
      if (type == adBigInt) {
        const auto d = v.toDouble();
        if (!d || std::fabs(d.value) > 9.2e18) return std::nullopt;
        return Variant(static_cast<long long>(std::nearbyint(d.value)));
      }
      const auto l = v.toLong();
      return l ? std::optional<Variant>(Variant(static_cast<int>(l.value))) : std::nullopt;
    }
    case TypeClass::Date: {
      const auto d = v.toDate();
      return d ? std::optional<Variant>(Variant::date(d.value)) : std::nullopt;
    }
    case TypeClass::Binary:
      if (v.kind() == VarKind::Bytes) return v;
      {
        const std::string t = v.toString();
        return Variant::bytes(Bytes(t.begin(), t.end()));
      }
    case TypeClass::Text:
      break;
  }
  if (type == adEmpty || type == adVariant) return v;
  return Variant(v.toString());
}

std::optional<Variant> convertForType(Variant&& v, DataTypeEnum type) {
  if (v.isEmpty()) return Variant::null();
  const bool asIs = type == adEmpty || type == adVariant ||
                    (v.kind() == VarKind::String && typeClass(type) == TypeClass::Text) ||
                    (v.kind() == VarKind::Guid && typeClass(type) == TypeClass::Guid) || v.isNull();
  if (asIs) return std::move(v);
  return convertForType(static_cast<const Variant&>(v), type);
}

}  // namespace vrel::data
