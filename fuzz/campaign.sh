#!/usr/bin/env bash
# A long fuzzing campaign: runs each target (or the ones named) until it has
# used CPU_SECONDS of CPU time (user + system, read from /proc), JOBS at a
# time, at nice 19 so that it only takes what the machine leaves idle. New
# inputs go to OUT/<target>/new, findings to OUT/<target>/found; a table of
# each target's CPU-minutes, runs and result is printed at the end and kept
# in OUT/summary.md.
#   fuzz/campaign.sh BUILD_DIR OUT CPU_SECONDS JOBS [target ...]
#   e.g. fuzz/campaign.sh build-fuzz /tmp/campaign 600 2
set -uo pipefail
cd "$(dirname "$0")/.."
build=$1 out=$2 cpu_limit=$3 jobs=$4
shift 4
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for d in fuzz/corpus/*/; do targets+=("$(basename "$d")"); done
fi
mkdir -p "$out"
tick=$(getconf CLK_TCK)

# cpu_seconds PID: user + system time of a running process, whole seconds.
cpu_seconds() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || { echo -1; return; }
  stat=${stat##*) }            # the fields after the program's name
  set -- $stat
  echo $(( (${12} + ${13}) / tick ))
}

# one TARGET: fuzzes it until its CPU time reaches the limit, then stops it
# with SIGINT, which libFuzzer answers by writing its statistics and exiting.
one() {
  local t=$1 dir=$out/$1
  mkdir -p "$dir/new" "$dir/found"
  # The time-out is wall time: at nice 19 on a busy machine a fuzzer can
  # wait for seconds between runs, which a short time-out reports as a hang.
  nice -n 19 "$build/bin/fuzz_$t" -timeout=600 -rss_limit_mb=2048 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$dir/found/" "$dir/new" "fuzz/corpus/$t" \
    >"$dir/log" 2>&1 &
  local pid=$! used=0
  while kill -0 "$pid" 2>/dev/null; do
    used=$(cpu_seconds "$pid")
    if [ "$used" -ge "$cpu_limit" ]; then
      kill -INT "$pid"
      break
    fi
    sleep 5
  done
  wait "$pid"
  local rc=$? result=clean
  local runs
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$dir/log" | grep -o '[0-9]*$')
  if ls "$dir/found/"* >/dev/null 2>&1 || { [ "$rc" -ne 0 ] && [ "$rc" -ne 72 ] && [ "$rc" -ne 130 ]; }; then
    result="FINDING (exit $rc), see $dir"
  fi
  printf '| `fuzz_%s` | %.1f | %s | %s |\n' "$t" "$(echo "$used / 60" | bc -l)" "${runs:-?}" "$result" >"$dir/row"
}

running=0
for t in "${targets[@]}"; do
  one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait
{
  echo "| target | CPU-minutes | runs | result |"
  echo "|---|---|---|---|"
  for t in "${targets[@]}"; do cat "$out/$t/row"; done
} | tee "$out/summary.md"
