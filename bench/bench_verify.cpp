// --verify-only's check and the run's records, timed on a server of N
// subscribers (default 9,999): the backup folder checked as --verify-only
// checks it, one picture of the machine as a run takes at its start and its
// end, and the leftover scan of the server's registry branch and databases.
// The old server is provisioned, populated and backed up; the checks run on
// it, where the backup and the databases are full size.
#include "bench/BenchSetup.h"
#include "platform/Machine.h"
#include "platform/MachineSnapshot.h"
#include "restore/run/LeftoverScan.h"
#include "restore/verify/BackupVerify.h"
#include "standin/server/Backup.h"
#include "standin/server/Populate.h"
#include "standin/server/Provision.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace vrel;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "bench_verify: %s\n", what.c_str());
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  const int subscribers = argc > 1 ? std::atoi(argv[1]) : 9999;
  vrel::bench::useThisBuildsTools();
  const std::string dir = vrel::bench::scratchFolder("vrel-bench-verify");
  if (dir.empty()) fail("cannot make a temporary folder");
  const std::string root = std::string(dir) + "/old";
  setenv("VREL_MACHINE", root.c_str(), 1);
  std::string error;
  auto m = Machine::open(root, error);
  if (!m) fail(error);
  standin::ProvisionOptions o;
  o.computerName = "OLDSRV";
  o.installRoot = "E:\\Orvix\\";
  o.version = {4, 0, 4, 175};
  standin::ProvisionResult provisioned;
  if (!standin::provisionServer(*m, o, provisioned, error)) fail(error);
  standin::PopulateOptions po;
  po.subscribers = subscribers;
  standin::PopulateResult pr;
  auto start = Clock::now();
  if (!standin::populateServer(*m, po, pr, error)) fail(error);
  std::printf("populate %d subscribers: %.2f s\n", subscribers, secondsSince(start));
  standin::BackupReport br;
  if (!standin::backupServer(*m, "F:\\Backup", br, error)) fail(error);

  start = Clock::now();
  const auto findings = restore::verifyBackup(*m, "F:\\Backup\\", std::nullopt);
  const double verify = secondsSince(start);
  for (const auto& f : findings) std::printf("  %s\n", f.line().c_str());
  std::printf("verify-only: %.2f s (%s)\n", verify, restore::backupUsable(findings) ? "usable" : "NOT usable");

  MachineSnapshot snapshot;
  start = Clock::now();
  if (!takeMachineSnapshot(*m, snapshot, error)) fail(error);
  std::printf("machine picture: %.2f s (%zu values, %zu tables, %zu files)\n", secondsSince(start),
              snapshot.registry.size(), snapshot.rows.size(), snapshot.files.size());

  std::vector<std::string> problems;
  start = Clock::now();
  const auto hits = restore::scanForLeftovers(
      *m, {{"old server name", "OLDSRV", "NEWSRV"}, {"old install root", "E:\\Orvix", "D:\\Orvix"}}, problems);
  std::printf("leftover scan: %.2f s (%zu places hit)\n", secondsSince(start), hits.size());
  std::filesystem::remove_all(dir);
  return 0;
}
