// The message import's outcome, read from ExMerge's own log: its
// next-to-last line is the summary "[time] N mailboxes ... processed. M
// mailboxes ...", which becomes a line of the run log, and an "(error)" line
// when mailboxes failed.
#pragma once

#include <string>

namespace vrel::restore {

class Program;

// folder ends in a backslash (the backup folder).
void parseforerrorsinexmergelogs(Program& p, const std::string& folder);

}  // namespace vrel::restore
