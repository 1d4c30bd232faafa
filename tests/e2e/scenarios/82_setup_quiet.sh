# Setup.exe and Uninstall.exe as deployment tools run them: /quiet, no
# window, the outcome in the exit code and the /log file. Watched by
# installer_probe.exe, which also holds the installers' lock for the
# second-run test. Uses the stp_* helpers of 80_setup_wizard.sh.

# shellcheck source=tests/e2e/scenarios/80_setup_wizard.sh
source "$(dirname "${BASH_SOURCE[0]}")/80_setup_wizard.sh"

# Runs a command line (Windows) under the probe; prints its windows= and
# exit= lines.
quiet_watch() {
    E2E_TIMEOUT=240 e2e_wine "$E2E_BIN/installer_probe.exe" watch "$1" | tr -d '\r'
}

quiet_setup() { quiet_watch "\"$(e2e_windows_path "$E2E_DIST/Setup.exe")\" $1"; }

# windows=0 and the exit code given (a pattern).
quiet_expect() {
    local out=$1 code=$2 what=$3
    echo "$what: $(echo "$out" | tr '\n' ' ')"
    stp_expect "$what windows" "$(e2e_field "$out" windows)" 0 || return 1
    [[ "$(e2e_field "$out" exit)" == $code ]] || e2e_fail "$what exit code $(e2e_field "$out" exit)"
}

quiet_log() { tr -d '\r' <"$WINEPREFIX/drive_c/$1"; }

# e2e-group: desktop
scenario_82_setup_quiet_install_and_removal() {
    stp_ensure_w32time || return 1
    stp_clean
    ts_keep_services
    rm -f "$WINEPREFIX"/drive_c/quiet-*.log
    local out dir name w32time
    w32time=$(e2e_reg "$UN_SERVICE" Start)
    out=$(quiet_setup '/quiet /log C:\quiet-setup.log')
    quiet_log quiet-setup.log
    quiet_expect "$out" 0 "Setup /quiet" || return 1
    grep -q '^20[0-9-]* [0-9:]* Exit code 0$' <(quiet_log quiet-setup.log) ||
        e2e_fail "no exit line in the log" || return 1
    dir=$(stp_unix "$UN_FOLDER_WIN")
    for name in "Orvane Event Log Interface.dll" Orvane.exe Orvane.hlp Uninstall.exe \
        OrvaneService.exe; do
        cmp -s "$E2E_DIST/$name" "$dir/$name" || e2e_fail "$name not copied" || return 1
    done
    [ -f "$(un_startup)/Orvane.lnk" ] && [ -f "$(un_programs)/Orvane/Uninstall.lnk" ] ||
        e2e_fail "shortcuts missing" || return 1
    stp_expect "installed mark" "$(e2e_reg "$E2E_HKLM" 'Program is installed')" 0x1 || return 1
    ts_expect_running || return 1
    stp_expect "W32Time start" "$(e2e_reg "$UN_SERVICE" Start)" 0x3 || return 1
    e2e_not_running 'Orvane\.exe' || e2e_fail "Orvane started" || return 1

    out=$(quiet_watch "\"$UN_FOLDER_WIN\\Uninstall.exe\" /quiet /log C:\\quiet-uninstall.log")
    quiet_log quiet-uninstall.log
    quiet_expect "$out" '@(0|3010)' "Uninstall /quiet" || return 1
    e2e_wait_until 20 ts_gone || e2e_fail "Orvane Time Service still registered" || return 1
    for name in "Orvane Event Log Interface.dll" Orvane.exe Orvane.hlp OrvaneService.exe; do
        [ ! -e "$dir/$name" ] || e2e_fail "$name left" || return 1
    done
    [ ! -e "$(un_programs)/Orvane" ] && [ ! -e "$(un_startup)/Orvane.lnk" ] ||
        e2e_fail "shortcuts left" || return 1
    ! e2e_reg_key_exists "$UN_APP_PATHS" && ! e2e_reg_key_exists "$UN_UNINSTALL" ||
        e2e_fail "registry entries left" || return 1
    stp_expect "W32Time start given back" "$(e2e_reg "$UN_SERVICE" Start)" "$w32time"
}

# e2e-group: desktop
scenario_82_setup_quiet_folder_refusals_and_second_run() {
    stp_ensure_w32time || return 1
    stp_clean
    ts_keep_services
    local out apps="$WINEPREFIX/drive_c/Apps" release="$WINEPREFIX/drive_c/quiet-release"
    rm -rf "$apps" "$release" "$WINEPREFIX"/drive_c/quiet-*.log
    out=$(quiet_setup '/quiet /bogus /log C:\quiet-refused.log')
    quiet_expect "$out" 1603 "unknown switch" || return 1
    grep -q 'Orvane Setup Error: Unknown switch: /bogus$' <(quiet_log quiet-refused.log) ||
        e2e_fail "refusal not logged" || return 1

    # Another installer runs: this one ends at once, installing nothing.
    e2e_spawn holder "$E2E_WORK/holder.log" wine "$E2E_BIN/installer_probe.exe" hold 'C:\quiet-release'
    e2e_wait_until 20 grep -q '^held' "$E2E_WORK/holder.log" || e2e_fail "lock not held" || return 1
    out=$(quiet_setup '/quiet /log C:\quiet-second.log')
    : >"$release"
    quiet_log quiet-second.log
    quiet_expect "$out" 1618 "second run" || return 1
    [ ! -e "$(stp_unix "$UN_FOLDER_WIN")" ] || e2e_fail "second run installed" || return 1

    out=$(quiet_setup '/quiet /dir "C:\Apps\Orvane" /nostartup /nogroup')
    quiet_expect "$out" 0 "Setup /quiet /dir" || return 1
    [ -f "$apps/Orvane/Orvane.exe" ] && [ -f "$apps/Orvane/Uninstall.exe" ] ||
        e2e_fail "not installed in C:\\Apps\\Orvane" || return 1
    stp_expect "Install directory" "$(e2e_reg "$E2E_HKLM" 'Install directory')" 'C:\Apps\Orvane' ||
        return 1
    [ ! -e "$(un_startup)/Orvane.lnk" ] && [ ! -e "$(un_programs)/Orvane" ] ||
        e2e_fail "shortcuts made" || return 1
    ts_remove
    rm -rf "$apps"
}
