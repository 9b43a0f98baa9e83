// .reg export and import speed on a large branch: about 200,000 values in
// 20,000 keys (strings, dwords, wrapping binary, multi-strings, expandable
// strings), about 20 MB as a 5.00 file.
//   bench_regfile [keys] [valuesPerKey] [save-as]
// Prints the seconds and MB/s of each step; export is dump + write, import is
// parse + apply into a fresh machine's registry. With save-as, the exported
// file is also written to that host path (bench/regedit-vs-wine uses it).
#include "platform/Machine.h"
#include "platform/registry/RegFileReader.h"
#include "platform/registry/RegFileWriter.h"

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vrel {
namespace {

using Clock = std::chrono::steady_clock;

// Wall and processor seconds of one step; the processor time tells how the
// step would fare on an idle machine when other work shares the cores.
struct Span {
  double wall = 0, cpu = 0;
};

class Stopwatch {
 public:
  Stopwatch() : m_wall(Clock::now()), m_cpu(std::clock()) {}
  Span elapsed() const {
    return {std::chrono::duration<double>(Clock::now() - m_wall).count(),
            static_cast<double>(std::clock() - m_cpu) / CLOCKS_PER_SEC};
  }

 private:
  Clock::time_point m_wall;
  std::clock_t m_cpu;
};

Span operator+(Span a, Span b) { return {a.wall + b.wall, a.cpu + b.cpu}; }

void report(const char* step, Span s, std::size_t bytes) {
  std::printf("  %-14s %7.3f s %7.1f MB/s   (processor %.3f s)\n", step, s.wall, bytes / 1e6 / s.wall, s.cpu);
}

// A realistic mix, the same on every run.
RegValue makeValue(std::size_t key, std::size_t i) {
  const std::string name = "Setting" + std::to_string(i);
  const std::size_t kind = (key * 7 + i * 3) % 20;
  if (kind < 9) return RegValue::text(name, "C:\\Orvix\\item" + std::to_string(key * 31 + i));
  if (kind < 14) return RegValue::dword(name, static_cast<std::uint32_t>(key * 1000003u + i));
  if (kind < 16) {
    Bytes b(8 + (key + i) % 24);
    for (std::size_t k = 0; k < b.size(); ++k) b[k] = static_cast<std::uint8_t>(k * 13 + key);
    return RegValue::binary(name, b);
  }
  if (kind < 18) return RegValue::multi(name, {"one" + std::to_string(i), "two"});
  return RegValue::text(name, "%WinDir%\\o" + std::to_string(i) + ".dll", kRegExpandSz);
}

std::unique_ptr<Machine> freshMachine(const std::string& root) {
  std::string error;
  auto m = Machine::open(root, error);
  if (!m) std::fprintf(stderr, "bench_regfile: %s\n", error.c_str());
  return m;
}

int run(int argc, char** argv) {
  const std::size_t keys = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 20000;
  const std::size_t perKey = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 10;
  std::string base = (std::filesystem::temp_directory_path() / "bench-regfile-XXXXXX").string();
  if (!mkdtemp(base.data())) return 1;
  const std::string branch = "SOFTWARE\\Bench";
  int status = 1;
  {
    auto source = freshMachine(base + "/source");
    auto target = freshMachine(base + "/target");
    if (!source || !target) return 1;
    std::vector<RegOp> ops;
    for (std::size_t k = 0; k < keys; ++k) {
      const std::string path = branch + "\\Group " + std::to_string(k / 100) + "\\Key " + std::to_string(k);
      ops.push_back({RegOp::CreateKey, Hive::LocalMachine, path, {}});
      for (std::size_t i = 0; i < perKey; ++i) ops.push_back({RegOp::SetValue, Hive::LocalMachine, path, makeValue(k, i)});
    }
    if (source->registry().apply(ops) != kRegOk) return 1;
    std::printf("bench_regfile: %zu keys, %zu values\n", keys, keys * perKey);

    Stopwatch watch;
    std::vector<Registry::KeyDump> dump;
    if (source->registry().dumpBranch(Hive::LocalMachine, branch, dump) != kRegOk) return 1;
    const Span dumpTime = watch.elapsed();
    watch = Stopwatch();
    RegFileWriter writer;
    writer.addKeys("HKEY_LOCAL_MACHINE", dump);
    const Bytes file = writer.finish();
    const Span writeTime = watch.elapsed();
    std::printf("export (%.1f MB file)\n", file.size() / 1e6);
    if (argc > 3) {
      std::FILE* out = std::fopen(argv[3], "wb");
      const bool written = out && std::fwrite(file.data(), 1, file.size(), out) == file.size();
      if (out) std::fclose(out);
      if (!written) {
        std::fprintf(stderr, "bench_regfile: cannot write %s\n", argv[3]);
        return 1;
      }
    }
    report("dump", dumpTime, file.size());
    report("write", writeTime, file.size());
    report("export total", dumpTime + writeTime, file.size());

    watch = Stopwatch();
    RegFileContent content;
    std::string error;
    if (!RegFileReader().read(file, content, error)) {
      std::fprintf(stderr, "bench_regfile: %s\n", error.c_str());
      return 1;
    }
    const Span parseTime = watch.elapsed();
    watch = Stopwatch();
    if (target->registry().apply(content.ops) != kRegOk) return 1;
    const Span applyTime = watch.elapsed();
    std::printf("import\n");
    report("parse", parseTime, file.size());
    report("apply", applyTime, file.size());
    report("import total", parseTime + applyTime, file.size());

    std::vector<Registry::KeyDump> back;
    target->registry().dumpBranch(Hive::LocalMachine, branch, back);
    const bool same = back.size() == dump.size() && content.problems.empty();
    std::printf("round trip: %s\n", same ? "same keys, no problems" : "MISMATCH");
    status = same ? 0 : 1;
  }
  std::error_code ec;
  std::filesystem::remove_all(base, ec);
  return status;
}

}  // namespace
}  // namespace vrel

int main(int argc, char** argv) { return vrel::run(argc, argv); }
