#!/usr/bin/env bash
# How closely Orvane.exe sets the clock from an SNTP answer, under Wine:
# a scripted server on 127.0.0.1:123 (tests/e2e/responders/sntp_responder.py)
# answers 10.0005 s ahead; Wine refuses to move the clock that far and says
# by how much it would have (WINEDEBUG=err+sync: "NtSetSystemTime not
# allowed: difference D ms"). Wine truncates D to whole milliseconds; the
# extra half millisecond makes D - 10000 the error of the time Orvane set
# rounded to the nearest millisecond (truncating alone would read an error
# of -0.1 ms as -1).
# Prints the median and the worst error over COUNT (default 20) manual
# updates, and the same for "ntpdate -q" against the same server.
#   flock /tmp/orvane-e2e.lock tests/bench/sntp_accuracy.sh [COUNT]
# Needs a Windows build (dist/, build/windows/test-bin) and UDP port 123
# free; uses the end-to-end harness's helpers and a private Xvfb display.
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
COUNT=${1:-20}
OFFSET_MS=10000

if ! command -v ntpdate >/dev/null; then
    apt-get install -y -qq ntpsec-ntpdate >/dev/null 2>&1 ||
        { apt-get update -qq && apt-get install -y -qq ntpsec-ntpdate >/dev/null; } ||
        { echo "ntpdate is missing and could not be installed" >&2; exit 1; }
fi

# shellcheck source=tests/bench/bench_env.sh
source "$ROOT/tests/bench/bench_env.sh"
bench_env accuracy "another server would answer"
e2e_spawn responder "$E2E_WORK/responder.log" python3 "$ROOT/tests/e2e/responders/sntp_responder.py" \
    --offset "$((OFFSET_MS / 1000)).0005" --requests $((COUNT * 2 + 10)) --lifetime 900
e2e_wait_until 10 grep -q '^listening' "$E2E_WORK/responder.log" || { echo "no responder" >&2; exit 1; }

# The median and the largest absolute value of numbers, one a line.
summary() {
    sort -g | awk '{ v[NR] = $1; a = $1 < 0 ? -$1 : $1; if (a > worst) { worst = a; w = $1 } }
        END { if (NR == 0) { print "no values"; exit }
              m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
              printf "median %+.3f ms, worst %+.3f ms over %d\n", m, w, NR }'
}

# ntpdate first: it needs no display.
: >"$E2E_WORK/ntpdate.errors"
for _ in $(seq "$COUNT"); do
    ntpdate -q 127.0.0.1 2>/dev/null | grep -oE ' [+-][0-9]+\.[0-9]+ \+/-' | head -1 |
        awk -v o=$OFFSET_MS '{ printf "%.3f\n", $1 * 1000 - o - 0.5 }' >>"$E2E_WORK/ntpdate.errors"
done

e2e_start_display 140 || exit 1
e2e_new_prefix || exit 1
orv_settings 0
WINEDEBUG=-all,err+sync orv_start || exit 1
: >"$E2E_WORK/orvane.errors"
for i in $(seq "$COUNT"); do
    seen=$(grep -c 'not allowed: difference' "$E2E_WORK/orvane.out")
    # Only file reads while the update runs: every Wine program started
    # meanwhile would load the machine and delay the answer's arrival.
    e2e_h char "$ORV_CLOCK" - Y linger >/dev/null
    e2e_wait_until 20 test "$(grep -c 'not allowed: difference' "$E2E_WORK/orvane.out")" -gt "$seen" ||
        { echo "update $i: no clock set" >&2; exit 1; }
    e2e_wait_until 20 e2e_prints_match . orv_error_text >/dev/null || { echo "update $i: no error window" >&2; exit 1; }
    grep 'not allowed: difference' "$E2E_WORK/orvane.out" | sed -n "$((seen + 1))p" |
        sed -E 's/.*difference (-?[0-9]+) ms.*/\1/' | awk -v o=$OFFSET_MS '{ print $1 - o }' \
        >>"$E2E_WORK/orvane.errors"
    orv_close_error_window
done
orv_stop >/dev/null

echo "Orvane.exe (Wine's measure, whole ms): $(summary <"$E2E_WORK/orvane.errors")"
echo "ntpdate -q (its offset):                $(summary <"$E2E_WORK/ntpdate.errors")"
echo "Orvane.exe errors: $(tr '\n' ' ' <"$E2E_WORK/orvane.errors")"
echo "ntpdate errors:    $(tr '\n' ' ' <"$E2E_WORK/ntpdate.errors")"
