// CVrelDom, the coclass VrelDom: a live object is always connected to the
// server database (through TmRdbConnection) and has the Notes runtime
// started with every configured address book open (its CVrelNotesHelper).
#pragma once

#include "domsvr/CVrelNotesHelper.h"
#include "domsvr/ServerComponents.h"
#include "domsvr/VrelDomSvr.h"

#include <atomic>

namespace vrel::domsvr {

class CVrelDom final : public IVrelDom {
 public:
  // The class factory's CreateInstance, aggregated (outer, IID_IUnknown) or not.
  static com::HRESULT CreateInstance(IUnknown* outer, const com::IID& iid, void** out);

  com::HRESULT QueryInterface(const com::IID& iid, void** out) override;
  com::ULONG AddRef() override;
  com::ULONG Release() override;

  com::HRESULT GetNotAssosiatedSubsIterator(IVrelDSubsIterator** out) override;
  com::HRESULT FindMatches(BSTR Alias, IVrelDSubsIterator** out) override;

 private:
  // The object's own IUnknown, which an aggregating outer object holds.
  struct Inner final : IUnknown {
    CVrelDom* self;
    com::HRESULT QueryInterface(const com::IID& iid, void** out) override;
    com::ULONG AddRef() override;
    com::ULONG Release() override;
  };

  explicit CVrelDom(IUnknown* outer);
  ~CVrelDom();
  com::HRESULT Initialize();

  std::atomic<com::ULONG> m_refs{0};
  IUnknown* m_outer;
  Inner m_inner;
  com::ComPtr<ITmRdbConnection> m_spRdbConnection;
  CVrelNotesHelper m_helper;
};

}  // namespace vrel::domsvr
