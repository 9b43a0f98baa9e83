// The database fix-ups and the file restores of a restore run, timed on a
// server of N subscribers (default 9,999) next to their floors, measured in
// the same run on the same data:
//   fix-ups       - a plain walk of the same rows: each row of the tables the
//                   fix-ups rewrite read and written through SQLite with the
//                   values the fix-ups gave it, on a copy of the database as it
//                   was before them, one transaction a table;
//   file restores - "cp -a" of the same folders (stream files, greetings,
//                   event monitoring data).
// The old server is provisioned, populated and backed up, the new one
// provisioned, and the restore program's core runs the two phases after the
// database restore, as the run does; fixed waits are scaled to zero.
#include "bench/BenchSetup.h"
#include "bench/RowWalk.h"
#include "platform/Machine.h"
#include "platform/data/DatabaseRestore.h"
#include "platform/data/SqlInstance.h"
#include "restore/run/frmMain.h"
#include "restore/tests/support/RecordingUi.h"
#include "standin/server/Backup.h"
#include "standin/server/Populate.h"
#include "standin/server/Provision.h"
#include "standin/server/ServerProcedures.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace vrel;
using Clock = std::chrono::steady_clock;

// This process's CPU seconds so far: what a step spends beside waiting
// for the disk.
double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "bench_fixups: %s\n", what.c_str());
  std::exit(1);
}

std::unique_ptr<Machine> machineAt(const std::string& root) {
  std::string error;
  auto m = Machine::open(root, error);
  if (!m) fail(error);
  return m;
}

void provision(Machine& m, const char* computer, const char* root) {
  standin::ProvisionOptions o;
  o.computerName = computer;
  o.installRoot = root;
  o.version = {4, 0, 4, 175};
  standin::ProvisionResult r;
  std::string error;
  if (!standin::provisionServer(m, o, r, error)) fail(error);
}

void report(const char* phase, double seconds, double floor) {
  std::printf("%-16s %8.3f s   floor %8.3f s   ratio %5.2f\n", phase, seconds, floor, floor > 0 ? seconds / floor : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  const int subscribers = argc > 1 ? std::atoi(argv[1]) : 9999;
  vrel::bench::useThisBuildsTools();
  const std::string base = vrel::bench::scratchFolder("vrel-bench-fixups");
  if (base.empty()) fail("cannot make a temporary folder");
  standin::registerServerProcedures();

  // The old server, lived in and backed up.
  auto old = machineAt(base + "/old");
  provision(*old, "OLDSRV", "E:\\Orvix\\");
  standin::PopulateOptions po;
  po.subscribers = subscribers;
  po.bothAdmins = true;
  standin::PopulateResult pr;
  std::string error;
  auto start = Clock::now();
  if (!standin::populateServer(*old, po, pr, error)) fail(error);
  std::printf("populate %d subscribers: %.2f s (%d stream files)\n", subscribers, secondsSince(start), pr.streamFiles);
  standin::BackupReport br;
  start = Clock::now();
  setenv("VREL_MACHINE", (base + "/old").c_str(), 1);
  if (!standin::backupServer(*old, "F:\\Backup", br, error)) fail(error);
  std::printf("backup: %.2f s\n", secondsSince(start));

  // The new server, with the backup folder carried over.
  auto fresh = machineAt(base + "/new");
  setenv("VREL_MACHINE", (base + "/new").c_str(), 1);
  provision(*fresh, "NEWSRV", "D:\\Program Files\\Orvix\\");
  if (std::system(("cp -a '" + base + "/old/drive_f' '" + base + "/new/drive_f'").c_str()) != 0) fail("cp failed");
  // The program's folder, with the empty configuration file it ships with.
  std::filesystem::create_directories(base + "/new/drive_c/Vrel");
  std::filesystem::copy_file(std::filesystem::path(std::getenv("VREL_TOOLS")) / "CleanConfigInfo.mdb",
                             base + "/new/drive_c/Vrel/CleanConfigInfo.mdb");

  test::RecordingUi ui;
  restore::Program p(*fresh, ui, {"C:\\Vrel", "VrelRestore", ""});
  restore::frmMain form(p);
  p.module1.localVersionInfo = p.module1.GetLocalVersionInfo();
  p.connectionString = "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial "
                       "Catalog=OrvixDb;Data Source=NEWSRV";
  p.paths.installRoot = "D:\\Program Files\\Orvix\\";
  p.paths.backedUpInstallPath = "E:\\Orvix\\";
  form.control("txtTargetPath").caption = "F:\\Backup\\";
  form.run.newServerName = "NEWSRV";
  if (!p.log.OpenLogFile("F:\\Backup\\bench.log", false)) fail(p.log.lastError());
  form.BackupLocalConfigurationData();
  restore::SQLInfo(*fresh, p.log, p.module1, p.connectionString).GetSQLInfo(form.run.sql);
  const data::DatabaseImageStatus st = data::restoreDatabase(*fresh, "OrvixDB", "F:\\Backup\\OrvixDBBackUp.sql");
  if (!st) fail(st.description);
  // The floor's copy of the database as the fix-ups find it.
  const std::string database = data::SqlInstance(*fresh).databaseFile("OrvixDB");
  std::filesystem::copy_file(database, base + "/walk.mdf");

  // The fix-ups step by step, in the order FixUpRestoredDatabase takes them.
  struct Step {
    const char* name;
    void (restore::frmMain::*run)();
  };
  const Step steps[] = {{"system ID, administrator", &restore::frmMain::fixUpSystemAndAdministrator},
                        {"locations, servers", &restore::frmMain::fixUpLocationsAndServers},
                        {"subscribers", &restore::frmMain::fixUpSubscribers},
                        {"stream paths", &restore::frmMain::fixUpStreamPaths},
                        {"configuration", &restore::frmMain::fixUpConfiguration},
                        {"directory caches", &restore::frmMain::clearDirectoryCaches}};
  double fixups = 0;
  std::printf("fix-ups and file restores:\n");
  std::fflush(stdout);
  for (const Step& step : steps) {
    start = Clock::now();
    const double cpu = cpuSeconds();
    (form.*step.run)();
    const double seconds = secondsSince(start);
    std::printf("  %-26s %8.3f s (CPU %.3f s)\n", step.name, seconds, cpuSeconds() - cpu);
    fixups += seconds;
  }
  start = Clock::now();
  const double filesCpu = cpuSeconds();
  form.RestoreFilesAndPaths();
  const double files = secondsSince(start);
  std::printf("  %-26s %8.3f s (CPU %.3f s)\n", "file restores", files, cpuSeconds() - filesCpu);
  p.log.CloseLogFile();

  const double walk = bench::plainWalk(base + "/walk.mdf", database);
  if (walk < 0) fail("cannot open the databases of the floor");
  const std::string backup = base + "/new/drive_f/Backup";
  start = Clock::now();
  const std::string copy = "mkdir -p '" + base + "/floor' && cp -a '" + backup + "/Stream Files' '" + backup +
                           "/DefaultConfig' '" + backup + "/EMSDatabase' '" + base + "/floor/'";
  if (std::system(copy.c_str()) != 0) fail("cp -a failed");
  const double cp = secondsSince(start);

  std::printf("\n%d subscribers, %d stream files, log errors %d\n", subscribers, pr.streamFiles, p.log.errorCount());
  report("fix-ups (15)", fixups, walk);
  report("file restores (16)", files, cp);
  std::filesystem::remove_all(base);
  return 0;
}
