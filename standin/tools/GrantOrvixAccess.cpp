// The server's database access tool: "GrantOrvixAccess -u DOMAIN\USER -s ROLE"
// gives a Windows account a login on the server's SQL instance with a role.
// The stand-in records the login as the machine value "SqlLogin:<account>"
// holding the role, where tests and people can read it back.
#include "platform/CommandLine.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/TimeScale.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace vrel;

int main(int argc, char** argv) {
  const std::vector<std::string> args = parseArguments(rawCommandLine(argc, argv));
  std::string account, role;
  for (std::size_t i = 1; i + 1 < args.size(); ++i) {
    if (iequals(args[i], "-u") || iequals(args[i], "/u")) account = args[++i];
    else if (iequals(args[i], "-s") || iequals(args[i], "/s")) role = args[++i];
  }
  if (account.empty() || role.empty()) {
    std::fputs("usage: GrantOrvixAccess -u DOMAIN\\USER -s ROLE\n", stderr);
    return 1;
  }
  std::string error;
  auto machine = Machine::fromEnvironment(error);
  if (machine) {
    const double hang = std::atof(machine->value("GrantOrvixAccessHangs", "0").c_str());
    if (hang > 0) sleepSimulatedSeconds(hang);
  }
  if (!machine || !machine->setValue("SqlLogin:" + account, role)) {
    std::fprintf(stderr, "GrantOrvixAccess: %s\n", machine ? "cannot record the login" : error.c_str());
    return 1;
  }
  std::printf("Granted %s access to %s.\n", role.c_str(), account.c_str());
  return 0;
}
