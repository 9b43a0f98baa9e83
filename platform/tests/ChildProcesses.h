// Helpers for tests that run real child processes on a scratch machine:
// placing built tools on the machine under Windows names, running a tool
// with its output captured, waiting for a condition, and ending every
// process of the machine when a test is done.
#pragma once

#include "platform/Machine.h"
#include "platform/ProcessTable.h"
#include "platform/Processes.h"
#include "platform/WinPath.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>

namespace vrel::test {

// Puts a link to a built tool at a Windows path of the machine, so the
// machine runs the tool under that name (e.g. "C:\Orvix\TmSvc.exe").
inline void placeTool(Machine& machine, const std::string& winPath, const std::string& tool) {
  const std::string host = WinPaths(machine).toHost(winPath);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  std::filesystem::create_symlink(ScratchMachine::tool(tool), host);
}

// Polls cond every 10 ms for at most 30 s; a bound for a broken build, not
// a measured time.
inline bool eventually(const std::function<bool()>& cond) {
  for (int i = 0; i < 3000; ++i) {
    if (cond()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return cond();
}

inline std::optional<ProcessInfo> liveProcess(Machine& machine, long pid) {
  std::vector<ProcessInfo> all;
  std::string error;
  if (!ProcessTable(machine).live(all, error)) return std::nullopt;
  for (auto& p : all)
    if (p.pid == pid) return p;
  return std::nullopt;
}

struct ToolRun {
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};

// Runs a built tool directly (not through the machine's runner) with the
// given shell-quoted arguments, on the machine named by VREL_MACHINE.
inline ToolRun runTool(const std::string& tool, const std::string& shellArgs) {
  ToolRun r;
  const std::string cmd = "'" + ScratchMachine::tool(tool) + "' " + shellArgs + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  const int status = pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// Ends every process of the machine and waits for each; for TearDown.
inline void endAllProcesses(Machine& machine) {
  std::vector<ProcessInfo> ended;
  std::string error;
  ProcessTable(machine).endMatching("*", true, ended, error);
  for (const auto& p : ended) Processes::wait(p.pid, kWaitInfinite);
}

}  // namespace vrel::test
