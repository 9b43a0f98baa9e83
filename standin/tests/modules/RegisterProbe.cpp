// An in-process server for the tests that register one: each entry point
// prints its name on stdout, appends it as a line to the file named by
// VREL_PROBE_LOG (when set), and returns the HRESULT named by
// VREL_PROBE_HRESULT (hexadecimal; S_OK when unset).
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

std::int32_t answer(const char* entry) {
  std::printf("RegisterProbe: %s\n", entry);
  std::fflush(stdout);
  if (const char* log = std::getenv("VREL_PROBE_LOG"); log && *log) {
    if (FILE* f = std::fopen(log, "a")) {
      std::fprintf(f, "%s\n", entry);
      std::fclose(f);
    }
  }
  const char* hr = std::getenv("VREL_PROBE_HRESULT");
  return hr ? static_cast<std::int32_t>(std::strtoul(hr, nullptr, 16)) : 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t DllRegisterServer() {
  return answer("DllRegisterServer");
}

extern "C" __attribute__((visibility("default"))) std::int32_t DllUnregisterServer() {
  return answer("DllUnregisterServer");
}
