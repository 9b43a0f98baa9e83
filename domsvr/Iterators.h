// The module's non-creatable objects: the two iterators behind
// IVrelDSubsIterator (unassociated subscribers; Domino matches of a name) and
// the record CVrelSub. Only this module makes them; the caller owns the one
// reference it is handed.
#pragma once

#include "domsvr/CVrelNotesHelper.h"
#include "domsvr/Method.h"
#include "domsvr/ServerComponents.h"
#include "domsvr/VrelDomSvr.h"

#include <list>
#include <string>

namespace vrel::domsvr {

class CVrelSub final : public ComObject<IVrelSub> {
 public:
  SubscriberRecord record;

  com::HRESULT QueryInterface(const com::IID& iid, void** out) override { return answer(iid, IID_IVrelSub(), out); }
  com::HRESULT get_Alias(BSTR* out) override;
  com::HRESULT get_AddressId(BSTR* out) override;
  com::HRESULT get_FirstName(BSTR* out) override;
  com::HRESULT get_LastName(BSTR* out) override;
  com::HRESULT get_SubscriberObjectId(VARIANT* out) override;
  com::HRESULT get_DirectoryId(BSTR* out) override;
  com::HRESULT get_AddressBook(BSTR* out) override;

 private:
  com::HRESULT text(const char* name, const std::string& value, BSTR* out);
};

class CVrelDSubsIterator final : public ComObject<IVrelDSubsIterator> {
 public:
  com::HRESULT QueryInterface(const com::IID& iid, void** out) override {
    return answer(iid, IID_IVrelDSubsIterator(), out);
  }
  com::HRESULT Initialize(CVrelNotesHelper* helper, IUnknown* connection);
  com::HRESULT Refresh() override;
  com::HRESULT Next(std::int32_t* bIsPastEndOfList, IVrelSub** out) override;

 private:
  com::HRESULT readRow(ITmRow& row, CVrelSub& sub, bool& associated);

  com::ComPtr<ITmRdbConnection> m_spRdbConnection;
  com::ComPtr<ITmRowSet> m_spRowSet;
  std::int32_t m_nTotal = 0;
  std::int32_t m_nNextRow = 0;
  CVrelNotesHelper* m_pVrelNotesHelper = nullptr;
};

class CVrelDSubsMatches final : public ComObject<IVrelDSubsIterator> {
 public:
  com::HRESULT QueryInterface(const com::IID& iid, void** out) override {
    return answer(iid, IID_IVrelDSubsIterator(), out);
  }
  com::HRESULT Initialize(const std::string& name, CVrelNotesHelper* helper);
  com::HRESULT Refresh() override;
  com::HRESULT Next(std::int32_t* bIsPastEndOfList, IVrelSub** out) override;

 private:
  CVrelNotesHelper* m_pVrelNotesHelper = nullptr;
  std::string m_name;
  std::list<MatchEntry> m_matches;
  std::list<MatchEntry>::iterator m_cursor = m_matches.end();
};

}  // namespace vrel::domsvr
