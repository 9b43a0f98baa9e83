#include "restore/tests/support/RestoreFixture.h"

#include "platform/Text.h"
#include "standin/server/ControlObject.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vrel::test {

namespace fs = std::filesystem;

void installProgramFiles(Files& files, const std::string& folder) {
  files.createFolder(folder);
  const fs::path shipped = Machine::toolsFolder();
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(shipped, ec)) {
    const std::string name = entry.path().filename().string();
    const std::string ext = entry.path().extension().string();
    const bool library = ifind(name, "VrelRestore_") == 0 && iequals(ext, ".dll");
    const bool exMergeSettings = ifind(name, "exmerge.ini") == 0;
    // The programs the run starts from its folder: the syncher and ExMerge.
    const bool program = name == "OrvixDirSync" || name == "exmerge";
    if (!library && !exMergeSettings && !program && !iequals(ext, ".htm") && !iequals(name, "CleanConfigInfo.mdb"))
      continue;
    const std::string from = files.paths().toWindows(entry.path().string());
    files.copyFile(from, folder + "\\" + name + (program ? ".exe" : ""), true);
  }
}

RestoreMachine::RestoreMachine() { m_scratch.activate(); }

RestoreMachine::~RestoreMachine() = default;

standin::ProvisionResult RestoreMachine::provision(standin::ProvisionOptions options) {
  standin::ProvisionResult r;
  std::string error;
  EXPECT_TRUE(standin::provisionServer(machine(), options, r, error)) << error;
  return r;
}

restore::frmMain& RestoreMachine::start(const std::string& commandLine) {
  installProgramFiles(files(), kProgramFolder);
  restore::ProgramSetup setup;
  setup.programFolder = kProgramFolder;
  setup.commandLine = commandLine;
  m_form.reset();
  m_program = std::make_unique<restore::Program>(machine(), ui, setup);
  // The server's control object of the stand-in machine.
  m_program->createControlObject = [this] { return standin::createControlObject(machine()); };
  m_program->createDbSync = [this](const std::string& id, std::unique_ptr<standin::DbSync>& out) {
    return standin::createDbSync(machine(), id, out);
  };
  m_program->createDirectoryService = [this](const std::string& id, std::unique_ptr<standin::DirectoryService>& out) {
    return standin::createDirectoryService(machine(), id, out);
  };
  m_form = std::make_unique<restore::frmMain>(*m_program);
  return *m_form;
}

}  // namespace vrel::test
