# Orvane.exe's SNTP broadcast listener: whose broadcasts it believes, and
# what it does when it cannot listen. Broadcasts come from the test host on
# the LAN (lib.sh) or from loopback, one packet at a time.

# True while no broadcast has set the clock: no log entry, and the status
# dialog (open) does not show one.
orv_no_broadcast_taken() {
    orv_log_lacks "SNTP multicast received" &&
        [ "$(orv_status_text "$IDC_STATUS_PROTOCOL")" != "SNTP broadcast" ]
}

# Loopback is no directly connected subnet: a broadcast from 127.0.0.1 sets
# no clock, one from a machine on the LAN does. Orvane sets the clock itself.
# e2e-group: ports
scenario_5e_orvane_broadcasts_only_from_a_connected_subnet() {
    e2e_start_test_host || return 1
    orv_settings 2 '"Receive sntp broadcasts"=dword:00000001' '"Clock setting"=dword:00000001'
    orv_start || return 1
    e2e_wait_until 10 e2e_port_bound udp 123 any || e2e_fail "no listener on UDP 123" || return 1
    orv_open_status || return 1
    e2e_send_broadcast 127.0.0.1 127.0.0.1 || return 1
    e2e_holds_for 3 orv_no_broadcast_taken || e2e_fail "a broadcast from loopback was taken" ||
        return 1
    e2e_send_broadcast "$E2E_LAN_HOST" "$E2E_LAN_BROADCAST" || return 1
    e2e_wait_until 10 orv_log_has "SNTP multicast received" ||
        e2e_fail "the test host's broadcast was not taken" || return 1
    e2e_wait_until 10 e2e_prints "SNTP broadcast" orv_status_text "$IDC_STATUS_PROTOCOL" ||
        e2e_fail "no broadcast shown" || return 1
    orv_check_status <<TABLE || return 1
$IDC_STATUS_SERVER_ADDRESS|192\.0\.2\.2
$IDC_STATUS_STRATUM|9
TABLE
    orv_stop
}

# How many times the error window holds TEXT.
orv_error_count() { orv_error_text | grep -oF -- "$1" | wc -l; }

# Another program holds UDP port 123 (without sharing it): the program runs
# on and says so once; it tries again a minute later. Its listener asks to
# share the port (SO_REUSEADDR), which Windows refuses for a wildcard port
# bound without options with WSAEACCES (10013), not WSAEADDRINUSE; Wine
# does the same.
# e2e-group: ports
scenario_5f_orvane_runs_on_when_port_123_is_taken() {
    e2e_hold_udp_port 123 || return 1
    orv_settings 2 '"Receive sntp broadcasts"=dword:00000001'
    orv_start || return 1
    local said='Unable to listen for SNTP broadcasts.  Winsock error number 10013'
    e2e_wait_until 20 e2e_prints 1 orv_error_count "$said" || e2e_fail "no error message" ||
        return 1
    orv_error_text
    e2e_holds_for 3 e2e_prints 1 orv_error_count "$said" || e2e_fail "said more than once" ||
        return 1
    orv_info_is "$ORV_CLOCK" visible=1 || e2e_fail "the program did not run on" || return 1
    orv_stop
}
