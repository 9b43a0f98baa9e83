// The database restore trap of the run (retry or abort) and the abort path,
// which puts the new machine's own registry tree and databases back and ends
// the program without restarting the server.
#include "platform/registry/RegFileReader.h"
#include "restore/run/frmMain.h"
#include "restore/run/frmMainTraps.h"

namespace vrel::restore {

namespace {

constexpr long kExclusiveAccess = -2147218303;  // 0x80040C81
constexpr int kExclusiveQuestion = 20;  // "Failed to gain exclusive access to SQL to perform the restor..."
constexpr int kAccessQuestion = 41;  // "SQL is unable to gain full access to the restore location.  ..."
constexpr int kAborted = 74;  // "Vrel process aborted.  You will need to reboot the server to..."
constexpr const char* kTremarcTree = "SOFTWARE\\Tremarc";

// The first key the export names must be the server's whole tree, or the
// file is not the one the local configuration backup wrote.
bool isWholeTreeExport(const Bytes& file) {
  RegFileContent content;
  std::string error;
  if (!RegFileReader().read(file, content, error) || !content.problems.empty() || !content.truncated.empty() ||
      content.ops.empty())
    return false;
  const RegOp& first = content.ops.front();
  return first.kind == RegOp::CreateKey && first.hive == Hive::LocalMachine && iequals(first.path, kTremarcTree);
}

}  // namespace

void frmMain::restoreDatabasesUnderTrap() {
  RunLog& log = m_program.log;
  while (auto error = trapStatement([&] { RestoreDatabases(); })) {
    log.WriteToLog("(error) in cmdRestore routine:" + error->description + " Number=" + std::to_string(error->number));
    if (error->number == kExclusiveAccess) {
      if (m_program.MsgBox(m_program.str(kExclusiveQuestion), MsgBoxStyle::OKCancel) != MsgResult::OK) abortRestore();
      log.WriteToLog("    User elected to try SQL restore again.");
    } else if (m_program.MsgBox(m_program.str(kAccessQuestion), MsgBoxStyle::YesNo) != MsgResult::Yes) {
      abortRestore();
    }
  }
}

// The abort path. The pre-restore export is merged back by the registry
// editor; keys that only the backup brought would survive such a merge, so
// the restored tree is removed first, but only when the export is there and
// reads as a whole export of that tree: a missing or damaged export must not
// cost the machine its registry.
void frmMain::abortRestore() {
  Program& p = m_program;
  p.log.WriteToLog("user elected to abort.  Restoring original TM registry branch and exiting...");
  const std::string exportFile = p.programFolder() + "\\PreRestoreTMRegistryBranch.reg";
  trapGeneral([&] {
    std::string bytes;
    if (!p.files.readAll(exportFile, bytes)) return;
    if (!isWholeTreeExport(Bytes(bytes.begin(), bytes.end()))) {
      p.log.WriteToLog("(error) " + exportFile + " is not a complete export of the Tremarc registry tree");
      return;
    }
    p.module1.DeleteRegistryTree(Hive::LocalMachine, kTremarcTree);
  });
  trapGeneral([&] {
    const long pid = p.external.Shell("regedit /s \"" + exportFile + "\"", 1);
    p.external.WaitForProcess(pid, modCallExternalApp::kInfinite);
  });
  trapGeneral([&] { putBackDatabases(); });
  trapGeneral([&] { p.MsgBox(p.str(kAborted)); });
  ExitProgram(ProgramEnd::Aborted);
}

}  // namespace vrel::restore
