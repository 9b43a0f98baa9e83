#include "restore/headless/HeadlessDriver.h"

#include "platform/Files.h"
#include "platform/Machine.h"
#include "restore/headless/HeadlessUi.h"
#include "restore/headless/HeadlessWizard.h"
#include "restore/run/frmMain.h"

#include <exception>

namespace vrel::restore {

namespace {

// Runs one event procedure; the end it met, if any.
template <class F>
std::optional<ProgramEnd> event(F&& procedure) {
  try {
    procedure();
  } catch (const EndProgram& end) {
    return end.how;
  }
  return std::nullopt;
}

ProgramEnd exitProgram(frmMain& form, ProgramEnd how) {
  return event([&] { form.ExitProgram(how); }).value_or(how);
}

std::string nameOf(const Control& c) {
  return c.caption.empty() ? c.name : "\"" + c.caption + "\"";
}

// Ticks or unticks an option box as the administrator would: through the
// box, which runs its click procedure. A box the form has disabled is not
// ticked.
std::optional<ProgramEnd> setOption(frmMain& form, HeadlessUi& ui, const char* box, std::optional<bool> wanted) {
  if (!wanted) return std::nullopt;
  Control& c = form.control(box);
  if (*wanted && !c.enabled) {
    ui.note("the option " + nameOf(c) + " is not available for this backup; it stays unticked");
    return std::nullopt;
  }
  const int value = *wanted ? 1 : 0;
  if (auto end = event([&] { form.setValue(box, value); })) return end;
  if (c.value != value) ui.note("the option " + nameOf(c) + " was set back by the program");
  return std::nullopt;
}

// Ticks the alias option and picks the file with its Browse button, so the
// form checks the file as it would for the administrator. A file the form
// refuses ends the program as refused: the run would refuse it as well.
std::optional<ProgramEnd> setAliasMap(frmMain& form, HeadlessUi& ui, const std::string& file) {
  ui.setOpenFileAnswer(file);
  Control& box = form.control("chkUseAliasMappingFile");
  if (!box.enabled) {
    ui.note("the option " + nameOf(box) + " is not available; no alias mapping file is used");
    return std::nullopt;
  }
  if (auto end = event([&] { form.setValue("chkUseAliasMappingFile", 1); })) return end;
  Control& path = form.control("txtAliasMappingFilePath");
  if (form.control("cmdBrowseForAliasMappingFile").enabled) {
    if (auto end = event([&] { form.click("cmdBrowseForAliasMappingFile"); })) return end;
  } else if (box.value == 1) {
    path.caption = file;
    form.touch();
  }
  if (box.value == 1 && path.caption.empty()) {
    ui.note("the alias mapping file " + file + " was refused");
    return exitProgram(form, ProgramEnd::Refused);
  }
  return std::nullopt;
}

// A folder is refused when the form dropped it, or when the restore it is
// for cannot be pressed; a folder chosen only for the menus needs the first.
std::optional<ProgramEnd> chooseBackup(frmMain& form, HeadlessUi& ui, const std::string& folder, bool forRestore) {
  ui.setFolderAnswer(folder);
  if (auto end = event([&] { form.click("cmdBrowse"); })) return end;
  if (form.targetPath().empty() || (forRestore && !form.control("cmdRestore").enabled)) {
    ui.note("the backup folder " + folder + " was refused");
    return exitProgram(form, ProgramEnd::Refused);
  }
  return std::nullopt;
}

std::optional<ProgramEnd> setOptions(frmMain& form, HeadlessUi& ui, const HeadlessOptions& o) {
  if (auto end = setOption(form, ui, "chkRestoreMessages", o.messages)) return end;
  if (auto end = setOption(form, ui, "chkRestoreReportData", o.reportData)) return end;
  if (auto end = setOption(form, ui, "chkRestoreCertificates", o.certificates)) return end;
  if (o.aliasMap) return setAliasMap(form, ui, *o.aliasMap);
  return std::nullopt;
}

// Chooses a menu item as the administrator would; one the form has disabled
// ends the program as refused, since what was asked for cannot be done.
std::optional<ProgramEnd> useMenu(frmMain& form, HeadlessUi& ui, const char* item) {
  const Control& menu = form.control(item);
  if (!menu.enabled) {
    ui.note("the menu " + nameOf(menu) + " is not available on this machine");
    return exitProgram(form, ProgramEnd::Refused);
  }
  return event([&] { form.click(item); });
}

}  // namespace

ProgramEnd driveHeadless(frmMain& form, HeadlessUi& ui, const HeadlessOptions& o) {
  if (auto end = event([&] { form.Form_Load(); })) return *end;
  if (o.backup)
    if (auto end = chooseBackup(form, ui, *o.backup, o.pressRestore() || !o.menusOnly())) return *end;
  if (auto end = setOptions(form, ui, o)) return *end;
  if (o.checkForUpdate.value_or(false))
    if (auto end = useMenu(form, ui, "mnuCheckForUpdatedVersion")) return *end;
  if (o.restoreCertificates.value_or(false))
    if (auto end = useMenu(form, ui, "mnuRestoreCertificates")) return *end;
  if (o.pressRestore()) {
    if (!form.control("cmdRestore").enabled) {
      ui.note("Restore From Backup is not available: no backup folder was accepted");
      return exitProgram(form, ProgramEnd::Refused);
    }
    if (auto end = event([&] { form.click("cmdRestore"); })) return *end;
  }
  return exitProgram(form, ProgramEnd::Normal);
}

namespace {

const char* endName(ProgramEnd how) {
  switch (how) {
    case ProgramEnd::Normal:
      return "normally";
    case ProgramEnd::Refused:
      return "refused";
    case ProgramEnd::Aborted:
      return "aborted";
  }
  return "?";
}

bool readAnswers(Files& files, const std::string& given, HeadlessOptions& options, std::string& error) {
  const std::string path = machinePath(files.paths(), given);
  std::string text;
  if (FileStatus s = files.readAll(path, text); !s) {
    error = "cannot read the answer file " + given + ": " + s.description;
    return false;
  }
  if (!parseAnswerText(text, options, error)) {
    error = given + ": " + error;
    return false;
  }
  return true;
}

}  // namespace

int runHeadless(Machine& machine, const ProgramSetup& setup, const ProgramArguments& arguments, std::ostream& out,
                std::ostream& err, const std::function<void(Program&)>& prepare,
                const std::function<void(Program&)>& finished) {
  Files files(machine);
  HeadlessOptions options;
  std::string error;
  if (arguments.answersFile && !readAnswers(files, *arguments.answersFile, options, error)) {
    err << "VrelRestore: " << error << '\n';
    return static_cast<int>(ProgramEnd::Refused);
  }
  options.overrideWith(arguments.given);
  // Paths are resolved now: Form_Load changes the current folder.
  if (options.backup) options.backup = machinePath(files.paths(), *options.backup);
  if (options.aliasMap) options.aliasMap = machinePath(files.paths(), *options.aliasMap);

  HeadlessUi ui(options.rules, out);
  HeadlessWizard wizard(options.wizard, out);
  ui.setFormDriver([&wizard](FormModel& form) { return wizard.drive(form); });
  try {
    Program program(machine, ui, setup);
    if (prepare) prepare(program);
    out << "Program folder: " << program.programFolder() << "\nCommand line: " << program.commandLine() << '\n';
    frmMain form(program);
    const ProgramEnd how = driveHeadless(form, ui, options);
    out << "Program ended " << endName(how) << " (exit status " << static_cast<int>(how) << ")\n";
    if (finished) finished(program);
    out.flush();
    return static_cast<int>(how);
  } catch (const std::exception& e) {
    out.flush();
    err << "VrelRestore: internal error: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace vrel::restore
