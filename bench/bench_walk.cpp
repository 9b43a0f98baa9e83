// The fix-ups' floor on its own, for bench/drill: a plain walk of the rows
// the fix-ups rewrite in a database file (a copy of the database before
// them: the walk writes to it), writing the values a second file (the
// database after them) holds.
// usage: bench_walk DATABASE_FILE AFTER_FILE; prints the seconds.
#include "bench/RowWalk.h"

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: bench_walk DATABASE_FILE AFTER_FILE\n", stderr);
    return 2;
  }
  const double seconds = vrel::bench::plainWalk(argv[1], argv[2]);
  if (seconds < 0) {
    std::fprintf(stderr, "bench_walk: cannot open %s or %s\n", argv[1], argv[2]);
    return 1;
  }
  std::printf("%.3f\n", seconds);
  return 0;
}
