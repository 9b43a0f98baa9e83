#include "platform/Processes.h"
#include "platform/tests/ChildProcesses.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace vrel {
namespace {

// Sets or clears an environment variable for one test; children inherit it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (m_old)
      setenv(m_name, m_old->c_str(), 1);
    else
      unsetenv(m_name);
  }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

class NotepadToolTest : public ::testing::Test {
 protected:
  // Starts a command line through the machine's runner, as the restore
  // program does (maximised), and waits for it; a notepad that opened a
  // window would still be running after the wait.
  void runOnMachine(const std::string& commandLine) {
    Processes processes(m.machine());
    long pid = 0;
    const ProcStatus st = processes.start(commandLine, kMaximizedFocus, pid);
    ASSERT_TRUE(st) << st.description;
    // Waits are scaled by the test time scale: this is about ten seconds, a
    // bound for a notepad that wrongly waits for its window to be closed.
    EXPECT_EQ(Processes::wait(pid, 1000000), WaitResult::Ended) << "no window without a display";
  }
  void TearDown() override { test::endAllProcesses(m.machine()); }

  test::ScratchMachine m;
};

struct CommandCase {
  friend void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }
  const char* name;
  const char* commandLine;
  const char* file;
};

class NotepadCommandTest : public NotepadToolTest, public ::testing::WithParamInterface<CommandCase> {};

// A display is named but Qt is told to draw off screen: only the request is
// recorded, and the file name is all of the argument text.
TEST_P(NotepadCommandTest, RecordsTheWholeArgumentTextAsTheFile) {
  ScopedEnv display("DISPLAY", ":99");
  ScopedEnv offscreen("QT_QPA_PLATFORM", "offscreen");
  runOnMachine(GetParam().commandLine);
  EXPECT_EQ(m.machine().value("NotepadOpened", "<not asked>"), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, NotepadCommandTest,
    ::testing::Values(CommandCase{"UnquotedPathWithBlanks", "notepad.exe D:\\My Backup\\DisasterRecoveryRestore.log",
                                  "D:\\My Backup\\DisasterRecoveryRestore.log"},
                      CommandCase{"QuotedPath", "notepad \"C:\\Vrel Logs\\run.log\"", "C:\\Vrel Logs\\run.log"},
                      CommandCase{"RelativeName", "NOTEPAD.EXE   run.log  ", "run.log"},
                      CommandCase{"NoFile", "notepad.exe", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NotepadToolTest, WithoutAnyDisplayItEndsAtOnce) {
  ScopedEnv display("DISPLAY", nullptr);
  ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
  ScopedEnv platform("QT_QPA_PLATFORM", nullptr);
  runOnMachine("notepad.exe C:\\x.log");
  EXPECT_EQ(m.machine().value("NotepadOpened"), "C:\\x.log");
}

TEST_F(NotepadToolTest, ExitStatusSaysWhetherTheRequestWasRecorded) {
  ScopedEnv offscreen("QT_QPA_PLATFORM", "offscreen");
  m.activate();
  const auto ok = test::runTool("notepad", "'C:\\Temp Dir\\a.log'");
  EXPECT_EQ(ok.exitCode, 0) << ok.output;
  EXPECT_EQ(m.machine().value("NotepadOpened"), "C:\\Temp Dir\\a.log");

  ScopedEnv noMachine("VREL_MACHINE", nullptr);
  const auto refused = test::runTool("notepad", "C:\\b.log");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.output.find("VREL_MACHINE"), std::string::npos) << refused.output;
}

}  // namespace
}  // namespace vrel
