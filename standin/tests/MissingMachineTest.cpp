// A VREL_MACHINE that names no folder: every program refuses it with a clear
// message and makes nothing; only the commands that make machines create it.
#include "platform/tests/ChildProcesses.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace vrel::test {
namespace {

class MissingMachineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    missing = dir.path() + "/typo/machine";
    setenv("VREL_MACHINE", missing.c_str(), 1);
  }
  void TearDown() override { unsetenv("VREL_MACHINE"); }

  TempDir dir;
  std::string missing;
};

TEST_F(MissingMachineTest, EveryProgramButTheMachineMakersRefusesIt) {
  const struct {
    const char* tool;
    const char* args;
  } runs[] = {
      {"standin", "sql 'SELECT 1'"},
      {"standin", "machine get ComputerName"},
      {"standin", "populate --subscribers 1"},
      {"standin", "service list"},
      {"regedit", "/e 'C:\\x.reg'"},
      {"net", "start TmCsMgr"},
      {"kill", "-F tm*"},
      {"bcp", "OrvixDB..Subscriber out x -n -T"},
  };
  for (const auto& run : runs) {
    const ToolRun r = runTool(run.tool, run.args);
    EXPECT_NE(r.exitCode, 0) << run.tool << " " << run.args;
    EXPECT_NE(r.output.find("VREL_MACHINE names " + missing + ", which does not exist"), std::string::npos)
        << run.tool << " " << run.args << ": " << r.output;
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/typo")) << run.tool << " made the folder";
  }
}

TEST_F(MissingMachineTest, InitAndProvisionMakeIt) {
  const ToolRun init = runTool("standin", "init");
  EXPECT_EQ(init.exitCode, 0) << init.output;
  EXPECT_TRUE(std::filesystem::is_regular_file(missing + "/machine.db"));

  missing = dir.path() + "/other";
  setenv("VREL_MACHINE", missing.c_str(), 1);
  const ToolRun provision = runTool("standin", "provision --computer NEW");
  EXPECT_EQ(provision.exitCode, 0) << provision.output;
  EXPECT_EQ(runTool("standin", "machine get ComputerName").output, "NEW\n");
}

TEST_F(MissingMachineTest, AFileInsteadOfAFolderIsRefused) {
  std::filesystem::create_directories(dir.path() + "/typo");
  { std::FILE* f = std::fopen(missing.c_str(), "w"); ASSERT_NE(f, nullptr); std::fclose(f); }
  const ToolRun r = runTool("standin", "machine get ComputerName");
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.output.find("which is not a folder"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace vrel::test
