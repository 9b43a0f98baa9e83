// The module's one logging client: the server's log manager, started at the
// first VrelDom creation under the component name "VrelD", and the lines the
// module writes through it, by diagnostic category.
#pragma once

#include "domsvr/ServerComponents.h"

namespace vrel::domsvr {

// Diagnostic categories.
enum LogCategory : std::int32_t {
  kLogMethods = 0,      // entry and exit lines
  kLogNotesMethods = 1, // entry and exit of GetPropsByUNID and ReadTextList
  kLogInfo = 11,
  kLogError = 17,
};

// What writing does before the client was started.
inline constexpr com::HRESULT kLogNotStarted = com::hr(0x80040516);

class LoggingClient {
 public:
  LoggingClient() = default;
  ~LoggingClient();
  LoggingClient(const LoggingClient&) = delete;
  LoggingClient& operator=(const LoggingClient&) = delete;

  // Creates and starts the log manager and registers "VrelD"; S_OK at once
  // when it has been started before.
  com::HRESULT start();
  bool started() const { return m_started; }
  // The log manager once started (no reference added).
  ITmLogMgr* manager() const { return m_manager.get(); }
  // Whether the log manager wants lines of the category (false when not started).
  bool enabled(std::int32_t category);
  // A printf-style line of at most 1023 characters.
  com::HRESULT write(std::int32_t category, const char* format, ...) __attribute__((format(printf, 3, 4)));

 private:
  com::ComPtr<ITmLogMgr> m_manager;
  bool m_started = false;
  bool m_registered = false;
  std::int32_t m_handle = 0;
};

// The process-wide client.
LoggingClient& logClient();

// "%s returned 0x%08x"
void logFailure(const char* operation, com::HRESULT h);

}  // namespace vrel::domsvr
