// Rilo's log "RILOLOG.TXT": truncated at every start, one line per event,
// each written in the ANSI code page and flushed at once:
//   2026/12/07 14:05:09 <message> Error=[80004005]  RiloRights.cpp:line(123)
// The message part is cut at 1023 characters. A log that cannot be opened is
// no log: the program runs on without one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <source_location>
#include <string>
#include <string_view>

namespace vrel {
class Machine;
}

namespace vrel::rilo {

class RiloLog {
 public:
  RiloLog() = default;
  ~RiloLog();
  RiloLog(const RiloLog&) = delete;
  RiloLog& operator=(const RiloLog&) = delete;

  // Opens (truncating) the log at a Windows path of the machine.
  bool open(Machine& machine, const std::string& winPath);
  bool isOpen() const { return m_file != nullptr; }

  // One line; code is 0 for progress lines, else the HRESULT, Win32 error or
  // variant type that goes with the message.
  void write(std::string_view message, std::uint32_t code = 0,
             std::source_location where = std::source_location::current());

  // Where the log goes for a command line: everything before the first
  // "RILO.EXE" of the upper-cased line (a leading quote dropped) +
  // "RILOLOG.TXT"; just "RILOLOG.TXT" (the current folder) without one.
  static std::string pathFor(std::string_view commandLine);

 private:
  std::FILE* m_file = nullptr;
};

// fmt with each "%s" replaced by the next argument, in order.
std::string format(std::string_view fmt, std::initializer_list<std::string_view> args);

}  // namespace vrel::rilo
