#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (CTest) and
# the end-to-end tests under Wine. The last line sums both up.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

bash scripts/install-deps.sh || exit 1
bash scripts/build.sh || { echo "build failed"; echo "0 passed, 1 failed"; exit 1; }

ctest --test-dir build/native --output-on-failure -j2 2>&1 | tee build/ctest.log
unit_status=${PIPESTATUS[0]}
unit_line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' build/ctest.log | tail -1)
unit_failed=$(echo "$unit_line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
unit_total=$(echo "$unit_line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
[ -n "$unit_total" ] || { unit_total=1; unit_failed=1; }

bash tests/e2e/run-e2e.sh build/windows 2>build/e2e.log | tee build/e2e.out
e2e_status=${PIPESTATUS[0]}
e2e_line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' build/e2e.out | tail -1)
e2e_passed=$(echo "$e2e_line" | sed -E 's/^([0-9]+) passed.*/\1/')
e2e_failed=$(echo "$e2e_line" | sed -E 's/.* ([0-9]+) failed$/\1/')
[ -n "$e2e_passed" ] || { e2e_passed=0; e2e_failed=1; }

passed=$((unit_total - unit_failed + e2e_passed))
failed=$((unit_failed + e2e_failed))
echo "unit tests: $((unit_total - unit_failed)) passed, $unit_failed failed; end-to-end: $e2e_passed passed, $e2e_failed failed"
echo "${passed} passed, ${failed} failed"
[ "$unit_status" -eq 0 ] && [ "$e2e_status" -eq 0 ] && [ "$failed" -eq 0 ]
