// Rilo: checks, or with /F grants, the Send-As and Receive-As rights of the
// running account on the mail stores listed in its input file.
//   Rilo /i:MailstoreInput.txt [/o:RILO.OUT] [/F]
// The exit status is 0 in every case; the output file tells the outcome.
#include "platform/CommandLine.h"
#include "platform/Machine.h"
#include "rilo/CRiloHandler.h"
#include "standin/directory/StandinDirectory.h"

#include <cstdio>

using namespace vrel;

int main(int argc, char** argv) {
  const std::string line = rawCommandLine(argc, argv);
  std::string error;
  auto machine = Machine::fromEnvironment(error);
  if (!machine) {
    std::fprintf(stderr, "Rilo: %s\n", error.c_str());
    return 0;
  }
  rilo::RiloLog log;
  log.open(*machine, rilo::RiloLog::pathFor(line));
  const std::vector<std::string> args = parseArguments(argumentsText(line));
  rilo::RiloSettings settings = rilo::parseRiloArguments(args, log);
  standin::StandinDirectory directory(*machine);
  {
    rilo::CRiloRights rights(directory, directory, log);
    rilo::CRiloHandler(*machine, rights, log, std::move(settings)).DoWork();
  }
  return 0;
}
