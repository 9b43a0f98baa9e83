// Lines per second of the run log writer, which closes and re-opens its file
// for every entry. usage: bench_runlog [LINES]
#include "platform/Files.h"
#include "platform/Machine.h"
#include "restore/run/RunLog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  const long lines = argc > 1 ? std::atol(argv[1]) : 200000;
  char tmpl[] = "/tmp/vrel-bench-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  std::string error;
  auto machine = vrel::Machine::open(std::string(tmpl) + "/machine", error);
  if (!machine) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  vrel::Files files(*machine);
  files.createFolder("D:\\Backup");
  vrel::restore::RunLog log(files);
  if (!log.OpenLogFile("D:\\Backup\\DisasterRecoveryRestore.log", false)) {
    std::fprintf(stderr, "%s\n", log.lastError().c_str());
    return 1;
  }
  const auto t0 = std::chrono::steady_clock::now();
  for (long i = 0; i < lines; ++i)
    log.WriteToLog("        Updating subscriber " + std::to_string(i) + " (warning) sample detail line");
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  log.CloseLogFile();
  std::printf("run log: %ld lines in %.3f s = %.0f lines/s (target >= 20000)\n", lines, s, lines / s);
  std::filesystem::remove_all(tmpl);
  return 0;
}
