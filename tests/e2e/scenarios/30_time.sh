# TIME over UDP and TCP through the real Win32 layer against xinetd's
# internal time services on 127.0.0.1:37, and without them.

# One exchange: e2e_time_exchange PROTOCOL SERVER(yes|no) ERROR-PATTERN
e2e_time_exchange() {
    local protocol=$1 server=$2 error_pattern=$3 out
    if [ "$server" = yes ]; then e2e_start_time_server || return 1; fi
    out=$(e2e_wine "$E2E_BIN/exchange_probe.exe" "$protocol" 127.0.0.1)
    echo "$out"
    local want_result=0
    [ "$server" = yes ] && want_result=1
    [ "$(e2e_field "$out" result)" = "$want_result" ] ||
        e2e_fail "$protocol: result is not $want_result" || return 1
    # The last error text stays empty on success.
    [[ "$(e2e_field "$out" error)" =~ ^($error_pattern)$ ]] ||
        e2e_fail "$protocol: error text [$(e2e_field "$out" error)]" || return 1
}

# e2e-group: ports
scenario_30_time_udp_against_xinetd() { e2e_time_exchange time-udp yes ''; }

# e2e-group: ports
scenario_31_time_tcp_against_xinetd() { e2e_time_exchange time-tcp yes ''; }

# e2e-group: ports
scenario_32_time_tcp_no_server() {
    e2e_time_exchange time-tcp no 'Unable to bind to TIME TCP port.*'
}

# e2e-group: ports
scenario_33_time_udp_no_server() {
    e2e_time_exchange time-udp no '(select|recvfrom)\(\) failed.*'
}
