#include "platform/Processes.h"

#include "platform/ProcessHost.h"
#include "platform/ProgramSearch.h"
#include "platform/Registry.h"
#include "platform/tests/ChildProcesses.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <spawn.h>

namespace vrel {
namespace {

using test::eventually;
using test::liveProcess;
using test::placeTool;

constexpr const char* kEnvKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

class ProcessesTest : public ::testing::Test {
 protected:
  void TearDown() override { test::endAllProcesses(m.machine()); }

  void setSearchPath(const std::string& path) {
    ASSERT_EQ(m.registry().setValue(Hive::LocalMachine, kEnvKey, RegValue::text("Path", path, kRegExpandSz)), kRegOk);
  }
  void writeFile(const std::string& winPath, const std::string& text) {
    ASSERT_TRUE(m.files().createFolder(winParent(winPath)));
    ASSERT_TRUE(m.files().writeAll(winPath, text));
  }
  long start(const std::string& line, int style = kNormalFocus) {
    long pid = 0;
    const ProcStatus s = procs.start(line, style, pid);
    EXPECT_TRUE(s) << line << ": " << s.number << " " << s.description;
    return pid;
  }
  // The built sleeper under a Windows program name.
  std::string sleeper() {
    if (!m.files().fileExists("C:\\Tools\\sleeper.exe")) placeTool(m.machine(), "C:\\Tools\\sleeper.exe", "sleeper");
    return "C:\\Tools\\sleeper.exe";
  }

  test::ScratchMachine m;
  Processes procs{m.machine()};
};

struct FindRow {
  const char* name;
  const char* typed;
  const char* found;  // empty: not found
  friend void PrintTo(const FindRow& r, std::ostream* os) { *os << r.name; }
};

class FindProgram : public ProcessesTest, public ::testing::WithParamInterface<FindRow> {};

TEST_P(FindProgram, LikeATypedCommand) {
  WinPaths::setCurrentFolder("C:\\Work");
  setSearchPath("%SystemRoot%\\system32;%SystemRoot%;C:\\Tools;%NOSUCHVAR%\\x");
  placeTool(m.machine(), "C:\\Tools\\VrelTool.EXE", "sleeper");
  placeTool(m.machine(), "C:\\Tools\\notepad.exe", "sleeper");
  placeTool(m.machine(), "C:\\Work\\notepad.exe", "sleeper");
  placeTool(m.machine(), "C:\\Work\\Sub\\tool.com", "sleeper");
  writeFile("C:\\Work\\test.bat", "echo hi\r\n");
  writeFile("C:\\Work\\readme", "no extension\r\n");
  ProgramLocation loc;
  const bool ok = findProgram(m.machine(), GetParam().typed, loc);
  if (std::string(GetParam().found).empty()) {
    EXPECT_FALSE(ok) << loc.winPath;
    return;
  }
  ASSERT_TRUE(ok);
  EXPECT_EQ(loc.winPath, GetParam().found);
  EXPECT_EQ(loc.kind, loc.winPath.ends_with(".bat") ? ProgramLocation::Batch : ProgramLocation::Executable);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FindProgram,
    ::testing::Values(FindRow{"SystemToolByBareName", "net", "C:\\Windows\\system32\\net.exe"},
                      FindRow{"AnyCaseWithExtension", "NET.EXE", "C:\\Windows\\system32\\net.exe"},
                      FindRow{"CurrentFolderBeforeSearchPath", "notepad", "C:\\Work\\notepad.exe"},
                      FindRow{"FolderAddedToSearchPath", "vreltool", "C:\\Tools\\VrelTool.EXE"},
                      FindRow{"ComExtensionTried", "Sub\\tool", "C:\\Work\\Sub\\tool.com"},
                      FindRow{"BatchFile", "test", "C:\\Work\\test.bat"},
                      FindRow{"FullPath", "C:\\Work\\Sub\\TOOL.COM", "C:\\Work\\Sub\\tool.com"},
                      FindRow{"RelativePathIsNotSearched", "Sub\\regsvr32", ""},
                      FindRow{"NoExtensionIsNotRun", "readme", ""},
                      FindRow{"Unknown", "nosuchprogram", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProcessesTest, SearchPathExpandsMachineVariablesAndHasAWindowsDefault) {
  EXPECT_EQ(machineSearchPath(m.machine()), (std::vector<std::string>{"C:\\Windows\\system32", "C:\\Windows"}));
  ASSERT_EQ(m.registry().deleteValue(Hive::LocalMachine, kEnvKey, "Path"), kRegOk);
  EXPECT_EQ(machineSearchPath(m.machine()), (std::vector<std::string>{"C:\\Windows\\system32", "C:\\Windows"}));
  ASSERT_EQ(m.registry().setValue(Hive::LocalMachine, kEnvKey, RegValue::text("ToolRoot", "%SystemDrive%\\Tools")),
            kRegOk);
  setSearchPath(" \"%ToolRoot%\\bin\" ;;%windir%;50%;%Unknown%");
  EXPECT_EQ(machineSearchPath(m.machine()),
            (std::vector<std::string>{"C:\\Tools\\bin", "%windir%", "50%", "%Unknown%"}));
}

TEST_F(ProcessesTest, StartFailuresCarryTheirErrorNumbers) {
  long pid = 99;
  ProcStatus s = procs.start("nosuchprogram /x", kNormalFocus, pid);
  EXPECT_EQ(s.number, 53);
  EXPECT_EQ(s.description, "File not found");
  EXPECT_EQ(pid, 0);
  EXPECT_EQ(procs.start("   ", kNormalFocus, pid).number, 5);
  EXPECT_EQ(procs.start("net start", 5, pid).number, 5) << "no such window style";
  writeFile("C:\\Work\\plain.exe", "not a program");
  EXPECT_NE(procs.start("C:\\Work\\plain.exe", kHide, pid).number, 0);
}

TEST_F(ProcessesTest, ChildSeesItsCommandLineArgumentsAndFolder) {
  WinPaths::setCurrentFolder("C:\\Orvix Root");
  ASSERT_TRUE(m.files().createFolder("C:\\Orvix Root"));
  placeTool(m.machine(), "C:\\Program Files\\Orvix\\TmProbe.exe", "sleeper");
  // Unquoted path with blanks: found the way Windows finds it.
  const std::string line = "C:\\Program Files\\Orvix\\TmProbe \"Tm Self.exe\" 1000";
  const long pid = start(line, kMinimizedNoFocus);
  ASSERT_GT(pid, 0);
  // The child re-records itself under its first argument with the command
  // line it read.
  ASSERT_TRUE(eventually([&] {
    const auto p = liveProcess(m.machine(), pid);
    return p && p->image == "Tm Self.exe";
  }));
  EXPECT_EQ(liveProcess(m.machine(), pid)->commandLine, line);
  std::ifstream env("/proc/" + std::to_string(pid) + "/environ");
  std::string all((std::istreambuf_iterator<char>(env)), {});
  EXPECT_NE(all.find(std::string("VREL_WINDOW_STYLE=6") + '\0'), std::string::npos);
  EXPECT_NE(all.find(std::string("VREL_CWD=C:\\Orvix Root") + '\0'), std::string::npos);
  EXPECT_NE(all.find("VREL_MACHINE=" + m.root() + '\0'), std::string::npos);
}

TEST_F(ProcessesTest, ChildThatEndsAtOnceIsReportedEndedAndLeavesTheTable) {
  const long pid = start(sleeper() + " TmQuick.exe 0");
  EXPECT_EQ(Processes::wait(pid, 30000), WaitResult::Ended);
  EXPECT_FALSE(host::isOurChild(pid)) << "reaped";
  EXPECT_FALSE(liveProcess(m.machine(), pid));
}

TEST_F(ProcessesTest, ChildOutlivingItsTimeOutKeepsRunningAndIsReapedLater) {
  placeTool(m.machine(), "C:\\Orvix\\TmSlow.exe", "sleeper");
  const long pid = start("C:\\Orvix\\TmSlow.exe TmSlow.exe 100000");
  EXPECT_EQ(Processes::wait(pid, 0), WaitResult::TimedOut);
  EXPECT_EQ(Processes::wait(pid, 10), WaitResult::TimedOut);
  const auto row = liveProcess(m.machine(), pid);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->image, "TmSlow.exe");
  // It ends on its own later (here: ended from outside) and turns into a
  // zombie; the next call into the process layer reaps it.
  ASSERT_EQ(::kill(static_cast<pid_t>(pid), SIGKILL), 0);
  ASSERT_TRUE(eventually([&] {
    const auto st = host::readProcStat(pid);
    return st && st->ended();
  }));
  EXPECT_FALSE(liveProcess(m.machine(), pid));
  EXPECT_FALSE(host::readProcStat(pid)) << "no zombie left behind";
}

TEST_F(ProcessesTest, WaitOnProcessesThatCannotBeOpenedCountsAsEnded) {
  EXPECT_EQ(Processes::wait(0, 1000), WaitResult::Ended);
  EXPECT_EQ(Processes::wait(-1, 1000), WaitResult::Ended);
  EXPECT_EQ(Processes::wait(0x7FFFFFFF, 1000), WaitResult::Ended);
}

TEST_F(ProcessesTest, BatchFileRunsInTheMachinesInterpreter) {
  WinPaths::setCurrentFolder("C:\\Vrel");
  writeFile("C:\\Vrel\\test.bat",
            "@echo off\r\nrem the update check\r\n:label\r\nstart \"\" " + sleeper() +
                " TmFrom%~2.exe 100000\r\nexit /b 0\r\n" + sleeper() + " NeverRun.exe 100000\r\n");
  const long pid = start("C:\\Vrel\\test.bat 1.0.0 \"Batch\"", kMinimizedFocus);
  const auto cmd = liveProcess(m.machine(), pid);
  if (cmd) {
    EXPECT_EQ(cmd->image, "cmd.exe");
  }
  EXPECT_EQ(Processes::wait(pid, kWaitInfinite), WaitResult::Ended);
  std::vector<ProcessInfo> all;
  ASSERT_TRUE(eventually([&] {
    std::string error;
    ProcessTable(m.machine()).live(all, error);
    return all.size() == 1 && all[0].image == "TmFromBatch.exe";
  })) << "the started program runs on; the line after exit never ran; live: " << [&] {
    std::string names;
    for (const ProcessInfo& p : all) names += p.image + " ";
    return names;
  }();
}

TEST_F(ProcessesTest, EndingByPatternTouchesOnlyTheMachinesMatchingProcesses) {
  placeTool(m.machine(), "C:\\Orvix\\TmSvc.exe", "sleeper");
  placeTool(m.machine(), "C:\\Orvix\\TMDSAD.EXE", "sleeper");
  placeTool(m.machine(), "C:\\Orvix\\Other.exe", "sleeper");
  const long a = start("C:\\Orvix\\TmSvc.exe TmSvc.exe 100000");
  const long b = start("C:\\Orvix\\TMDSAD.EXE TMDSAD.EXE 100000");
  const long other = start("C:\\Orvix\\Other.exe Other.exe 100000");

  // A host process the machine did not start, recorded under a matching name
  // but with another start time: a pid that has been reused.
  pid_t stranger = 0;
  const char* argv[] = {"sleep", "1000", nullptr};
  ASSERT_EQ(posix_spawnp(&stranger, "sleep", nullptr, nullptr, const_cast<char* const*>(argv), environ), 0);
  sql::Statement ins(m.machine().store(),
                     "INSERT INTO processes (pid, start_time, image, command_line) VALUES (?, ?, 'TmReused.exe', 'x')");
  ins.bind(1, static_cast<std::int64_t>(stranger))
      .bind(2, static_cast<std::int64_t>(host::readProcStat(stranger)->startTime + 1));
  ASSERT_TRUE(ins.run());
  // This test process itself, recorded under a matching name.
  std::string error;
  ASSERT_TRUE(procs.table().addSelf("TmSelf.exe", "tests", error)) << error;

  std::vector<ProcessInfo> ended;
  ASSERT_TRUE(procs.table().endMatching("tm*.*", true, ended, error)) << error;
  std::vector<long> pids;
  for (const auto& p : ended) pids.push_back(p.pid);
  EXPECT_EQ(pids, (std::vector<long>{std::min(a, b), std::max(a, b)}));
  EXPECT_EQ(Processes::wait(a, kWaitInfinite), WaitResult::Ended);
  EXPECT_EQ(Processes::wait(b, kWaitInfinite), WaitResult::Ended);
  EXPECT_EQ(Processes::wait(other, 0), WaitResult::TimedOut);
  EXPECT_EQ(::kill(stranger, 0), 0) << "the stranger still runs";
  ::kill(stranger, SIGKILL);
  waitpid(stranger, nullptr, 0);
}

// A quick child may record itself (under the name it runs as) before its
// starter writes the row it makes after the fork; the child's row stays.
// A row left by an earlier process with the same pid is replaced.
TEST_F(ProcessesTest, AStartersRowNeverRenamesAProcessThatRecordedItself) {
  std::string error;
  const long self = static_cast<long>(getpid());
  auto imageOf = [&] {
    sql::Statement q(m.machine().store(), "SELECT image FROM processes WHERE pid = ?");
    q.bind(1, static_cast<std::int64_t>(self));
    return q.step() == SQLITE_ROW ? q.text(0) : std::string("(none)");
  };
  std::vector<ProcessInfo> all;
  ASSERT_TRUE(procs.table().live(all, error)) << error;  // makes the table
  sql::Statement stale(m.machine().store(),
                       "INSERT INTO processes (pid, start_time, image, command_line) VALUES (?, 1, 'Old.exe', 'x')");
  stale.bind(1, static_cast<std::int64_t>(self));
  ASSERT_TRUE(stale.run());
  ASSERT_TRUE(procs.table().add(self, "starter.exe", "x", error)) << error;
  EXPECT_EQ(imageOf(), "starter.exe") << "a reused pid's row goes";
  ASSERT_TRUE(procs.table().addSelf("TmSelf.exe", "x", error)) << error;
  EXPECT_EQ(imageOf(), "TmSelf.exe");
  ASSERT_TRUE(procs.table().add(self, "starter.exe", "x", error)) << error;
  EXPECT_EQ(imageOf(), "TmSelf.exe") << "the starter's late row";
}

}  // namespace
}  // namespace vrel
