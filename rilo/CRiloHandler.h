// Rilo's job: its command line, and the loop over the input file that asks
// CRiloRights about each entry and writes one output line per input line.
#pragma once

#include "rilo/CRiloRights.h"
#include "rilo/RiloInput.h"

#include <string>
#include <vector>

namespace vrel {
class Machine;
}

namespace vrel::rilo {

struct RiloSettings {
  std::string inputPath;               // "/i:PATH"
  std::string outputPath = "Rilo.out";  // "/o:PATH"
  bool grant = false;                  // "/F"
};

// Reads the switches (arguments starting with '/' or '-'; the letter after
// the sign decides, any case; others are ignored) and logs the ones it takes.
RiloSettings parseRiloArguments(const std::vector<std::string>& args, RiloLog& log);


class CRiloHandler {
 public:
  CRiloHandler(Machine& machine, CRiloRights& rights, RiloLog& log, RiloSettings settings);

  // The whole job; the last entry's result, or a failure when the output or
  // input file is missing.
  HResult DoWork();

 private:
  Machine& m_machine;
  CRiloRights& m_rights;
  RiloLog& m_log;
  RiloSettings m_settings;
};

}  // namespace vrel::rilo
