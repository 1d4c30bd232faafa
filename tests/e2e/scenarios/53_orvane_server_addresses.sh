# Orvane.exe with "Use server by name": the name is looked up at every
# round, from a hosts file of the scenario's own (lib.sh), and its
# addresses, IPv4 and IPv6, are asked in turn.

# The scenario's names; /etc/hosts comes back when its shell ends.
by_name_hosts() { e2e_private_hosts && trap e2e_private_hosts_end EXIT; }

# Settings asking for the server by NAME; extra .reg lines may follow.
by_name_settings() {
    local name=$1
    shift
    orv_settings 1 '"Use server by name"=dword:00000001' "\"Server name\"=\"$name\"" "$@"
}

# True when something listens on UDP port 123 of ADDRESS (127.0.0.2, ::1).
by_name_bound() {
    local address=$1
    [[ $address == *:* ]] && address="[$address]"
    ss -lun 2>/dev/null | awk '{print $4}' | grep -qxF "$address:123"
}

# chronyd -x serving SNTP on ADDRESS only, to this machine (requests
# to 127.0.0.2 come from 127.0.0.1).
by_name_server() {
    local dir=$E2E_WORK/chrony-$1 family=-4
    mkdir -p "$dir"
    e2e_chrony_server_conf "$dir" | sed "s/^bindaddress .*/bindaddress $1/" >"$dir/chrony.conf"
    [[ $1 == *:* ]] && family=-6 && echo "allow ::1" >>"$dir/chrony.conf"
    e2e_spawn chronyd "$dir/log" chronyd "$family" -x -d -u root -f "$dir/chrony.conf"
    e2e_wait_until 10 by_name_bound "$1" || e2e_fail "no SNTP server on $1"
}

# A program on UDP port 123 of ADDRESS that never answers; it writes the
# time (s since 1970) of every request it gets to $E2E_WORK/silent.log.
by_name_silent() {
    e2e_spawn silent "$E2E_WORK/silent.log" python3 -c '
import socket, sys, time
held = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
held.bind((sys.argv[1], 123))
held.settimeout(120)
while True:
    held.recv(512)
    print("%.3f" % time.time(), flush=True)' "$1"
    e2e_wait_until 10 by_name_bound "$1" || e2e_fail "UDP port 123 of $1 not held"
}

# The first address keeps silent: a manual update goes on to the second
# after the exchange's 2 s time-out, at once.
# e2e-group: ports
scenario_53a_orvane_by_name_silent_first_address() {
    # Wine returns both, sorted as RFC 6724 says: 127.0.0.1 first (the
    # longer prefix shared with the source, 127.0.0.1), whatever the order here.
    by_name_hosts <<HOSTS || return 1
127.0.0.2 pair.orvane.test
127.0.0.1 pair.orvane.test
HOSTS
    by_name_silent 127.0.0.1 || return 1
    by_name_server 127.0.0.2 || return 1
    by_name_settings pair.orvane.test
    orv_start || return 1
    e2e_h char "$ORV_CLOCK" - Y >/dev/null
    e2e_wait_until 10 orv_log_has -x "Manual update successful" || e2e_fail "no update: $(orv_error_text)" ||
        return 1
    local answered asked took
    answered=$(date +%s.%N)
    asked=$(head -1 "$E2E_WORK/silent.log")
    [ -n "$asked" ] || e2e_fail "the silent address was not asked first" || return 1
    took=$(awk "BEGIN { printf \"%.2f\", $answered - $asked }")
    echo "done ${took} s after the request to the silent address"
    awk "BEGIN { exit !($took >= 1.8 && $took <= 4) }" || e2e_fail "took $took s" || return 1
    [ "$(e2e_field "$(e2e_h box Orvane 8000)" text)" = "Manual update successful" ] ||
        e2e_fail "no success box" || return 1
    orv_logs
    orv_log_has -x "SNTP external update: Source IP address=127\.0\.0\.2" ||
        e2e_fail "log does not name 127.0.0.2" || return 1
    orv_stop
}

# The name moves between two automatic rounds: the next asks the new
# address. A link of the user's own that goes down and comes back (the
# stand-in rasapi32.dll's script, polled every 10 s) starts that round at
# once, a minute sooner than the shortest interval would.
# e2e-group: ports
scenario_53b_orvane_by_name_next_round_asks_the_moved_name() {
    by_name_hosts <<<"127.0.0.1 moving.orvane.test" || return 1
    e2e_start_sntp_server 8 || return 1
    by_name_server 127.0.0.2 || return 1
    local script=$E2E_WORK/ras_script.txt
    printf 'entry Work 0800123\nconnection 4242 Work\n' >"$script"
    ras_use_stand_in
    by_name_settings moving.orvane.test '"Enable updates"=dword:00000001' \
        '"Use dialup"=dword:00000001' '"Dialup server name"="Work"' '"Force dial"=dword:00000000'
    ORVANE_RAS_SCRIPT=$(e2e_windows_path "$script") \
        WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};rasapi32=n" orv_start || return 1
    e2e_wait_until 20 orv_log_has -x "SNTP external update: Source IP address=127\.0\.0\.1" ||
        e2e_fail "no first round" || return 1
    by_name_hosts <<<"127.0.0.2 moving.orvane.test" || return 1
    sed -i '/^connection /d' "$script"
    e2e_wait_until 15 orv_log_has -Fx 'Dialup connection to "Work" disconnected by user.' ||
        e2e_fail "link down not seen" || return 1
    echo "connection 4242 Work" >>"$script"
    e2e_wait_until 15 orv_log_has -x "SNTP external update: Source IP address=127\.0\.0\.2" ||
        e2e_fail "the next round did not ask the new address" || return 1
    orv_logs
    orv_log_count_is 1 "Source IP address=127.0.0.1" || e2e_fail "the old address asked again" ||
        return 1
    orv_stop
    ras_use_wine_library
}

# A name with an IPv6 address only.
# e2e-group: ports
scenario_53c_orvane_by_name_ipv6_server() {
    ip -6 addr show dev lo | grep -q '::1/128' || e2e_fail "no ::1 on loopback" || return 1
    by_name_hosts <<<"::1 six.orvane.test" || return 1
    by_name_server ::1 || return 1
    by_name_settings six.orvane.test
    orv_start || return 1
    orv_manual_update_until_success 1 || return 1
    orv_open_status || return 1
    orv_check_status <<TABLE || return 1
$IDC_STATUS_SERVER_ADDRESS|::1
$IDC_STATUS_PROTOCOL|SNTP
TABLE
    e2e_wait_until 10 orv_log_has -x "SNTP external update: Source IP address=::1" ||
        e2e_fail "log does not name ::1" || return 1
    orv_stop
}
