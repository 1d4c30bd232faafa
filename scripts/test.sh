#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (CTest, under
# ThreadSanitizer), the fuzz target for a short while, and the end-to-end
# tests under Wine. The last line sums them all up; the line before it names
# the end-to-end scenarios that passed only on a second try.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

# Ends the run before any test could run, with the closing lines.
stop_early() {
    echo "$1"
    echo "0 passed only on a second try"
    echo "0 passed, 1 failed"
    exit 1
}

if [ "$(id -u)" -ne 0 ]; then
    echo "scripts/test.sh needs root: the end-to-end tests run real time servers on" >&2
    echo "ports 37 (TIME) and 123 (SNTP), which only root may bind, and packages are" >&2
    echo "installed with apt-get." >&2
    stop_early "not root"
fi

bash scripts/install-deps.sh || stop_early "installing the dependencies failed"
bash scripts/build.sh windows || stop_early "build failed"

# The end-to-end scenarios run as two groups, chosen by the tag each
# scenario carries: "ports" (the time ports: chronyd, xinetd, broadcasts on
# UDP 123) and "desktop" (the dialogs, Setup and Uninstall). The two run
# side by side, each in network and mount namespaces of its own (run-e2e.sh
# makes them), with its own Xvfb display, Wine prefix and work folder, so
# their servers on ports 123 and 37 never meet.
e2e_status=0
groups=(ports desktop)
declare -A displays=([ports]=91 [desktop]=111)
declare -A e2e_pids
e2e_started=$SECONDS
for group in "${groups[@]}"; do
    (
        started=$SECONDS
        E2E_GROUP=$group E2E_DISPLAY=${displays[$group]} \
            bash tests/e2e/run-e2e.sh build/windows >"build/e2e-$group.out" 2>"build/e2e-$group.log"
        status=$?
        echo "$((SECONDS - started))" >"build/e2e-$group.seconds"
        exit $status
    ) &
    e2e_pids[$group]=$!
done
# While the scenarios run (mostly waiting on servers and windows), the
# native builds, the unit tests and the fuzzing take the processors at a
# lower priority, so the scenarios' time-outs keep their meaning.
native_built=1
nice -n 10 bash scripts/build.sh native || native_built=0
# The unit tests, built under ThreadSanitizer: a data race fails the test
# it happens in.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    nice -n 10 ctest --test-dir build/tsan --output-on-failure -j2 2>&1 | tee build/ctest.log
unit_status=${PIPESTATUS[0]}
unit_line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' build/ctest.log | tail -1)
unit_failed=$(echo "$unit_line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
unit_total=$(echo "$unit_line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
[ -n "$unit_total" ] || { unit_total=1; unit_failed=1; }

# The fuzz targets, built with clang and run for 10 s each: one test.
fuzz_passed=0
if [ "$native_built" -eq 1 ] && nice -n 10 bash tests/fuzz/run-fuzz.sh 10 >build/fuzz.log 2>&1; then
    fuzz_passed=1
    echo "fuzzing: passed ($(grep -E '^Done [0-9]+ runs' build/fuzz.log | tail -1))"
else
    echo "fuzzing: FAILED (build/fuzz.log):"
    tail -30 build/fuzz.log | sed 's/^/    | /'
fi

for group in "${groups[@]}"; do
    wait "${e2e_pids[$group]}" || e2e_status=1
done
e2e_seconds=$((SECONDS - e2e_started))
summary='^[0-9]+ passed, [0-9]+ failed$'
second_try='^[0-9]+ passed only on a second try(: .*)?$'
for group in "${groups[@]}"; do
    grep -Ev "$summary|$second_try" "build/e2e-$group.out"
done
for group in "${groups[@]}"; do
    echo "end-to-end group $group: $(cat "build/e2e-$group.seconds" 2>/dev/null || echo ?) s"
done
echo "end-to-end, both groups side by side: $e2e_seconds s"
e2e_passed=0
e2e_failed=0
retried=0
retried_names=()
for group in "${groups[@]}"; do
    out=build/e2e-$group.out
    line=$(grep -E "$summary" "$out" | tail -1)
    if [ -z "$line" ]; then
        echo "end-to-end group $group ended without a summary (build/e2e-$group.log)"
        e2e_failed=$((e2e_failed + 1))
        continue
    fi
    e2e_passed=$((e2e_passed + $(echo "$line" | sed -E 's/^([0-9]+) passed.*/\1/')))
    e2e_failed=$((e2e_failed + $(echo "$line" | sed -E 's/.* ([0-9]+) failed$/\1/')))
    line=$(grep -E "$second_try" "$out" | tail -1)
    retried=$((retried + $(echo "${line:-0}" | sed -E 's/^([0-9]+).*/\1/')))
    # shellcheck disable=SC2206
    [[ "$line" == *": "* ]] && retried_names+=(${line#*: })
done

unit_passed=$((unit_total - unit_failed))
passed=$((unit_passed + fuzz_passed + e2e_passed))
failed=$((unit_failed + 1 - fuzz_passed + e2e_failed))
echo "unit tests: $unit_passed passed, $unit_failed failed; fuzzing: $fuzz_passed passed, $((1 - fuzz_passed)) failed; end-to-end: $e2e_passed passed, $e2e_failed failed"
echo "$retried passed only on a second try${retried_names[*]:+: ${retried_names[*]}}"
echo "${passed} passed, ${failed} failed"
[ "$unit_status" -eq 0 ] && [ "$e2e_status" -eq 0 ] && [ "$failed" -eq 0 ]
