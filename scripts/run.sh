#!/usr/bin/env bash
# The main job: builds the Windows programs and runs them under Wine
# against a local time server (chronyd on 127.0.0.1:123, which never
# touches this machine's clock).
#   ORVANE_SERVER=a.b.c.d  use another SNTP server instead of the local one
#   DISPLAY=...            show the windows there (default: a private Xvfb)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

bash scripts/install-deps.sh || exit 1
bash scripts/build.sh >/dev/null || { echo "build failed"; exit 1; }

WORK=$(mktemp -d /tmp/orvane-run.XXXXXX)
export WINEPREFIX=${WINEPREFIX:-$WORK/prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    Xvfb :77 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=:77
fi

server=${ORVANE_SERVER:-}
if [ -z "$server" ]; then
    cat >"$WORK/chrony.conf" <<CONF
port 123
bindaddress 127.0.0.1
allow 127.0.0.1
local stratum 8
cmdport 0
pidfile $WORK/chronyd.pid
driftfile $WORK/drift
CONF
    chronyd -x -d -u root -f "$WORK/chrony.conf" >"$WORK/chronyd.log" 2>&1 &
    pids+=($!)
    server=127.0.0.1
    sleep 1
fi

wineboot -i >/dev/null 2>&1
echo "Asking $server for the time (SNTP) through the Windows build under Wine:"
wine build/windows/test-bin/exchange_probe.exe sntp "$server" | tr -d '\r'
