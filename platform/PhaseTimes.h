// Wall-clock times of a program's phases for the benchmarks: when the
// environment names a host file in VREL_PHASE_TIMES, each phase can be
// appended to it as a line "NAME<TAB>SECONDS", and the program's peak
// memory the same way. Without the variable nothing is written.
#pragma once

#include <string>

namespace vrel {

// Appends "NAME<TAB>SECONDS".
void recordPhaseTime(const std::string& name, double seconds);

// Appends "peak-memory-kb<TAB>N": this process's largest resident set so far.
void recordPeakMemory();

}  // namespace vrel
