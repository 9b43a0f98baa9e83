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
  if (!std::isfinite(v) || v < 0.0) return 1.0;
  return v == 0.0 ? 0.0 : v;  // -0 is 0
}

double timeScale() {
  static const double kScale = [] {
    const char* env = std::getenv("VREL_TIME_SCALE");
    return parseTimeScale(env ? env : "");
  }();
  return kScale;
}

double timeoutScaleFor(double waitScale) { return std::max(waitScale, kTimeoutScaleFloor); }

double timeoutScale() { return timeoutScaleFor(timeScale()); }

namespace {

// Sleeps a real (already scaled) number of milliseconds, capped so that an
// absurd value cannot overflow the clock arithmetic.
void sleepRealMs(double ms) {
  if (!std::isfinite(ms) || ms <= 0.0) return;
  constexpr double kMaxMs = 1e12;  // about 31 years
  const auto us = static_cast<std::int64_t>(std::llround(std::min(ms, kMaxMs) * 1000.0));
  std::this_thread::sleep_for(std::chrono::microseconds(us));
}

std::uint64_t scaleMs(std::uint64_t ms, double scale) {
  const double v = static_cast<double>(ms) * scale;
  constexpr double kMax = 9e18;  // within the range llround can return
  if (v >= kMax) return static_cast<std::uint64_t>(kMax);
  return static_cast<std::uint64_t>(std::llround(v));
}

}  // namespace

std::uint64_t scaledMs(std::uint64_t ms) { return scaleMs(ms, timeScale()); }

std::uint64_t scaledTimeoutMs(std::uint64_t ms) {
  if (ms == 0) return 0;
  return std::max<std::uint64_t>(scaleMs(ms, timeoutScale()), 1);
}

void sleepScaledSeconds(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0.0) return;
  sleepRealMs(seconds * 1000.0 * timeScale());
}

void sleepScaledMs(std::uint64_t ms) { sleepRealMs(static_cast<double>(ms) * timeScale()); }

void sleepSimulatedSeconds(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0.0) return;
  sleepRealMs(seconds * 1000.0 * timeoutScale());
}

}  // namespace vrel
