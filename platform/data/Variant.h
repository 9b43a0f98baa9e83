// The value of a field or parameter, shaped like VB's Variant: Empty, Null,
// Boolean, Long (32-bit), 64-bit integer, Double, String (UTF-8), bytes, a
// GUID and a Date. Conversions follow VB's CStr / CLng / CDbl / CBool and
// report VB's run-time error number when they fail (13 type mismatch,
// 6 overflow, 94 invalid use of Null), so callers raise what VB would.
#pragma once

#include "platform/Text.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace vrel::data {

enum class VarKind { Empty, Null, Bool, Int32, Int64, Double, String, Bytes, Guid, Date };

// A converted value, or the VB error number that the conversion raises.
template <class T>
struct Converted {
  T value{};
  int error = 0;  // 0, 6, 13 or 94
  explicit operator bool() const { return error == 0; }
};

// VB's description of 6, 13 and 94.
const char* vbConversionErrorText(int error);

class Variant {
 public:
  Variant() = default;
  Variant(bool v) : m_v(v) {}
  Variant(int v) : m_v(static_cast<std::int32_t>(v)) {}
  Variant(long v) : m_v(static_cast<std::int64_t>(v)) {}  // long is 64-bit here: Int64
  Variant(long long v) : m_v(static_cast<std::int64_t>(v)) {}
  Variant(double v) : m_v(v) {}
  Variant(const char* v) : m_v(std::string(v)) {}
  Variant(std::string v) : m_v(std::move(v)) {}
  Variant(std::string_view v) : m_v(std::string(v)) {}

  static Variant null();
  static Variant bytes(Bytes b);
  static Variant date(double ole);
  // A GUID from text with or without braces, any case; a text that is no
  // GUID stays a string.
  static Variant guid(std::string_view text);

  VarKind kind() const { return static_cast<VarKind>(m_v.index()); }
  bool isNull() const { return kind() == VarKind::Null; }
  bool isEmpty() const { return kind() == VarKind::Empty; }
  bool isNumeric() const;  // Bool, Int32, Int64, Double

  // CStr, except that Null gives "" (as `value & ""` does in VB). GUIDs in
  // ADO's braced upper-case form, dates in VB's US form.
  std::string toString() const;
  Converted<std::int32_t> toLong() const;
  Converted<double> toDouble() const;
  Converted<bool> toBool() const;
  Converted<double> toDate() const;

  // Raw access; valid only for the matching kind.
  bool boolValue() const { return std::get<bool>(m_v); }
  std::int64_t intValue() const;  // Int32 or Int64
  double doubleValue() const { return std::get<double>(m_v); }
  std::string_view text() const;  // String, or a GUID's 36 characters
  const Bytes& bytesValue() const { return std::get<Bytes>(m_v); }
  double dateValue() const { return std::get<DateHolder>(m_v).ole; }

  // Same kind and same value.
  bool operator==(const Variant& o) const { return m_v == o.m_v; }

 private:
  struct NullHolder {
    bool operator==(const NullHolder&) const { return true; }
  };
  // 36 characters, upper case, no braces; held in place, as a GUID column
  // is read for every row.
  struct GuidHolder {
    std::array<char, 36> text;
    bool operator==(const GuidHolder& o) const { return text == o.text; }
  };
  struct DateHolder {
    double ole = 0;
    bool operator==(const DateHolder& o) const { return ole == o.ole; }
  };
  std::variant<std::monostate, NullHolder, bool, std::int32_t, std::int64_t, double, std::string, Bytes, GuidHolder,
               DateHolder>
      m_v;
};

// The 36-character upper-case form of a GUID written with or without braces
// (and blanks around it); false when the text is no GUID.
bool normalizeGuid(std::string_view text, std::string& out);
// The same form into a buffer, for comparisons that must not allocate.
bool canonicalGuid(std::string_view text, std::span<char, 36> out);

// VB's number text: up to 15 significant digits, '.' as decimal point.
std::string vbNumberText(double v);

// Parses VB numeric text: blanks around, sign, digits, '.', exponent, "&H"
// hex, "," thousands separators. False when it is no number.
bool parseVbNumber(std::string_view text, double& out);

}  // namespace vrel::data
