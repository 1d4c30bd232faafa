# The Orvane Time Service (OrvaneService.exe) registered with Wine's
# service manager ("sc create", "sc start") and driven through its pipe by
# service_client.exe: updates against chronyd and xinetd, malformed and
# half-written records, a silent client, and the rate limit.

# The svc_* helpers (registering, starting, the client, the checks) are in
# product.sh, shared with the other service scenarios.

# The removal that Uninstall is to call, through Wine's service manager:
# the running service is stopped and deleted, and its pipe goes with it.
# e2e-group: ports
scenario_64_svc_remove_stops_and_deletes() {
    svc_settings 1
    svc_start || return 1
    local out
    out=$(e2e_wine "$WINEPREFIX/drive_c/orvane-service/OrvaneService.exe" /remove | tr -d '\r')
    echo "$out"
    [ "$out" = "remove=0 error=0" ] || e2e_fail "removal: $out" || return 1
    e2e_wait_until 20 e2e_not_running 'OrvaneService\.exe' || e2e_fail "still running" || return 1
    ts_gone || e2e_fail "still registered" || return 1
    # A client started while Wine winds the service down can end without a
    # word; the answer that counts is the one once it has settled.
    e2e_wait_until 10 e2e_prints_match '^status=1$' svc_client status
    out=$(svc_client status)
    echo "$out"
    svc_expect "$out" status 1 error 'The Orvane Time Service is not running' || return 1
}

# e2e-group: ports
scenario_65_svc_sntp_update_through_pipe() {
    e2e_start_sntp_server || return 1
    svc_settings 1
    svc_start || return 1
    local out version
    out=$(svc_client status)
    echo "$out"
    version=$(sed -n 's/^set(ORVANE_VERSION_TEXT "\(.*\)")$/\1/p' "$E2E_ROOT/CMakeLists.txt")
    svc_expect "$out" status 0 version "$version" privilege '[01]' || return 1
    out=$(svc_client update)
    echo "$out"
    svc_expect "$out" status 0 answer_type 129 result 1 error '' clock_error 0 protocol 1 \
        server 127.0.0.1 stratum 8 version '[1-4]' delay '-?[0-9]+' has_packets 1 \
        request_mode 3 reply_mode 4 reply_stratum 8 reply_matches 1 has_word 0 || return 1
    svc_time_set "$(e2e_field "$out" before)" || e2e_fail "no time before" || return 1
    svc_time_set "$(e2e_field "$out" after)" || e2e_fail "no time after" || return 1
}

# e2e-group: ports
scenario_66_svc_time_tcp_update_through_pipe() {
    e2e_start_time_server || return 1
    svc_settings 3
    svc_start || return 1
    local out attempt
    # A TIME answer carries whole seconds: Wine accepts the clock only for
    # an exchange early in a second, so up to three tries (within the
    # service's limit of four a minute).
    for attempt in 1 2 3; do
        out=$(svc_client update time)
        echo "$out"
        [ "$(e2e_field "$out" result)" = 1 ] && break
    done
    svc_expect "$out" status 0 answer_type 129 result 1 error '' clock_error 0 protocol 3 \
        server 127.0.0.1 has_word 1 word '[0-9a-f]{8}' has_packets 0 || return 1
    [ "$(e2e_field "$out" word)" != 00000000 ] || e2e_fail "no TIME word" || return 1
    svc_time_set "$(e2e_field "$out" after)" || e2e_fail "no time after" || return 1
}

# e2e-group: ports
scenario_67_svc_survives_malformed_records() {
    e2e_start_sntp_server || return 1
    svc_settings 1
    svc_start || return 1
    local out hex name want
    # Each refused with an error answer, and the connection closed.
    while read -r name hex want; do
        out=$(svc_client raw "$hex")
        echo "--- $name"
        echo "$out"
        svc_expect "$out" answer_type 255 error "Malformed request: $want" closed 1 || return 1
    done <<'CASES'
garbage 68656c6c6f20776f726c642121 not an Orvane record
half-header 4f5256540200 too short
torn-tail 4f525654020001000e0000000000 too short
first-layout 4f525654010001000c000000 unsupported layout version
wrong-version 4f525654090001000c000000 unsupported layout version
unknown-request 4f525654020009000c000000 unknown request
bad-length 4f52565402000100ff000000 length field does not match
too-long 4f525654020001000c0000000000000000000000 too long
CASES
    # Half a record, and the client gone before any answer.
    svc_client drop 4f525654020001
    ts_running || e2e_fail "service ended" || return 1
    out=$(svc_client update)
    echo "$out"
    svc_expect "$out" status 0 result 1 protocol 1 has_packets 1 || return 1
}

# e2e-group: ports
scenario_68_svc_drops_a_silent_client() {
    svc_settings 1
    svc_start || return 1
    local out ms queued
    # The silent client holds the one connection; a second client queues
    # for the pipe and is served once the first is dropped.
    svc_client_to "$E2E_WORK/idle.out" idle &
    local idle_pid=$!
    e2e_wait_until 20 grep -q connected=1 "$E2E_WORK/idle.out" ||
        e2e_fail "the silent client did not connect" || return 1
    queued=$(svc_client status)
    wait "$idle_pid"
    out=$(tr -d '\r' <"$E2E_WORK/idle.out")
    echo "$out"
    echo "$queued"
    svc_expect "$out" dropped 1 || return 1
    ms=$(e2e_field "$out" dropped_after_ms)
    [ "$ms" -ge 4500 ] && [ "$ms" -le 9000 ] || e2e_fail "dropped after $ms ms, not about 5 s" ||
        return 1
    svc_expect "$queued" status 0 answer_type 131 || return 1
}

# e2e-group: ports
scenario_69_svc_rate_limit() {
    e2e_start_sntp_server || return 1
    svc_settings 1
    svc_start || return 1
    local out i
    for i in 1 2 3 4; do
        out=$(svc_client update)
        echo "$out" | grep -E '^(result|error)='
        svc_expect "$out" status 0 answer_type 129 result 1 || return 1
    done
    out=$(svc_client update)
    echo "$out"
    svc_expect "$out" status 0 answer_type 129 result 0 protocol 0 has_packets 0 \
        error 'Too many update requests; try again in a minute' || return 1
    # Still serving.
    svc_expect "$(svc_client status)" status 0 answer_type 131 || return 1
}

# No caller hands the service a time: the broadcast record a listener once
# passed on (a mode-5 packet carrying a time 3 days ahead, "from" 127.0.0.1)
# is refused as an unknown request in either layout, while the machine
# receives broadcasts, and the service applies nothing.
# e2e-group: ports
scenario_69_svc_broadcast_record_from_a_client_sets_no_clock() {
    svc_settings 1 1
    svc_start || return 1
    local out layout packet record
    # Leap 0, version 4, mode 5, stratum 9; the transmit time last.
    packet="2509$(printf '%076d' 0)eec3a08000000000"
    for layout in 01 02; do
        record="4f525654${layout}00020044000000${packet}7f000001007b0000"
        [ "${#record}" = 136 ] || e2e_fail "record of ${#record} digits" || return 1
        out=$(svc_client raw "$record")
        echo "$out"
        if [ "$layout" = 01 ]; then
            svc_expect "$out" answer_type 255 \
                error 'Malformed request: unsupported layout version' || return 1
        else
            svc_expect "$out" answer_type 255 error 'Malformed request: unknown request' ||
                return 1
        fi
    done
    out=$(svc_client status)
    echo "$out"
    svc_expect "$out" status 0 answer_type 131 broadcast_sequence 0 || return 1
}

# A stop ends a connected client's connection at once rather than waiting
# out the 5 s a client has to send its request.
# e2e-group: ports
scenario_68_svc_stops_with_a_client_connected() {
    svc_settings 1
    svc_start || return 1
    local out ms
    svc_client_to "$E2E_WORK/idle.out" idle &
    local idle_pid=$!
    e2e_wait_until 20 grep -q connected=1 "$E2E_WORK/idle.out" ||
        e2e_fail "the client did not connect" || return 1
    e2e_wine sc stop OrvaneTime >/dev/null 2>&1
    e2e_wait_until 10 ts_stopped || e2e_fail "service did not stop" || return 1
    wait "$idle_pid"
    out=$(tr -d '\r' <"$E2E_WORK/idle.out")
    echo "$out"
    svc_expect "$out" dropped 1 || return 1
    ms=$(e2e_field "$out" dropped_after_ms)
    [ "$ms" -lt 4500 ] || e2e_fail "dropped after $ms ms, not at the stop" || return 1
}

# Clock setting 2: Orvane.exe's manual updates go through the service, with
# the same box, status fields and level-2 log entries as its own, for SNTP
# and for TIME over TCP (the service reads the machine's protocol).
# e2e-group: ports
scenario_69_svc_orvane_updates_through_the_service() {
    e2e_start_sntp_server 8 || return 1
    e2e_start_time_server || return 1
    orv_settings 2 '"Clock setting"=dword:00000002'
    svc_start || return 1
    orv_start || return 1
    orv_manual_update_until_success 1 || return 1
    orv_open_status || return 1
    orv_check_status <<TABLE || return 1
$IDC_STATUS_SERVER_ADDRESS|127\.0\.0\.1
$IDC_STATUS_TIME_AFTER|.* [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}
$IDC_STATUS_DELAY|-?[0-9]+ Milliseconds
$IDC_STATUS_PROTOCOL|SNTP
$IDC_STATUS_STRATUM|8
TABLE
    e2e_wait_until 10 orv_log_has "Incoming packet:" || e2e_fail "no packet dump" || return 1
    orv_log_has "^Manual update successful$" || e2e_fail "no log entry" || return 1
    orv_stop || return 1
    # Three tries at most: with the SNTP update, the service's four a minute.
    e2e_wine reg add "HKLM\\$E2E_KEY" /v Protocol /t REG_DWORD /d 3 /f >/dev/null 2>&1
    orv_start || return 1
    orv_manual_update_until_success 3 || return 1
    orv_open_status || return 1
    orv_check_status <<TABLE || return 1
$IDC_STATUS_PROTOCOL|TIME \(TCP\)
$IDC_STATUS_VERSION|\[not applicable\]
TABLE
    e2e_wait_until 10 orv_log_has '^TIME (TCP) external update:' || e2e_fail "no TIME entry" ||
        return 1
    orv_stop
}

# The service stopped: one clear message, in the manual update's failure.
# e2e-group: ports
scenario_69_svc_orvane_says_when_the_service_is_stopped() {
    e2e_start_sntp_server 8 || return 1
    orv_settings 0 '"Clock setting"=dword:00000002'
    svc_start || return 1
    e2e_wine sc stop OrvaneTime >/dev/null 2>&1
    e2e_wait_until 20 ts_stopped || e2e_fail "service did not stop" || return 1
    orv_start || return 1
    e2e_h char "$ORV_CLOCK" - y >/dev/null
    local failure='Manual update failed.  The Orvane Time Service is not running'
    e2e_wait_until 10 e2e_prints_match "$failure" orv_error_text ||
        e2e_fail "no message in the error window" || return 1
    orv_error_text
    [ "$(orv_error_text | grep -c .)" = 1 ] || e2e_fail "more than one message" || return 1
    orv_log_has "^$failure\$" || e2e_fail "not logged" || return 1
    orv_stop
}
