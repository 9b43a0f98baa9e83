// The run log "DisasterRecoveryRestore.log": one plain-text (ANSI) file per
// run, one entry per WriteToLog call, each prefixed by the local date and
// time. Each entry is written to the file with one system call, after a
// check that the file and its folder still take writes, so a run that dies
// leaves a complete log up to its last entry. While entries are held (a
// database walk's, until its transaction commits) they are kept in order
// and written together, with one check and one system call, when the hold
// ends: a run that dies inside the walk loses the walk's rows and their
// entries alike.
#pragma once

#include "platform/Files.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vrel::restore {

struct ProgramInfo {
  std::string name = "VrelRestore";
  int major = 1, minor = 0, revision = 0;
};

class RunLog {
 public:
  explicit RunLog(Files& files) : m_files(files) {}
  ~RunLog();
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

  // Opens the log at a Windows path and writes the header. append = false
  // replaces an existing log (read-only or not). Returns false, with
  // lastError(), when the file cannot be created.
  bool OpenLogFile(const std::string& path, bool append);
  // Writes one entry; lines containing "(error)" / "(warning)" (any case)
  // are counted. A failure to write never reaches the caller.
  void WriteToLog(const std::string& text);
  // The same for the entry head + value, without joining them first: the
  // walks write a line like this for every row.
  void WriteToLog(std::string_view head, std::string_view value);
  // Writes the entry only when the debug flag is set.
  void WriteDebug(const std::string& text) {
    if (m_debug) WriteToLog(text);
  }
  void CloseLogFile();
  // Holds entries in memory until the matching releaseEntries(), which
  // writes them; holds nest.
  void holdEntries() { ++m_holds; }
  void releaseEntries();

  bool isOpen() const { return m_fd >= 0; }
  const std::string& path() const { return m_path; }
  const std::string& lastError() const { return m_lastError; }
  // Counts since the header. Kept in 32 bits: a long run must not break the
  // writer with an overflow.
  std::int32_t errorCount() const { return m_errors; }
  std::int32_t warningCount() const { return m_warnings; }

  bool debug() const { return m_debug; }
  void setDebug(bool on) { m_debug = on; }
  void setInstalledVersionText(std::string text) { m_versionText = std::move(text); }
  void setProgramInfo(ProgramInfo info) { m_program = std::move(info); }
  // The program's own name and version (the header's "Running" line).
  const ProgramInfo& programInfo() const { return m_program; }
  // Called with each entry that holds "(error)" or "(warning)".
  void setTaggedEntryObserver(std::function<void(const std::string&)> observer) { m_tagged = std::move(observer); }
  // Called after every entry so the front-end can repaint during the run.
  void setEventPump(std::function<void()> pump) { m_pump = std::move(pump); }

  // The local date and time as every entry begins: short date, a blank,
  // long time ("12/7/2026 4:05:09 AM").
  static const std::string& dateTimeText();

 private:
  bool reopen();
  bool stillWritable();
  void appendEntry(std::string_view head, std::string_view value);
  void writeOut(const std::string& entries);

  Files& m_files;
  std::string m_path;
  std::string m_hostPath;
  std::string m_hostFolder;  // the host folder of m_hostPath
  int m_fd = -1;
  std::int32_t m_errors = 0;
  std::int32_t m_warnings = 0;
  bool m_debug = false;
  std::string m_versionText;
  std::string m_lastError;
  ProgramInfo m_program;
  std::function<void()> m_pump;
  int m_holds = 0;
  std::string m_held;
  std::function<void(const std::string&)> m_tagged;
};

}  // namespace vrel::restore
