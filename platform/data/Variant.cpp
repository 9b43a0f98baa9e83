#include "platform/data/Variant.h"

#include "platform/data/OleDate.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace vrel::data {

namespace {

bool isHex(char c) {
  return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

// CLng rounds halves to even.
Converted<std::int32_t> longFromDouble(double d) {
  if (std::isnan(d)) return {0, 6};
  const double r = std::nearbyint(d);  // default rounding mode: to nearest, ties to even
  if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max()) return {0, 6};
  return {static_cast<std::int32_t>(r), 0};
}

}  // namespace

const char* vbConversionErrorText(int error) {
  switch (error) {
    case 6:
      return "Overflow";
    case 13:
      return "Type mismatch";
    case 94:
      return "Invalid use of Null";
    default:
      return "";
  }
}

Variant Variant::null() {
  Variant v;
  v.m_v = NullHolder{};
  return v;
}

Variant Variant::bytes(Bytes b) {
  Variant v;
  v.m_v = std::move(b);
  return v;
}

Variant Variant::date(double ole) {
  Variant v;
  v.m_v = DateHolder{ole};
  return v;
}

Variant Variant::guid(std::string_view text) {
  GuidHolder held;
  if (!canonicalGuid(text, held.text)) return Variant(text);
  Variant v;
  v.m_v = held;
  return v;
}

bool Variant::isNumeric() const {
  const VarKind k = kind();
  return k == VarKind::Bool || k == VarKind::Int32 || k == VarKind::Int64 || k == VarKind::Double;
}

std::int64_t Variant::intValue() const {
  if (kind() == VarKind::Int32) return std::get<std::int32_t>(m_v);
  return std::get<std::int64_t>(m_v);
}

std::string_view Variant::text() const {
  if (kind() == VarKind::Guid) {
    const auto& chars = std::get<GuidHolder>(m_v).text;
    return {chars.data(), chars.size()};
  }
  return std::get<std::string>(m_v);
}

std::string Variant::toString() const {
  switch (kind()) {
    case VarKind::Empty:
    case VarKind::Null:
      return "";
    case VarKind::Bool:
      return boolValue() ? "True" : "False";
    case VarKind::Int32:
    case VarKind::Int64:
      return std::to_string(intValue());
    case VarKind::Double:
      return vbNumberText(doubleValue());
    case VarKind::String:
      return std::get<std::string>(m_v);
    case VarKind::Bytes:
      return utf16leToUtf8(bytesValue().data(), bytesValue().size());
    case VarKind::Guid:
      return "{" + std::string(text()) + "}";
    case VarKind::Date:
      return vbDateText(dateValue());
  }
  return "";
}

Converted<double> Variant::toDouble() const {
  switch (kind()) {
    case VarKind::Empty:
      return {0, 0};
    case VarKind::Null:
      return {0, 94};
    case VarKind::Bool:
      return {boolValue() ? -1.0 : 0.0, 0};
    case VarKind::Int32:
    case VarKind::Int64:
      return {static_cast<double>(intValue()), 0};
    case VarKind::Double:
      return {doubleValue(), 0};
    case VarKind::Date:
      return {dateValue(), 0};
    case VarKind::String: {
      double d = 0;
      if (parseVbNumber(text(), d)) return {d, 0};
      return {0, 13};
    }
    case VarKind::Bytes:
    case VarKind::Guid:
      return {0, 13};
  }
  return {0, 13};
}

Converted<std::int32_t> Variant::toLong() const {
  switch (kind()) {
    case VarKind::Int32:
      return {std::get<std::int32_t>(m_v), 0};
    case VarKind::Int64: {
      const std::int64_t v = intValue();
      if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) return {0, 6};
      return {static_cast<std::int32_t>(v), 0};
    }
    default: {
      const Converted<double> d = toDouble();
      if (!d) return {0, d.error};
      return longFromDouble(d.value);
    }
  }
}

Converted<bool> Variant::toBool() const {
  if (kind() == VarKind::Bool) return {boolValue(), 0};
  if (kind() == VarKind::String) {
    const std::string t = trim(text());
    if (iequals(t, "True")) return {true, 0};
    if (iequals(t, "False")) return {false, 0};
  }
  const Converted<double> d = toDouble();
  if (!d) return {false, d.error};
  return {d.value != 0, 0};
}

Converted<double> Variant::toDate() const {
  switch (kind()) {
    case VarKind::Date:
      return {dateValue(), 0};
    case VarKind::Null:
      return {0, 94};
    case VarKind::String: {
      if (auto d = parseUsDate(text())) return {*d, 0};
      return {0, 13};
    }
    case VarKind::Bytes:
    case VarKind::Guid:
      return {0, 13};
    default:
      return toDouble();
  }
}

bool canonicalGuid(std::string_view text, std::span<char, 36> out) {
  // Each byte's upper-case hex digit, or 0: a GUID column is read on every
  // row, so a digit costs a look-up, not a test of three ranges.
  static constexpr auto kHexUpper = [] {
    std::array<char, 256> t{};
    for (char c = '0'; c <= '9'; ++c) t[static_cast<unsigned char>(c)] = c;
    for (char c = 'A'; c <= 'F'; ++c) {
      t[static_cast<unsigned char>(c)] = c;
      t[static_cast<unsigned char>(c + 32)] = c;
    }
    return t;
  }();
  std::string_view t = text;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  if (t.size() == 38 && t.front() == '{' && t.back() == '}') t = t.substr(1, 36);
  if (t.size() != 36 || t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-') return false;
  char bad = 0;
  for (std::size_t i = 0; i < 36; ++i) {
    const char u = kHexUpper[static_cast<unsigned char>(t[i])];
    // Only the four dashes may be no digit.
    bad |= static_cast<char>(u == 0 && i != 8 && i != 13 && i != 18 && i != 23);
    out[i] = u ? u : '-';
  }
  return bad == 0;
}

bool normalizeGuid(std::string_view text, std::string& out) {
  char canonical[36];
  if (!canonicalGuid(text, canonical)) return false;
  out.assign(canonical, sizeof canonical);
  return true;
}

std::string vbNumberText(double v) {
  if (v == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  std::string s = buf;
  // %G keeps a two-digit exponent and drops trailing zeros already; VB
  // writes "1E+20" and "1.5E-07" the same way.
  return s;
}

bool parseVbNumber(std::string_view text, double& out) {
  std::string t = trim(text);
  if (t.empty()) return false;
  if (t.size() > 2 && t[0] == '&' && (t[1] | 0x20) == 'h') {
    if (t.size() > 10) return false;
    unsigned long long v = 0;
    for (std::size_t i = 2; i < t.size(); ++i) {
      if (!isHex(t[i])) return false;
      v = v * 16 + static_cast<unsigned>(t[i] <= '9' ? t[i] - '0' : (t[i] | 0x20) - 'a' + 10);
    }
    // &H literals of up to 8 digits are 32-bit, so &HFFFFFFFF is -1.
    out = t.size() <= 6 ? static_cast<double>(static_cast<std::int16_t>(v))
                        : static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
    return true;
  }
  std::string clean;
  for (char c : t)
    if (c != ',') clean += c;
  for (char c : clean)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return false;
  char* end = nullptr;
  out = std::strtod(clean.c_str(), &end);
  return end && *end == '\0' && end != clean.c_str() && std::isfinite(out);
}

}  // namespace vrel::data
