// Help: the name of the compiled help file in the current language, and
// showing help. This platform has no viewer for compiled help, so help is
// the program's HTML help page, shown in the help window frmHelp; the
// program keeps that window and closes it when it ends.
#pragma once

#include <optional>
#include <string>

namespace vrel::restore {

class FormModel;
class Program;

// The first that exists of: program folder + "\Disaster Recovery Tool_" +
// the current language's code + ".chm", the same with "_ENU.chm", and
// otherwise program folder + "\Disaster Recovery Tool.chm".
std::string getHelpFileName(Program& program);

// Shows help for the owner form: the help window, loaded afresh (page of
// the current language, the topic's anchor when a topic is given), shown
// modeless and kept in program.helpForm. The compiled help file cannot be
// opened here; helpFile only names what a compiled-help viewer would show.
void showCHMHelp(Program& program, const std::string& helpFile, FormModel& owner, std::optional<int> topic = {});

}  // namespace vrel::restore
