// The COM run time as the programs and in-process servers see it: HRESULTs,
// GUIDs, IUnknown and the class factory, BSTR and VARIANT. The layouts are
// plain and the helpers inline, so a server module and the program that
// loads it (each with its own copy of this code) agree on every object that
// crosses between them: strings and variants are allocated with malloc and
// freed with free, whoever frees them.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace vrel::com {

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;

constexpr HRESULT hr(std::uint32_t code) { return static_cast<HRESULT>(code); }
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = hr(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = hr(0x80004002);
inline constexpr HRESULT E_POINTER = hr(0x80004003);
inline constexpr HRESULT E_FAIL = hr(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = hr(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = hr(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = hr(0x80070057);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = hr(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = hr(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = hr(0x80040154);
inline constexpr HRESULT CO_E_CLASSSTRING = hr(0x800401F3);
inline constexpr HRESULT CO_E_ERRORINDLL = hr(0x800401F9);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = hr(0x80020006);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = hr(0x8002000E);
// HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND): the server's module is missing.
inline constexpr HRESULT kModuleNotFound = hr(0x8007007E);

constexpr bool SUCCEEDED(HRESULT h) { return h >= 0; }
constexpr bool FAILED(HRESULT h) { return h < 0; }

// Class contexts; only in-process servers exist on this platform.
inline constexpr std::uint32_t CLSCTX_INPROC_SERVER = 1;

struct GUID {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::uint8_t Data4[8] = {};
  friend bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
  friend bool operator<(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }
};
using IID = GUID;
using CLSID = GUID;

// "{0B4F3461-8DB9-4821-A7C3-DA130A240C16}" (braces required, hex digits in
// any case); nothing when it is not one.
std::optional<GUID> guidFromString(std::string_view text);
// The registry form: braces, upper-case hex digits.
std::string guidToString(const GUID& guid);
// A GUID written in source as its registry form; throws on a bad literal.
GUID guid(std::string_view text);

struct IUnknown {
  virtual HRESULT QueryInterface(const IID& iid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
  virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) = 0;
  virtual HRESULT LockServer(int lock) = 0;

 protected:
  ~IClassFactory() = default;
};

extern const IID IID_IUnknown;
extern const IID IID_IClassFactory;
extern const IID IID_IDispatch;

// The exports of an in-process server module.
using DllGetClassObjectFn = HRESULT (*)(const CLSID* clsid, const IID* iid, void** out);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();

// BSTR: UTF-16 text with its byte length stored in front; null is the empty
// string.
using BSTR = char16_t*;

inline BSTR SysAllocStringLen(const char16_t* text, std::uint32_t length) {
  auto* block = static_cast<std::uint32_t*>(std::malloc(sizeof(std::uint32_t) + (length + 1u) * sizeof(char16_t)));
  if (!block) return nullptr;
  *block = length * static_cast<std::uint32_t>(sizeof(char16_t));
  auto* s = reinterpret_cast<char16_t*>(block + 1);
  if (text && length) std::memcpy(s, text, length * sizeof(char16_t));
  s[length] = 0;
  return s;
}
inline std::uint32_t SysStringLen(const char16_t* s) {
  return s ? reinterpret_cast<const std::uint32_t*>(s)[-1] / sizeof(char16_t) : 0;
}
inline void SysFreeString(BSTR s) {
  if (s) std::free(reinterpret_cast<std::uint32_t*>(s) - 1);
}

// A BSTR of UTF-8 text; empty text gives a null BSTR when nullForEmpty.
BSTR toBstr(std::string_view utf8, bool nullForEmpty = false);
// The UTF-8 text of a BSTR (empty for null).
std::string fromBstr(const char16_t* s);

// An owned BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::string_view utf8) : m_s(toBstr(utf8)) {}
  ~Bstr() { SysFreeString(m_s); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR* out() {
    SysFreeString(m_s);
    m_s = nullptr;
    return &m_s;
  }
  BSTR get() const { return m_s; }
  std::string text() const { return fromBstr(m_s); }

 private:
  BSTR m_s = nullptr;
};

enum VarType : std::uint16_t {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_BOOL = 11,
  VT_UNKNOWN = 13,
  VT_I8 = 20,
};

struct VARIANT {
  std::uint16_t vt = VT_EMPTY;
  std::uint16_t reserved1 = 0, reserved2 = 0, reserved3 = 0;
  union {
    std::int16_t iVal;
    std::int32_t lVal;
    std::int64_t llVal;
    double dblVal;
    std::int16_t boolVal;
    BSTR bstrVal;
    IUnknown* punkVal;
  };
  VARIANT() : llVal(0) {}
};

inline void VariantInit(VARIANT* v) { *v = VARIANT(); }
inline HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_POINTER;
  if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
  if ((v->vt == VT_UNKNOWN || v->vt == VT_DISPATCH) && v->punkVal) v->punkVal->Release();
  *v = VARIANT();
  return S_OK;
}
inline HRESULT VariantCopy(VARIANT* to, const VARIANT* from) {
  if (!to || !from) return E_POINTER;
  VariantClear(to);
  *to = *from;
  if (from->vt == VT_BSTR && from->bstrVal) {
    to->bstrVal = SysAllocStringLen(from->bstrVal, SysStringLen(from->bstrVal));
    if (!to->bstrVal) {
      *to = VARIANT();
      return E_OUTOFMEMORY;
    }
  }
  if ((from->vt == VT_UNKNOWN || from->vt == VT_DISPATCH) && from->punkVal) from->punkVal->AddRef();
  return S_OK;
}

// Variant helpers in UTF-8.
VARIANT variantText(std::string_view utf8);
VARIANT variantLong(std::int32_t v);
// Text of a variant as VB's conversion to String gives it ("" for empty or
// null).
std::string variantToText(const VARIANT& v);

// An owned VARIANT.
class Variant {
 public:
  Variant() = default;
  ~Variant() { VariantClear(&m_v); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* out() {
    VariantClear(&m_v);
    return &m_v;
  }
  const VARIANT& get() const { return m_v; }

 private:
  VARIANT m_v;
};

// An owning interface pointer.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr& o) : m_p(o.m_p) {
    if (m_p) m_p->AddRef();
  }
  ComPtr& operator=(const ComPtr& o) {
    if (o.m_p) o.m_p->AddRef();
    reset();
    m_p = o.m_p;
    return *this;
  }
  ComPtr(ComPtr&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      reset();
      m_p = o.m_p;
      o.m_p = nullptr;
    }
    return *this;
  }
  void reset() {
    if (m_p) m_p->Release();
    m_p = nullptr;
  }
  // Where a call that hands out a reference puts it.
  T** out() {
    reset();
    return &m_p;
  }
  void** outVoid() { return reinterpret_cast<void**>(out()); }
  T* get() const { return m_p; }
  T* operator->() const { return m_p; }
  T& operator*() const { return *m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  // Takes over a reference the caller owns.
  void attach(T* p) {
    reset();
    m_p = p;
  }
  T* detach() {
    T* p = m_p;
    m_p = nullptr;
    return p;
  }

 private:
  T* m_p = nullptr;
};

// "0x80042004"
std::string hresultText(HRESULT h);

}  // namespace vrel::com
