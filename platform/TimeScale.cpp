#include "platform/TimeScale.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

namespace vrel {

double parseTimeScale(std::string_view text) {
  const std::string s(text);
  if (s.empty()) return 1.0;
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (end == s.c_str() || !end || *end != '\0') return 1.0;
  if (!std::isfinite(v) || v <= 0.0) return 1.0;
  return v;
}

double timeScale() {
  static const double kScale = [] {
    const char* env = std::getenv("VREL_TIME_SCALE");
    return parseTimeScale(env ? env : "");
  }();
  return kScale;
}

namespace {

// Sleeps a real (already scaled) number of milliseconds, capped so that an
// absurd value cannot overflow the clock arithmetic.
void sleepRealMs(double ms) {
  if (!std::isfinite(ms) || ms <= 0.0) return;
  constexpr double kMaxMs = 1e12;  // about 31 years
  const auto us = static_cast<std::int64_t>(std::llround(std::min(ms, kMaxMs) * 1000.0));
  std::this_thread::sleep_for(std::chrono::microseconds(us));
}

}  // namespace

std::uint64_t scaledMs(std::uint64_t ms) {
  if (ms == 0) return 0;
  const double v = static_cast<double>(ms) * timeScale();
  constexpr double kMax = 9e18;  // within the range llround can return
  if (v >= kMax) return static_cast<std::uint64_t>(kMax);
  const auto r = static_cast<std::uint64_t>(std::llround(v));
  return r == 0 ? 1 : r;
}

void sleepScaledSeconds(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0.0) return;
  sleepRealMs(seconds * 1000.0 * timeScale());
}

void sleepScaledMs(std::uint64_t ms) { sleepRealMs(static_cast<double>(ms) * timeScale()); }

}  // namespace vrel
