#!/usr/bin/env bash
# The main job: builds everything, starts a local SNTP server (chronyd on
# 127.0.0.1:123 with -x, so this machine's clock is never touched), prepares
# a Wine prefix whose settings point Orvane at it (SNTP, an update every
# minute, logging at Maximum), installs the Orvane Time Service there and
# has Orvane set the clock through it (as for a Windows user without
# administrator rights), and runs Orvane.exe until you stop it.
# Ctrl+C closes the program normally, so its settings are saved.
#
#   ORVANE_SERVER=a.b.c.d   ask that SNTP server instead of the local one
#   ORVANE_HOME=dir         where the prefix and output go (default
#                           /tmp/orvane-run; kept between runs)
#   DISPLAY=...             show the windows there; without one a private
#                           Xvfb is used and a screenshot is saved
#
# The display, chronyd's configuration and the waits are the end-to-end
# harness's own (tests/e2e/lib.sh).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

if [ "$(id -u)" -ne 0 ]; then
    echo "scripts/run.sh needs root: the local SNTP server (chronyd) listens on UDP" >&2
    echo "port 123, which only root may bind, and packages are installed with apt-get." >&2
    exit 1
fi

bash scripts/install-deps.sh || exit 1
echo "Building..."
bash scripts/build.sh >/tmp/orvane-build.log 2>&1 || { tail -30 /tmp/orvane-build.log; echo "build failed"; exit 1; }

HOME_DIR=${ORVANE_HOME:-/tmp/orvane-run}
mkdir -p "$HOME_DIR"
export WINEPREFIX=$HOME_DIR/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export E2E_BIN=$ROOT/build/windows/test-bin
# This run's files (Xvfb's and chronyd's logs, the imported settings):
# made anew each run, kept afterwards.
export E2E_WORK=$HOME_DIR/work
rm -rf "$E2E_WORK"
mkdir -p "$E2E_WORK"
E2E_KEEP=1
# shellcheck source=tests/e2e/lib.sh
source "$ROOT/tests/e2e/lib.sh"

ORVANE_CLOCK=$(e2e_window_name kClockWindowClass)
LOG_DIR=$WINEPREFIX/drive_c/Orvane\ logs
SHOT_NAME=orvane-screenshot
own_display=0
orvane_pid=

# The harness starts its helpers in sessions of their own, so Ctrl+C
# reaches only this script, which then closes Orvane first.
stop_everything() {
    trap - INT TERM EXIT
    if [ -n "$orvane_pid" ] && ! e2e_gone "$orvane_pid"; then
        echo "Closing Orvane (settings are saved)..."
        e2e_h close "$ORVANE_CLOCK" - >/dev/null 2>&1
        e2e_wait_until 10 e2e_gone "$orvane_pid" 2>/dev/null
    fi
    e2e_cleanup
    echo "Log folder: $LOG_DIR"
    [ -f "$HOME_DIR/$SHOT_NAME.png" ] && echo "Screenshot: $HOME_DIR/$SHOT_NAME.png"
}
trap stop_everything EXIT
trap 'exit 0' INT TERM

if [ -z "${DISPLAY:-}" ]; then
    e2e_start_display 70 || exit 1
    own_display=1
fi

server=${ORVANE_SERVER:-}
if [ -z "$server" ]; then
    e2e_start_sntp_server 8 || { echo "chronyd did not start: $E2E_WORK/chrony-server/log"; exit 1; }
    server=127.0.0.1
    echo "Local SNTP server: chronyd -x on 127.0.0.1:123 (pid $E2E_LAST_PID)"
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Making the Wine prefix..."
    wineboot -i >/dev/null 2>&1
    # Until the new prefix has settled, its service manager times out starts.
    wineserver -w
fi
e2e_reg_import <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\$E2E_KEY]
"Protocol"=dword:00000001
"Server ip address"="$server"
"Server name"="[unknown]"
"Use server by name"=dword:00000000
"Enable updates"=dword:00000001
"Update interval"=dword:00000001
"Receive sntp broadcasts"=dword:00000000
"Enable logging"=dword:00000001
"Logging level"=dword:00000002
"Logfile path"="C:\\\\Orvane logs"
"Clock setting"=dword:00000002

[HKEY_CURRENT_USER\\$E2E_KEY]
"Show date"=dword:00000001
REG
# The window keeps where the user left it; a first run gets a default.
for value in "Window position x=40" "Window position y=40" "Window size x=260" "Window size y=110"; do
    [ -n "$(e2e_reg "$E2E_HKCU" "${value%=*}")" ] ||
        e2e_wine reg add "$E2E_HKCU" /v "${value%=*}" /t REG_DWORD /d "${value#*=}" /f >/dev/null
done

# The service as Setup installs it: OrvaneService.exe /install creates (or
# reconfigures) and starts it. Wine keeps a prefix's services only while
# another program of the prefix runs: Orvane.exe will, from here on.
echo "Installing the Orvane Time Service..."
(cd "$ROOT/dist" && e2e_wine OrvaneService.exe /install) | tr -d '\r'
service_answers() {
    e2e_wine "$E2E_BIN/service_client.exe" status | grep -q '^version=' && return 0
    e2e_wine sc start OrvaneTime >/dev/null 2>&1
    return 1
}
e2e_wait_until 30 service_answers ||
    echo "The Orvane Time Service does not answer; updates will say so."
e2e_wine "$E2E_BIN/service_client.exe" status | tr -d '\r' | grep -E '^(version|privilege)=' |
    sed 's/^/  service /'

echo "Starting Orvane.exe (SNTP server $server, an update every minute, the clock set"
echo "through the Orvane Time Service)."
# Its own session, so a Ctrl+C reaches this script, which closes it cleanly.
setsid bash -c "cd \"$ROOT/dist\" && exec wine Orvane.exe" &
orvane_pid=$!
e2e_h wait "$ORVANE_CLOCK" - 20000 >/dev/null 2>&1 || echo "The clock window did not appear."
if [ "$own_display" = 1 ]; then
    e2e_shot "$HOME_DIR" "$SHOT_NAME"
fi
echo "Running; the log is in $LOG_DIR. Press Ctrl+C to close Orvane."
wait "$orvane_pid"
