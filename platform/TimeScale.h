// The process-wide time scale. Every fixed sleep, pause and time-out of the
// programs and stand-ins is multiplied by it, so tests can run a 30-second
// service time-out in a fraction of a second. Read once from VREL_TIME_SCALE
// (a positive number; anything else means 1).
#pragma once

#include <cstdint>
#include <string_view>

namespace vrel {

// Parses a time-scale text; empty, non-numeric, non-finite, zero or negative
// text gives 1.
double parseTimeScale(std::string_view text);

// The scale of this process (VREL_TIME_SCALE, cached on first use).
double timeScale();

// ms multiplied by the scale, rounded to the nearest millisecond. A non-zero
// wait never shrinks to zero, so a time-out still lets a poll happen.
std::uint64_t scaledMs(std::uint64_t ms);

// Sleep the scaled time on the calling thread. Negative or non-finite
// seconds sleep nothing.
void sleepScaledSeconds(double seconds);
void sleepScaledMs(std::uint64_t ms);

}  // namespace vrel
