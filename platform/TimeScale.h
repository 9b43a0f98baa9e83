// The process-wide time scales, read once from VREL_TIME_SCALE.
//
// Fixed waits (pauses, sleeps between polls of nothing, the waits a program
// makes "to let things settle") are multiplied by the scale; 0 means no fixed
// waits at all. Time-outs, and the stand-ins' simulated long work that a
// time-out is there to catch (a service that hangs, a tool that runs long),
// are multiplied by the same scale but never by less than kTimeoutScaleFloor:
// a time-out must leave a normal step (a child program starting, doing its
// work and ending) time to finish, and a simulated hang must still outlast
// the time-out it was meant to trip.
#pragma once

#include <cstdint>
#include <string_view>

namespace vrel {

// The smallest factor applied to a time-out: a 30-second service step still
// waits 0.6 s when the waits are scaled to nothing.
inline constexpr double kTimeoutScaleFloor = 0.02;

// Parses a time-scale text: a finite number, 0 or more. Empty, non-numeric,
// non-finite or negative text gives 1.
double parseTimeScale(std::string_view text);

// The scale of fixed waits in this process (VREL_TIME_SCALE, cached on first
// use); 0 when waits are off.
double timeScale();

// The scale of time-outs for a given wait scale, and for this process.
double timeoutScaleFor(double waitScale);
double timeoutScale();

// A fixed wait of ms milliseconds on the wait scale, rounded to the nearest
// millisecond (0 when waits are off).
std::uint64_t scaledMs(std::uint64_t ms);

// A time-out of ms milliseconds on the time-out scale, rounded to the nearest
// millisecond. A non-zero time-out never shrinks to zero, so a poll still
// happens.
std::uint64_t scaledTimeoutMs(std::uint64_t ms);

// Sleep a fixed wait on the calling thread. Negative or non-finite seconds
// sleep nothing.
void sleepScaledSeconds(double seconds);
void sleepScaledMs(std::uint64_t ms);

// Sleep simulated work on the time-out scale (a stand-in tool that runs long).
void sleepSimulatedSeconds(double seconds);

}  // namespace vrel
