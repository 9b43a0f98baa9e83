#include "platform/com/Com.h"

#include "platform/Text.h"

#include <cstdio>
#include <stdexcept>

namespace vrel::com {

const IID IID_IUnknown = guid("{00000000-0000-0000-C000-000000000046}");
const IID IID_IClassFactory = guid("{00000001-0000-0000-C000-000000000046}");
const IID IID_IDispatch = guid("{00020400-0000-0000-C000-000000000046}");

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits at text[at].
bool readHex(std::string_view text, std::size_t at, int digits, std::uint64_t& out) {
  out = 0;
  for (int i = 0; i < digits; ++i) {
    const int d = hexDigit(text[at + static_cast<std::size_t>(i)]);
    if (d < 0) return false;
    out = out * 16 + static_cast<std::uint64_t>(d);
  }
  return true;
}

}  // namespace

std::optional<GUID> guidFromString(std::string_view t) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  if (t.size() != 38 || t.front() != '{' || t.back() != '}' || t[9] != '-' || t[14] != '-' || t[19] != '-' ||
      t[24] != '-')
    return std::nullopt;
  GUID g;
  std::uint64_t v = 0;
  if (!readHex(t, 1, 8, v)) return std::nullopt;
  g.Data1 = static_cast<std::uint32_t>(v);
  if (!readHex(t, 10, 4, v)) return std::nullopt;
  g.Data2 = static_cast<std::uint16_t>(v);
  if (!readHex(t, 15, 4, v)) return std::nullopt;
  g.Data3 = static_cast<std::uint16_t>(v);
  const std::size_t bytes[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!readHex(t, bytes[i], 2, v)) return std::nullopt;
    g.Data4[i] = static_cast<std::uint8_t>(v);
  }
  return g;
}

std::string guidToString(const GUID& g) {
  char out[40];
  std::snprintf(out, sizeof out, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return out;
}

GUID guid(std::string_view text) {
  const std::optional<GUID> g = guidFromString(text);
  if (!g) throw std::invalid_argument("not a GUID: " + std::string(text));
  return *g;
}

BSTR toBstr(std::string_view utf8, bool nullForEmpty) {
  if (utf8.empty() && nullForEmpty) return nullptr;
  const std::u16string wide = utf8ToUtf16(utf8);
  return SysAllocStringLen(wide.data(), static_cast<std::uint32_t>(wide.size()));
}

std::string fromBstr(const char16_t* s) {
  if (!s) return {};
  return utf16ToUtf8(std::u16string_view(s, SysStringLen(s)));
}

VARIANT variantText(std::string_view utf8) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = toBstr(utf8);
  return v;
}

VARIANT variantLong(std::int32_t value) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

std::string variantToText(const VARIANT& v) {
  switch (v.vt) {
    case VT_BSTR:
      return fromBstr(v.bstrVal);
    case VT_I2:
      return std::to_string(v.iVal);
    case VT_I4:
      return std::to_string(v.lVal);
    case VT_I8:
      return std::to_string(v.llVal);
    case VT_BOOL:
      return v.boolVal ? "True" : "False";
    case VT_R8: {
      char out[32];
      std::snprintf(out, sizeof out, "%.15g", v.dblVal);
      return out;
    }
    default:
      return {};
  }
}

std::string hresultText(HRESULT h) {
  char out[16];
  std::snprintf(out, sizeof out, "0x%08x", static_cast<std::uint32_t>(h));
  return out;
}

}  // namespace vrel::com
