#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for SECONDS each on its stored
# corpus. New inputs go to a scratch folder, so the stored corpora stay as
# they are; a crash, leak, sanitizer report or hang fails the run, and its
# input is left in the scratch folder (printed).
#   fuzz/run.sh BUILD_DIR SECONDS [target ...]     e.g. fuzz/run.sh build-fuzz 5
set -uo pipefail
cd "$(dirname "$0")/.."
build=$1 seconds=$2
shift 2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for d in fuzz/corpus/*/; do targets+=("$(basename "$d")"); done
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vrel-fuzz.XXXXXX")
status=0
for t in "${targets[@]}"; do
  mkdir -p "$scratch/$t/new" "$scratch/$t/found"
  if "$build/bin/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
      -artifact_prefix="$scratch/$t/found/" "$scratch/$t/new" "fuzz/corpus/$t" >"$scratch/$t/log" 2>&1; then
    echo "fuzz $t: clean, $(grep -o 'Done [0-9]* runs' "$scratch/$t/log" | grep -o '[0-9]*') runs"
  else
    echo "fuzz $t: FAILED, input and log in $scratch/$t"
    tail -n 40 "$scratch/$t/log"
    status=1
  fi
done
[ $status -eq 0 ] && rm -rf "$scratch"
exit $status
