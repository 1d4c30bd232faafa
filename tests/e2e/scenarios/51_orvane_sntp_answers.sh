# Orvane.exe against a scripted SNTP server on 127.0.0.1:123
# (tests/e2e/responders/sntp_responder.py): answers real servers do not
# give every day.

E2E_RESPONDER=$E2E_ROOT/tests/e2e/responders/sntp_responder.py

# Starts the responder with its options and waits until it listens.
orv_start_responder() {
    # Another server there would answer in its place.
    e2e_port_bound udp 123 && { e2e_fail "UDP 127.0.0.1:123 is taken already"; return 1; }
    e2e_spawn responder "$E2E_WORK/responder.log" python3 "$E2E_RESPONDER" --lifetime 120 "$@"
    e2e_wait_until 10 grep -q '^listening' "$E2E_WORK/responder.log" ||
        e2e_fail "responder did not start: $(cat "$E2E_WORK/responder.log")"
}

# e2e-group: ports
scenario_51a_orvane_kiss_rate_is_reported() {
    orv_start_responder --kiss RATE || return 1
    # Logging at Minimum: the kiss is logged at every level.
    orv_settings 0
    orv_start || return 1
    e2e_h char "$ORV_CLOCK" - Y >/dev/null
    e2e_h wait "$DIALOG" "$ORV_ERROR" 20000 >/dev/null || e2e_fail "no error window" || return 1
    local text
    text=$(orv_error_text)
    echo "$text"
    echo "$text" | grep -q 'Manual update failed\.  Server sent kiss code RATE\\r\\n' ||
        e2e_fail "error window text" || return 1
    e2e_wait_until 10 orv_log_has -x "Server 127\.0\.0\.1 sent kiss code RATE\." ||
        e2e_fail "no kiss log entry" || return 1
    orv_logs
    # One request: a kiss ends the round.
    [ "$(grep -c '^answered' "$E2E_WORK/responder.log")" = 1 ] ||
        e2e_fail "the server was asked more than once" || return 1
    orv_close_error_window
    orv_stop
}

# e2e-group: ports
scenario_51b_orvane_stray_datagram_before_the_reply() {
    # The stray comes from another port of the same address, ahead of the
    # server's own answer, and carries the right originate timestamp.
    orv_start_responder --stray || return 1
    orv_settings 0
    orv_start || return 1
    orv_manual_update_until_success 1 || return 1
    e2e_wait_until 10 orv_log_has -x "Manual update successful" || e2e_fail "no log entry" || return 1
    grep -q '^answered' "$E2E_WORK/responder.log" || e2e_fail "responder not asked" || return 1
    orv_stop
}

orv_port_123_free() { ! e2e_port_bound udp 123; }

# e2e-group: ports
scenario_51c_orvane_large_correction_refused_then_asked() {
    local refusal="Correction of 3 days 00:00:00 refused: larger than the largest allowed correction of 2 days 00:00:00"
    # The first automatic round makes a small correction: one answer, in
    # time with this machine.
    orv_start_responder --requests 1 || return 1
    orv_settings 1 '"Enable updates"=dword:00000001' '"Update interval"=dword:00000001'
    orv_start || return 1
    e2e_wait_until 20 orv_log_has -x "SNTP external update: Source IP address=127.0.0.1" ||
        e2e_fail "no first update" || return 1
    # The server now runs three days ahead; the next round, a minute on,
    # sets nothing and says why, in the error window and the log.
    e2e_wait_until 10 orv_port_123_free || e2e_fail "first responder still runs" || return 1
    orv_start_responder --offset 259200 || return 1
    e2e_wait_until 90 orv_log_has -xF "$refusal" || e2e_fail "no refusal logged" || return 1
    e2e_h wait "$DIALOG" "$ORV_ERROR" 20000 >/dev/null || e2e_fail "no error window" || return 1
    orv_error_text | grep -qF "$refusal" || e2e_fail "error window text" || return 1
    orv_close_error_window
    # A manual update asks first; No sets nothing.
    e2e_h char "$ORV_CLOCK" - Y >/dev/null
    local out
    out=$(e2e_h answer Orvane "$IDNO" 20000)
    echo "$out"
    [ "$(e2e_field "$out" text)" = "The time server's clock differs from this PC's clock by 3 days 00:00:00.  Set the clock to the server's time?" ] ||
        e2e_fail "no question" || return 1
    e2e_wait_until 10 orv_log_has -x "Manual update cancelled" || e2e_fail "no cancel entry" ||
        return 1
    orv_logs
    orv_log_count_is 1 "SNTP external update" || e2e_fail "the clock was set again" || return 1
    orv_log_lacks "Manual update successful" || e2e_fail "manual update applied" || return 1
    orv_stop
}
