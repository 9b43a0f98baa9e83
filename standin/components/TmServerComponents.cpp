// The voice-messaging server's in-process components as far as VrelDomSvr
// uses them: the SQL access component TmRdbConnection (stored procedures of
// OrvixDB returning rowsets) and the log manager TmLogMgr (diagnostic lines by
// component and category). One module serves both classes.
//
// The log manager appends "<component>\t<category>\t<text>" lines to
// "C:\TmLogs\Diagnostics.log" of the machine; a component's categories are
// enabled by the DWORD bit mask named after it under
// HKLM "Software\Tremarc\TmLogMgr\1.0\Diagnostics". Machine values make
// creation fail for tests: "LogManagerFails", "RdbConnectionFails".
#include "domsvr/ServerComponents.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/data/Command.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "standin/server/ProvisionDatabases.h"
#include "standin/server/ServerProcedures.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace vrel::standin {
namespace {

using namespace com;
using domsvr::BSTR;

std::atomic<long> g_objects{0};

Machine* machine() {
  static std::once_flag once;
  std::call_once(once, [] { registerServerProcedures(); });
  return Machine::processMachine();
}

bool machineSays(const char* name) {
  Machine* m = machine();
  const std::string v = m ? m->value(name, "") : "";
  return !v.empty() && v != "0";
}

template <class Interface>
class Object : public Interface {
 public:
  Object() { ++g_objects; }
  virtual ~Object() { --g_objects; }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    const ULONG n = --m_refs;
    if (n == 0) delete this;
    return n;
  }

 protected:
  HRESULT answer(const IID& iid, const IID& own, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == own) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

 private:
  std::atomic<ULONG> m_refs{0};
};

VARIANT toVariant(const data::Variant& v) {
  if (v.isNull()) {
    VARIANT n;
    n.vt = VT_NULL;
    return n;
  }
  return variantText(v.toString());
}

class Row final : public Object<domsvr::ITmRow> {
 public:
  Row(std::vector<std::string> names, std::vector<data::Variant> values)
      : m_names(std::move(names)), m_values(std::move(values)) {}
  HRESULT QueryInterface(const IID& iid, void** out) override { return answer(iid, guid(domsvr::kIidITmRow), out); }
  HRESULT Get(std::int32_t count, const BSTR* names, VARIANT* values) override {
    if (count < 0 || (count && (!names || !values))) return E_POINTER;
    for (std::int32_t i = 0; i < count; ++i) VariantInit(&values[i]);
    for (std::int32_t i = 0; i < count; ++i) {
      const std::string wanted = fromBstr(names[i]);
      std::size_t c = 0;
      while (c < m_names.size() && !iequals(m_names[c], wanted)) ++c;
      if (c == m_names.size()) {
        for (std::int32_t j = 0; j < i; ++j) VariantClear(&values[j]);
        return E_INVALIDARG;
      }
      values[i] = toVariant(m_values[c]);
    }
    return S_OK;
  }

 private:
  std::vector<std::string> m_names;
  std::vector<data::Variant> m_values;
};

class RowSet final : public Object<domsvr::ITmRowSet> {
 public:
  std::vector<std::string> names;
  std::vector<std::vector<data::Variant>> rows;

  HRESULT QueryInterface(const IID& iid, void** out) override { return answer(iid, guid(domsvr::kIidITmRowSet), out); }
  HRESULT Count(std::int32_t* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<std::int32_t>(rows.size());
    return S_OK;
  }
  HRESULT First(domsvr::ITmRow** row) override {
    m_next = 0;
    return Next(row);
  }
  HRESULT Next(domsvr::ITmRow** row) override {
    if (!row) return E_POINTER;
    *row = nullptr;
    if (m_next >= rows.size()) return E_FAIL;
    auto* r = new Row(names, rows[m_next++]);
    r->AddRef();
    *row = r;
    return S_OK;
  }

 private:
  std::size_t m_next = 0;
};

class RdbConnection final : public Object<domsvr::ITmRdbConnection> {
 public:
  HRESULT QueryInterface(const IID& iid, void** out) override {
    return answer(iid, guid(domsvr::kIidITmRdbConnection), out);
  }
  HRESULT Initialize(BSTR server, BSTR, BSTR, VARIANT) override {
    Machine* m = machine();
    if (!m) return E_UNEXPECTED;
    // The default instance of this machine only.
    if (!iequals(fromBstr(server), m->computerName())) return hr(0x80004005);
    try {
      m_connection = std::make_unique<data::Connection>(*m);
      m_connection->open(localDatabaseConnection("OrvixDB"));
    } catch (const data::AdoError&) {
      m_connection.reset();
      return E_FAIL;
    }
    return S_OK;
  }
  HRESULT Execute(std::int32_t kind, BSTR name, std::int32_t valueCount, const VARIANT* values, std::int32_t,
                  const VARIANT*, domsvr::ITmRowSet** rows) override {
    if (!rows) return E_POINTER;
    *rows = nullptr;
    if (!m_connection || kind != domsvr::kRdbStoredProcedure || valueCount < 0 || (valueCount && !values))
      return E_UNEXPECTED;
    try {
      data::Command command;
      command.setActiveConnection(*m_connection);
      command.setCommandType(data::adCmdStoredProc);
      command.setCommandText(fromBstr(name));
      for (std::int32_t i = 0; i < valueCount; ++i)
        command.parameters().append(data::Command::createParameter({}, data::adVarWChar, data::adParamInput, 0,
                                                                    data::Variant(variantToText(values[i]))));
      data::Recordset rs;
      rs.open(command, data::adOpenStatic);
      auto* set = new RowSet;
      set->AddRef();
      for (long c = 0; c < rs.fieldCount(); ++c) set->names.push_back(rs.fields(c).name());
      for (; !rs.eof(); rs.moveNext()) {
        std::vector<data::Variant> row;
        for (long c = 0; c < rs.fieldCount(); ++c) row.push_back(rs.fields(c).value());
        set->rows.push_back(std::move(row));
      }
      rs.close();
      *rows = set;
      return S_OK;
    } catch (const data::AdoError&) {
      return E_FAIL;
    }
  }

 private:
  std::unique_ptr<data::Connection> m_connection;
};

constexpr const char* kDiagnosticsKey = "Software\\Tremarc\\TmLogMgr\\1.0\\Diagnostics";
constexpr const char* kDiagnosticsFile = "C:\\TmLogs\\Diagnostics.log";

void appendLine(const std::string& component, std::int32_t category, const std::string& text) {
  Machine* m = machine();
  if (!m) return;
  Files files(*m);
  files.createFolder("C:\\TmLogs");
  files.append(kDiagnosticsFile, component + "\t" + std::to_string(category) + "\t" + text + "\r\n");
}

class LogManager final : public Object<domsvr::ITmLogMgr>, public domsvr::IDispatchLite {
 public:
  HRESULT QueryInterface(const IID& iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IDispatch) {
      *out = static_cast<domsvr::IDispatchLite*>(this);
      AddRef();
      return S_OK;
    }
    return answer(iid, guid(domsvr::kIidITmLogMgr), out);
  }
  ULONG AddRef() override { return Object::AddRef(); }
  ULONG Release() override { return Object::Release(); }

  HRESULT StartUp() override { return S_OK; }
  HRESULT RegisterComponent(BSTR name, std::int32_t* handle) override {
    if (!handle) return E_POINTER;
    m_components.push_back(fromBstr(name));
    *handle = static_cast<std::int32_t>(m_components.size());
    return S_OK;
  }
  HRESULT IsDiagnosticEnabled(std::int32_t handle, std::int32_t category, std::int32_t* enabled) override {
    if (!enabled) return E_POINTER;
    *enabled = 0;
    Machine* m = machine();
    RegValue v;
    if (!m || category < 0 || category > 31 ||
        m->registry().getValue(Hive::LocalMachine, kDiagnosticsKey, componentOf(handle), v) != kRegOk ||
        v.data.size() != 4)
      return S_OK;
    const std::uint32_t mask = v.data[0] | v.data[1] << 8 | v.data[2] << 16 | static_cast<std::uint32_t>(v.data[3]) << 24;
    *enabled = (mask >> category) & 1u;
    return S_OK;
  }
  HRESULT WriteDiagnostic(std::int32_t handle, std::int32_t category, BSTR text, std::int32_t) override {
    appendLine(componentOf(handle), category, fromBstr(text));
    return S_OK;
  }

  HRESULT GetIDsOfNames(BSTR name, std::int32_t* id) override {
    if (!id) return E_POINTER;
    if (!iequals(fromBstr(name), "WriteSimpleDiagnostic")) return DISP_E_UNKNOWNNAME;
    *id = 1;
    return S_OK;
  }
  HRESULT Invoke(std::int32_t id, std::int32_t count, const VARIANT* args, VARIANT* result) override {
    if (result) VariantInit(result);
    if (id != 1) return DISP_E_UNKNOWNNAME;
    if (count != 4 || !args) return DISP_E_BADPARAMCOUNT;
    appendLine("-", -1, variantToText(args[2]));
    return S_OK;
  }

 private:
  std::string componentOf(std::int32_t handle) const {
    return handle >= 1 && handle <= static_cast<std::int32_t>(m_components.size())
               ? m_components[static_cast<std::size_t>(handle - 1)]
               : "-";
  }
  std::vector<std::string> m_components;
};

class Factory final : public IClassFactory {
 public:
  explicit Factory(bool logManager) : m_logManager(logManager) {}
  HRESULT QueryInterface(const IID& iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (machineSays(m_logManager ? "LogManagerFails" : "RdbConnectionFails")) return E_FAIL;
    IUnknown* object = m_logManager ? static_cast<IUnknown*>(static_cast<domsvr::ITmLogMgr*>(new LogManager))
                                    : static_cast<IUnknown*>(new RdbConnection);
    object->AddRef();
    const HRESULT h = object->QueryInterface(iid, out);
    object->Release();
    return h;
  }
  HRESULT LockServer(int) override { return S_OK; }

 private:
  bool m_logManager;
};

Factory g_rdbFactory(false);
Factory g_logFactory(true);

}  // namespace
}  // namespace vrel::standin

using namespace vrel::com;

extern "C" {

__attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!clsid || !iid) return E_INVALIDARG;
  if (*clsid == guid(vrel::domsvr::kClsidTmRdbConnection)) return vrel::standin::g_rdbFactory.QueryInterface(*iid, out);
  if (*clsid == guid(vrel::domsvr::kClsidTmLogMgr)) return vrel::standin::g_logFactory.QueryInterface(*iid, out);
  return CLASS_E_CLASSNOTAVAILABLE;
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  return vrel::standin::g_objects.load() == 0 ? S_OK : S_FALSE;
}

}  // extern "C"
