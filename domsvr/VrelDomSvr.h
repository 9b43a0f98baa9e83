// VrelDomSvr's contract: the creatable class VrelDom, its three interfaces
// and its error codes, as its type library VRELDOMSVRLib 1.0 describes them.
// This header is all a client shares with the server; the client reaches the
// server only by activation through the registry.
#pragma once

#include "platform/com/Com.h"

namespace vrel::domsvr {

using com::BSTR;
using com::HRESULT;
using com::IUnknown;
using com::VARIANT;

// {CFC0BF0B-5B44-4883-B022-E4BF9ECC8902}
inline constexpr const char* kLibId = "{CFC0BF0B-5B44-4883-B022-E4BF9ECC8902}";
// {0B4F3461-8DB9-4821-A7C3-DA130A240C16}
inline constexpr const char* kClsidVrelDom = "{0B4F3461-8DB9-4821-A7C3-DA130A240C16}";
inline constexpr const char* kIidIVrelDom = "{E20EBE8C-D2E9-4EEE-BC8F-FD555C91FC6B}";
inline constexpr const char* kIidIVrelDSubsIterator = "{47EA3A7C-884F-4362-8BA4-1858720B5803}";
inline constexpr const char* kIidIVrelSub = "{756E568A-3D16-43CC-9939-FB5F0C0AD582}";
inline constexpr const char* kProgId = "VrelDomSvr.VrelDom.1";
inline constexpr const char* kVersionIndependentProgId = "VrelDomSvr.VrelDom";

// _VrelDomError
enum VrelDomError : std::uint32_t {
  VRELDOM_E_FAILED_CREATE_LOGMGR = 0x80042001,  // "Failed to create logmanager"
  VRELDOM_E_FAILED_CONNECT_SQL = 0x80042002,    // "Could not connect to SQL"
  VRELDOM_E_FAILED_CONNECT_DOMINO = 0x80042003, // "Failed to connect to Domino Server"
  VRELDOM_E_VRELD_NO_MORE = 0x80042004,         // "No more entries in the list"
  VRELDOM_E_NOTES_ERROR = 0x80042005,           // "Notes error"
  VRELDOM_E_REGISTRY_ERROR = 0x80042006,        // "Registry access Error"
};
constexpr HRESULT hr(VrelDomError e) { return static_cast<HRESULT>(e); }

// "IVrelSub Interface": one subscriber record, read-only. An empty text
// comes back as a null BSTR; the caller owns what it receives.
struct IVrelSub : IUnknown {
  virtual HRESULT get_Alias(BSTR* out) = 0;                  // "property Alias"
  virtual HRESULT get_AddressId(BSTR* out) = 0;              // "property AddressId/Canonical Name"
  virtual HRESULT get_FirstName(BSTR* out) = 0;              // "property FirstName"
  virtual HRESULT get_LastName(BSTR* out) = 0;               // "property LastName"
  virtual HRESULT get_SubscriberObjectId(VARIANT* out) = 0;  // "property SubscriberObjectId"
  virtual HRESULT get_DirectoryId(BSTR* out) = 0;            // "property DirectoryId"
  virtual HRESULT get_AddressBook(BSTR* out) = 0;            // "property AddressBook"

 protected:
  ~IVrelSub() = default;
};

// "IVrelDSubsIterator Interface": a list of subscriber records.
struct IVrelDSubsIterator : IUnknown {
  // "Refreshes the list"
  virtual HRESULT Refresh() = 0;
  // "Returns VRELDOM_E_VRELD_NO_MORE after last Subscriber"
  virtual HRESULT Next(std::int32_t* bIsPastEndOfList, IVrelSub** out) = 0;

 protected:
  ~IVrelDSubsIterator() = default;
};

// "IVrelDom Interface", the default interface of VrelDom.
struct IVrelDom : IUnknown {
  // "Get List of Non Assosiated subscribers"
  virtual HRESULT GetNotAssosiatedSubsIterator(IVrelDSubsIterator** out) = 0;
  // "method FindMatches"
  virtual HRESULT FindMatches(BSTR Alias, IVrelDSubsIterator** out) = 0;

 protected:
  ~IVrelDom() = default;
};

}  // namespace vrel::domsvr
