// Recognising an earlier run that never finished from the log it left.
#include "restore/run/InterruptedRun.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vrel::test {
namespace {

using restore::findInterruptedRun;
using restore::InterruptedRun;

// A run log as RunLog writes it: the header, then dated entries.
std::string runLog(const std::vector<std::string>& entries) {
  std::string log = "12/7/2026 4:05:09 AM: \r\n****\r\n12/7/2026 4:05:09 AM: Running VrelRestore version: 1.0.0\r\n";
  for (const std::string& e : entries) log += "12/7/2026 10:15:00 PM: " + e + "\r\n";
  return log;
}

struct LogCase {
  const char* name;
  std::vector<std::string> entries;
  std::optional<std::string> phase;  // nullopt: no interrupted run
  bool pastDatabaseRestore;
  bool aborted;
};

void PrintTo(const LogCase& c, std::ostream* os) { *os << c.name; }

const std::string kStart = "Starting disaster reocovery Restore at: 12/7/2026 10:15:00 PM";
const std::string kOrvixDB = "    Restoring OrvixDB database from backed up copy.  Path=Z:\\B\\OrvixDBbackup.SQL";

const LogCase kCases[] = {
    {"NoRunStarted", {}, std::nullopt, false, false},
    {"Finished", {kStart, kOrvixDB, "Finished disaster reocovery restore at: 12/7/2026 10:20:00 PM"}, std::nullopt,
     false, false},
    {"JustTheDatabases", {kStart, "User opted to just restore the SQL tables - skipping all other parts", kOrvixDB},
     std::nullopt, false, false},
    {"StoppedAtTheStart", {kStart}, "the start of the run", false, false},
    {"StoppedInTheRegistryRestore",
     {kStart, "    Stopping the WWW service", "    Backing up local configuration data",
      "    Restoring original registry from backup", "    Old Orvix Install path=E:\\Orvix\\"},
     "the registry restore", false, false},
    {"StoppedInTheDatabaseRestore", {kStart, "    Restoring original registry from backup", kOrvixDB},
     "the database restore", true, false},
    {"StoppedInTheFileRestores", {kStart, kOrvixDB, "    Getting the old SystemID value", "    Restoring routing rules"},
     "the file restores", true, false},
    {"Aborted",
     {kStart, "    Restoring original registry from backup", kOrvixDB, "(error) in cmdRestore routine:x Number=1",
      "user elected to abort.  Restoring original TM registry branch and exiting..."},
     "the database restore", true, true},
};

class InterruptedRunLog : public ::testing::TestWithParam<LogCase> {};

TEST_P(InterruptedRunLog, NamesThePhaseReached) {
  const LogCase& c = GetParam();
  const std::optional<InterruptedRun> run = findInterruptedRun(runLog(c.entries));
  ASSERT_EQ(run.has_value(), c.phase.has_value());
  if (!run) return;
  EXPECT_EQ(run->phase, *c.phase);
  EXPECT_EQ(run->pastDatabaseRestore, c.pastDatabaseRestore);
  EXPECT_EQ(run->aborted, c.aborted);
}

INSTANTIATE_TEST_SUITE_P(Logs, InterruptedRunLog, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InterruptedRunMessage, SaysWhatToDoOnEachSideOfTheDatabaseRestore) {
  EXPECT_EQ(restore::interruptedRunMessage({"the registry restore", false, false}),
            "The run log in this folder shows an earlier restore that did not finish: it stopped during the registry "
            "restore.\r\n\r\nThe databases were not replaced yet. Restart the Orvix services, or reboot the server, "
            "and then run the restore again.");
  EXPECT_EQ(restore::interruptedRunMessage({"the file restores", true, false}),
            "The run log in this folder shows an earlier restore that did not finish: it stopped during the file "
            "restores.\r\n\r\nThe server's databases may already have been replaced, so this server cannot be "
            "restored again as it stands. Reinstall Orvix (a fresh installation) and then run the restore again.");
  EXPECT_NE(restore::interruptedRunMessage({"the database restore", true, true}).find("was aborted during the database "
                                                                                     "restore"),
            std::string::npos);
}

}  // namespace
}  // namespace vrel::test
