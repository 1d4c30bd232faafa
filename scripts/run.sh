#!/usr/bin/env bash
# The main job: builds everything, starts a local SNTP server (chronyd on
# 127.0.0.1:123 with -x, so this machine's clock is never touched), prepares
# a Wine prefix whose settings point Orvane at it (SNTP, an update every
# minute, logging at Maximum) and runs Orvane.exe until you stop it.
# Ctrl+C closes the program normally, so its settings are saved.
#
#   ORVANE_SERVER=a.b.c.d   ask that SNTP server instead of the local one
#   ORVANE_HOME=dir         where the prefix and output go (default
#                           /tmp/orvane-run; kept between runs)
#   DISPLAY=...             show the windows there; without one a private
#                           Xvfb is used and a screenshot is saved
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

bash scripts/install-deps.sh || exit 1
echo "Building..."
bash scripts/build.sh >/tmp/orvane-build.log 2>&1 || { tail -30 /tmp/orvane-build.log; echo "build failed"; exit 1; }

HOME_DIR=${ORVANE_HOME:-/tmp/orvane-run}
mkdir -p "$HOME_DIR"
export WINEPREFIX=$HOME_DIR/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
HELPER=$ROOT/build/windows/test-bin/orvane_testhelper.exe
LOG_DIR_WIN='C:\Orvane logs'
LOG_DIR=$WINEPREFIX/drive_c/Orvane\ logs
SHOT=$HOME_DIR/orvane-screenshot.png
# Helpers run in sessions of their own so that Ctrl+C reaches only this
# script, which then closes Orvane first.
pids=()
orvane_pid=

stop_everything() {
    trap - INT TERM EXIT
    if [ -n "$orvane_pid" ] && kill -0 "$orvane_pid" 2>/dev/null; then
        echo "Closing Orvane (settings are saved)..."
        wine "$HELPER" close "Orvane Window Class" - >/dev/null 2>&1
        for _ in $(seq 100); do kill -0 "$orvane_pid" 2>/dev/null || break; sleep 0.1; done
    fi
    wineserver -k 2>/dev/null
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    echo "Log folder: $LOG_DIR"
    [ -f "$SHOT" ] && echo "Screenshot: $SHOT"
}
trap stop_everything EXIT
trap 'exit 0' INT TERM

own_display=0
if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 70 99); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        pids+=($!)
        export DISPLAY=":$n"
        own_display=1
        sleep 0.5
        break
    done
fi

server=${ORVANE_SERVER:-}
if [ -z "$server" ]; then
    cat >"$HOME_DIR/chrony.conf" <<CONF
port 123
bindaddress 127.0.0.1
allow 127.0.0.1
local stratum 8
cmdport 0
pidfile $HOME_DIR/chronyd.pid
driftfile $HOME_DIR/drift
CONF
    setsid chronyd -x -d -u root -f "$HOME_DIR/chrony.conf" >"$HOME_DIR/chronyd.log" 2>&1 &
    pids+=($!)
    server=127.0.0.1
    echo "Local SNTP server: chronyd -x on 127.0.0.1:123 (pid ${pids[-1]})"
fi

[ -f "$WINEPREFIX/system.reg" ] || { echo "Making the Wine prefix..."; wineboot -i >/dev/null 2>&1; }
machine='HKLM\Software\Pellmoor\Orvane'
user='HKCU\Software\Pellmoor\Orvane'
reg() { wine reg add "$@" /f >/dev/null; }
reg "$machine" /v "Protocol" /t REG_DWORD /d 1
reg "$machine" /v "Server ip address" /t REG_SZ /d "$server"
reg "$machine" /v "Server name" /t REG_SZ /d "[unknown]"
reg "$machine" /v "Use server by name" /t REG_DWORD /d 0
reg "$machine" /v "Enable updates" /t REG_DWORD /d 1
reg "$machine" /v "Update interval" /t REG_DWORD /d 1
reg "$machine" /v "Receive sntp broadcasts" /t REG_DWORD /d 0
reg "$machine" /v "Enable logging" /t REG_DWORD /d 1
reg "$machine" /v "Logging level" /t REG_DWORD /d 2
reg "$machine" /v "Logfile path" /t REG_SZ /d "$LOG_DIR_WIN"
reg "$user" /v "Show date" /t REG_DWORD /d 1
for key in "Window position x" "Window position y"; do
    wine reg query "$user" /v "$key" >/dev/null 2>&1 || reg "$user" /v "$key" /t REG_DWORD /d 40
done
wine reg query "$user" /v "Window size x" >/dev/null 2>&1 || reg "$user" /v "window size x" /t REG_DWORD /d 260
wine reg query "$user" /v "Window size y" >/dev/null 2>&1 || reg "$user" /v "Window size y" /t REG_DWORD /d 110

echo "Starting Orvane.exe (SNTP server $server, an update every minute)."
# Its own session, so a Ctrl+C reaches this script, which closes it cleanly.
setsid bash -c "cd \"$ROOT/dist\" && exec wine Orvane.exe" &
orvane_pid=$!
wine "$HELPER" wait "Orvane Window Class" - 20000 >/dev/null 2>&1 || echo "The clock window did not appear."
if [ "$own_display" = 1 ]; then
    sleep 3
    import -display "$DISPLAY" -window root "$SHOT" 2>/dev/null && echo "Screenshot: $SHOT"
fi
echo "Running; the log is in $LOG_DIR. Press Ctrl+C to close Orvane."
wait "$orvane_pid"
