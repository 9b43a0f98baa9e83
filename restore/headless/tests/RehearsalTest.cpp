// VrelRestore --rehearse: the run on a copy of the machine reports what a
// real run then does, and leaves the machine as it was.
#include "platform/MachineSnapshot.h"
#include "platform/WinPath.h"
#include "platform/tests/ChildProcesses.h"
#include "restore/app/ProgramStart.h"
#include "restore/headless/HeadlessDriver.h"
#include "restore/headless/Rehearsal.h"
#include "restore/headless/tests/HeadlessFixture.h"
#include "restore/tests/support/RestoreFixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace vrel::test {
namespace {

std::string jsonText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Each change as the run report spells it, without the values' texts,
// which hold the run's own times and generated IDs.
std::vector<std::string> jsonItems(const MachineChanges& c) {
  std::vector<std::string> out;
  for (const auto& v : c.values) out.push_back("{\"key\": " + jsonText(v.key) + ", \"name\": " + jsonText(v.name) + ",");
  for (const auto& t : c.tables)
    out.push_back("{\"table\": " + jsonText(t.table) + ", \"rowsWritten\": " + std::to_string(t.written) +
                  ", \"rowsRemoved\": " + std::to_string(t.removed) + "}");
  for (const auto& f : c.files) out.push_back("{\"path\": " + jsonText(f.path) + ", \"change\": \"" + f.how + "\"}");
  for (const auto& s : c.services)
    out.push_back("{\"name\": " + jsonText(s.name) + ", \"before\": " + std::to_string(s.before) +
                  ", \"after\": " + std::to_string(s.after) + "}");
  return out;
}

class Rehearsal : public ::testing::Test {
 protected:
  Rehearsal() { m_new.activate(); }
  ~Rehearsal() override {
    endAllProcesses(m_new.machine());
    WinPaths::setCurrentFolder(m_savedFolder);
  }

  restore::ProgramArguments arguments(bool rehearse) {
    restore::ProgramArguments args;
    args.headless = true;
    args.rehearse = rehearse;
    args.given.backup = m_old.folder();
    args.given.rules.push_back({"view log file", restore::MsgResult::Cancel});
    return args;
  }

  restore::ProgramSetup setup() {
    installProgramFiles(m_new.files(), RestoreMachine::kProgramFolder);
    restore::ProgramSetup s;
    s.programFolder = RestoreMachine::kProgramFolder;
    return s;
  }

  OldServerBackup m_old;
  ScratchMachine m_new;
  std::ostringstream out, err;

 private:
  std::string m_savedFolder = WinPaths::currentFolder();
};

TEST_F(Rehearsal, ReportsWhatTheRealRunThenDoesAndTouchesNothing) {
  standin::ProvisionResult result;
  std::string error;
  ASSERT_TRUE(standin::provisionServer(m_new.machine(), server("ORVIXNEW"), result, error)) << error;
  const restore::ProgramSetup s = setup();

  MachineSnapshot before, afterRehearsal;
  ASSERT_TRUE(takeMachineSnapshot(m_new.machine(), before, error)) << error;
  MachineChanges rehearsed;
  ASSERT_EQ(restore::runRehearsal(m_new.machine(), s, arguments(true), out, err, restore::prepareProgram, &rehearsed),
            0)
      << err.str() << out.str();
  ASSERT_TRUE(takeMachineSnapshot(m_new.machine(), afterRehearsal, error)) << error;
  EXPECT_EQ(jsonItems(diffMachineSnapshots(before, afterRehearsal)), std::vector<std::string>{});
  EXPECT_EQ(std::getenv("VREL_MACHINE"), m_new.root());

  // The report names what a restore changes, and the log it wrote.
  const std::string report = out.str();
  EXPECT_FALSE(rehearsed.values.empty());
  EXPECT_FALSE(rehearsed.tables.empty());
  EXPECT_NE(report.find("\nRehearsal report\nRegistry values changed: " + std::to_string(rehearsed.values.size())),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("Finished disaster reocovery restore at: "), std::string::npos);

  // The real run on the machine itself, by the program as an administrator
  // starts it, changes the same things: its report lists each change the
  // rehearsal named, and as many.
  placeTool(m_new.machine(), "C:\\Vrel\\VrelRestore", "VrelRestore");
  ASSERT_TRUE(m_new.files().writeAll("C:\\answers.txt",
                                     "backup = " + m_old.folder() + "\nanswer \"view log file\" = cancel\n"));
  const std::string program = m_new.files().paths().toHost("C:\\Vrel\\VrelRestore");
  FILE* run = popen(("'" + program + "' --headless --answers 'C:\\answers.txt' >/dev/null 2>&1").c_str(), "r");
  ASSERT_NE(run, nullptr);
  ASSERT_EQ(pclose(run), 0);
  std::string real;
  ASSERT_TRUE(m_new.files().readAll(m_old.folder() + "\\DisasterRecoveryRestore.json", real));
  for (const std::string& item : jsonItems(rehearsed)) EXPECT_NE(real.find(item), std::string::npos) << item;
  EXPECT_NE(real.find("\"counts\": {\"registryValues\": " + std::to_string(rehearsed.values.size()) +
                      ", \"rowsWritten\": " + std::to_string(rehearsed.rowsWritten()) +
                      ", \"rowsRemoved\": " + std::to_string(rehearsed.rowsRemoved()) +
                      ", \"files\": " + std::to_string(rehearsed.files.size()) +
                      ", \"services\": " + std::to_string(rehearsed.services.size())),
            std::string::npos)
      << real.substr(0, 2000);
}

// The copy must not disturb the process's own hold on the machine store: a
// real run in the same process afterwards restores the branches the new
// machine keeps (the event monitoring key among them), and the store opens
// afresh.
TEST_F(Rehearsal, LeavesTheProcessHoldOnTheMachineStoreIntact) {
  standin::ProvisionResult result;
  std::string error;
  ASSERT_TRUE(standin::provisionServer(m_new.machine(), server("ORVIXNEW"), result, error)) << error;
  const restore::ProgramSetup s = setup();
  ASSERT_EQ(restore::runRehearsal(m_new.machine(), s, arguments(true), out, err, restore::prepareProgram), 0);
  std::ostringstream realOut, realErr;
  ASSERT_EQ(restore::runHeadless(m_new.machine(), s, arguments(false), realOut, realErr, restore::prepareProgram), 0)
      << realErr.str();
  const char* key = "SOFTWARE\\Tremarc\\ToolsDepot\\Diagnostic Tools\\Event Monitoring Service";
  RegValue path;
  EXPECT_EQ(m_new.machine().registry().getValue(Hive::LocalMachine, key, "Path", path), kRegOk);
  auto fresh = Machine::open(m_new.root(), error);
  ASSERT_TRUE(fresh) << error;
  EXPECT_EQ(fresh->registry().getValue(Hive::LocalMachine, key, "Path", path), kRegOk);
}

TEST_F(Rehearsal, WithoutARunReportsNothingToChange) {
  standin::ProvisionResult result;
  std::string error;
  ASSERT_TRUE(standin::provisionServer(m_new.machine(), server("ORVIXNEW"), result, error)) << error;
  restore::ProgramArguments args = arguments(true);
  args.given.restore = false;
  ASSERT_EQ(restore::runRehearsal(m_new.machine(), setup(), args, out, err, restore::prepareProgram), 0) << err.str();
  EXPECT_NE(out.str().find("No restore ran; nothing would change.\n"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace vrel::test
