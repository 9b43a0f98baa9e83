// The stand-in regedit run as a real child process against a scratch machine,
// with the command lines the restore program uses.
#include "platform/registry/RegImport.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

extern char** environ;

namespace vrel::test {
namespace {

constexpr Hive HKLM = Hive::LocalMachine;

struct ToolRun {
  int exitCode = -1;
  std::string err;
};

// Starts regedit with argv (after the program name) and, when given, the raw
// Windows command line in VREL_CMDLINE, as the process runner passes it.
ToolRun runRegedit(const std::vector<std::string>& args, const std::string& cmdline = "") {
  TempDir tmp;
  const std::string errFile = tmp.path() + "/stderr";
  const std::string exe = ScratchMachine::tool("regedit");
  std::vector<std::string> argvText{exe};
  argvText.insert(argvText.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argvText) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envText;
  for (char** e = environ; *e; ++e)
    if (std::string_view(*e).rfind("VREL_CMDLINE=", 0) != 0) envText.emplace_back(*e);
  if (!cmdline.empty()) envText.push_back("VREL_CMDLINE=" + cmdline);
  std::vector<char*> envp;
  for (auto& e : envText) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  ToolRun run;
  const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    run.err = "cannot start " + exe;
    return run;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(errFile);
  std::stringstream ss;
  ss << in.rdbuf();
  run.err = ss.str();
  return run;
}

std::string utf16Text(std::string_view utf8) {
  Bytes b{0xFF, 0xFE};
  const Bytes w = utf8ToUtf16le(utf8, false);
  b.insert(b.end(), w.begin(), w.end());
  return std::string(b.begin(), b.end());
}

class RegeditToolTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m.files().createFolder("C:\\path with blanks")); }
  void writeFile(const std::string& path, const std::string& data) { ASSERT_TRUE(m.files().writeAll(path, data)); }
  std::string readFile(const std::string& path) {
    std::string data;
    EXPECT_TRUE(m.files().readAll(path, data)) << path;
    return data;
  }
  std::string text(std::string_view path, std::string_view name) {
    RegValue v;
    if (m.registry().getValue(HKLM, path, name, v) != kRegOk) return "<missing>";
    return regDataAsText(v.data);
  }

  ScratchMachine m;
};

TEST_F(RegeditToolTest, SilentImportOfAQuotedPathWithBlanks) {
  writeFile("C:\\path with blanks\\x.reg",
            utf16Text("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tremarc]\r\n"
                      "\"Root\"=\"C:\\\\Orvix\"\r\n\r\n"));
  const ToolRun run = runRegedit({"/s", "C:\\path with blanks\\x.reg"}, "regedit /s \"C:\\path with blanks\\x.reg\"");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(text("Software\\Tremarc", "Root"), "C:\\Orvix");
}

TEST_F(RegeditToolTest, SwitchesIgnoreCase) {
  writeFile("C:\\a.reg", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"v\"=\"1\"\r\n");
  EXPECT_EQ(runRegedit({"/S", "C:\\a.reg"}).exitCode, 0);
  EXPECT_EQ(text("Software\\A", "v"), "1");
  const ToolRun run = runRegedit({"/E", "C:\\out.reg", "hkey_local_machine\\software\\a"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(readFile("C:\\out.reg").find(utf16Text("[HKEY_LOCAL_MACHINE\\software\\a]").substr(2)), std::string::npos);
}

TEST_F(RegeditToolTest, SkippedLinesGoToStderrAndTheRestIsImported) {
  writeFile("C:\\p.reg", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\P]\r\n\"good\"=\"1\"\r\nrubbish\r\n");
  const ToolRun run = runRegedit({"/s", "C:\\p.reg"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "regedit: C:\\p.reg, line 4: not a key, value or comment line: \"rubbish\"; skipped\n");
  EXPECT_EQ(text("Software\\P", "good"), "1");
}

TEST_F(RegeditToolTest, UnusableFilesFailAndChangeNothing) {
  writeFile("C:\\bad.reg", "REGEDIT 4\r\n[HKEY_LOCAL_MACHINE\\Software\\Bad]\r\n");
  ToolRun run = runRegedit({"/s", "C:\\bad.reg"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("regedit: Cannot import C:\\bad.reg: not a registry file"), std::string::npos) << run.err;
  EXPECT_FALSE(m.registry().keyExists(HKLM, "Software\\Bad"));
  run = runRegedit({"/s", "C:\\missing.reg"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Cannot import C:\\missing.reg: File not found"), std::string::npos) << run.err;
}

TEST_F(RegeditToolTest, BranchExportIsTheLibraryExport) {
  ASSERT_EQ(m.registry().createKey(HKLM, "Software\\Tremarc\\Notifier"), kRegOk);
  ASSERT_EQ(m.registry().setValue(HKLM, "Software\\Tremarc\\Notifier", RegValue::dword("Port", 80)), kRegOk);
  const ToolRun run = runRegedit({"/e", "C:\\path with blanks\\n.reg", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tremarc\\Notifier"},
                                 "regedit /e \"C:\\path with blanks\\n.reg\" \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tremarc\\Notifier\"");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  Bytes expected;
  ASSERT_EQ(exportRegBranch(m.registry(), HKLM, "SOFTWARE\\Tremarc\\Notifier", expected), kRegOk);
  EXPECT_EQ(readFile("C:\\path with blanks\\n.reg"), std::string(expected.begin(), expected.end()));
}

TEST_F(RegeditToolTest, ExportOfAMissingKeyWritesNoFile) {
  const ToolRun run = runRegedit({"/e", "C:\\q.reg", "HKEY_LOCAL_MACHINE\\Software\\Tremarc\\QXCA"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err,
            "regedit: Unable to open the registry key 'HKEY_LOCAL_MACHINE\\Software\\Tremarc\\QXCA': the key does not "
            "exist; nothing exported\n");
  EXPECT_FALSE(m.files().exists("C:\\q.reg"));
}

TEST_F(RegeditToolTest, ExportRefusesAnAbbreviatedRoot) {
  ASSERT_EQ(m.registry().createKey(HKLM, "Software\\Tremarc"), kRegOk);
  for (const char* key : {"HKLM\\Software\\Tremarc", "hklm", "HKU\\.DEFAULT"}) {
    const ToolRun run = runRegedit({"/e", "C:\\abbr.reg", key});
    EXPECT_EQ(run.exitCode, 1) << key;
    EXPECT_EQ(run.err, std::string("regedit: Invalid key name: ") + key + "\n");
    EXPECT_FALSE(m.files().exists("C:\\abbr.reg")) << key;
  }
  EXPECT_EQ(runRegedit({"/e", "C:\\full.reg", "hkey_local_machine\\Software\\Tremarc"}).exitCode, 0);
}

TEST_F(RegeditToolTest, ACutOffFileIsImportedUpToTheCutAndSaysSo) {
  writeFile("C:\\cut.reg", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Cut]\r\n\"a\"=\"1\"\r\n\"b\"=hex:01,\\");
  const ToolRun run = runRegedit({"/s", "C:\\cut.reg"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err,
            "regedit: C:\\cut.reg: the file ends inside the value that starts on line 4 (its last line ends with a "
            "backslash): the file is cut off; what it held up to there was imported\n");
  RegValue b;
  ASSERT_EQ(m.registry().getValue(HKLM, "Software\\Cut", "b", b), kRegOk);
  EXPECT_EQ(b.data, (Bytes{0x01}));
}

TEST_F(RegeditToolTest, ExportOfEverythingThenImportElsewhere) {
  ASSERT_EQ(m.registry().createKey(Hive::CurrentUser, "Software\\U"), kRegOk);
  const ToolRun run = runRegedit({"/e", "C:\\all.reg"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const std::string all = readFile("C:\\all.reg");
  EXPECT_NE(all.find(utf16Text("\r\n[HKEY_USERS]\r\n").substr(2)), std::string::npos);
  ScratchMachine other;  // now named by VREL_MACHINE
  ASSERT_TRUE(other.files().writeAll("C:\\all.reg", all));
  EXPECT_EQ(runRegedit({"/s", "C:\\all.reg"}).exitCode, 0);
  EXPECT_TRUE(other.registry().keyExists(Hive::CurrentUser, "Software\\U"));
}

TEST_F(RegeditToolTest, BadCommandLines) {
  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"/s"}, {"/e"}, {"/x", "C:\\a.reg"}}) {
    const ToolRun run = runRegedit(args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind("regedit: ", 0), 0u) << run.err;
  }
}

}  // namespace
}  // namespace vrel::test
