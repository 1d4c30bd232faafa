# An administrator's policy value (HKLM\SOFTWARE\Policies\Pellmoor\Orvane)
# wins over the machine setting: Orvane.exe asks the server the policy
# names, the configuration dialog shows that field disabled, and neither
# OK nor the program's end stores the policy's value as the machine's.

POL_KEY='SOFTWARE\Policies\Pellmoor\Orvane'
POL_FRAME='Orvane - Configuration'

pol_item() { e2e_item "$DIALOG" "$POL_FRAME" "$@"; }
pol_machine_address() { e2e_reg "$E2E_HKLM" 'Server ip address'; }

pol_server_from_policy() {
    e2e_start_sntp_server || return 1
    # The machine setting names an address where nothing answers.
    orv_settings 1 '"Server ip address"="127.0.0.2"'
    e2e_reg_import <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\$POL_KEY]
"Server ip address"="127.0.0.1"
REG
    orv_start || return 1
    orv_manual_update_until_success 1 || return 1
    e2e_wait_until 10 orv_log_has -x "SNTP external update: Source IP address=127\.0\.0\.1" ||
        e2e_fail "the policy's server was not asked" || return 1

    e2e_h command "$ORV_CLOCK" - "$IDM_SETTINGS" >/dev/null
    e2e_h wait "$DIALOG" "$POL_FRAME" 10000 >/dev/null || e2e_fail "no configuration dialog" ||
        return 1
    e2e_wait_until 10 e2e_prints 127.0.0.1 pol_item "$IDC_SERVER_ADDRESS" get ||
        e2e_fail "address field: $(pol_item "$IDC_SERVER_ADDRESS" get)" || return 1
    [ "$(pol_item "$IDC_SERVER_ADDRESS" enabled)" = 0 ] || e2e_fail "address field enabled" ||
        return 1
    # A setting the policy leaves alone stays the user's.
    [ "$(pol_item "$IDC_SERVER_SNTP" enabled)" = 1 ] || e2e_fail "protocol disabled" || return 1
    e2e_h command "$DIALOG" "$POL_FRAME" "$IDC_CONFIG_OK" >/dev/null
    e2e_h wait-gone "$DIALOG" "$POL_FRAME" 15000 >/dev/null || e2e_fail "dialog stayed open" ||
        return 1
    [ "$(pol_machine_address)" = 127.0.0.2 ] || e2e_fail "OK stored $(pol_machine_address)" ||
        return 1
    orv_stop || return 1
    [ "$(pol_machine_address)" = 127.0.0.2 ] || e2e_fail "the end stored $(pol_machine_address)"
}

# e2e-group: desktop
scenario_83_policy_server_wins_and_shows_as_set() {
    local result=0
    pol_server_from_policy || result=1
    # The prefix serves the group's later scenarios.
    e2e_wine reg delete "HKLM\\$POL_KEY" /f >/dev/null 2>&1
    return $result
}
