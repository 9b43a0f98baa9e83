// Ending the program from inside an event procedure. The exit procedure
// throws EndProgram after its clean-up; the front-end's event dispatch
// catches it and ends the process with the status that says how it ended.
#pragma once

namespace vrel::restore {

enum class ProgramEnd : int {
  Normal = 0,   // the program ended as the administrator chose
  Refused = 2,  // start-up or the chosen backup folder was refused
  Aborted = 3,  // a run aborted
};

struct EndProgram {
  ProgramEnd how = ProgramEnd::Normal;
};

}  // namespace vrel::restore
