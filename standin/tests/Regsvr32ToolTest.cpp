// The stand-in regsvr32 registering a real shared library on a scratch
// machine, and the messages Windows shows when it cannot.
#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/tests/ChildProcesses.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vrel::test {
namespace {

std::string testModule(const std::string& name) {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return (self.parent_path() / "modules" / (name + ".so")).string();
}

std::string loadFailure(const std::string& module, const std::string& reason) {
  return "The module \"" + module +
         "\" failed to load.\n\nMake sure the binary is stored at the specified path or debug it to check for "
         "problems with the binary or dependent .DLL files.\n\n" +
         reason + "\n";
}

class Regsvr32ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m.files().createFolder("C:\\Program Files\\Vrel"));
    place("RegisterProbe", kServer);
    place("NoEntryPoints", "C:\\Program Files\\Vrel\\Plain.dll");
    ASSERT_TRUE(m.files().writeAll("C:\\Program Files\\Vrel\\Text.dll", "not a library"));
  }
  void TearDown() override {
    unsetenv("VREL_PROBE_HRESULT");
    unsetenv("VREL_CWD");
  }
  void place(const std::string& module, const std::string& winPath) {
    ASSERT_TRUE(std::filesystem::exists(testModule(module))) << testModule(module);
    ASSERT_TRUE(m.files().copyFile(m.files().paths().toWindows(testModule(module)), winPath, true));
  }
  static ToolRun regsvr32(const std::string& shellArgs) { return runTool("regsvr32", shellArgs); }

  static constexpr const char* kServer = "C:\\Program Files\\Vrel\\VrelDOMSvr.DLL";
  ScratchMachine m;
};

struct Row {
  const char* name;
  const char* args;
  int exitCode;
  std::string output;
};

class Regsvr32OutcomeTest : public Regsvr32ToolTest, public ::testing::WithParamInterface<Row> {};

TEST_P(Regsvr32OutcomeTest, ReportsAsWindowsDoes) {
  const ToolRun run = regsvr32(GetParam().args);
  EXPECT_EQ(run.exitCode, GetParam().exitCode);
  EXPECT_EQ(run.output, GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, Regsvr32OutcomeTest,
    ::testing::Values(
        Row{"Registers", "'C:\\Program Files\\Vrel\\VrelDOMSvr.DLL'", 0,
            "RegisterProbe: DllRegisterServer\nDllRegisterServer in C:\\Program Files\\Vrel\\VrelDOMSvr.DLL "
            "succeeded.\n"},
        Row{"NamesInAnyCase", "'c:\\program files\\vrel\\vreldomsvr.dll'", 0,
            "RegisterProbe: DllRegisterServer\nDllRegisterServer in c:\\program files\\vrel\\vreldomsvr.dll "
            "succeeded.\n"},
        Row{"Unregisters", "/u 'C:\\Program Files\\Vrel\\VrelDOMSvr.DLL'", 0,
            "RegisterProbe: DllUnregisterServer\nDllUnregisterServer in C:\\Program Files\\Vrel\\VrelDOMSvr.DLL "
            "succeeded.\n"},
        Row{"SilentShowsNothing", "'C:\\Program Files\\Vrel\\VrelDOMSvr.DLL' /S", 0,
            "RegisterProbe: DllRegisterServer\n"},
        Row{"Missing", "'C:\\Vrel\\VrelDOMSvr.DLL'", 3,
            loadFailure("C:\\Vrel\\VrelDOMSvr.DLL", "The specified module could not be found.")},
        Row{"MissingSilent", "/s 'C:\\Vrel\\VrelDOMSvr.DLL'", 3, ""},
        Row{"NotALibrary", "'C:\\Program Files\\Vrel\\Text.dll'", 3,
            loadFailure("C:\\Program Files\\Vrel\\Text.dll",
                        "C:\\Program Files\\Vrel\\Text.dll is not a valid Win32 application.")},
        Row{"NoEntryPoint", "'C:\\Program Files\\Vrel\\Plain.dll'", 4,
            "The module \"C:\\Program Files\\Vrel\\Plain.dll\" was loaded but the entry-point DllRegisterServer was "
            "not found.\n\nMake sure that \"C:\\Program Files\\Vrel\\Plain.dll\" is a valid DLL or OCX file and then "
            "try again.\n"},
        Row{"NoModule", "/s", 1, ""},
        Row{"UnknownFlag", "/x 'C:\\Program Files\\Vrel\\VrelDOMSvr.DLL'", 1,
            "Unrecognized flag: /x\nUsage: regsvr32 [/u] [/s] [/n] [/i[:cmdline]] dllname\n/u - Unregister server\n"
            "/s - Silent; display no message boxes\n\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Regsvr32ToolTest, AFailingRegistrationReportsItsHresult) {
  setenv("VREL_PROBE_HRESULT", "80004005", 1);
  const ToolRun run = regsvr32("'C:\\Program Files\\Vrel\\VrelDOMSvr.DLL'");
  EXPECT_EQ(run.exitCode, 5);
  EXPECT_EQ(run.output,
            "RegisterProbe: DllRegisterServer\nThe module \"C:\\Program Files\\Vrel\\VrelDOMSvr.DLL\" was loaded but "
            "the call to DllRegisterServer failed with error code 0x80004005.\n\nFor more information about this "
            "problem, search online using the error code as the search term.\n");
}

TEST_F(Regsvr32ToolTest, ARelativeNameIsFoundInTheCurrentFolder) {
  setenv("VREL_CWD", "C:\\Program Files\\Vrel", 1);
  const ToolRun run = regsvr32("VrelDOMSvr.DLL");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, "RegisterProbe: DllRegisterServer\nDllRegisterServer in VrelDOMSvr.DLL succeeded.\n");
}

TEST_F(Regsvr32ToolTest, EachModuleIsHandledAndTheFirstFailureIsTheExitCode) {
  const ToolRun run = regsvr32("/s 'C:\\Vrel\\Missing.dll' 'C:\\Program Files\\Vrel\\VrelDOMSvr.DLL'");
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.output, "RegisterProbe: DllRegisterServer\n");
}

TEST_F(Regsvr32ToolTest, TheMachineRunsItFromTheSystemPathAsTheRestoreStartsIt) {
  TempDir tmp;
  const std::string probeLog = tmp.path() + "/probe.log";
  setenv("VREL_PROBE_LOG", probeLog.c_str(), 1);
  Processes processes(m.machine());
  long pid = 0;
  const ProcStatus st = processes.start("regsvr32 \"C:\\Program Files\\Vrel\\VrelDOMSvr.DLL\" /s", 2, pid);
  ASSERT_TRUE(st) << st.description;
  EXPECT_EQ(Processes::wait(pid, kWaitInfinite), WaitResult::Ended);
  unsetenv("VREL_PROBE_LOG");
  std::ifstream in(probeLog);
  std::stringstream calls;
  calls << in.rdbuf();
  EXPECT_EQ(calls.str(), "DllRegisterServer\n");
}

}  // namespace
}  // namespace vrel::test
