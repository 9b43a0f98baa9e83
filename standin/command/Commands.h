// Sub-commands of the standin command.
#pragma once

#include <string>
#include <vector>

namespace vrel::standin {

// Runs one command line (without the program name); returns the exit status.
int runCommand(const std::vector<std::string>& args);

}  // namespace vrel::standin
