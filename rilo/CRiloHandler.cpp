#include "rilo/CRiloHandler.h"

#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/WinPath.h"

#include <cerrno>
#include <cstdio>

namespace vrel::rilo {

namespace {

// The output file, each line flushed as it is written.
class OutputFile {
 public:
  ~OutputFile() { close(); }
  bool open(const std::string& host) {
    errno = ENOENT;  // a path that names no drive
    m_file = host.empty() ? nullptr : std::fopen(host.c_str(), "wb");
    return m_file != nullptr;
  }
  void line(const std::string& text) {
    const std::string bytes = utf8ToAnsi(text) + "\r\n";
    std::fwrite(bytes.data(), 1, bytes.size(), m_file);
    std::fflush(m_file);
  }
  void close() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
  }

 private:
  std::FILE* m_file = nullptr;
};

}  // namespace

RiloSettings parseRiloArguments(const std::vector<std::string>& args, RiloLog& log) {
  RiloSettings s;
  for (const std::string& arg : args) {
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) continue;
    const char letter = static_cast<char>(arg[1] | 0x20);
    if (letter == 'f') {
      s.grant = true;
      log.write("/F parameter forcing Rilo to FIX rights");
    } else if (letter == 'i') {
      s.inputPath = arg.size() > 2 ? arg.substr(3) : "";
      log.write(format("Setting input file to %s", {s.inputPath}));
    } else if (letter == 'o') {
      s.outputPath = arg.size() > 2 ? arg.substr(3) : "";
      log.write(format("Setting output file to %s", {s.outputPath}));
    }
  }
  return s;
}

CRiloHandler::CRiloHandler(Machine& machine, CRiloRights& rights, RiloLog& log, RiloSettings settings)
    : m_machine(machine), m_rights(rights), m_log(log), m_settings(std::move(settings)) {}

HResult CRiloHandler::DoWork() {
  m_log.write("Entering CRiloHandler::DoWork()");
  if (m_settings.outputPath.empty()) {
    m_log.write("Setting output file to RILO.OUT");
    m_settings.outputPath = "Rilo.out";
  }
  const WinPaths paths(m_machine);
  OutputFile output;
  if (!output.open(paths.toHost(m_settings.outputPath))) {
    // The operating system's code as Windows numbers it.
    const std::uint32_t code = errno == EACCES || errno == EROFS || errno == EPERM || errno == EISDIR ? 5 : 3;
    m_log.write(format("Could not open output file %s - RILO exiting", {m_settings.outputPath}), code);
    return ds::kFail;
  }
  if (m_settings.inputPath.empty()) {
    output.line(outputLine("", 0));
    output.close();
    m_log.write("No input file name specified - RILO exiting", ds::kFail);
    return ds::kFail;
  }
  std::string text;
  if (!Files(m_machine).readAll(m_settings.inputPath, text)) {
    output.line(outputLine("", 0));
    return ds::kFail;
  }
  HResult last = ds::kOk;
  for (const std::string& raw : inputEntries(text)) {
    const std::string entry = ansiToUtf8(raw);
    int flag = 0;
    if (m_settings.grant) {
      m_log.write(format("Granting rights to DN: %s", {entry}));
      last = m_rights.GrantRights(entry, flag);
      if (ds::failed(last)) {
        m_log.write("CRiloRights::GrantRights() failed", last);
        flag = 0;
      }
    } else {
      m_log.write(format("Checking rights on DN: %s", {entry}));
      last = m_rights.CheckRights(entry, flag);
      if (ds::failed(last)) {
        m_log.write("CRiloRights::CheckRights() failed", last);
        flag = 0;
      }
    }
    output.line(outputLine(entry, flag));
  }
  return last;
}

}  // namespace vrel::rilo
