#include "domsvr/CVrelDom.h"

#include "domsvr/Iterators.h"
#include "domsvr/Method.h"
#include "platform/Machine.h"

#include <new>

namespace vrel::domsvr {

using namespace com;

CVrelDom::CVrelDom(IUnknown* outer) : m_outer(outer) {
  m_inner.self = this;
  moduleLock();
}

CVrelDom::~CVrelDom() {
  if (const HRESULT h = m_helper.UnInitialize(); FAILED(h)) logFailure("CVrelNotesHelper::UnInitialize()", h);
  m_spRdbConnection.reset();
  moduleUnlock();
}

HRESULT CVrelDom::CreateInstance(IUnknown* outer, const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer && !(iid == IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  auto* object = new CVrelDom(outer);
  if (FAILED(logClient().start())) {
    delete object;
    return hr(VRELDOM_E_FAILED_CREATE_LOGMGR);
  }
  if (const HRESULT h = object->Initialize(); FAILED(h)) {
    delete object;
    return h;
  }
  // The first reference is the one handed out; a failed query leaves none.
  object->m_inner.AddRef();
  const HRESULT h = object->m_inner.QueryInterface(iid, out);
  object->m_inner.Release();
  return h;
}

HRESULT CVrelDom::Initialize() {
  return runMethod("CVrelDom::Initialize()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    HRESULT h = createInstance(guid(kClsidTmRdbConnection), guid(kIidITmRdbConnection), m_spRdbConnection.outVoid());
    if (FAILED(h)) {
      logFailure("CoCreateInstance(TmRdbConnection)", h);
      return hr(VRELDOM_E_FAILED_CONNECT_SQL);
    }
    // GetComputerName with a buffer of 16 characters.
    Machine* machine = moduleMachine();
    const std::string computer = machine ? machine->computerName() : std::string();
    if (computer.empty() || computer.size() > 15) {
      logFailure("GetComputerName()", 0);
      return hr(VRELDOM_E_FAILED_CONNECT_SQL);
    }
    Bstr server(computer), empty("");
    VARIANT logManager;
    if (ITmLogMgr* manager = logClient().manager()) {
      logManager.vt = VT_UNKNOWN;
      logManager.punkVal = manager;
    }
    h = m_spRdbConnection->Initialize(server.get(), empty.get(), empty.get(), logManager);
    if (FAILED(h)) {
      logFailure("ITmRdbConnection::Initialize()", h);
      return hr(VRELDOM_E_FAILED_CONNECT_SQL);
    }
    h = m_helper.Initialize();
    if (FAILED(h)) logFailure("CVrelNotesHelper::Initialize()", h);
    return h;
  });
}

HRESULT CVrelDom::Inner::QueryInterface(const IID& iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown) {
    *out = static_cast<IUnknown*>(this);
  } else if (iid == IID_IVrelDom()) {
    *out = static_cast<IVrelDom*>(self);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  static_cast<IUnknown*>(*out)->AddRef();
  return S_OK;
}

ULONG CVrelDom::Inner::AddRef() { return ++self->m_refs; }

ULONG CVrelDom::Inner::Release() {
  const ULONG n = --self->m_refs;
  if (n == 0) delete self;
  return n;
}

// Without an outer object these are the inner object's; aggregated, they
// belong to the outer one.
HRESULT CVrelDom::QueryInterface(const IID& iid, void** out) {
  return m_outer ? m_outer->QueryInterface(iid, out) : m_inner.QueryInterface(iid, out);
}
ULONG CVrelDom::AddRef() { return m_outer ? m_outer->AddRef() : m_inner.AddRef(); }
ULONG CVrelDom::Release() { return m_outer ? m_outer->Release() : m_inner.Release(); }

HRESULT CVrelDom::GetNotAssosiatedSubsIterator(IVrelDSubsIterator** out) {
  return runMethod("CVrelDom::GetNotAssosiatedSubsIterator()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    ComPtr<CVrelDSubsIterator> iterator;
    iterator.attach(new (std::nothrow) CVrelDSubsIterator);
    if (!iterator) {
      logFailure("ComObject<CVrelDSubsIterator>::CreateInstance", E_OUTOFMEMORY);
      return hr(VRELDOM_E_FAILED_CONNECT_SQL);
    }
    iterator->AddRef();
    if (const HRESULT h = iterator->Initialize(&m_helper, m_spRdbConnection.get()); FAILED(h)) {
      logFailure("CVrelDSubsIterator::Initialize", h);
      return hr(VRELDOM_E_FAILED_CONNECT_SQL);
    }
    if (const HRESULT h = iterator->QueryInterface(IID_IVrelDSubsIterator(), reinterpret_cast<void**>(out));
        FAILED(h)) {
      logFailure("CVrelDSubsIterator::QueryInterface(IVrelDSubsIterator)", h);
      return hr(VRELDOM_E_FAILED_CONNECT_SQL);
    }
    return S_OK;
  });
}

HRESULT CVrelDom::FindMatches(BSTR Alias, IVrelDSubsIterator** out) {
  return runMethod("CVrelDom::FindMatches()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    ComPtr<CVrelDSubsMatches> matches;
    matches.attach(new (std::nothrow) CVrelDSubsMatches);
    if (!matches) {
      logFailure("ComObject<CVrelDSubsMatches>::CreateInstance", E_OUTOFMEMORY);
      return hr(VRELDOM_E_FAILED_CONNECT_SQL);
    }
    matches->AddRef();
    // A null name is the empty text.
    if (const HRESULT h = matches->Initialize(fromBstr(Alias), &m_helper); FAILED(h)) {
      logFailure("CVrelDSubsMatches::Initialize", h);
      return hr(VRELDOM_E_FAILED_CONNECT_SQL);
    }
    if (const HRESULT h = matches->QueryInterface(IID_IVrelDSubsIterator(), reinterpret_cast<void**>(out)); FAILED(h)) {
      logFailure("CVrelDSubsMatches::QueryInterface(IVrelDSubsIterator)", h);
      return hr(VRELDOM_E_FAILED_CONNECT_SQL);
    }
    return S_OK;
  });
}

}  // namespace vrel::domsvr
