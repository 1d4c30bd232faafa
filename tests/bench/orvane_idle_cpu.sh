#!/usr/bin/env bash
# Processor time of Orvane.exe left idle under Wine for 60 s (the clock
# repaints once a second): the sum of utime + stime of every process of a
# private Wine prefix (Orvane.exe, wineserver and Wine's helpers), taken
# from /proc before and after, as a share of one core.
#   tests/bench/orvane_idle_cpu.sh [seconds]
# Needs dist/Orvane.exe (a Windows build); uses a private Xvfb display
# unless DISPLAY is set.
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SECONDS_IDLE=${1:-60}
WORK=$(mktemp -d /tmp/orvane-bench.XXXXXX)
export WINEPREFIX=$WORK/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wineserver -k 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 140 170); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        pids+=($!)
        export DISPLAY=":$n"
        sleep 0.5
        break
    done
fi

wineboot -i >/dev/null 2>&1
wineserver -w
cat >"$WORK/settings.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Pellmoor\Orvane]
"Show date"=dword:00000001
"Window position x"=dword:00000064
"Window position y"=dword:00000064
"Window size x"=dword:0000012c
"Window size y"=dword:00000078
"Time font name"="Arial"
"Date font name"="Arial"

[HKEY_LOCAL_MACHINE\Software\Pellmoor\Orvane]
"Enable updates"=dword:00000000
"Enable logging"=dword:00000000
REG
wine regedit /S "$(winepath -w "$WORK/settings.reg")" >/dev/null 2>&1

(cd "$ROOT/dist" && wine ./Orvane.exe >/dev/null 2>&1 &)
sleep 8  # start-up settles

# Every process whose environment names this prefix.
prefix_pids() {
    local pid
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
            echo "$pid"
    done
}
ticks_of() {
    local total=0 pid fields
    for pid in "$@"; do
        fields=$(sed 's/^.*) //' "/proc/$pid/stat" 2>/dev/null) || continue
        set -- $fields
        total=$((total + ${12} + ${13}))  # utime, stime
    done
    echo "$total"
}
mapfile -t watched < <(prefix_pids)
orvane=$(pgrep -f 'Orvane\.exe' | while read -r p; do
    { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"; done | head -1)
before_all=$(ticks_of "${watched[@]}")
before_orvane=$(ticks_of $orvane)
sleep "$SECONDS_IDLE"
after_all=$(ticks_of "${watched[@]}")
after_orvane=$(ticks_of $orvane)
hz=$(getconf CLK_TCK)
echo "processes of the prefix: ${#watched[@]} (Orvane.exe pid ${orvane:-none})"
awk -v a="$((after_all - before_all))" -v o="$((after_orvane - before_orvane))" -v hz="$hz" \
    -v s="$SECONDS_IDLE" 'BEGIN {
        printf "Orvane.exe alone: %.2f s CPU in %d s = %.2f%% of one core\n", o / hz, s, 100 * o / hz / s
        printf "all Wine processes of the prefix: %.2f s CPU in %d s = %.2f%% of one core\n", a / hz, s, 100 * a / hz / s
    }'
