#include "rilo/RiloLog.h"

#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/WinPath.h"

#include <ctime>

namespace vrel::rilo {

RiloLog::~RiloLog() {
  if (m_file) std::fclose(m_file);
}

bool RiloLog::open(Machine& machine, const std::string& winPath) {
  if (m_file) std::fclose(m_file);
  const std::string host = WinPaths(machine).toHost(winPath);
  m_file = host.empty() ? nullptr : std::fopen(host.c_str(), "wb");
  return m_file != nullptr;
}

void RiloLog::write(std::string_view message, std::uint32_t code, std::source_location where) {
  if (!m_file) return;
  std::string file = where.file_name();
  if (const std::size_t slash = file.find_last_of("/\\"); slash != std::string::npos) file.erase(0, slash + 1);
  const std::string text(message);
  char body[1024];
  std::snprintf(body, sizeof body, "%s Error=[%08x]  %s:line(%ld) ", text.c_str(), code, file.c_str(),
                static_cast<long>(where.line()));
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::strftime(stamp, sizeof stamp, "%Y/%m/%d %H:%M:%S", &local);
  const std::string line = std::string(stamp) + " " + utf8ToAnsi(body) + "\r\n";
  std::fwrite(line.data(), 1, line.size(), m_file);
  std::fflush(m_file);
}

std::string RiloLog::pathFor(std::string_view commandLine) {
  if (!commandLine.empty() && commandLine.front() == '"') commandLine.remove_prefix(1);
  std::string upper(commandLine);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  const std::size_t at = upper.find("RILO.EXE");
  if (at == std::string::npos) return "RILOLOG.TXT";
  return upper.substr(0, at) + "RILOLOG.TXT";
}

std::string format(std::string_view fmt, std::initializer_list<std::string_view> args) {
  std::string out;
  auto next = args.begin();
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] == '%' && i + 1 < fmt.size() && fmt[i + 1] == 's' && next != args.end()) {
      out += *next++;
      ++i;
    } else {
      out += fmt[i];
    }
  }
  return out;
}

}  // namespace vrel::rilo
