#include "rilo/RiloInput.h"

namespace vrel::rilo {

namespace {

constexpr std::size_t kMaxLine = 2047;

std::string rightTrimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) s.pop_back();
  return s;
}

}  // namespace

std::vector<std::string> inputEntries(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const bool last = end == std::string::npos;
    if (last) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!last && !line.empty() && line.back() == '\r') line.pop_back();  // the CR of CR LF
    if (line.empty()) out.push_back("");
    for (std::size_t at = 0; at < line.size(); at += kMaxLine) out.push_back(rightTrimmed(line.substr(at, kMaxLine)));
    start = end + 1;
  }
  return out;
}

std::string outputLine(const std::string& entry, int flag) {
  return "\"" + entry + "\",\"" + (flag ? "1" : "0") + "\"";
}

}  // namespace vrel::rilo
