#!/usr/bin/env bash
# How closely Orvane.exe sets the clock from a TIME answer (RFC 868), over
# UDP and TCP, under Wine: xinetd's own TIME services on 127.0.0.1:37 (as
# the end-to-end tests start them), run under libfaketime so that they
# serve this machine's time 10.0005 s ahead. Wine refuses to move the clock
# that far and says by how much it would have (WINEDEBUG=err+sync:
# "NtSetSystemTime not allowed: difference D ms", D truncated to whole
# milliseconds; the extra half millisecond makes D - 10000 the error of the
# time Orvane set, rounded to the nearest millisecond), as
# tests/bench/sntp_accuracy.sh does for SNTP.
# A TIME answer names only the whole second the server read its clock in,
# so each error lies anywhere within about half a second either way; the
# median shows whether the client aims at the middle of that second.
# Prints the median and the worst error over COUNT (default 20) manual
# updates for each protocol.
#   tests/bench/time_accuracy.sh [COUNT]
# Runs in network and mount namespaces of its own (it puts itself there),
# so ports 37 and 123 meet no other run's. Needs a Windows build: E2E_BIN
# and E2E_DIST name another one's test programs and shipped files (default
# build/windows/test-bin and dist/).
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
COUNT=${1:-20}
OFFSET=10.0005
OFFSET_MS=10000
FAKETIME_LIBRARY=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1

if [ "$(readlink /proc/self/ns/net)" != "${TIME_ACCURACY_NETNS:-}" ]; then
    exec unshare --net --mount -- bash -c \
        'TIME_ACCURACY_NETNS=$(readlink /proc/self/ns/net) && export TIME_ACCURACY_NETNS &&
         exec bash "$0" "$@"' "$0" "$@"
fi
ip link set lo up || { echo "no loopback in the namespace" >&2; exit 1; }

for need in xinetd:xinetd "$FAKETIME_LIBRARY":libfaketime; do
    file=${need%%:*} package=${need##*:}
    if ! command -v "$file" >/dev/null && [ ! -e "$file" ]; then
        apt-get install -y -qq "$package" >/dev/null 2>&1 ||
            { apt-get update -qq && apt-get install -y -qq "$package" >/dev/null; } ||
            { echo "$package is missing and could not be installed" >&2; exit 1; }
    fi
done

# shellcheck source=tests/bench/bench_env.sh
source "$ROOT/tests/bench/bench_env.sh"
bench_env time-accuracy "the namespace should hold no other server"
# The services read the shifted clock; nothing else here does.
FAKETIME=+$OFFSET LD_PRELOAD=$FAKETIME_LIBRARY e2e_start_time_server ||
    { echo "no TIME server" >&2; exit 1; }

# The median and the largest absolute value of numbers, one a line.
summary() {
    sort -g | awk '{ v[NR] = $1; a = $1 < 0 ? -$1 : $1; if (a > worst) { worst = a; w = $1 } }
        END { if (NR == 0) { print "no values"; exit }
              m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
              printf "median %+.3f ms, worst %+.3f ms over %d\n", m, w, NR }'
}

e2e_start_display 146 || exit 1
e2e_new_prefix || exit 1

# COUNT manual updates with the protocol given; one error a line in FILE.
measure() {
    local protocol=$1 file=$2 i seen
    orv_settings 0 "\"Protocol\"=dword:0000000$protocol"
    WINEDEBUG=-all,err+sync orv_start || return 1
    : >"$file"
    for i in $(seq "$COUNT"); do
        seen=$(grep -c 'not allowed: difference' "$E2E_WORK/orvane.out")
        # Only file reads while the update runs: every Wine program started
        # meanwhile would load the machine and delay the answer's arrival.
        e2e_h char "$ORV_CLOCK" - Y linger >/dev/null
        e2e_wait_until 20 test "$(grep -c 'not allowed: difference' "$E2E_WORK/orvane.out")" -gt "$seen" ||
            { echo "update $i: no clock set" >&2; return 1; }
        e2e_wait_until 20 e2e_prints_match . orv_error_text >/dev/null ||
            { echo "update $i: no error window" >&2; return 1; }
        grep 'not allowed: difference' "$E2E_WORK/orvane.out" | sed -n "$((seen + 1))p" |
            sed -E 's/.*difference (-?[0-9]+) ms.*/\1/' | awk -v o=$OFFSET_MS '{ print $1 - o }' \
            >>"$file"
        orv_close_error_window
    done
    orv_stop >/dev/null
}

measure 2 "$E2E_WORK/udp.errors" || exit 1
measure 3 "$E2E_WORK/tcp.errors" || exit 1

echo "TIME/UDP (Wine's measure, whole ms): $(summary <"$E2E_WORK/udp.errors")"
echo "TIME/TCP (Wine's measure, whole ms): $(summary <"$E2E_WORK/tcp.errors")"
echo "TIME/UDP errors: $(tr '\n' ' ' <"$E2E_WORK/udp.errors")"
echo "TIME/TCP errors: $(tr '\n' ' ' <"$E2E_WORK/tcp.errors")"
