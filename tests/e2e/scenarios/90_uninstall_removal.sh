# Uninstall.exe under Wine: the confirmation, the progress window, and what
# it removes, keeps and gives back, over an installation as Setup leaves it.
# The installation is either laid out here by hand (un_layout_install) or
# made by a real Setup.exe run (90_uninstall_after_setup.sh). Uses the
# un_* helpers of product.sh.

# Wine hands the shell only the exit code's low byte: 1602 is 66, 1603 is
# 67, 3010 (done, a restart to finish) is 194.
UN_EXIT_CANCELLED=66
UN_EXIT_FAILED=67
UN_EXIT_RESTART=194

# What Setup leaves behind: the four files, the shortcuts and program
# group, the settings, the installation values, App Paths, the Uninstall
# entry and the event source. "Receive sntp broadcasts" is 0 so a started
# Orvane.exe keeps off UDP 123.
un_layout_install() {
    # The registry first: the Wine session it starts carries out deletions
    # an earlier scenario left pending, which must not hit the new files.
    e2e_reg_import <<REG
REGEDIT4

[-HKEY_LOCAL_MACHINE\\$E2E_KEY]
[-HKEY_CURRENT_USER\\$E2E_KEY]
[-HKEY_LOCAL_MACHINE\\Software\\Pellmoor\\Kestrine]

[HKEY_LOCAL_MACHINE\\$E2E_KEY]
"Install directory"="C:\\\\Program Files\\\\Pellmoor\\\\Orvane"
"Program is installed"=dword:00000001
"Receive sntp broadcasts"=dword:00000000
"Enable updates"=dword:00000000
"Update interval"=dword:0000004d
"Server name"="first.example"

[HKEY_CURRENT_USER\\$E2E_KEY]
"Show date"=dword:00000000
"Window size x"=dword:00000099

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orvane.exe]
@="C:\\\\Program Files\\\\Pellmoor\\\\Orvane\\\\Orvane.exe"
"Path"="C:\\\\Program Files\\\\Pellmoor\\\\Orvane"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvane]
"UninstallString"="C:\\\\Program Files\\\\Pellmoor\\\\Orvane\\\\Uninstall.exe"
"DisplayName"="Orvane 1.72"

[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\EventLog\\Application\\Orvane]
"EventMessageFile"="C:\\\\Program Files\\\\Pellmoor\\\\Orvane\\\\Orvane Event Log Interface.dll"
"TypesSupported"=dword:00000007
REG
    un_clear_pending
    un_register_time_service || return 1
    local folder programs startup
    folder=$(un_folder); programs=$(un_programs); startup=$(un_startup)
    rm -rf "$folder" "$programs/Orvane" "$startup/Orvane.lnk"
    mkdir -p "$folder" "$programs/Orvane" "$startup"
    cp "$E2E_DIST/Orvane.exe" "$E2E_DIST/Orvane.hlp" "$E2E_DIST/Orvane Event Log Interface.dll" \
        "$E2E_DIST/Uninstall.exe" "$folder/"
    echo shortcut >"$startup/Orvane.lnk"
    echo shortcut >"$programs/Orvane/Orvane.lnk"
    echo shortcut >"$programs/Orvane/Uninstall.lnk"
}

# e2e-group: desktop
scenario_90_uninstall_no_changes_nothing() {
    un_layout_install || return 1
    un_start
    un_answer "$IDNO" || return 1
    local code
    code=$(un_wait_exit)
    echo "exit code $code"
    [ "$code" = "$UN_EXIT_CANCELLED" ] || e2e_fail "exit code $code" || return 1
    [ "$(e2e_h count "$DIALOG" "$UN_PROGRESS_TITLE")" = count=0 ] ||
        e2e_fail "progress window shown" || return 1
    local name
    for name in Orvane.exe Orvane.hlp "Orvane Event Log Interface.dll" Uninstall.exe; do
        [ -f "$(un_folder)/$name" ] || e2e_fail "$name removed" || return 1
    done
    [ -f "$(un_startup)/Orvane.lnk" ] && [ -f "$(un_programs)/Orvane/Uninstall.lnk" ] ||
        e2e_fail "shortcuts removed" || return 1
    e2e_reg_key_exists "$UN_APP_PATHS" && e2e_reg_key_exists "$UN_UNINSTALL" ||
        e2e_fail "registry entries removed" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Program is installed")" = 0x1 ] ||
        e2e_fail "marked not installed" || return 1
    [ "$(e2e_reg "$UN_SERVICE" Start)" = 0x3 ] || e2e_fail "service touched" || return 1
    [ -z "$(un_pending)" ] || e2e_fail "deletions scheduled: $(un_pending)" || return 1
}

# e2e-group: desktop
scenario_91_uninstall_yes_removes_keeps_and_gives_back() {
    un_layout_install || return 1
    un_start
    un_answer "$IDYES" || return 1
    local started finished
    started=$(date +%s%N)
    un_wait_done || return 1
    finished=$(date +%s%N)
    echo "work took $(((finished - started) / 1000000)) ms"
    # No Orvane running: none of the three one-second waits (the figure
    # includes the helper's own start-up under Wine).
    [ $(((finished - started) / 1000000)) -lt 3000 ] || e2e_fail "the work waited" || return 1
    local label pos
    label=$(un_item "$IDC_UNINSTALL_LABEL" get)
    pos=$(un_item "$IDC_UNINSTALL_PROGRESS_BAR" pos)
    echo "label=$label pos=$pos"
    [ "$label" = "Uninstallation successful" ] || e2e_fail "label $label" || return 1
    [ "$pos" = 100 ] || e2e_fail "position $pos" || return 1

    # Files: gone now or at the next restart; its own file at least waits.
    local pending folder name
    pending=$(un_pending)
    echo "pending: $pending"
    folder=$(un_folder)
    for name in Orvane.exe Orvane.hlp "Orvane Event Log Interface.dll"; do
        [ ! -e "$folder/$name" ] || e2e_fail "$name still there" || return 1
    done
    echo "$pending" | grep -qF '\??\C:\Program Files\Pellmoor\Orvane\Uninstall.exe\0' ||
        e2e_fail "own file not scheduled" || return 1
    echo "$pending" | grep -qF '\??\C:\Program Files\Pellmoor\Orvane\0' ||
        e2e_fail "folder not scheduled" || return 1
    # What went at once, or was not there, is not scheduled as well.
    for name in Orvane.exe Orvane.hlp "Orvane Event Log Interface.dll" Orvane.lnk; do
        if echo "$pending" | grep -qF "\\$name\\0"; then
            e2e_fail "$name scheduled though gone"
            return 1
        fi
    done
    # Shortcuts and the program group.
    [ ! -e "$(un_startup)/Orvane.lnk" ] || e2e_fail "startup shortcut left" || return 1
    [ ! -e "$(un_programs)/Orvane" ] || e2e_fail "program group left" || return 1
    # Registry: entries gone, mark cleared, settings and event source kept.
    ! e2e_reg_key_exists "$UN_APP_PATHS" || e2e_fail "App Paths key left" || return 1
    ! e2e_reg_key_exists "$UN_UNINSTALL" || e2e_fail "Uninstall key left" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Program is installed")" = 0x0 ] ||
        e2e_fail "still marked installed" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Server name")" = first.example ] &&
        [ "$(e2e_reg "$E2E_HKLM" "Update interval")" = 0x4d ] &&
        [ "$(e2e_reg "$E2E_HKCU" "Window size x")" = 0x99 ] ||
        e2e_fail "settings lost" || return 1
    e2e_reg_key_exists "$UN_EVENT_SOURCE" || e2e_fail "event source removed" || return 1
    # Windows Time back to automatic (no record of it here), named after
    # itself.
    local start display
    start=$(e2e_reg "$UN_SERVICE" Start)
    display=$(e2e_reg "$UN_SERVICE" DisplayName)
    echo "W32Time Start=$start DisplayName=$display"
    [ "$start" = 0x2 ] || e2e_fail "start type $start" || return 1
    [ "$display" = W32Time ] || e2e_fail "display name $display" || return 1

    # The close box does nothing (watched for a second); Close ends the
    # program with 0.
    e2e_h close "$DIALOG" "$UN_PROGRESS_TITLE" >/dev/null
    e2e_holds_for 1 e2e_prints count=1 e2e_h count "$DIALOG" "$UN_PROGRESS_TITLE" ||
        e2e_fail "the close box closed it" || return 1
    e2e_h command "$DIALOG" "$UN_PROGRESS_TITLE" "$IDC_UNINSTALL_CLOSE" >/dev/null
    local code
    code=$(un_wait_exit)
    echo "exit code $code"
    [ "$code" = 0 ] || e2e_fail "exit code $code" || return 1
    # What was in use goes at the next restart.
    ls -la "$folder" 2>&1
    un_restart_wine
    [ ! -e "$folder" ] || e2e_fail "install folder left after the restart" || return 1
    [ -z "$(un_pending)" ] || e2e_fail "deletions still pending" || return 1
}

# e2e-group: desktop
scenario_92_uninstall_closes_a_running_orvane_first() {
    un_layout_install || return 1
    local folder
    folder=$(un_folder)
    orv_start "$folder" || return 1
    un_start
    un_answer "$IDYES" || return 1
    # Orvane's own shutdown takes some seconds under Wine (its tray icon).
    un_wait_done 60 || return 1
    # Its window went before the work went on (the work waits for nothing
    # else), and the program ended.
    [ "$(e2e_h count "$ORV_CLOCK" -)" = count=0 ] || e2e_fail "Orvane still there" ||
        return 1
    orv_wait_ended || e2e_fail "Orvane.exe still running" || return 1
    # Its shutdown, which saves the settings, did not undo the mark.
    [ "$(e2e_reg "$E2E_HKLM" "Program is installed")" = 0x0 ] ||
        e2e_fail "still marked installed" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Server name")" = first.example ] ||
        e2e_fail "settings lost" || return 1
    e2e_h command "$DIALOG" "$UN_PROGRESS_TITLE" "$IDC_UNINSTALL_CLOSE" >/dev/null
    # A file still held while the program was ending waits for the restart,
    # which the exit code then asks for.
    [[ "$(un_wait_exit)" == @(0|$UN_EXIT_RESTART) ]] || e2e_fail "did not end with 0 or 3010" ||
        return 1
    un_restart_wine
    [ ! -e "$folder" ] || e2e_fail "install folder left after the restart" || return 1
}

# e2e-group: desktop
scenario_93_uninstall_with_kestrine_leaves_the_time_service() {
    un_layout_install || return 1
    e2e_wine reg add 'HKLM\Software\Pellmoor\Kestrine' /v "Program is installed" /t REG_DWORD \
        /d 1 /f >/dev/null
    un_start
    un_answer "$IDYES" || return 1
    un_wait_done || return 1
    local start display
    start=$(e2e_reg "$UN_SERVICE" Start)
    display=$(e2e_reg "$UN_SERVICE" DisplayName)
    echo "W32Time Start=$start DisplayName=$display"
    [ "$start" = 0x3 ] && [ "$display" = 'Stand-in time' ] || e2e_fail "service touched" ||
        return 1
    # Everything else still done.
    ! e2e_reg_key_exists "$UN_UNINSTALL" || e2e_fail "Uninstall key left" || return 1
    e2e_h key "$DIALOG" "$UN_PROGRESS_TITLE" "$VK_ESCAPE" >/dev/null
    [ "$(un_wait_exit)" = 0 ] || e2e_fail "Escape did not end it" || return 1
    e2e_wine reg delete 'HKLM\Software\Pellmoor\Kestrine' /f >/dev/null 2>&1
    return 0
}

# An Orvane window that does not go: the worker waits three one-second
# waits, during which Escape and Close do nothing: the work, once begun,
# runs to its end.
# e2e-group: desktop
scenario_94_uninstall_escape_does_nothing_while_working() {
    un_layout_install || return 1
    e2e_h_to "$E2E_WORK/stubborn.out" stubborn "$ORV_CLOCK" 30000 &
    e2e_h wait "$ORV_CLOCK" - 20000 >/dev/null || e2e_fail "no stand-in window" || return 1
    un_start
    un_answer "$IDYES" || return 1
    local started finished label
    started=$(date +%s%N)
    e2e_h wait "$DIALOG" "$UN_PROGRESS_TITLE" 10000 >/dev/null || e2e_fail "no progress window" ||
        return 1
    label=$(un_item "$IDC_UNINSTALL_LABEL" get)
    echo "label while waiting: $label"
    [ "$label" = "Preparing to uninstall Orvane..." ] || e2e_fail "label $label" || return 1
    [ "$(un_item "$IDC_UNINSTALL_CLOSE" enabled)" = 0 ] || e2e_fail "Close enabled" ||
        return 1
    e2e_h key "$DIALOG" "$UN_PROGRESS_TITLE" "$VK_ESCAPE" >/dev/null
    e2e_h command "$DIALOG" "$UN_PROGRESS_TITLE" "$IDC_UNINSTALL_CLOSE" >/dev/null
    # The worker goes on after its three waits.
    un_wait_done 60 || return 1
    [ ! -s "$E2E_WORK/uninstall.code" ] || e2e_fail "Escape or Close ended it" || return 1
    finished=$(date +%s%N)
    echo "work took $(((finished - started) / 1000000)) ms"
    [ $(((finished - started) / 1000000)) -ge 2500 ] || e2e_fail "no waits" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Program is installed")" = 0x0 ] ||
        e2e_fail "work did not go on" || return 1
    e2e_h command "$DIALOG" "$UN_PROGRESS_TITLE" "$IDC_UNINSTALL_CLOSE" >/dev/null
    un_wait_exit >/dev/null
    # The stand-in window ends with the scenario's Wine session.
    return 0
}

# Windows 98 as Wine plays it for this one program: the user's own Start
# Menu and Startup folders, "c:\windows\wininit.ini" in place of the
# pending deletions, and a version (4.10) that leaves Windows Time alone.
# e2e-group: desktop
scenario_96_uninstall_on_windows_98_uses_wininit() {
    un_layout_install || return 1
    local user_menu wininit
    user_menu="$WINEPREFIX/drive_c/users/$(whoami)/AppData/Roaming/Microsoft/Windows/Start Menu"
    wininit="$WINEPREFIX/drive_c/windows/wininit.ini"
    mkdir -p "$user_menu/Programs/Orvane" "$user_menu/Programs/StartUp"
    echo shortcut >"$user_menu/Programs/StartUp/Orvane.lnk"
    echo shortcut >"$user_menu/Programs/Orvane/Orvane.lnk"
    echo shortcut >"$user_menu/Programs/Orvane/Uninstall.lnk"
    rm -f "$wininit"
    e2e_wine reg add 'HKCU\Software\Wine\AppDefaults\Uninstall.exe' /v Version /t REG_SZ \
        /d win98 /f >/dev/null
    un_start
    un_answer "$IDYES" || return 1
    un_wait_done 60 || return 1
    e2e_wine reg delete 'HKCU\Software\Wine\AppDefaults\Uninstall.exe' /f >/dev/null 2>&1
    e2e_h command "$DIALOG" "$UN_PROGRESS_TITLE" "$IDC_UNINSTALL_CLOSE" >/dev/null
    [ "$(un_wait_exit)" = 0 ] || e2e_fail "did not end with 0" || return 1

    local text
    text=$(tr -d '\r' <"$wininit")
    echo "wininit.ini:"; echo "$text"
    # A section only for what was still there: the running program and its
    # folder.
    [ "$(echo "$text" | grep -cx '\[rename\]')" = 2 ] || e2e_fail "not two sections" || return 1
    [ "$(echo "$text" | grep -c '^NUL=')" = 1 ] || e2e_fail "NUL entries" || return 1
    echo "$text" | grep -q '^NUL=C:\\.*\\Pellmoor\\Orvane\\UNIN.*\.EXE$' ||
        e2e_fail "no entry for the running program" || return 1
    echo "$text" | grep -qx 'DIRNUL=C:\\.*\\Pellmoor\\Orvane' || e2e_fail "no folder entry" ||
        return 1
    [ "$(tail -c 2 "$wininit" | od -An -c | tr -d ' ')" = '\r\n' ] ||
        e2e_fail "lines not in text mode" || return 1
    [ -z "$(un_pending)" ] || e2e_fail "NT pending deletions used" || return 1
    [ ! -e "$user_menu/Programs/StartUp/Orvane.lnk" ] && [ ! -e "$user_menu/Programs/Orvane" ] ||
        e2e_fail "the user's shortcuts left" || return 1
    [ -f "$(un_startup)/Orvane.lnk" ] || e2e_fail "the all-users folder was used" || return 1
    [ "$(e2e_reg "$UN_SERVICE" Start)" = 0x3 ] || e2e_fail "service touched" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Program is installed")" = 0x0 ] ||
        e2e_fail "still marked installed" || return 1
    # (No restart here: Wine's start reads only the first "[rename]"
    # section, where Windows 98 went through the whole file.)
    rm -f "$wininit"
}

# e2e-group: desktop
scenario_97_uninstall_asks_for_administrator_rights_in_its_manifest() {
    local level
    level=$(e2e_field "$(e2e_h manifest "$(e2e_windows_path "$E2E_DIST/Uninstall.exe")")" level)
    echo "requested execution level: $level"
    [ "$level" = requireAdministrator ] || e2e_fail "level [$level]" || return 1
}

# A file held open by another program cannot be deleted, and with the
# pending deletions closed to writing nothing can be scheduled: the end
# says so and lists what is left.
# e2e-group: desktop
scenario_98_uninstall_lists_what_it_could_neither_remove_nor_schedule() {
    un_layout_install || return 1
    local folder kept box text label
    folder=$(un_folder)
    e2e_h_to "$E2E_WORK/lock.out" lock "$UN_FOLDER_WIN\Orvane.hlp" 40000 &
    e2e_wait_until 10 grep -q locked "$E2E_WORK/lock.out" || e2e_fail "file not locked" || return 1
    kept=$(e2e_windows_path "$E2E_WORK/session-manager.sd")
    e2e_h key-deny-write 'System\CurrentControlSet\Control\Session Manager' "$kept" ||
        e2e_fail "pending deletions not closed" || return 1
    un_start
    un_answer "$IDYES"
    box=$(e2e_h box 'Orvane Uninstall Error' 30000)
    e2e_h key-restore 'System\CurrentControlSet\Control\Session Manager' "$kept" ||
        e2e_fail "pending deletions not opened again" || return 1
    text=$(e2e_field "$box" text)
    echo "box: $text"
    [ "$text" = 'Uninstallation incomplete\n\nThese items could neither be removed nor scheduled for removal:\nC:\Program Files\Pellmoor\Orvane\Orvane.hlp\nC:\Program Files\Pellmoor\Orvane\Uninstall.exe\nC:\Program Files\Pellmoor\Orvane' ] ||
        e2e_fail "box text" || return 1
    label=$(un_item "$IDC_UNINSTALL_LABEL" get)
    [ "$label" = "Uninstallation incomplete" ] || e2e_fail "label $label" || return 1
    # The rest was done.
    [ ! -e "$folder/Orvane.exe" ] || e2e_fail "Orvane.exe left" || return 1
    ! e2e_reg_key_exists "$UN_UNINSTALL" || e2e_fail "Uninstall key left" || return 1
    e2e_h command "$DIALOG" "$UN_PROGRESS_TITLE" "$IDC_UNINSTALL_CLOSE" >/dev/null
    [ "$(un_wait_exit)" = "$UN_EXIT_FAILED" ] || e2e_fail "did not end with 1603" || return 1
}

# Without the rights to change the machine's registry (its root closed to
# writing for everyone), Uninstall says so and ends before it asks.
# e2e-group: desktop
scenario_97_uninstall_without_administrator_rights_ends_at_once() {
    un_layout_install || return 1
    local kept box code
    kept=$(e2e_windows_path "$E2E_WORK/machine-root.sd")
    e2e_h key-deny-write '' "$kept" || e2e_fail "machine registry not closed" || return 1
    un_start
    box=$(e2e_h box 'Orvane Uninstall Error' 20000)
    e2e_h key-restore '' "$kept" || e2e_fail "machine registry not opened again" || return 1
    echo "$box"
    [ "$(e2e_field "$box" text)" = "This program must be run under an administrator account" ] ||
        e2e_fail "no refusal box" || return 1
    code=$(un_wait_exit)
    [ "$code" = 5 ] || e2e_fail "exit code $code" || return 1
    [ -f "$(un_folder)/Orvane.exe" ] && e2e_reg_key_exists "$UN_UNINSTALL" ||
        e2e_fail "something removed" || return 1
}
