#include "restore/external/modCallExternalApp.h"

#include "platform/tests/ChildProcesses.h"
#include "restore/run/RunLog.h"
#include "restore/run/VbError.h"

#include <gtest/gtest.h>

namespace vrel::restore {
namespace {

class ModCallExternalAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::placeTool(m.machine(), "C:\\Program Files\\Orvix\\TmQuick.exe", "sleeper");
    ASSERT_TRUE(log.OpenLogFile(kLog, false));
  }
  void TearDown() override { test::endAllProcesses(m.machine()); }

  // The entries after the log's header, without their date and time.
  std::vector<std::string> entries() {
    std::string text;
    EXPECT_TRUE(m.files().readAll(kLog, text));
    std::vector<std::string> out;
    for (const auto& line : split(text, '\n')) {
      const auto colon = line.find(": ");
      if (colon != std::string::npos && line.find(kMark) != std::string::npos) out.clear();
      if (colon != std::string::npos) out.push_back(line.substr(colon + 2, line.size() - colon - 3));
    }
    if (!out.empty()) out.erase(out.begin());  // the mark itself
    return out;
  }
  void mark() { log.WriteToLog(kMark); }

  static constexpr const char* kLog = "C:\\DisasterRecoveryRestore.log";
  static constexpr const char* kMark = "--- test starts here ---";
  test::ScratchMachine m;
  RunLog log{m.files()};
  modCallExternalApp app{m.machine(), log};
};

TEST_F(ModCallExternalAppTest, ChildThatEndsAtOnceWithDebugLine) {
  log.setDebug(true);
  mark();
  long pid = app.Shell("C:\\Program Files\\Orvix\\TmQuick TmQuick.exe 0", 1);
  EXPECT_TRUE(app.WaitForProcess(pid, 30000));
  EXPECT_EQ(entries(), std::vector<std::string>{"debug - WaitForProcess calling with TaskID=" + std::to_string(pid)});
}

TEST_F(ModCallExternalAppTest, ChildOutlivingItsTimeOutStillRunsAndNoDebugLine) {
  mark();
  const long pid = app.Shell("\"C:\\Program Files\\Orvix\\TmQuick.exe\" TmSlow.exe 100000", 6);
  EXPECT_FALSE(app.WaitForProcess(pid, 10));
  EXPECT_TRUE(test::liveProcess(m.machine(), pid)) << "the runner never ends a child";
  EXPECT_FALSE(app.WaitForProcess(pid, 0));
  EXPECT_TRUE(entries().empty()) << "no debug line without the debug flag";
}

TEST_F(ModCallExternalAppTest, ProgramThatCannotBeFoundRaisesFileNotFound) {
  try {
    app.Shell("GrantOrvixAccess -u DOM\\admin -s installer", 6);
    FAIL() << "no error raised";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number, 53);
    EXPECT_EQ(e.description, "File not found");
  }
}

TEST_F(ModCallExternalAppTest, IdentifierOfNoProcessCountsAsEnded) {
  EXPECT_TRUE(app.WaitForProcess(0, modCallExternalApp::kInfinite));
}

// A double whose wait fails, as an unexpected error inside the runner.
class FailingWait : public ExternalProcesses {
 public:
  ProcStatus start(std::string_view, int, long& pid) override {
    pid = 4242;
    return {};
  }
  WaitResult wait(long pid, std::uint32_t timeoutMs, std::string& error) override {
    waited = {pid, timeoutMs};
    error = "Bad file descriptor";
    return WaitResult::Failed;
  }
  std::pair<long, std::uint32_t> waited{};
};

TEST_F(ModCallExternalAppTest, UnexpectedErrorIsLoggedAsWarningAndReportsStillRunning) {
  FailingWait failing;
  modCallExternalApp runner(failing, log);
  log.setDebug(true);
  mark();
  EXPECT_FALSE(runner.WaitForProcess(runner.Shell("net stop x", 1), 30000));
  EXPECT_EQ(failing.waited, (std::pair<long, std::uint32_t>{4242, 30000}));
  EXPECT_EQ(entries(), (std::vector<std::string>{"debug - WaitForProcess calling with TaskID=4242",
                                                 "(warning) error raised calling external app5 (Bad file descriptor) "
                                                 "in procedure WaitForProcess of Module modCallExternalApp"}));
  EXPECT_EQ(log.warningCount(), 1);
}

}  // namespace
}  // namespace vrel::restore
