# The synchronisation engine with the real Win32 layer, hosted by a small
# test program until Orvane.exe runs it, against real peers.

# Machine settings for the engine host: e2e_engine_settings PROTOCOL BROADCASTS
e2e_engine_settings() {
    local key='HKLM\Software\Pellmoor\Orvane'
    wine reg add "$key" /v "Protocol" /t REG_DWORD /d "$1" /f >/dev/null
    wine reg add "$key" /v "Receive sntp broadcasts" /t REG_DWORD /d "$2" /f >/dev/null
    wine reg add "$key" /v "Server ip address" /t REG_SZ /d 127.0.0.1 /f >/dev/null
    wine reg add "$key" /v "Server name" /t REG_SZ /d "" /f >/dev/null
    wine reg add "$key" /v "Enable updates" /t REG_DWORD /d 0 /f >/dev/null
    wine reg add "$key" /v "Update interval" /t REG_DWORD /d 5 /f >/dev/null
    wine reg add "$key" /v "Enable logging" /t REG_DWORD /d 1 /f >/dev/null
    wine reg add "$key" /v "Logging level" /t REG_DWORD /d 2 /f >/dev/null
    wine reg add "$key" /v "Logfile path" /t REG_SZ /d 'C:\e2e logs\engine' /f >/dev/null
}

e2e_today_log() { echo "$WINEPREFIX/drive_c/e2e logs/engine/$(date +%Y%m%d).log"; }

scenario_40_engine_manual_sntp_update() {
    e2e_start_sntp_server 8 || return 1
    e2e_engine_settings 1 0
    local out
    out=$(e2e_wine "$E2E_BIN/engine_host.exe" 3 manual | tr -d '\r')
    echo "$out"
    [ "$(echo "$out" | e2e_field valid)" = 1 ] || e2e_fail "no successful update" || return 1
    [ "$(echo "$out" | e2e_field protocol)" = 1 ] || e2e_fail "protocol not SNTP" || return 1
    [ "$(echo "$out" | e2e_field stratum)" = 8 ] || e2e_fail "stratum not 8" || return 1
    echo "$out" | grep -q '^box=Manual update successful' || e2e_fail "no success box" || return 1
    local log
    log=$(e2e_today_log)
    grep -q "Orvane engine started." "$log" || e2e_fail "no start entry in $log" || return 1
    grep -q "SNTP external update:" "$log" || e2e_fail "no update entry" || return 1
    grep -q "Incoming packet:" "$log" || e2e_fail "no level-2 dump" || return 1
    grep -q "Manual update successful" "$log" || e2e_fail "no manual entry" || return 1
    grep -q "Orvane engine stopped." "$log" || e2e_fail "no stop entry" || return 1
}

scenario_41_engine_manual_update_no_answer() {
    e2e_engine_settings 1 0
    local out
    out=$(e2e_wine "$E2E_BIN/engine_host.exe" 4 manual | tr -d '\r')
    echo "$out"
    [ "$(echo "$out" | e2e_field valid)" = 0 ] || e2e_fail "record should stay invalid" || return 1
    echo "$out" | grep -q "Manual update failed.  No response from server within 2000 milliseconds" ||
        e2e_fail "no failure text" || return 1
}

scenario_42_engine_follows_chronyd_broadcasts() {
    e2e_start_sntp_broadcaster || return 1
    e2e_engine_settings 1 1
    local out
    out=$(e2e_wine "$E2E_BIN/engine_host.exe" 4 | tr -d '\r')
    echo "$out"
    [ "$(echo "$out" | e2e_field valid)" = 1 ] || e2e_fail "no broadcast taken" || return 1
    [ "$(echo "$out" | e2e_field protocol)" = 4 ] || e2e_fail "protocol not broadcast" || return 1
    [ "$(echo "$out" | e2e_field stratum)" = 9 ] || e2e_fail "stratum not 9" || return 1
    [ "$(echo "$out" | e2e_field delay)" = 0 ] || e2e_fail "delay not 0" || return 1
    grep -q "SNTP multicast received:" "$(e2e_today_log)" || e2e_fail "no broadcast log entry" || return 1
}

scenario_43_engine_time_tcp_report() {
    e2e_start_time_server || return 1
    e2e_engine_settings 3 0
    local out valid=0
    # engine_host asks a little into a second, where a whole-second answer
    # is within the half second Wine accepts; retries only for a loaded machine.
    for _ in 1 2 3; do
        out=$(e2e_wine "$E2E_BIN/engine_host.exe" 2 manual | tr -d '\r')
        valid=$(echo "$out" | e2e_field valid)
        [ "$valid" = 1 ] && break
    done
    echo "$out"
    [ "$valid" = 1 ] || e2e_fail "no TIME update" || return 1
    grep -q "TIME (TCP) external update:" "$(e2e_today_log)" || e2e_fail "no TIME log entry" || return 1
}
