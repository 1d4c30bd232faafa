# Helpers for the end-to-end scenarios. Every process started here is
# recorded by pid and stopped by pid; nothing else is touched.

E2E_PIDS_FILE=$E2E_WORK/pids
: >"$E2E_PIDS_FILE"

e2e_log() { echo "[e2e] $*" >&2; }

e2e_fail() {
    echo "FAILED: $*"
    return 1
}

# Records a background process so cleanup can stop it.
e2e_track() { echo "$1 $2" >>"$E2E_PIDS_FILE"; }

e2e_start_display() {
    local n
    for n in $(seq 91 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$E2E_WORK/xvfb.log" 2>&1 &
        local pid=$!
        sleep 0.5
        if kill -0 "$pid" 2>/dev/null; then
            e2e_track "$pid" display
            export DISPLAY=":$n"
            e2e_log "Xvfb on $DISPLAY (pid $pid)"
            return 0
        fi
    done
    e2e_log "no free X display"
    return 1
}

# Stops the peers a scenario started (chronyd, xinetd), not the display.
e2e_stop_peers() {
    local pid kind rest
    : >"$E2E_PIDS_FILE.keep"
    while read -r pid kind; do
        if [ "$kind" = display ]; then
            echo "$pid $kind" >>"$E2E_PIDS_FILE.keep"
            continue
        fi
        kill "$pid" 2>/dev/null
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null
    done <"$E2E_PIDS_FILE"
    mv "$E2E_PIDS_FILE.keep" "$E2E_PIDS_FILE"
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null
    WINEPREFIX=$WINEPREFIX wineserver -w 2>/dev/null
}

e2e_cleanup() {
    e2e_stop_peers
    local pid kind
    while read -r pid kind; do kill "$pid" 2>/dev/null; done <"$E2E_PIDS_FILE"
    if [ -z "${E2E_KEEP:-}" ]; then rm -rf "$E2E_WORK"; fi
}

# Waits until a UDP or TCP port on 127.0.0.1 is bound: e2e_wait_port udp 123
e2e_wait_port() {
    local proto=$1 port=$2 flag
    [ "$proto" = udp ] && flag=-lun || flag=-ltn
    for _ in $(seq 100); do
        ss $flag 2>/dev/null | awk '{print $4}' | grep -q "^127.0.0.1:$port\$" && return 0
        sleep 0.1
    done
    e2e_log "nothing bound to $proto 127.0.0.1:$port"
    return 1
}

# chronyd as an SNTP server on 127.0.0.1:123 serving this machine's own
# time. -x: it never touches the clock.
e2e_start_sntp_server() {
    local stratum=${1:-8} dir=$E2E_WORK/chrony-server
    mkdir -p "$dir"
    cat >"$dir/chrony.conf" <<CONF
port 123
bindaddress 127.0.0.1
allow 127.0.0.1
local stratum $stratum
cmdport 0
pidfile $dir/chronyd.pid
driftfile $dir/drift
CONF
    chronyd -x -d -u root -f "$dir/chrony.conf" >"$dir/log" 2>&1 &
    e2e_track $! chronyd
    e2e_wait_port udp 123
}

# A second chronyd sending mode-5 broadcasts to 127.0.0.1:123 every second.
e2e_start_sntp_broadcaster() {
    local dir=$E2E_WORK/chrony-broadcast
    mkdir -p "$dir"
    cat >"$dir/chrony.conf" <<CONF
port 1124
bindaddress 127.0.0.1
local stratum 9
cmdport 0
broadcast 1 127.0.0.1 123
pidfile $dir/chronyd.pid
driftfile $dir/drift
CONF
    chronyd -x -d -u root -f "$dir/chrony.conf" >"$dir/log" 2>&1 &
    e2e_track $! chronyd
    e2e_wait_port udp 1124
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
    xinetd -dontfork -f "$dir/xinetd.conf" -pidfile "$dir/xinetd.pid" >"$dir/log" 2>&1 &
    e2e_track $! xinetd
    e2e_wait_port tcp 37 && e2e_wait_port udp 37
}

# Runs a Windows program under Wine with a time limit.
e2e_wine() {
    timeout "${E2E_TIMEOUT:-60}" wine "$@"
}

# Prints the value of "key=value" from a probe's output.
e2e_field() { grep -a "^$1=" | head -1 | cut -d= -f2- | tr -d '\r'; }
