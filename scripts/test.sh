#!/usr/bin/env bash
# Sets everything up, then runs the whole test suite twice: on the normal
# build and on the AddressSanitizer + UndefinedBehaviorSanitizer build; then
# each fuzz target for a few seconds on its stored corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --sanitize --fuzz

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -un)}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# intercept_tls_get_addr=0: GCC 12's sanitizer runtime can take an ordinary
# block of a library's dynamic TLS (the COM servers are loaded with dlopen)
# for an old glibc's TLS header; the leak checker's tracer then reads a wild
# range and dies with "Tracer caught signal 11" after a passing test.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:intercept_tls_get_addr=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
echo "== tests (build) =="
(cd build && ctest -j"$(nproc)" --output-on-failure --timeout 300) || status=1
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan) =="
(cd build-asan && ctest -j"$(nproc)" --output-on-failure --timeout 600) || status=1
echo "== fuzz targets, ${VREL_FUZZ_SECONDS:-5} s each (build-fuzz) =="
fuzz/run.sh build-fuzz "${VREL_FUZZ_SECONDS:-5}" || status=1
exit $status
