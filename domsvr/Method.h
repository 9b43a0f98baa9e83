// How every method of the module runs: entry and exit lines when the log
// manager wants them ("Method < %s > Entry", "Method < %s > Exit
// Return:0x%08X "), the body inside the exception guard, and COM object
// plumbing (reference count, module lock).
#pragma once

#include "domsvr/ExceptionReporter.h"
#include "domsvr/LoggingClient.h"
#include "domsvr/Module.h"

#include <atomic>
#include <cstring>
#include <utility>

namespace vrel::domsvr {

// The file name of a source path, as the guard reports it.
constexpr const char* sourceName(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '/' || *p == '\\') name = p + 1;
  return name;
}

template <class F>
com::HRESULT runMethod(const char* name, LogCategory category, const char* file, int line, F&& body) {
  LoggingClient& log = logClient();
  const bool trace = log.enabled(category);
  if (trace) log.write(category, "Method < %s > Entry", name);
  const com::HRESULT h = guarded(sourceName(file), line, std::forward<F>(body));
  if (trace) log.write(category, "Method < %s > Exit Return:0x%08X ", name, static_cast<unsigned>(h));
  return h;
}

// Raises an HRESULT inside a guarded body.
inline void check(com::HRESULT h) {
  if (com::FAILED(h)) throw HResultError{h};
}

// Reference counting and the module lock of an object implementing Interface.
template <class Interface>
class ComObject : public Interface {
 public:
  com::ULONG AddRef() override { return ++m_refs; }
  com::ULONG Release() override {
    const com::ULONG n = --m_refs;
    if (n == 0) delete this;
    return n;
  }
  virtual ~ComObject() = default;

 protected:
  // Answers IUnknown and iid with this object.
  com::HRESULT answer(const com::IID& iid, const com::IID& own, void** out) {
    if (!out) return com::E_POINTER;
    if (iid == com::IID_IUnknown || iid == own) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return com::S_OK;
    }
    *out = nullptr;
    return com::E_NOINTERFACE;
  }

 private:
  std::atomic<com::ULONG> m_refs{0};
  ModuleObject m_lock;
};

}  // namespace vrel::domsvr
