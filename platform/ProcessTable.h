// The machine's own processes: every program the runner starts, and every
// stand-in server process that records itself, kept in the machine's store
// with the host start time so a reused pid is never taken for one of them.
// Ending processes only ever touches processes of this table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {

class Machine;

struct ProcessInfo {
  long pid = 0;
  std::string image;        // Windows image name, e.g. "net.exe"
  std::string commandLine;  // the Windows command line it was started with
  std::uint64_t startTime = 0;
};

class ProcessTable {
 public:
  explicit ProcessTable(Machine& machine) : m_machine(machine) {}

  // Records a running process under its image name, as its starter does;
  // replaces a row of an earlier process with the pid, but not one the
  // process wrote of itself. False with error when the process is not
  // running or the store fails.
  bool add(long pid, std::string_view image, std::string_view commandLine, std::string& error);
  // Records the calling process itself, under the name it runs as.
  bool addSelf(std::string_view image, std::string_view commandLine, std::string& error);

  // The processes that still run, by pid; rows of ended ones are dropped.
  bool live(std::vector<ProcessInfo>& out, std::string& error);

  // Ends every live process whose image name matches the wildcard pattern
  // (case-insensitive; the calling process excepted): SIGKILL when force,
  // else SIGTERM. ended gets those signalled.
  bool endMatching(std::string_view pattern, bool force, std::vector<ProcessInfo>& ended, std::string& error);
  // The same for one pid of the table; false with error when the table
  // holds no live process of that pid.
  bool endPid(long pid, bool force, ProcessInfo& ended, std::string& error);

 private:
  bool write(long pid, std::string_view image, std::string_view commandLine, bool self, std::string& error);
  bool ensureSchema(std::string& error);
  bool endOne(const ProcessInfo& p, bool force);

  Machine& m_machine;
};

}  // namespace vrel
