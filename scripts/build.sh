#!/usr/bin/env bash
# Builds the native core with its unit tests and benchmarks (build/native)
# and the Windows programs (build/windows, shipped files in dist/).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release -DORVANE_REQUIRE_BENCHMARKS=ON >/dev/null
cmake --build build/native -j2
cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build/windows -j2
