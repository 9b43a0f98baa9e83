#include "domsvr/LoggingClient.h"

#include "domsvr/Module.h"

#include <cstdarg>
#include <cstdio>

namespace vrel::domsvr {

using namespace com;

LoggingClient::~LoggingClient() = default;

HRESULT LoggingClient::start() {
  if (m_started) return S_OK;
  ComPtr<ITmLogMgr> manager;
  if (const HRESULT h = createInstance(guid(kClsidTmLogMgr), guid(kIidITmLogMgr), manager.outVoid()); FAILED(h))
    return h;
  if (const HRESULT h = manager->StartUp(); FAILED(h)) return h;
  m_manager = std::move(manager);
  m_started = true;
  Bstr name("VrelD");
  if (SUCCEEDED(m_manager->RegisterComponent(name.get(), &m_handle))) m_registered = true;
  return S_OK;
}

bool LoggingClient::enabled(std::int32_t category) {
  if (!m_started) return false;
  std::int32_t on = 0;
  return SUCCEEDED(m_manager->IsDiagnosticEnabled(m_handle, category, &on)) && on != 0;
}

HRESULT LoggingClient::write(std::int32_t category, const char* format, ...) {
  if (!m_started) return kLogNotStarted;
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  Bstr line(text);
  return m_manager->WriteDiagnostic(m_handle, category, line.get(), -1);
}

namespace {
// Constructed when the module loads, destroyed when it unloads.
LoggingClient g_client;
}  // namespace

LoggingClient& logClient() { return g_client; }

void logFailure(const char* operation, HRESULT h) {
  logClient().write(kLogError, "%s returned 0x%08x", operation, static_cast<unsigned>(h));
}

}  // namespace vrel::domsvr
