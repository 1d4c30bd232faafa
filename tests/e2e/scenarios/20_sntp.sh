# One SNTP exchange through the real Win32 clock and Winsock against chronyd.
# chronyd serves this machine's own time, so Wine accepts the clock set.
# e2e-group: ports
scenario_20_sntp_exchange_against_chronyd() {
    e2e_start_sntp_server 8 || return 1
    local out
    out=$(e2e_wine "$E2E_BIN/exchange_probe.exe" sntp 127.0.0.1)
    echo "$out"
    [ "$(e2e_field "$out" result)" = 1 ] || e2e_fail "exchange did not succeed" || return 1
    [ "$(e2e_field "$out" stratum)" = 8 ] || e2e_fail "stratum is not 8" || return 1
    [ "$(e2e_field "$out" version)" = 4 ] || e2e_fail "version is not 4" || return 1
    [ -z "$(e2e_field "$out" reported)" ] || e2e_fail "unexpected report" || return 1
}

# e2e-group: ports
scenario_21_sntp_no_server() {
    # Nothing listens on 127.0.0.1:123: Wine's UDP gets a port-unreachable
    # or nothing; either way the exchange fails and says why.
    local out
    out=$(e2e_wine "$E2E_BIN/exchange_probe.exe" sntp 127.0.0.1)
    echo "$out"
    [ "$(e2e_field "$out" result)" = 0 ] || e2e_fail "exchange should fail" || return 1
    [ -n "$(e2e_field "$out" error)" ] || e2e_fail "no error text" || return 1
}
