#!/usr/bin/env bash
# Builds the program, the test heads and the tests for 64-bit and 32-bit Windows.
#   build.sh [win64|win32|all]   (default all)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VESK_BUILD_DIR:-$root/build}
which=${1:-all}
jobs=${VESK_JOBS:-2}
for arch in win64 win32; do
  [ "$which" = all ] || [ "$which" = "$arch" ] || continue
  bits=${arch#win}
  cmake -S "$root" -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw$bits.cmake" >/dev/null
  cmake --build "$build/$arch" -j"$jobs"
done
