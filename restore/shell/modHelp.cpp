#include "restore/shell/modHelp.h"

#include "restore/run/Program.h"
#include "restore/shell/frmHelp.h"

namespace vrel::restore {

namespace {
constexpr const char* kHelpBaseName = "\\Disaster Recovery Tool";
}

std::string getHelpFileName(Program& program) {
  const std::string base = program.programFolder() + kHelpBaseName;
  const std::string code = modLocalize::languageCodeOf(program.localize.currentLanguage);
  for (const std::string& candidate : {base + "_" + code + ".chm", base + "_ENU.chm"})
    if (program.files.fileExists(candidate)) return candidate;
  return base + ".chm";
}

void showCHMHelp(Program& program, const std::string& /*helpFile*/, FormModel& /*owner*/, std::optional<int> topic) {
  auto* shown = dynamic_cast<frmHelp*>(program.helpWindow.get());
  if (!shown) {
    auto window = std::make_unique<frmHelp>(program);
    shown = window.get();
    program.helpWindow = std::move(window);
  }
  frmHelp& help = *shown;
  help.topic = topic;
  // Loaded afresh each time, so a language chosen since shows its page.
  help.Form_Load();
  program.helpForm = &help;
  program.ui.showForm(help, false);
}

}  // namespace vrel::restore
