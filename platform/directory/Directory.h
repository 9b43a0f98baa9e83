// Active Directory as a program of the machine sees it: objects bound by
// ADsPath ("LDAP://rootDSE", "LDAP://CN=...", "LDAP://<GUID=...>") with
// their attributes, group members and searches (the LDAP provider of ADSI),
// the domain controller and name translation (DsGetDcName, DsBind,
// DsCrackNames), an object's security descriptor by name
// (GetNamedSecurityInfo), and the running account's token. The stand-in
// machine's directory implements it (standin/directory); a Windows back-end
// would call the real APIs.
#pragma once

#include "platform/Text.h"
#include "platform/security/Sid.h"
#include "platform/security/Token.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vrel::ds {

// HRESULTs and Win32 errors as unsigned 32-bit codes, printed as %08x.
using HResult = std::uint32_t;
inline constexpr HResult kOk = 0;
inline constexpr HResult kFail = 0x80004005;             // E_FAIL
inline constexpr HResult kInvalidArg = 0x80070057;       // E_INVALIDARG
inline constexpr HResult kUnexpected = 0x8000FFFF;       // E_UNEXPECTED
inline constexpr HResult kNoSuchObject = 0x80072030;     // the directory object does not exist
inline constexpr HResult kBadPathname = 0x80005000;      // E_ADS_BAD_PATHNAME
inline constexpr HResult kPropertyNotFound = 0x8000500D;  // E_ADS_PROPERTY_NOT_FOUND
inline constexpr HResult kAccessDenied = 0x80070005;     // E_ACCESSDENIED
inline constexpr HResult kServerDown = 0x8007203A;       // the server is not operational
inline constexpr HResult kConstraintViolation = 0x8007202F;
inline bool failed(HResult hr) { return (hr & 0x80000000u) != 0; }
inline HResult fromWin32(std::uint32_t error) { return error ? (0x80070000u | (error & 0xFFFF)) : kOk; }

// An attribute value as ADSI hands it over: its variant type and content.
struct AdsValue {
  enum Type : std::uint16_t {
    Empty = 0,
    String = 8,          // VT_BSTR: strings[0]
    Dispatch = 9,        // VT_DISPATCH: a security descriptor object; bytes hold it
    Array = 0x200C,      // VT_ARRAY | VT_VARIANT: strings
    OctetString = 0x2011,  // VT_ARRAY | VT_UI1: bytes
  };
  Type type = Empty;
  std::vector<std::string> strings;
  Bytes bytes;

  static AdsValue text(std::string s) { return {String, {std::move(s)}, {}}; }
};

// DS_NAME_RESULT_ITEM status values.
enum DsNameStatus : int { kDsNameNoError = 0, kDsNameNotFound = 2, kDsNameNotUnique = 3, kDsNameNoMapping = 4 };

class DirectoryObject {
 public:
  virtual ~DirectoryObject() = default;
  // IADs::Get. Multi-valued attributes come as an Array, one value as a
  // String (objectClass always as an Array); objectGUID and objectSid as
  // OctetString; nTSecurityDescriptor as Dispatch.
  virtual HResult get(std::string_view attribute, AdsValue& out) = 0;
  // IADs::Put into the property cache (nTSecurityDescriptor only).
  virtual HResult put(std::string_view attribute, const AdsValue& value) = 0;
  // IADs::SetInfo: writes the cache to the directory.
  virtual HResult setInfo() = 0;
  // IADsGroup::Members: the members' ADsPaths.
  virtual HResult members(std::vector<std::string>& paths) = 0;
  // IDirectorySearch over the subtree below this object with an equality
  // filter "(attribute=value)" (octets of a binary value escaped as \XX):
  // the values of one attribute of the matching objects.
  virtual HResult search(std::string_view filter, std::string_view attribute, std::vector<std::string>& values) = 0;
};

class Directory {
 public:
  virtual ~Directory() = default;
  // ADsGetObject.
  virtual HResult getObject(std::string_view adsPath, std::unique_ptr<DirectoryObject>& out) = 0;
  // DsGetDcName without hints (Win32 error; dcName like "\\DC01").
  virtual std::uint32_t getDcName(std::string& dcName) = 0;
  // DsBind to that controller (Win32 error).
  virtual std::uint32_t bind(std::string_view dcName) = 0;
  // DsCrackNames of one SID string (SID or SID history) to the NT4 account
  // name "DOMAIN\name" (Win32 error of the call; status per item).
  virtual std::uint32_t crackSidToNt4Name(std::string_view sid, int& status, std::string& name) = 0;
  // The name ADSI shows as an access entry's Trustee: "DOMAIN\name", or the
  // SID string when the SID has no account.
  virtual std::string trusteeName(const sec::Sid& sid) = 0;
  // GetNamedSecurityInfo of a directory-service object by its distinguished
  // name: the owner, group and DACL as a self-relative descriptor (Win32
  // error).
  virtual std::uint32_t getNamedSecurityInfo(std::string_view distinguishedName, Bytes& descriptor) = 0;
};

// The running account's tokens (ImpersonateSelf, OpenThreadToken,
// OpenProcessToken, RevertToSelf); Win32 errors.
class TokenSource {
 public:
  virtual ~TokenSource() = default;
  virtual std::uint32_t impersonateSelf(int level) = 0;
  // ERROR_NO_TOKEN (1008) while the thread does not impersonate.
  virtual std::uint32_t openThreadToken(sec::Token& out) = 0;
  virtual std::uint32_t openProcessToken(sec::Token& out) = 0;
  virtual void revertToSelf() = 0;
};

}  // namespace vrel::ds
