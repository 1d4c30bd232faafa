# Whom the Orvane Time Service and its clients trust: a broadcast only from
# a directly connected subnet, the pipe only while the registered service
# holds it; and no client makes another wait. The svc_* helpers are in
# product.sh.

# The service's own broadcast listener (`Receive sntp broadcasts` 1): one
# from loopback applies nothing, one from the test host on the LAN does.
# e2e-group: ports
scenario_6a_svc_broadcasts_only_from_a_connected_subnet() {
    e2e_start_test_host || return 1
    svc_settings 1 1
    svc_start || return 1
    e2e_wait_until 10 e2e_port_bound udp 123 any || e2e_fail "the service does not listen" ||
        return 1
    e2e_send_broadcast 127.0.0.1 127.0.0.1 || return 1
    e2e_holds_for 3 e2e_prints_match '^broadcast_sequence=0$' svc_client status ||
        e2e_fail "a broadcast from loopback was applied" || return 1
    e2e_send_broadcast "$E2E_LAN_HOST" "$E2E_LAN_BROADCAST" || return 1
    e2e_wait_until 10 e2e_prints_match '^broadcast_sequence=1$' svc_client status ||
        e2e_fail "the test host's broadcast was not applied" || return 1
    local out
    out=$(svc_client status)
    echo "$out"
    svc_expect "$out" broadcast_sequence 1 broadcast_sender "$E2E_LAN_HOST" broadcast_version 4 \
        broadcast_stratum 9 || return 1
    svc_time_set "$(e2e_field "$out" broadcast_after)" || e2e_fail "no time after" || return 1
}

# A program that creates the pipe while the service is stopped and claims
# every update succeeded: Orvane.exe (`Clock setting` 2) sees that the pipe
# is not the service's and says so.
# e2e-group: ports
scenario_6b_svc_orvane_refuses_a_pipe_impostor() {
    orv_settings 0 '"Clock setting"=dword:00000002'
    svc_start || return 1
    e2e_wine sc stop OrvaneTime >/dev/null 2>&1
    e2e_wait_until 20 ts_stopped || e2e_fail "service did not stop" || return 1
    e2e_spawn impostor "$E2E_WORK/impostor.out" wine "$E2E_BIN/pipe_impostor.exe" 120
    e2e_wait_until 20 grep -q '^listening=1' "$E2E_WORK/impostor.out" ||
        e2e_fail "the impostor made no pipe" || return 1
    orv_start || return 1
    e2e_h char "$ORV_CLOCK" - y >/dev/null
    local failure='Manual update failed.  A program other than the Orvane Time Service holds its pipe'
    e2e_wait_until 10 e2e_prints_match "$failure" orv_error_text ||
        e2e_fail "no message in the error window" || return 1
    orv_error_text
    e2e_wait_until 10 orv_log_has "^$failure\$" || e2e_fail "not logged" || return 1
    orv_log_lacks "Manual update successful" || e2e_fail "the impostor was believed" || return 1
    tr -d '\r' <"$E2E_WORK/impostor.out"
    orv_stop
}

# Milliseconds a status request takes, start-up of the client included;
# its answer goes to $E2E_WORK/timed.out.
svc_timed_status() {
    local started
    started=$(date +%s%N)
    svc_client status >"$E2E_WORK/timed.out"
    echo $((($(date +%s%N) - started) / 1000000))
}

# A client that asks every half second on one connection: another client
# is answered as quickly as with none (a Wine process takes up to a second
# to start, so the one with the busy client is measured against one
# without).
# e2e-group: ports
scenario_6c_svc_one_client_does_not_block_another() {
    svc_settings 1
    svc_start || return 1
    local alone busy
    alone=$(svc_timed_status)
    svc_expect "$(cat "$E2E_WORK/timed.out")" status 0 answer_type 131 || return 1
    svc_client_to "$E2E_WORK/busy.out" busy &
    e2e_wait_until 20 grep -q connected=1 "$E2E_WORK/busy.out" ||
        e2e_fail "the busy client did not connect" || return 1
    busy=$(svc_timed_status)
    cat "$E2E_WORK/timed.out"
    echo "status alone: $alone ms; beside the busy client: $busy ms"
    svc_expect "$(cat "$E2E_WORK/timed.out")" status 0 answer_type 131 || return 1
    [ "$busy" -le $((alone + 1000)) ] || e2e_fail "answered after $busy ms, alone $alone ms" ||
        return 1
}
