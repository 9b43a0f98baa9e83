#!/usr/bin/env bash
# Installs what the build needs on a Debian 12 machine (only what is missing)
# and builds the project into build/ (and build-asan/ with --sanitize, and
# the fuzz targets into build-fuzz/ with --fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libsqlite3-dev sqlite3 libssl-dev libcurl4-openssl-dev
  libgtest-dev libgmock-dev xvfb xauth ccache fonts-dejavu-core
  # The Japanese window needs a font with Japanese glyphs; clang, libFuzzer
  # and the symboliser build and run the fuzz targets.
  fonts-ipafont-gothic clang libclang-rt-14-dev llvm)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}

build build
for option in "$@"; do
  case $option in
    --sanitize) build build-asan -DVREL_SANITIZE=ON -DVREL_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug ;;
    --fuzz) CC=clang CXX=clang++ build build-fuzz -DVREL_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug ;;
  esac
done
