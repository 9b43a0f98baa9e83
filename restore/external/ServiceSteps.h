// The steps that stop and start the server's services: each a command run
// through the external program runner with its window style and time-out,
// with the lines logged before it and after it. Kept as data, so the
// directory resynchronisation can repeat single steps with the same texts.
#pragma once

#include <cstdint>
#include <span>

namespace vrel::restore {

class Program;

// When a step runs.
enum class StepCondition {
  Always,
  NotDomino,       // the mail store kind is not Domino
  AtLeastVersion5  // the installed version is at least 5.0(0.0)
};

struct ServiceStep {
  const char* before;   // logged before the command starts
  const char* command;  // started through the system path
  int windowStyle;
  std::uint32_t timeoutMs;     // modCallExternalApp::kInfinite: no limit
  const char* timeoutLine;     // logged when the wait gives up
  const char* completionLine;  // logged when the command ended; null: nothing
  StepCondition condition = StepCondition::Always;
};

// ShutDownOrvix's 21 steps and StartUpOrvix's 11, in the order they run.
std::span<const ServiceStep> shutDownSteps();
std::span<const ServiceStep> startUpSteps();

// Shut-down step n, counted from 1 in running order: 4 TmDSAD, 5 TmDSDomino,
// 6 TmDirChangeWriter, 19 the kill of left-over server processes.
const ServiceStep& shutDownStep(int number);
inline constexpr int kKillStep = 19;
// Start-up step n, counted from 1: 6 TmDirChangeWriter.
const ServiceStep& startUpStep(int number);
inline constexpr int kDirChangeWriterStartStep = 6;

// True when the step's condition holds on this installation.
bool stepApplies(Program& program, const ServiceStep& step);

// Logs the line before, starts the command, waits up to the time-out and
// logs the time-out line or the completion line. Raises VbError when the
// command cannot be started; then nothing more is logged for it.
void runServiceStep(Program& program, const ServiceStep& step);

}  // namespace vrel::restore
