# Helpers for the end-to-end scenarios (sourced by run-e2e.sh) and for
# scripts/run.sh. Every process started here is recorded by pid and stopped
# by pid; nothing else is touched. Set E2E_WORK (a folder of this run's
# own) and WINEPREFIX before sourcing it.

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_PIDS_FILE=$E2E_WORK/pids
: >"$E2E_PIDS_FILE"

e2e_log() { echo "[e2e] $*" >&2; }

e2e_fail() {
    echo "FAILED: $*"
    return 1
}

# Records a background process so cleanup can stop it.
e2e_track() { echo "$1 $2" >>"$E2E_PIDS_FILE"; }

# Starts a peer in a session of its own (a Ctrl+C in scripts/run.sh then
# reaches only the script, which stops everything in order) and records it:
#   e2e_spawn KIND LOGFILE COMMAND...
e2e_spawn() {
    local kind=$1 log=$2
    shift 2
    setsid "$@" >"$log" 2>&1 &
    E2E_LAST_PID=$!
    e2e_track "$E2E_LAST_PID" "$kind"
}

# ---- Waiting ---------------------------------------------------------------
# Every wait for asynchronous work goes through these two, so none waits
# longer than it must, none hangs, and a time-out names what it waited for.

# Runs COMMAND every E2E_POLL seconds (default 0.2) until it succeeds:
# returns 0 then, or 1 once SECONDS (whole seconds) have passed.
# COMMAND's standard output is dropped.
e2e_wait_until() {
    local limit=$1
    shift
    local deadline=$(($(date +%s%N) + limit * 1000000000))
    while :; do
        "$@" >/dev/null && return 0
        [ "$(date +%s%N)" -lt "$deadline" ] || break
        sleep "${E2E_POLL:-0.2}"
    done
    e2e_log "gave up after $limit s waiting for: $*"
    return 1
}

# For what must not happen: COMMAND must keep succeeding for SECONDS,
# polled as above. Returns 1 at its first failure.
e2e_holds_for() {
    local limit=$1
    shift
    local deadline=$(($(date +%s%N) + limit * 1000000000))
    while :; do
        "$@" >/dev/null || {
            e2e_log "stopped holding within $limit s: $*"
            return 1
        }
        [ "$(date +%s%N)" -lt "$deadline" ] || return 0
        sleep "${E2E_POLL:-0.2}"
    done
}

# Conditions for the two above.
# True when COMMAND prints exactly TEXT: e2e_prints count=1 e2e_h count ...
e2e_prints() {
    local want=$1
    shift
    [ "$("$@")" = "$want" ]
}
# True when a line COMMAND prints matches the extended regular expression.
e2e_prints_match() {
    local pattern=$1
    shift
    "$@" | grep -Eq -- "$pattern"
}
# True when the process has ended.
e2e_gone() { ! kill -0 "$1" 2>/dev/null; }
# True while a Windows program whose command line matches the pattern runs
# in this run's prefix (other prefixes may run their own copies).
e2e_running() {
    local pid
    for pid in $(pgrep -f "$1"); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
            return 0
    done
    return 1
}
e2e_not_running() { ! e2e_running "$1"; }

# ---- Display and peers -----------------------------------------------------

# A private Xvfb on the first free display from FIRST (default 91) on.
e2e_start_display() {
    local n first=${1:-91} pid
    for n in $(seq "$first" $((first + 29))); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        e2e_spawn display "$E2E_WORK/xvfb.log" Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp
        pid=$E2E_LAST_PID
        # Ready once its socket is there and the lock names it; gone when
        # another run took the number first (runs in other network
        # namespaces share /tmp, so its socket is reachable from here too).
        e2e_wait_until 10 e2e_display_settled "$pid" "$n"
        if ! e2e_gone "$pid" && e2e_display_ours "$pid" "$n"; then
            export DISPLAY=":$n"
            e2e_log "Xvfb on $DISPLAY (pid $pid)"
            return 0
        fi
    done
    e2e_log "no free X display"
    return 1
}
e2e_display_settled() { e2e_display_ours "$1" "$2" || e2e_gone "$1"; }
e2e_display_ours() {
    [ -S "/tmp/.X11-unix/X$2" ] && [ "$(tr -d ' \n' <"/tmp/.X$2-lock" 2>/dev/null)" = "$1" ]
}

# A screenshot of the whole display: e2e_shot DIR NAME. Painting has no
# event to wait for, so it is given half a second; the picture is for
# people, nothing checks it.
e2e_shot() {
    mkdir -p "$1"
    sleep 0.5
    import -display "$DISPLAY" -window root "$1/$2.png" 2>/dev/null || e2e_log "no screenshot $2"
}

# Stops the peers a scenario started (chronyd, xinetd), this prefix's Wine
# processes and the test host, not the display.
e2e_stop_peers() {
    local pid kind
    : >"$E2E_PIDS_FILE.keep"
    while read -r pid kind; do
        if [ "$kind" = display ]; then
            echo "$pid $kind" >>"$E2E_PIDS_FILE.keep"
            continue
        fi
        kill "$pid" 2>/dev/null
        e2e_wait_until 5 e2e_gone "$pid" 2>/dev/null || kill -9 "$pid" 2>/dev/null
    done <"$E2E_PIDS_FILE"
    mv "$E2E_PIDS_FILE.keep" "$E2E_PIDS_FILE"
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null
    WINEPREFIX=$WINEPREFIX wineserver -w 2>/dev/null
    e2e_stop_test_host
}

e2e_cleanup() {
    e2e_stop_peers
    local pid kind
    while read -r pid kind; do kill "$pid" 2>/dev/null; done <"$E2E_PIDS_FILE"
    if [ -z "${E2E_KEEP:-}" ]; then rm -rf "$E2E_WORK"; fi
}

# A new Wine prefix at $WINEPREFIX, replacing whatever is there. Now and
# then a prefix comes out of wineboot unable to start any program ("could
# not load kernel32.dll"); one that cannot run the test helper is made again.
e2e_new_prefix() {
    local attempt out
    for attempt in 1 2; do
        WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null
        WINEPREFIX=$WINEPREFIX wineserver -w 2>/dev/null
        rm -rf "$WINEPREFIX"
        wineboot -i >"$E2E_WORK/wineboot.log" 2>&1
        wineserver -w
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            e2e_log "wineboot made no prefix"
        elif out=$(e2e_h count - - 2>&1) && [ -n "$(e2e_field "$out" count)" ]; then
            return 0
        else
            e2e_log "the new prefix runs no program: $out"
        fi
        tail -5 "$E2E_WORK/wineboot.log" | sed 's/^/[e2e]   wineboot: /' >&2
    done
    return 1
}

# True when something is bound to the UDP or TCP port on 127.0.0.1, or
# with "any" on every address (0.0.0.0): e2e_port_bound udp 123 [any]
e2e_port_bound() {
    local flag=-ltn addresses='127\.0\.0\.1'
    [ "$1" = udp ] && flag=-lun
    [ "${3:-}" = any ] && addresses='0\.0\.0\.0|\*|\[::\]'
    ss $flag 2>/dev/null | awk '{print $4}' | grep -Eq "^($addresses):$2\$"
}

# Waits until a port on 127.0.0.1 is bound: e2e_wait_port udp 123
e2e_wait_port() {
    e2e_wait_until 10 e2e_port_bound "$1" "$2" || e2e_log "nothing bound to $1 127.0.0.1:$2"
}

# chronyd's configuration as an SNTP server on 127.0.0.1:123 serving this
# machine's own time: e2e_chrony_server_conf DIR [STRATUM]
e2e_chrony_server_conf() {
    cat <<CONF
port 123
bindaddress 127.0.0.1
allow 127.0.0.1
local stratum ${2:-8}
cmdport 0
pidfile $1/chronyd.pid
driftfile $1/drift
CONF
}

# chronyd as that server. -x: it never touches the clock.
e2e_start_sntp_server() {
    local stratum=${1:-8} dir=$E2E_WORK/chrony-server
    mkdir -p "$dir"
    e2e_chrony_server_conf "$dir" "$stratum" >"$dir/chrony.conf"
    e2e_spawn chronyd "$dir/log" chronyd -x -d -u root -f "$dir/chrony.conf"
    e2e_wait_port udp 123
}

# ---- A test host on the LAN --------------------------------------------------
# A second network namespace joined to the scenario's by a veth pair, both
# ends on 192.0.2.0/24 (TEST-NET-1, which exists only between the two): a
# broadcast from there comes from a directly connected subnet, as one from
# a machine on the LAN would, while loopback is no such subnet. Made only
# inside a network namespace of the run's own (run-e2e.sh's unshare), so
# the machine's links are never touched; deleted by e2e_stop_peers.

E2E_LAN_SELF=192.0.2.1
E2E_LAN_HOST=192.0.2.2
E2E_LAN_BROADCAST=192.0.2.255
E2E_TEST_HOST_FILE=$E2E_WORK/test-host

# True in the network namespace run-e2e.sh made for its run (E2E_NETNS).
e2e_in_own_netns() { [ -n "${E2E_NETNS:-}" ] && [ "$(readlink /proc/self/ns/net)" = "$E2E_NETNS" ]; }

# The test host's namespace, named after the run's work folder (one per
# run), and the scenario's end of the link.
e2e_test_host() { echo "orvane-lan-${E2E_WORK##*.}"; }
e2e_test_host_link() { echo "lan-${E2E_WORK##*.}"; }

# Makes the test host (nothing when it is there): this namespace
# 192.0.2.1/24, the test host 192.0.2.2/24, loopback up in both.
e2e_start_test_host() {
    e2e_in_own_netns || e2e_fail "no test host outside the network namespace run-e2e.sh makes" ||
        return 1
    local host link
    host=$(e2e_test_host)
    link=$(e2e_test_host_link)
    [ -e "/run/netns/$host" ] && return 0
    echo "$host $link" >>"$E2E_TEST_HOST_FILE"
    ip netns add "$host" &&
        ip link add "$link" type veth peer name lan0 netns "$host" &&
        ip addr add "$E2E_LAN_SELF/24" dev "$link" && ip link set "$link" up &&
        ip -n "$host" addr add "$E2E_LAN_HOST/24" dev lan0 && ip -n "$host" link set lan0 up &&
        ip -n "$host" link set lo up || e2e_fail "test host $host not made" || return 1
    e2e_log "test host $host ($E2E_LAN_HOST) on $link ($E2E_LAN_SELF)"
}

# Deletes the test hosts recorded (their processes are stopped before).
e2e_stop_test_host() {
    local host link
    [ -s "$E2E_TEST_HOST_FILE" ] || return 0
    while read -r host link; do
        ip link del "$link" 2>/dev/null
        ip netns del "$host" 2>/dev/null
    done <"$E2E_TEST_HOST_FILE"
    : >"$E2E_TEST_HOST_FILE"
}

# Runs a command on the test host: e2e_on_test_host COMMAND...
e2e_on_test_host() { ip netns exec "$(e2e_test_host)" "$@"; }

# True when something on the test host is bound to its UDP port.
e2e_test_host_bound() {
    e2e_on_test_host ss -lun 2>/dev/null | awk '{print $4}' | grep -qx "$E2E_LAN_HOST:$1"
}

# chronyd on the test host sending a mode-5 broadcast to 192.0.2.255:123
# every second. Broadcasts leave through its server socket, so it has a
# server port of its own (1124; "port 0" would send nothing).
e2e_start_sntp_broadcaster() {
    e2e_start_test_host || return 1
    local dir=$E2E_WORK/chrony-broadcast
    mkdir -p "$dir"
    cat >"$dir/chrony.conf" <<CONF
port 1124
bindaddress $E2E_LAN_HOST
local stratum 9
cmdport 0
broadcast 1 $E2E_LAN_BROADCAST 123
pidfile $dir/chronyd.pid
driftfile $dir/drift
CONF
    e2e_spawn chronyd "$dir/log" ip netns exec "$(e2e_test_host)" \
        chronyd -x -d -u root -f "$dir/chrony.conf"
    e2e_wait_until 10 e2e_test_host_bound 1124 || e2e_fail "no broadcaster on the test host"
}

# One mode-5 SNTP packet (version 4, stratum 9, this moment's time) from
# SOURCE to DESTINATION's UDP port 123; from the test host when SOURCE is
# its address: e2e_send_broadcast 192.0.2.2 192.0.2.255
e2e_send_broadcast() {
    local sender=("python3" "$E2E_ROOT/tests/e2e/responders/sntp_broadcast.py"
        --source "$1" --destination "$2")
    if [ "$1" = "$E2E_LAN_HOST" ]; then
        e2e_start_test_host || return 1
        e2e_on_test_host "${sender[@]}"
    else
        "${sender[@]}"
    fi
}

# Another program on a UDP port of every address, without SO_REUSEADDR, so
# that no one else can bind it: e2e_hold_udp_port 123
e2e_hold_udp_port() {
    e2e_spawn port-holder "$E2E_WORK/port-holder-$1.log" python3 -c '
import socket, sys, time
held = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
held.bind(("0.0.0.0", int(sys.argv[1])))
time.sleep(600)' "$1"
    e2e_wait_until 10 e2e_port_bound udp "$1" any || e2e_fail "UDP port $1 not held"
}

# xinetd's internal TIME services on 127.0.0.1:37, TCP and UDP.
e2e_start_time_server() {
    local dir=$E2E_WORK/xinetd
    mkdir -p "$dir"
    cat >"$dir/xinetd.conf" <<CONF
service time
{
    id          = time-stream
    type        = INTERNAL
    socket_type = stream
    protocol    = tcp
    wait        = no
    user        = root
    bind        = 127.0.0.1
}
service time
{
    id          = time-dgram
    type        = INTERNAL
    socket_type = dgram
    protocol    = udp
    wait        = yes
    user        = root
    bind        = 127.0.0.1
}
CONF
    e2e_spawn xinetd "$dir/log" xinetd -dontfork -f "$dir/xinetd.conf" -pidfile "$dir/xinetd.pid"
    e2e_wait_port tcp 37 && e2e_wait_port udp 37
}

# ---- Windows programs ------------------------------------------------------

# The Windows name of a Linux path, through the Z: drive every prefix has.
# (winepath itself starts Wine and now and then prints nothing while the
# prefix's server is busy.)
e2e_windows_path() {
    local path
    path=$(realpath -s -m -- "$1")
    printf 'Z:%s\n' "${path//\//\\}"
}

# Runs a Windows program under Wine with a time limit (E2E_TIMEOUT, 60 s).
e2e_wine() {
    timeout "${E2E_TIMEOUT:-60}" wine "$@"
}

# orvane_testhelper.exe, the one driver and reader of windows (its head
# comment lists the commands). Its own waits are bounded by their ms
# arguments; the time limit only stops a helper that hangs. Returns the
# helper's exit code, not that of the line-end filter.
e2e_h() {
    local -
    set -o pipefail
    E2E_TIMEOUT=${E2E_HELPER_TIMEOUT:-60} e2e_wine "$E2E_BIN/orvane_testhelper.exe" "$@" | tr -d '\r'
}

# The same for a helper left running in the background: its output goes
# straight to FILE, since a pipe would hold it back until the helper ends.
#   e2e_h_to FILE COMMAND ARGS... &
e2e_h_to() {
    local file=$1
    shift
    E2E_TIMEOUT=${E2E_HELPER_TIMEOUT:-60} e2e_wine "$E2E_BIN/orvane_testhelper.exe" "$@" >"$file" 2>&1
}

# The value of the first "NAME=value" line of TEXT: e2e_field "$out" result
e2e_field() { printf '%s\n' "$1" | grep -a -m1 "^$2=" | cut -d= -f2- | tr -d '\r'; }

# One property of a control anywhere inside a window:
#   e2e_item CLASS TITLE ID get|checked|pos|visible|enabled
# ("get" gives its text).
e2e_item() {
    local field=$4
    [ "$field" = get ] && field=text
    e2e_field "$(e2e_h item "$1" "$2" "$3" "$4")" "$field"
}

# The text of a window, or of one of its controls: e2e_text CLASS TITLE [ID]
e2e_text() { e2e_field "$(e2e_h text "$@")" text; }

# ---- Registry --------------------------------------------------------------

E2E_KEY='Software\Pellmoor\Orvane'
E2E_HKLM="HKLM\\$E2E_KEY"
E2E_HKCU="HKCU\\$E2E_KEY"

# A key's values as sorted "name|type|data" lines; nothing when the key is
# missing. Extra arguments go to "reg query" (/v NAME).
e2e_reg_values() {
    e2e_wine reg query "$@" 2>/dev/null | tr -d '\r' |
        sed -n 's/^    \(.*[^ ]\) *    \(REG_[A-Z_]*\)    \(.*\)$/\1|\2|\3/p;
                s/^    \(.*[^ ]\) *    \(REG_[A-Z_]*\)$/\1|\2|/p' | LC_ALL=C sort
}

# One value's data as reg prints it (0x.. for numbers), empty when it is
# missing. Names match without regard to case, as in the registry.
e2e_reg() {
    local name type data
    while IFS='|' read -r name type data; do
        if [ "${name,,}" = "${2,,}" ]; then
            printf '%s\n' "$data"
            return 0
        fi
    done < <(e2e_reg_values "$1" /v "$2")
    return 0
}

e2e_reg_key_exists() { e2e_wine reg query "$1" >/dev/null 2>&1; }

# Imports REGEDIT4 text from standard input (kept in $E2E_WORK/import.reg).
e2e_reg_import() {
    cat >"$E2E_WORK/import.reg"
    e2e_wine regedit /S "$(e2e_windows_path "$E2E_WORK/import.reg")"
}

# ---- Control ids -----------------------------------------------------------
# The product's own resource headers are the one place for control and
# command numbers: each "#define ID..._NAME number" there becomes a shell
# variable of the same name. Windows' own numbers follow.
e2e_load_ids() {
    local header name value
    for header in ui/resource_ids.h settings/config_dialog_ids.h setup/setup_resource_ids.h \
        uninstall/uninstall_resource_ids.h dialup/win32/dial_progress_ids.h; do
        [ -f "$E2E_ROOT/$header" ] || { e2e_log "no $header"; return 1; }
        while read -r name value; do
            declare -g "$name=$value"
        done < <(sed -n 's/^#define \(ID[A-Z]*_[A-Z0-9_]*\) \([0-9][0-9]*\)$/\1 \2/p' "$E2E_ROOT/$header")
    done
}
e2e_load_ids

# A window class or title the programs are found by, from the product's
# header of them: e2e_window_name kClockWindowClass
e2e_window_name() {
    local name
    name=$(sed -n "s/^constexpr char $1\[\] = \"\(.*\)\";\$/\1/p" "$E2E_ROOT/ui/window_names.h")
    [ -n "$name" ] || { e2e_log "no $1 in ui/window_names.h"; return 1; }
    printf '%s\n' "$name"
}

IDOK=1
IDCANCEL=2
IDYES=6
IDNO=7
VK_ESCAPE=27
VK_F12=123

# ---- Names from a hosts file of the scenario's own ---------------------------
# Mounted over /etc/hosts, where Wine's resolver reads it, only in the mount
# namespace run-e2e.sh made with its network one (the machine's stays as it
# is). Again to change it: it is written in place, so the mount stays.
#   e2e_private_hosts <<<"127.0.0.2 name.test"
# e2e_private_hosts_end undoes the mount (a scenario's EXIT trap).
E2E_HOSTS_FILE=$E2E_WORK/hosts
e2e_private_hosts() {
    e2e_in_own_netns || e2e_fail "no private hosts file outside run-e2e.sh's namespaces" ||
        return 1
    cat >"$E2E_HOSTS_FILE"
    [ -e "$E2E_HOSTS_FILE.mounted" ] && return 0
    mount --bind "$E2E_HOSTS_FILE" /etc/hosts || e2e_fail "hosts file not mounted" || return 1
    : >"$E2E_HOSTS_FILE.mounted"
}
e2e_private_hosts_end() {
    [ -e "$E2E_HOSTS_FILE.mounted" ] || return 0
    umount /etc/hosts && rm -f "$E2E_HOSTS_FILE.mounted"
}
