# Setup records how Windows Time starts before it hands the clock over, and
# Uninstall gives that back and starts Windows Time again. Setup is driven
# by the helpers of the uninstall-after-Setup scenarios.

# shellcheck source=tests/e2e/scenarios/90_uninstall_after_setup.sh
source "$ROOT/tests/e2e/scenarios/90_uninstall_after_setup.sh"

wtr_tool() { e2e_wine 'C:\w32time_stub_service.exe' "$1" 2>/dev/null | tr -d '\r'; }
wtr_running() { e2e_wine sc query W32Time 2>/dev/null | grep -q 'STATE.*RUNNING'; }

# e2e-group: desktop
scenario_84_windows_time_given_back_as_recorded() {
    [ -f "$E2E_DIST/Setup.exe" ] || e2e_fail "no Setup.exe in dist" || return 1
    un_clean_machine || return 1
    # Windows 10/11's own setting: on demand, started by a trigger.
    un_register_time_service 3 || return 1
    ts_keep_services
    e2e_wine sc start W32Time >/dev/null 2>&1
    e2e_wait_until 20 wtr_running || e2e_fail "stand-in Windows Time not running" || return 1
    local set before
    set=$(wtr_tool /add-trigger)
    before=$(wtr_tool /triggers)
    # Wine's service manager has no triggers: it answers a query of the
    # level with 124 (ERROR_INVALID_LEVEL) and cannot carry a setting of it
    # (1733, RPC_S_INVALID_TAG), so here the start type and the running
    # service show that Windows Time came back whole, the triggers only that
    # nothing changed.
    echo "before Setup: trigger $set, $before"

    un_setup_install || return 1
    echo "after Setup: Start=$(e2e_reg "$UN_SERVICE" Start)" \
        "record=$(e2e_reg "$UN_UNINSTALL" "Windows Time start type")" \
        "$(wtr_tool /triggers)"
    [ "$(e2e_reg "$UN_UNINSTALL" "Windows Time start type")" = 0x3 ] ||
        e2e_fail "no record of the start type" || return 1
    ! wtr_running || e2e_fail "Windows Time still runs after Setup" || return 1

    # Uninstall closes the Orvane.exe that Setup started.
    un_start
    un_answer "$IDYES" || return 1
    un_wait_done 60 || return 1
    e2e_wait_until 20 wtr_running || e2e_fail "Windows Time not started" || return 1
    local after
    after=$(wtr_tool /triggers)
    echo "after Uninstall: Start=$(e2e_reg "$UN_SERVICE" Start) $after"
    [ "$(e2e_reg "$UN_SERVICE" Start)" = 0x3 ] || e2e_fail "start type not given back" || return 1
    [ "$after" = "$before" ] || e2e_fail "triggers not given back" || return 1
    e2e_h command "$DIALOG" "$UN_PROGRESS_TITLE" "$IDC_UNINSTALL_CLOSE" >/dev/null
    echo "Uninstall ended with $(un_wait_exit)"
}
