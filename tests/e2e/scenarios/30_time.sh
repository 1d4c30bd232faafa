# TIME over UDP and TCP through the real Win32 layer against xinetd's
# internal time services on 127.0.0.1:37.
e2e_time_exchange() {
    local protocol=$1 out
    out=$(e2e_wine "$E2E_BIN/exchange_probe.exe" "$protocol" 127.0.0.1)
    echo "$out"
    [ "$(echo "$out" | e2e_field result)" = 1 ] || e2e_fail "$protocol exchange did not succeed" || return 1
    # The last error text stays empty on success.
    [ -z "$(echo "$out" | e2e_field error)" ] || e2e_fail "error text on success" || return 1
}

scenario_30_time_udp_against_xinetd() {
    e2e_start_time_server || return 1
    e2e_time_exchange time-udp
}

scenario_31_time_tcp_against_xinetd() {
    e2e_start_time_server || return 1
    e2e_time_exchange time-tcp
}

scenario_32_time_tcp_no_server() {
    local out
    out=$(e2e_wine "$E2E_BIN/exchange_probe.exe" time-tcp 127.0.0.1)
    echo "$out"
    [ "$(echo "$out" | e2e_field result)" = 0 ] || e2e_fail "should fail" || return 1
    echo "$out" | grep -q "error=Unable to bind to TIME TCP port" || e2e_fail "wrong text" || return 1
}

scenario_33_time_udp_no_server() {
    local out
    out=$(e2e_wine "$E2E_BIN/exchange_probe.exe" time-udp 127.0.0.1)
    echo "$out"
    [ "$(echo "$out" | e2e_field result)" = 0 ] || e2e_fail "should fail" || return 1
    echo "$out" | grep -Eq "error=(select|recvfrom)\(\) failed" || e2e_fail "wrong text" || return 1
}
