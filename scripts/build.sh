#!/usr/bin/env bash
# Builds the native benchmarks (build/native), the native unit tests under
# ThreadSanitizer (build/tsan: every run of them is also a race check of the
# threads that share the settings, the logs and the error window) and the
# Windows programs (build/windows, shipped files in dist/).
#   scripts/build.sh [windows] [native]   (both when none is named)
# scripts/test.sh builds the Windows programs first so the end-to-end tests
# can start while the native builds run.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
parts=${*:-windows native}
for part in $parts; do
    case $part in
    windows)
        cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
        cmake --build build/windows -j2
        ;;
    native)
        cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release -DORVANE_REQUIRE_BENCHMARKS=ON >/dev/null
        cmake --build build/native -j2 --target orvane_benchmarks
        cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Release -DORVANE_SANITIZER=thread >/dev/null
        cmake --build build/tsan -j2 --target orvane_unit_tests
        ;;
    *)
        echo "scripts/build.sh: no part \"$part\" (parts: windows native)" >&2
        exit 2
        ;;
    esac
done
