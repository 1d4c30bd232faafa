# The synchronisation engine with the real Win32 layer, hosted by a small
# test program until Orvane.exe runs it, against real peers.

# Machine settings for the engine host: e2e_engine_settings PROTOCOL BROADCASTS
e2e_engine_settings() {
    e2e_reg_import <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\$E2E_KEY]
"Protocol"=dword:0000000$1
"Receive sntp broadcasts"=dword:0000000$2
"Server ip address"="127.0.0.1"
"Server name"=""
"Enable updates"=dword:00000000
"Update interval"=dword:00000005
"Enable logging"=dword:00000001
"Logging level"=dword:00000002
"Logfile path"="C:\\\\e2e logs\\\\engine"
REG
}

e2e_today_log() { echo "$WINEPREFIX/drive_c/e2e logs/engine/$(date +%Y%m%d).log"; }

# Checks "field=value" lines against the engine host's output.
e2e_engine_fields() {
    local out=$1 pair
    shift
    for pair in "$@"; do
        [ "$(e2e_field "$out" "${pair%%=*}")" = "${pair#*=}" ] || e2e_fail "want $pair" || return 1
    done
}

# e2e-group: ports
scenario_40_engine_manual_sntp_update() {
    e2e_start_sntp_server 8 || return 1
    e2e_engine_settings 1 0
    local out
    out=$(e2e_wine "$E2E_BIN/engine_host.exe" 3 manual | tr -d '\r')
    echo "$out"
    e2e_engine_fields "$out" valid=1 protocol=1 stratum=8 || return 1
    echo "$out" | grep -q '^box=Manual update successful' || e2e_fail "no success box" || return 1
    # The host has ended, so its log is complete.
    local log entry
    log=$(e2e_today_log)
    for entry in "Orvane engine started." "SNTP external update:" "Incoming packet:" \
        "Manual update successful" "Orvane engine stopped."; do
        grep -qF "$entry" "$log" || e2e_fail "no entry \"$entry\" in $log" || return 1
    done
}

# e2e-group: ports
scenario_41_engine_manual_update_no_answer() {
    e2e_engine_settings 1 0
    local out
    out=$(e2e_wine "$E2E_BIN/engine_host.exe" 4 manual | tr -d '\r')
    echo "$out"
    e2e_engine_fields "$out" valid=0 || return 1
    echo "$out" | grep -q "Manual update failed.  No response from server within 2000 milliseconds" ||
        e2e_fail "no failure text" || return 1
}

# Broadcasts from chronyd on the test host, a machine on a directly
# connected subnet.
# e2e-group: ports
scenario_42_engine_follows_chronyd_broadcasts() {
    e2e_start_sntp_broadcaster || return 1
    e2e_engine_settings 1 1
    local out
    out=$(e2e_wine "$E2E_BIN/engine_host.exe" 4 | tr -d '\r')
    echo "$out"
    e2e_engine_fields "$out" valid=1 protocol=4 stratum=9 delay=0 "address=$E2E_LAN_HOST" || return 1
    grep -q "SNTP multicast received:" "$(e2e_today_log)" || e2e_fail "no broadcast log entry" || return 1
}

# e2e-group: ports
scenario_43_engine_time_tcp_report() {
    e2e_start_time_server || return 1
    e2e_engine_settings 3 0
    local out valid=0
    # engine_host asks a little into a second, where a whole-second answer
    # is within the half second Wine accepts; more tries only for a loaded
    # machine (a try, not a wait).
    for _ in 1 2 3; do
        out=$(e2e_wine "$E2E_BIN/engine_host.exe" 2 manual | tr -d '\r')
        valid=$(e2e_field "$out" valid)
        [ "$valid" = 1 ] && break
    done
    echo "$out"
    [ "$valid" = 1 ] || e2e_fail "no TIME update" || return 1
    grep -q "TIME (TCP) external update:" "$(e2e_today_log)" || e2e_fail "no TIME log entry" || return 1
}
