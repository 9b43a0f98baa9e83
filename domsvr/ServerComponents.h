// What VrelDomSvr needs of the voice-messaging server's own components: the
// SQL access component TmRdbConnection and the log manager TmLogMgr. The
// server installs and registers them; this header states the classes and
// interfaces the module uses, and the server's stand-in implements them.
#pragma once

#include "platform/com/Com.h"

namespace vrel::domsvr {

using com::BSTR;
using com::HRESULT;
using com::IUnknown;
using com::VARIANT;

inline constexpr const char* kClsidTmRdbConnection = "{D6E9D893-478F-11D4-BA5B-00C04F65274C}";
inline constexpr const char* kIidITmRdbConnection = "{D6E9D892-478F-11D4-BA5B-00C04F65274C}";
inline constexpr const char* kIidITmRowSet = "{D6E9D894-478F-11D4-BA5B-00C04F65274C}";
inline constexpr const char* kIidITmRow = "{D6E9D895-478F-11D4-BA5B-00C04F65274C}";
inline constexpr const char* kClsidTmLogMgr = "{9EB37628-02BB-11D1-9194-00C04FB6309A}";
inline constexpr const char* kIidITmLogMgr = "{61CC2064-0CDB-11D1-9195-00C04FB6309A}";
inline constexpr const char* kProgIdTmLogMgr = "TmLogMgr.TmLogMgr.1";

// Command kinds of ITmRdbConnection::Execute.
inline constexpr std::int32_t kRdbStoredProcedure = 3;

// One row of a rowset.
struct ITmRow : IUnknown {
  // Reads the named columns into values (count of each), in order.
  virtual HRESULT Get(std::int32_t count, const BSTR* names, VARIANT* values) = 0;

 protected:
  ~ITmRow() = default;
};

struct ITmRowSet : IUnknown {
  virtual HRESULT Count(std::int32_t* count) = 0;
  virtual HRESULT First(ITmRow** row) = 0;
  virtual HRESULT Next(ITmRow** row) = 0;

 protected:
  ~ITmRowSet() = default;
};

struct ITmRdbConnection : IUnknown {
  // server: the SQL server's name; logManager: a VARIANT holding the
  // caller's log manager (or empty).
  virtual HRESULT Initialize(BSTR server, BSTR user, BSTR password, VARIANT logManager) = 0;
  // Runs a command of the given kind (3: stored procedure named by name)
  // with parameter values and sizes; the rows it returns.
  virtual HRESULT Execute(std::int32_t kind, BSTR name, std::int32_t valueCount, const VARIANT* values,
                          std::int32_t sizeCount, const VARIANT* sizes, ITmRowSet** rows) = 0;

 protected:
  ~ITmRdbConnection() = default;
};

struct ITmLogMgr : IUnknown {
  virtual HRESULT StartUp() = 0;
  virtual HRESULT RegisterComponent(BSTR name, std::int32_t* handle) = 0;
  virtual HRESULT IsDiagnosticEnabled(std::int32_t handle, std::int32_t category, std::int32_t* enabled) = 0;
  virtual HRESULT WriteDiagnostic(std::int32_t handle, std::int32_t category, BSTR text, std::int32_t extra) = 0;

 protected:
  ~ITmLogMgr() = default;
};

// The log manager's automation interface (IID_IDispatch): methods looked up
// by name and called with an array of arguments, in order.
struct IDispatchLite : IUnknown {
  virtual HRESULT GetIDsOfNames(BSTR name, std::int32_t* dispId) = 0;
  virtual HRESULT Invoke(std::int32_t dispId, std::int32_t argCount, const VARIANT* args, VARIANT* result) = 0;

 protected:
  ~IDispatchLite() = default;
};

}  // namespace vrel::domsvr
