// Recordset.Find by "=" on a client cursor, with and without the field
// property "Optimize", the way the mailbox table is built: one Find per
// subscriber over the whole subscriber list. usage: bench_find [ROWS]
#include "platform/Machine.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "platform/data/SqlInstance.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

using namespace vrel::data;

namespace {

std::string guidOf(long i) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%08lX-1234-5678-9ABC-%012lX", i * 2654435761UL % 4294967291UL, i);
  return buf;
}

double seconds(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Finds `count` random existing IDs, each from the first row; returns the
// seconds taken, or -1 when a Find missed.
double findAll(Recordset& rs, long rows, long count, unsigned seed) {
  std::mt19937 rng(seed);
  const auto t0 = std::chrono::steady_clock::now();
  for (long i = 0; i < count; ++i) {
    const long id = static_cast<long>(rng() % static_cast<unsigned>(rows));
    rs.moveFirst();
    rs.find("SubscriberObjectID='{" + guidOf(id) + "}'");
    if (rs.eof() || rs.fields("Extension").value().toLong().value != id) return -1;
  }
  return seconds(t0);
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 100000;
  char tmpl[] = "/tmp/vrel-bench-XXXXXX";
  if (!mkdtemp(tmpl) || rows <= 0) return 1;
  std::string error;
  auto machine = vrel::Machine::open(std::string(tmpl) + "/machine", error);
  if (!machine || !SqlInstance(*machine).createDatabase("OrvixDB", error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  try {
    Connection cn(*machine);
    cn.open("Driver={SQL Server};server=;database=OrvixDb");
    cn.execute(
        "CREATE TABLE Subscriber (SubscriberObjectID UNIQUEIDENTIFIER COLLATE SQLGUID, "
        "Alias VARCHAR(64) COLLATE SQLSRV, Extension INT)");
    cn.beginTrans();
    for (long i = 0; i < rows; ++i)
      cn.execute("INSERT INTO Subscriber VALUES (?, ?, ?)",
                 {Variant(guidOf(i)), Variant("user" + std::to_string(i)), Variant(static_cast<int>(i))});
    cn.commitTrans();

    Recordset rs;
    rs.setCursorLocation(adUseClient);
    auto t0 = std::chrono::steady_clock::now();
    rs.open("Select SubscriberObjectID, Alias, Extension from Subscriber", cn, adOpenStatic, adLockReadOnly);
    const double openS = seconds(t0);

    const long scanCount = 200;
    const double scanS = findAll(rs, rows, scanCount, 1);
    t0 = std::chrono::steady_clock::now();
    rs.fields("SubscriberObjectID").setOptimize(true);
    const double indexS = seconds(t0);
    const long fastCount = rows;
    const double fastS = findAll(rs, rows, fastCount, 2);
    if (scanS < 0 || fastS < 0) {
      std::fprintf(stderr, "a Find missed a row it should have found\n");
      return 1;
    }
    std::printf("open %ld rows (client, static): %.3f s\n", rows, openS);
    std::printf("Find '=' without Optimize: %ld finds in %.3f s = %.1f us/find (linear scan)\n", scanCount, scanS,
                scanS / scanCount * 1e6);
    std::printf("Optimize index build: %.3f s\n", indexS);
    std::printf("Find '=' with Optimize:    %ld finds in %.3f s = %.1f us/find (%.0fx faster)\n", fastCount, fastS,
                fastS / fastCount * 1e6, (scanS / scanCount) / (fastS / fastCount));
  } catch (const AdoError& e) {
    std::fprintf(stderr, "error %ld: %s\n", e.number, e.description.c_str());
    return 1;
  }
  std::filesystem::remove_all(tmpl);
  return 0;
}
