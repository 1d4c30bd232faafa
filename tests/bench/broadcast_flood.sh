#!/usr/bin/env bash
# Orvane.exe receiving SNTP broadcasts under Wine while a flood of bad
# datagrams arrives: RATE bad datagrams a second (default 2000) for SECONDS
# (default 15) to 127.0.0.1:123, then one good broadcast carrying this
# machine's time. Prints the delay until the good broadcast is applied (its
# log entry appears), the processor time Orvane.exe's Wine process and the
# prefix's wineserver used during the flood (from /proc, as a share of one
# core), and the length of the error window's text.
#   flock /tmp/orvane-e2e.lock tests/bench/broadcast_flood.sh [SECONDS [RATE]]
# Needs a Windows build (dist/, build/windows/test-bin) and UDP port 123
# free; uses the end-to-end harness's helpers and a private Xvfb display.
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
FLOOD_SECONDS=${1:-15}
FLOOD_RATE=${2:-2000}

# shellcheck source=tests/bench/bench_env.sh
source "$ROOT/tests/bench/bench_env.sh"
bench_env flood "the flood would not reach Orvane"
e2e_start_display 140 || exit 1
e2e_new_prefix || exit 1
# Logging at Normal: one line per applied broadcast.
orv_settings 1 '"Receive sntp broadcasts"=dword:00000001'
orv_start || exit 1
e2e_wait_until 10 e2e_port_bound udp 123 any || { echo "no listener on UDP 123" >&2; exit 1; }

# The Wine process of Orvane.exe in this prefix (Wine names it after the
# program; the wine and timeout commands that started it carry the name
# only in their arguments), and the prefix's wineserver.
prefix_pid() {
    local pid
    for pid in $(pgrep -x "$1"); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
            { echo "$pid"; return 0; }
    done
    return 1
}
orvane_pid=$(prefix_pid Orvane.exe) || { echo "no Orvane.exe process" >&2; exit 1; }
server_pid=$(prefix_pid 'wineserver(64)?') || server_pid=
cpu_ticks() { [ -n "$1" ] && awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }

SENDER=$E2E_WORK/send.py
cat >"$SENDER" <<'PY'
import socket, struct, sys, time
mode, seconds, rate = sys.argv[1], float(sys.argv[2]), int(sys.argv[3])
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
to = ("127.0.0.1", 123)
if mode == "good":
    now = time.time() + 2208988800
    stamp = struct.pack("!II", int(now), int((now - int(now)) * 2**32))
    # Leap 0, version 4, mode 5, stratum 9.
    s.sendto(struct.pack("!BBbbII", 0x25, 9, 6, -20, 0, 16) + b"\x7f\x00\x00\x01" +
             stamp + b"\x00" * 16 + stamp, to)
    sys.exit(0)
# Bad ones in turn: empty, short, a client request, version 0, stratum 0,
# longer than any packet the listener reads.
head = lambda first, stratum: struct.pack("!BBbbII", first, stratum, 6, -20, 0, 16) + b"\x00" * 36 + b"\x01" * 4
bad = [b"", b"\x25" * 20, head(0x23, 9), head(0x05, 9), head(0x25, 0), b"\x25" * 2100]
total = int(seconds * rate)  # bounded: no more than this
batch = max(1, rate // 100)
start = time.monotonic()
for sent in range(0, total, batch):
    for i in range(sent, min(sent + batch, total)):
        s.sendto(bad[i % len(bad)], to)
    delay = start + (sent + batch) / rate - time.monotonic()
    if delay > 0:
        time.sleep(delay)
print("sent %d bad datagrams in %.2f s" % (total, time.monotonic() - start))
PY

applied() { orv_logs | grep -c '^SNTP multicast received: Source IP address=127\.0\.0\.1$'; }
before_applied=$(applied)
ticks_orvane=$(cpu_ticks "$orvane_pid")
ticks_server=$(cpu_ticks "$server_pid")
flood_start=$(date +%s%N)
python3 "$SENDER" bad "$FLOOD_SECONDS" "$FLOOD_RATE"
flood_ns=$(($(date +%s%N) - flood_start))
ticks_orvane=$(($(cpu_ticks "$orvane_pid") - ticks_orvane))
ticks_server=$(($(cpu_ticks "$server_pid") - ticks_server))

sent_at=$(date +%s%N)
python3 "$SENDER" good 0 0
delay_ms=
for _ in $(seq 1000); do  # at most about 10 s
    if [ "$(applied)" -gt "$before_applied" ]; then
        delay_ms=$((($(date +%s%N) - sent_at) / 1000000))
        break
    fi
    sleep 0.01
done

hz=$(getconf CLK_TCK)
share() { awk -v t="$1" -v hz="$hz" -v ns="$flood_ns" 'BEGIN { printf "%.1f%%", 100 * t / hz / (ns / 1e9) }'; }
echo "good broadcast applied after: ${delay_ms:-not within 10 s}${delay_ms:+ ms}"
echo "processor use during the flood: Orvane.exe $(share "$ticks_orvane"), wineserver $(share "$ticks_server") of one core"
# The helper prints line ends as \r and \n: counted as one character each.
text=$(orv_error_text | sed 's/\\r/R/g; s/\\n/N/g')
echo "error window text: ${#text} characters, $(grep -o 'Invalid multicast' <<<"$text" | wc -l) \"Invalid\" and $(grep -o 'Empty multicast' <<<"$text" | wc -l) \"Empty\" reports"
orv_stop >/dev/null
