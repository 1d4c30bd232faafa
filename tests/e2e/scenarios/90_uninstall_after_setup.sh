# Uninstall.exe after a real Setup.exe installation, and a second
# installation in the same prefix that finds the first one's settings.
# Uses the un_* and orv_* helpers of product.sh.

un_source() { echo "$WINEPREFIX/drive_c/orvane-source"; }

# Runs Setup.exe from a source folder through its wizard with the default
# folder and both options, cancelling the configuration dialog it opens,
# and finishes (which starts Orvane.exe).
un_setup_install() {
    local source
    source=$(un_source)
    rm -rf "$source"
    mkdir -p "$source"
    cp "$E2E_DIST/Setup.exe" "$E2E_DIST/Orvane.exe" "$E2E_DIST/Orvane.hlp" \
        "$E2E_DIST/Orvane Event Log Interface.dll" "$E2E_DIST/Uninstall.exe" \
        "$E2E_DIST/OrvaneService.exe" "$source/"
    (cd "$source" && timeout 180 wine "$source/Setup.exe" >"$E2E_WORK/setup.out" 2>&1 &)
    e2e_h wait "$DIALOG" 'Orvane Setup' 30000 >/dev/null || e2e_fail "no Setup wizard" || return 1
    e2e_h command "$DIALOG" 'Orvane Setup' "$IDC_SETUP_NEXT" >/dev/null
    e2e_wait_until 10 e2e_prints 1 e2e_item "$DIALOG" 'Orvane Setup' "$IDC_SETUP_FOLDER_EDIT" visible ||
        e2e_fail "no folder page" || return 1
    local folder
    folder=$(e2e_item "$DIALOG" 'Orvane Setup' "$IDC_SETUP_FOLDER_EDIT" get)
    echo "destination: $folder"
    [ "$folder" = "$UN_FOLDER_WIN" ] || e2e_fail "destination $folder" || return 1
    e2e_h command "$DIALOG" 'Orvane Setup' "$IDC_SETUP_NEXT" >/dev/null
    # The installation, then the configuration dialog (when Setup has it),
    # then the last page.
    e2e_wait_until 150 un_setup_step || e2e_fail "no last page" || return 1
    # Finish starts Orvane.exe: keep it off UDP 123 whatever was merged.
    e2e_wine reg add "$E2E_HKLM" /v "Receive sntp broadcasts" /t REG_DWORD /d 0 /f >/dev/null
    UN_SETUP_DONE=$(setup_done_text)
    echo "last page: $UN_SETUP_DONE"
    e2e_h command "$DIALOG" 'Orvane Setup' "$IDC_SETUP_NEXT" >/dev/null
    e2e_h wait-gone "$DIALOG" 'Orvane Setup' 30000 >/dev/null || e2e_fail "Setup did not end" ||
        return 1
}

# One look at Setup under way: cancels the configuration dialog when it is
# there; true once the last page shows.
un_setup_step() {
    if e2e_h count "$DIALOG" 'Orvane - Configuration' | grep -qx count=1; then
        e2e_h command "$DIALOG" 'Orvane - Configuration' "$IDCANCEL" >/dev/null
    fi
    [ "$(e2e_item "$DIALOG" 'Orvane Setup' "$IDC_SETUP_NEXT" get)" = "&Finish" ]
}

# Before Setup: no product, no Orvane Time Service, a registered time
# service on automatic start,
# and "Receive sntp broadcasts" 0 so the Orvane.exe that Setup starts
# keeps off UDP 123 (this version's machine values win in the merge).
un_clean_machine() {
    rm -rf "$(un_folder)" "$(un_programs)/Orvane" "$(un_startup)/Orvane.lnk"
    e2e_reg_import <<REG
REGEDIT4

[-HKEY_LOCAL_MACHINE\\$E2E_KEY]
[-HKEY_CURRENT_USER\\$E2E_KEY]
[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orvane.exe]
[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvane]
[-HKEY_LOCAL_MACHINE\\Software\\Pellmoor\\Kestrine]

[HKEY_LOCAL_MACHINE\\$E2E_KEY]
"Receive sntp broadcasts"=dword:00000000
REG
    un_clear_pending
    ts_remove || return 1
    un_register_time_service 2
}

# e2e-group: desktop
scenario_95_uninstall_after_setup_then_install_again() {
    [ -f "$E2E_DIST/Setup.exe" ] || e2e_fail "no Setup.exe in dist" || return 1
    un_clean_machine || return 1
    ts_keep_services
    un_setup_install || return 1
    ts_expect_running || return 1

    # What the first installation left.
    local folder programs startup
    folder=$(un_folder); programs=$(un_programs); startup=$(un_startup)
    ls -la "$folder" "$programs/Orvane" "$startup" 2>&1
    [ -f "$folder/Uninstall.exe" ] && [ -f "$programs/Orvane/Uninstall.lnk" ] &&
        [ -f "$startup/Orvane.lnk" ] || e2e_fail "Setup did not install" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Program is installed")" = 0x1 ] ||
        e2e_fail "not marked installed" || return 1
    echo "W32Time after Setup: $(e2e_reg "$UN_SERVICE" Start)"
    [ "$(e2e_reg "$UN_SERVICE" Start)" = 0x3 ] || e2e_fail "Setup left the service" || return 1
    setup_expect_program_start "$UN_SETUP_DONE" || return 1
    # The user's own choice, which the next installation must find, made
    # while the program is not running (it saves what it holds when it
    # ends), then the program started again from the installation.
    e2e_h close "$ORV_CLOCK" - >/dev/null
    orv_wait_ended || e2e_fail "Orvane did not end" || return 1
    e2e_wine reg add "$E2E_HKLM" /v "Server name" /t REG_SZ /d first.example /f >/dev/null
    e2e_wine reg add "$E2E_HKLM" /v "Update interval" /t REG_DWORD /d 77 /f >/dev/null
    orv_start "$folder" || return 1

    # Uninstall, with the Orvane.exe that Setup started still running.
    un_start
    un_answer "$IDYES" || return 1
    un_wait_done 60 || return 1
    orv_wait_ended || e2e_fail "Orvane not closed" || return 1
    local pending
    pending=$(un_pending)
    echo "pending: $pending"
    echo "$pending" | grep -qF '\??\C:\Program Files\Pellmoor\Orvane\Uninstall.exe\0' ||
        e2e_fail "own file not scheduled" || return 1
    [ ! -e "$folder/Orvane.hlp" ] && [ ! -e "$folder/Orvane Event Log Interface.dll" ] &&
        [ ! -e "$folder/OrvaneService.exe" ] || e2e_fail "files left" || return 1
    e2e_wait_until 20 ts_gone || e2e_fail "Orvane Time Service still registered" || return 1
    e2e_wait_until 20 e2e_not_running 'OrvaneService\.exe' ||
        e2e_fail "Orvane Time Service still runs" || return 1
    [ ! -e "$programs/Orvane" ] && [ ! -e "$startup/Orvane.lnk" ] ||
        e2e_fail "shortcuts left" || return 1
    ! e2e_reg_key_exists "$UN_APP_PATHS" && ! e2e_reg_key_exists "$UN_UNINSTALL" ||
        e2e_fail "registry entries left" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Program is installed")" = 0x0 ] ||
        e2e_fail "still marked installed" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Server name")" = first.example ] ||
        e2e_fail "settings lost" || return 1
    echo "W32Time after Uninstall: $(e2e_reg "$UN_SERVICE" Start) $(e2e_reg "$UN_SERVICE" DisplayName)"
    [ "$(e2e_reg "$UN_SERVICE" Start)" = 0x2 ] || e2e_fail "service not automatic" || return 1
    e2e_h command "$DIALOG" "$UN_PROGRESS_TITLE" "$IDC_UNINSTALL_CLOSE" >/dev/null
    # Orvane.exe, held while it was ending, may wait for the restart: 3010
    # (the low byte 194 through Wine).
    [[ "$(un_wait_exit)" == @(0|194) ]] || e2e_fail "did not end with 0 or 3010" || return 1
    un_restart_wine
    [ ! -e "$folder" ] || e2e_fail "install folder left after the restart" || return 1

    # Install again in the same prefix: the first one's settings are found.
    un_setup_install || return 1
    setup_expect_program_start "$UN_SETUP_DONE" || return 1
    [ -f "$folder/Orvane.exe" ] && [ -f "$folder/Uninstall.exe" ] ||
        e2e_fail "second installation incomplete" || return 1
    ts_keep_services
    ts_expect_running || return 1
    local server interval
    server=$(e2e_reg "$E2E_HKLM" "Server name")
    interval=$(e2e_reg "$E2E_HKLM" "Update interval")
    echo "after reinstall: Server name=$server Update interval=$interval"
    [ "$server" = first.example ] && [ "$interval" = 0x4d ] ||
        e2e_fail "first installation's settings not found" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Program is installed")" = 0x1 ] ||
        e2e_fail "not marked installed again" || return 1
    e2e_reg_key_exists "$UN_APP_PATHS" && e2e_reg_key_exists "$UN_UNINSTALL" ||
        e2e_fail "entries not made again" || return 1
    e2e_h close "$ORV_CLOCK" - >/dev/null
    orv_wait_ended
    return 0
}

# An installation made again before the restart that carries out the
# first uninstallation's pending deletions survives that restart whole.
# e2e-group: desktop
scenario_99_reinstall_before_the_restart_survives_it() {
    [ -f "$E2E_DIST/Setup.exe" ] || e2e_fail "no Setup.exe in dist" || return 1
    un_clean_machine || return 1
    un_setup_install || return 1
    local folder programs startup pending name
    folder=$(un_folder); programs=$(un_programs); startup=$(un_startup)
    setup_expect_program_start "$UN_SETUP_DONE" || return 1
    e2e_h close "$ORV_CLOCK" - >/dev/null
    orv_wait_ended || e2e_fail "Orvane did not end" || return 1
    un_start
    un_answer "$IDYES" || return 1
    un_wait_done 60 || return 1
    e2e_h command "$DIALOG" "$UN_PROGRESS_TITLE" "$IDC_UNINSTALL_CLOSE" >/dev/null
    [ "$(un_wait_exit)" = 0 ] || e2e_fail "Uninstall did not end with 0" || return 1
    pending=$(un_pending)
    echo "pending after Uninstall: $pending"
    echo "$pending" | grep -qF 'Orvane\Uninstall.exe\0' || e2e_fail "nothing pending" || return 1

    # No restart: installed again at once.
    un_setup_install || return 1
    setup_expect_program_start "$UN_SETUP_DONE" || return 1
    e2e_h close "$ORV_CLOCK" - >/dev/null
    orv_wait_ended || e2e_fail "Orvane did not end" || return 1
    pending=$(un_pending)
    echo "pending after Setup: $pending"
    echo "$pending" | grep -qiF 'Pellmoor\Orvane' && { e2e_fail "installed items still pending"; return 1; }

    # The restart, as Wine has one.
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null
    WINEPREFIX=$WINEPREFIX wineserver -w 2>/dev/null
    e2e_wine wineboot -r >/dev/null 2>&1
    WINEPREFIX=$WINEPREFIX wineserver -w 2>/dev/null
    ls -la "$folder" 2>&1
    for name in Orvane.exe Orvane.hlp "Orvane Event Log Interface.dll" Uninstall.exe \
        OrvaneService.exe; do
        [ -f "$folder/$name" ] || e2e_fail "$name gone after the restart" || return 1
    done
    [ -f "$programs/Orvane/Uninstall.lnk" ] && [ -f "$startup/Orvane.lnk" ] ||
        e2e_fail "shortcuts gone after the restart" || return 1
}
