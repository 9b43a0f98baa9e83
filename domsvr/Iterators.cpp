#include "domsvr/Iterators.h"

#include <new>

namespace vrel::domsvr {

using namespace com;

namespace {

constexpr const char* kStatement =
    "SELECT DirectoryId, Alias, AddressId, FirstName, LastName, SubscriberObjectId FROM vw_subscriber WHERE "
    "subscribertype = 3";
constexpr const char* kColumns[] = {"DirectoryId", "Alias", "AddressId", "FirstName", "LastName", "SubscriberObjectId"};

}  // namespace

// --- CVrelSub ---------------------------------------------------------------

HRESULT CVrelSub::text(const char* name, const std::string& value, BSTR* out) {
  return runMethod(name, kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (value.empty()) return S_OK;
    *out = toBstr(value);
    if (!*out) throw HResultError{E_OUTOFMEMORY};
    return S_OK;
  });
}

HRESULT CVrelSub::get_Alias(BSTR* out) { return text("CVrelSub::get_Alias()", record.Alias, out); }
HRESULT CVrelSub::get_AddressId(BSTR* out) { return text("CVrelSub::get_AddressId()", record.AddressId, out); }
HRESULT CVrelSub::get_FirstName(BSTR* out) { return text("CVrelSub::get_FirstName()", record.FirstName, out); }
HRESULT CVrelSub::get_LastName(BSTR* out) { return text("CVrelSub::get_LastName()", record.LastName, out); }
HRESULT CVrelSub::get_DirectoryId(BSTR* out) { return text("CVrelSub::get_DirectoryId()", record.DirectoryId, out); }
HRESULT CVrelSub::get_AddressBook(BSTR* out) { return text("CVrelSub::get_AddressBook()", record.AddressBook, out); }

HRESULT CVrelSub::get_SubscriberObjectId(VARIANT* out) {
  return runMethod("CVrelSub::get_SubscriberObjectId()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    if (!out) return E_POINTER;
    VariantInit(out);
    return VariantCopy(out, &record.SubscriberObjectId);
  });
}

// --- CVrelDSubsIterator -----------------------------------------------------

HRESULT CVrelDSubsIterator::Initialize(CVrelNotesHelper* helper, IUnknown* connection) {
  return runMethod("CVrelDSubsIterator::Initialize()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    if (!helper || !connection) return E_POINTER;
    m_pVrelNotesHelper = helper;
    if (const HRESULT h = connection->QueryInterface(guid(kIidITmRdbConnection), m_spRdbConnection.outVoid());
        FAILED(h)) {
      logFailure("pRdbConnection->QueryInterface(ITmRdbConnection)", h);
      return h;
    }
    if (const HRESULT h = Refresh(); FAILED(h)) {
      logFailure("Refresh()", h);
      return h;
    }
    return S_OK;
  });
}

HRESULT CVrelDSubsIterator::Refresh() {
  return runMethod("CVrelDSubsIterator::Refresh()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    if (!m_spRdbConnection) return E_UNEXPECTED;
    m_spRowSet.reset();
    Bstr procedure("sp_ExecuteSql");
    VARIANT value = variantText(kStatement);
    VARIANT size = variantLong(static_cast<std::int32_t>(std::string_view(kStatement).size()));
    logClient().write(kLogInfo, "Executing SQL < %s >", kStatement);
    const HRESULT h =
        m_spRdbConnection->Execute(kRdbStoredProcedure, procedure.get(), 1, &value, 1, &size, m_spRowSet.out());
    VariantClear(&value);
    if (FAILED(h)) {
      logFailure("m_spRdbConnection->Execute()", h);
      return hr(VRELDOM_E_FAILED_CONNECT_SQL);
    }
    if (const HRESULT c = m_spRowSet->Count(&m_nTotal); FAILED(c)) {
      logFailure("m_spRowSet->Count()", c);
      return hr(VRELDOM_E_FAILED_CONNECT_SQL);
    }
    logClient().write(kLogInfo, "Total Subscribers < %d >", m_nTotal);
    m_nNextRow = 0;
    return S_OK;
  });
}

// Reads the row into sub and asks Domino whether its person still exists.
HRESULT CVrelDSubsIterator::readRow(ITmRow& row, CVrelSub& sub, bool& associated) {
  BSTR names[6];
  for (int i = 0; i < 6; ++i) names[i] = toBstr(kColumns[i]);
  VARIANT values[6];
  const HRESULT h = row.Get(6, names, values);
  for (BSTR n : names) SysFreeString(n);
  if (FAILED(h)) {
    logFailure("spRow->Get()", h);
    for (VARIANT& v : values) VariantClear(&v);
    return hr(VRELDOM_E_FAILED_CONNECT_SQL);
  }
  SubscriberRecord& r = sub.record;
  r.DirectoryId = variantToText(values[0]);
  r.Alias = variantToText(values[1]);
  r.AddressId = variantToText(values[2]);
  r.FirstName = variantToText(values[3]);
  r.LastName = variantToText(values[4]);
  VariantClear(&r.SubscriberObjectId);
  r.SubscriberObjectId = values[5];  // takes it over
  for (int i = 0; i < 5; ++i) VariantClear(&values[i]);

  int exists = 0;
  if (const HRESULT e = m_pVrelNotesHelper->DirectoryIdExists(r.DirectoryId, exists); FAILED(e)) {
    logFailure("m_pVrelNotesHelper->Find()", e);
    return e;
  }
  associated = exists != 0;
  return S_OK;
}

HRESULT CVrelDSubsIterator::Next(std::int32_t* bIsPastEndOfList, IVrelSub** out) {
  return runMethod("CVrelDSubsIterator::Next()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    if (!bIsPastEndOfList || !out) return E_POINTER;
    if (!m_spRowSet) return E_UNEXPECTED;
    *out = nullptr;
    *bIsPastEndOfList = 0;
    for (;;) {
      const std::int32_t index = m_nNextRow++;
      if (index >= m_nTotal) {
        *bIsPastEndOfList = 1;
        return hr(VRELDOM_E_VRELD_NO_MORE);
      }
      ComPtr<ITmRow> row;
      const HRESULT f = index == 0 ? m_spRowSet->First(row.out()) : m_spRowSet->Next(row.out());
      if (FAILED(f) || !row) {
        logFailure(index == 0 ? "m_spRowSet->First()" : "m_spRowSet->Next()", f);
        return hr(VRELDOM_E_FAILED_CONNECT_SQL);
      }
      ComPtr<CVrelSub> sub;
      sub.attach(new (std::nothrow) CVrelSub);
      if (!sub) {
        logFailure("ComObject<CVrelSub>::CreateInstance", E_OUTOFMEMORY);
        return hr(VRELDOM_E_FAILED_CONNECT_SQL);
      }
      sub->AddRef();
      bool associated = false;
      if (const HRESULT h = readRow(*row, *sub, associated); FAILED(h)) return h;
      if (associated) continue;
      const std::string directoryId = sub->record.DirectoryId;
      if (const HRESULT h = m_pVrelNotesHelper->AddressBookNameFromDirId(directoryId, sub->record.AddressBook);
          FAILED(h)) {
        logFailure("m_pVrelNotesHelper->AddressBookNameFromDirId()", h);
        return h;
      }
      if (const HRESULT h = sub->QueryInterface(IID_IVrelSub(), reinterpret_cast<void**>(out)); FAILED(h)) {
        logFailure("CVrelSub::QueryInterface(IVrelSub)", h);
        return hr(VRELDOM_E_FAILED_CONNECT_SQL);
      }
      return S_OK;
    }
  });
}

// --- CVrelDSubsMatches ------------------------------------------------------

HRESULT CVrelDSubsMatches::Initialize(const std::string& name, CVrelNotesHelper* helper) {
  return runMethod("CVrelDSubsMatches::Initialize()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    if (!helper) return E_POINTER;
    m_name = name;
    m_pVrelNotesHelper = helper;
    return Refresh();
  });
}

HRESULT CVrelDSubsMatches::Refresh() {
  return runMethod("CVrelDSubsMatches::Refresh()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    if (!m_pVrelNotesHelper) return E_UNEXPECTED;
    if (const HRESULT h = m_pVrelNotesHelper->GetMatches(m_name, m_matches); FAILED(h)) {
      logFailure("m_pVrelNotesHelper->GetMatches()", h);
      m_cursor = m_matches.end();
      return h;
    }
    m_cursor = m_matches.begin();
    return S_OK;
  });
}

HRESULT CVrelDSubsMatches::Next(std::int32_t* bIsPastEndOfList, IVrelSub** out) {
  return runMethod("CVrelDSubsMatches::Next()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    if (!bIsPastEndOfList || !out) return E_POINTER;
    *out = nullptr;
    *bIsPastEndOfList = 0;
    if (m_cursor == m_matches.end()) {
      *bIsPastEndOfList = 1;
      return hr(VRELDOM_E_VRELD_NO_MORE);
    }
    ComPtr<CVrelSub> sub;
    sub.attach(new (std::nothrow) CVrelSub);
    if (!sub) return hr(VRELDOM_E_FAILED_CONNECT_SQL);
    sub->AddRef();
    if (const HRESULT h = m_pVrelNotesHelper->GetPropsByUNID(*m_cursor, sub->record); FAILED(h)) {
      logFailure("m_pVrelNotesHelper->GetPropsByUNID()", h);
      return h;
    }
    if (const HRESULT h = sub->QueryInterface(IID_IVrelSub(), reinterpret_cast<void**>(out)); FAILED(h))
      return hr(VRELDOM_E_FAILED_CONNECT_SQL);
    ++m_cursor;
    return S_OK;
  });
}

}  // namespace vrel::domsvr
