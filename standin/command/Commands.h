// Sub-commands of the standin command.
#pragma once

#include "platform/Machine.h"

#include <memory>
#include <string>
#include <vector>

namespace vrel::standin {

using Args = std::vector<std::string>;

// Runs one command line (without the program name); returns the exit status.
int runCommand(const Args& args);

// Shared by the sub-commands.
int usage(const std::string& what);
// The machine of VREL_MACHINE; only the commands that make machines (init,
// provision) create a missing folder.
std::unique_ptr<Machine> openMachine(bool createIfMissing = false);

// standin service ...
int cmdService(const Args& args);
// standin start "COMMAND LINE", standin ps
int cmdStart(const Args& args);
int cmdPs(const Args& args);
// standin provision [OPTIONS], standin populate [OPTIONS]
int cmdProvision(const Args& args);
int cmdPopulate(const Args& args);
// standin backup DIR, standin sql [--db NAME|FILE] "STATEMENT"
int cmdBackup(const Args& args);
int cmdSql(const Args& args);
// standin directory ..., standin account ...
int cmdDirectory(const Args& args);
int cmdAccount(const Args& args);
// standin notes ..., standin eventlog ...
int cmdNotes(const Args& args);
int cmdEventLog(const Args& args);

}  // namespace vrel::standin
