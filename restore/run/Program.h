// The restore program's process-wide state: the machine it runs on, its own
// folder and command line, the run log, the utilities every procedure uses,
// the localised strings, and the values start-up sets for the run (installed
// version, mail store kind, connection string).
#pragma once

#include "platform/Files.h"
#include "restore/certificates/modCertificateStuff.h"
#include "restore/external/modCallExternalApp.h"
#include "restore/preserve/Module1.h"
#include "restore/run/RunLog.h"
#include "restore/run/RunReport.h"
#include "restore/run/UiPort.h"
#include "restore/shell/modLocalize.h"
#include "standin/server/DirectoryComponents.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vrel {
class Machine;
}

namespace vrel::restore {

class ControlObject;

// Mail store kinds.
enum : std::int16_t { kMailStoreDomino = 1, kMailStoreExchange55 = 2, kMailStoreExchange2000 = 3 };

// What a front-end hands the core.
struct ProgramSetup {
  std::string programFolder;    // Windows path of the program's folder, no trailing backslash
  std::string programFileName = "VrelRestore";  // without extension
  std::string commandLine;      // the arguments, as the program was started with them
};

class Program {
 public:
  Program(Machine& machine, UiPort& ui, ProgramSetup setup);
  ~Program();

  Machine& machine;
  UiPort& ui;
  Files files;
  RunLog log;
  // The machine-readable report of the current or last run.
  RunReport report;
  InstallPaths paths;
  Module1 module1;
  modCallExternalApp external;
  modLocalize localize;
  // The machine's certificate store, opened by InfoSetup, for the program's lifetime.
  modCertificateStuff certificates;

  const std::string& programFolder() const { return m_setup.programFolder; }
  const std::string& programFileName() const { return m_setup.programFileName; }
  // The whole command line (the arguments), as the switches are searched in.
  const std::string& commandLine() const { return m_setup.commandLine; }
  // True when the command line contains the word, any case, anywhere.
  bool commandLineHas(std::string_view word) const;

  // ChDrive and ChDir in one: makes the folder the current drive and folder,
  // where started programs begin and relative paths resolve. Raises VbError
  // 76 "Path not found" when it names no folder of the machine.
  void setCurrentFolder(const std::string& folder);

  // Values set at start-up.
  std::int16_t mailStoreKind = kMailStoreExchange55;
  std::string connectionString;
  std::string computerName;

  // The help window while it is shown; the exit procedure closes it.
  FormModel* helpForm = nullptr;
  // Owns the help window once help has been opened (helpForm points at it).
  std::unique_ptr<FormModel> helpWindow;

  // The outside server's control object, created fresh for each use.
  std::function<std::unique_ptr<ControlObject>()> createControlObject;
  // The server's directory components, created by ProgID; unset, every
  // creation fails as an unregistered class does.
  std::function<standin::ComResult(const std::string&, std::unique_ptr<standin::DbSync>&)> createDbSync;
  std::function<standin::ComResult(const std::string&, std::unique_ptr<standin::DirectoryService>&)>
      createDirectoryService;

  // The program's title, the caption of message boxes that name none.
  static constexpr const char* kTitle = "VrelRestore";
  std::string str(int id) { return localize.mymyLoadString(id); }
  // A message box; an empty caption is the program's title.
  MsgResult MsgBox(const std::string& text, MsgBoxStyle buttons = MsgBoxStyle::OKOnly,
                   MsgIcon icon = MsgIcon::None, const std::string& caption = {});

 private:
  ProgramSetup m_setup;
};

}  // namespace vrel::restore
