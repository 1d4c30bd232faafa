# Setup.exe under Wine: the wizard driven by Win32 messages from
# orvane_testhelper.exe, the files, registry entries and shortcuts it makes,
# and the hand-over from a stand-in Windows Time service.

STP_FRAME_TITLE='Orvane Setup'
STP_PROGRAMS_WIN='C:\ProgramData\Microsoft\Windows\Start Menu\Programs'
STP_SERVICE_EVENT_SOURCE='HKLM\System\CurrentControlSet\Services\EventLog\Application\Orvane Time Service'

stp_unix() { winepath -u "$1" 2>/dev/null; }

# Screenshots of the wizard land here (kept after the run when set).
stp_shot() {
    local dir=${E2E_SHOTS:-$E2E_WORK/shots}
    e2e_shot "$dir" "$1"
    convert "$dir/$1.png" -trim +repage "$dir/$1.png" 2>/dev/null
}

stp_w32time_running() { e2e_wine sc query W32Time 2>/dev/null | grep -q 'STATE.*RUNNING'; }

# The stand-in W32Time service, registered once per prefix, running and set
# to automatic start with another display name before every scenario.
stp_ensure_w32time() {
    local program
    program=$(e2e_windows_path "$E2E_BIN/w32time_stub_service.exe")
    if ! e2e_wine sc query W32Time >/dev/null 2>&1; then
        e2e_wine sc create W32Time binPath= "$program" start= auto >/dev/null 2>&1
    fi
    e2e_wine sc config W32Time start= auto DisplayName= "Windows Time" >/dev/null 2>&1
    e2e_wine sc start W32Time >/dev/null 2>&1
    e2e_wait_until 30 stp_w32time_running || e2e_fail "stand-in W32Time not running"
}

# A machine without Orvane: no settings, no entries, no files, no links,
# no Orvane Time Service.
stp_clean() {
    ts_remove
    local key
    for key in "$E2E_HKLM" "$E2E_HKCU" "$UN_APP_PATHS" "$UN_UNINSTALL" "$UN_EVENT_SOURCE" \
        "$STP_SERVICE_EVENT_SOURCE"; do
        e2e_wine reg delete "$key" /f >/dev/null 2>&1
    done
    rm -rf "$(stp_unix "$UN_FOLDER_WIN")" "$(stp_unix "$STP_PROGRAMS_WIN")/Orvane" \
        "$(stp_unix "$STP_PROGRAMS_WIN")/StartUp/Orvane.lnk"
}

# Starts Setup.exe from a folder (default dist/) and waits for its frame.
stp_start_setup() {
    local folder=${1:-$E2E_DIST}
    (cd "$folder" && timeout 300 wine "$folder/Setup.exe" >"$E2E_WORK/setup.out" 2>&1 &)
    e2e_h wait "$DIALOG" "$STP_FRAME_TITLE" 20000 >/dev/null || e2e_fail "no wizard"
}

stp_item() { e2e_h item "$DIALOG" "$STP_FRAME_TITLE" "$@"; }
# One property of a control: stp_item_is ID get|checked|pos|visible
stp_item_is() { e2e_item "$DIALOG" "$STP_FRAME_TITLE" "$@"; }
stp_press() { e2e_h command "$DIALOG" "$STP_FRAME_TITLE" "$1" >/dev/null; }
stp_next_text() { e2e_text "$DIALOG" "$STP_FRAME_TITLE" "$IDC_SETUP_NEXT"; }

# Keeps Orvane.exe off UDP 123 in this shared machine: the initial
# settings switch broadcasts on.
stp_no_broadcasts() {
    e2e_wine reg add "$E2E_HKLM" /v 'Receive sntp broadcasts' /t REG_DWORD /d 0 /f >/dev/null 2>&1
}

# One look at the installation under way: closes the configuration dialog
# when it has come (noting, the first time, the settings as Setup wrote
# them and whether the wizard was hidden meanwhile); true once page 4 shows.
stp_install_step() {
    if e2e_h count "$DIALOG" 'Orvane - Configuration' | grep -q 'count=[1-9]'; then
        if [ ! -e "$E2E_WORK/config-dialog-seen" ]; then
            e2e_reg_values "$E2E_HKLM" >"$E2E_WORK/machine-as-written"
            e2e_h info "$DIALOG" "$STP_FRAME_TITLE" | grep -a '^visible=' >"$E2E_WORK/config-dialog-seen"
            [ -n "${STP_CONFIG_SHOT:-}" ] && stp_shot "$STP_CONFIG_SHOT"
        fi
        stp_no_broadcasts
        e2e_h command "$DIALOG" 'Orvane - Configuration' "$IDCANCEL" >/dev/null
    fi
    [ "$(stp_next_text)" = "&Finish" ] && e2e_h info "$DIALOG" "$STP_FRAME_TITLE" | grep -qx visible=1
}

# From page 2 through the installation: closes the configuration dialog
# when it comes (Cancel keeps what Setup wrote) and waits for page 4.
stp_install_from_page2() {
    rm -f "$E2E_WORK/machine-as-written" "$E2E_WORK/config-dialog-seen"
    stp_press "$IDC_SETUP_NEXT"
    e2e_wait_until 180 stp_install_step || e2e_fail "page 4 not reached" || return 1
    [ -s "$E2E_WORK/machine-as-written" ] ||
        e2e_reg_values "$E2E_HKLM" >"$E2E_WORK/machine-as-written"
    stp_no_broadcasts
}

# Finish, and Setup ends: its window and then its process.
stp_finish() {
    stp_press "$IDC_SETUP_NEXT"
    e2e_h wait-gone "$DIALOG" "$STP_FRAME_TITLE" 40000 >/dev/null || e2e_fail "Setup did not end" || return 1
    e2e_wait_until 20 e2e_not_running 'Setup\.exe' || e2e_fail "Setup.exe still running"
}

# Page 1 -> 2, optional edits, install, page 4.
stp_install() {
    local folder=${1:-} group=${2:-1} startup=${3:-1}
    stp_press "$IDC_SETUP_NEXT"
    [ -n "$folder" ] && stp_item "$IDC_SETUP_FOLDER_EDIT" set "$folder" >/dev/null
    stp_item "$IDC_SETUP_PROGRAM_GROUP" check "$group" >/dev/null
    stp_item "$IDC_SETUP_START_AT_LOGON" check "$startup" >/dev/null
    stp_install_from_page2
}

# Answers the wizard's question box ($IDYES, $IDNO) and prints its text=;
# presses again while the box stays (a fresh prefix can be slow to take it).
stp_answer() {
    local out
    out=$(e2e_h answer "$STP_FRAME_TITLE" "$1" 5000) || return 1
    echo "$out"
    e2e_wait_until 20 stp_box_taken "$1"
}
# True once at most one window has the wizard's title (the box is gone).
stp_box_taken() {
    e2e_h count "$DIALOG" "$STP_FRAME_TITLE" | grep -q 'count=[01]$' && return 0
    e2e_h answer "$STP_FRAME_TITLE" "$1" 200 >/dev/null
    return 1
}

# name|target|working folder|icon of a shortcut, as IShellLink reads it.
stp_link() {
    local out
    out=$(e2e_h shortcut "$1") || { echo "missing"; return; }
    echo "$(e2e_field "$out" target)|$(e2e_field "$out" workdir)|$(e2e_field "$out" icon)|$(e2e_field "$out" iconindex)|$(e2e_field "$out" description)"
}

stp_expect() {
    if [ "$2" != "$3" ]; then
        e2e_fail "$1: got [$2], expected [$3]"
        return 1
    fi
}

# e2e-group: desktop
scenario_80_setup_first_installation() {
    stp_ensure_w32time || return 1
    stp_clean
    ts_keep_services
    stp_start_setup || return 1
    stp_shot setup-page1-welcome
    stp_press "$IDC_SETUP_NEXT"
    e2e_wait_until 10 e2e_prints 1 stp_item_is "$IDC_SETUP_FOLDER_EDIT" visible ||
        e2e_fail "page 2 not shown" || return 1
    stp_shot setup-page2-folder
    stp_expect "default folder" "$(stp_item_is "$IDC_SETUP_FOLDER_EDIT" get)" "$UN_FOLDER_WIN" || return 1
    stp_expect "group box" "$(stp_item_is "$IDC_SETUP_PROGRAM_GROUP" checked)" 1 || return 1
    stp_expect "startup box" "$(stp_item_is "$IDC_SETUP_START_AT_LOGON" checked)" 1 || return 1
    STP_CONFIG_SHOT=setup-configuration-dialog stp_install_from_page2 || return 1
    # The configuration dialog came between pages 3 and 4, the wizard hidden.
    stp_expect "configuration dialog" "$(cat "$E2E_WORK/config-dialog-seen" 2>/dev/null)" \
        visible=0 || return 1
    stp_shot setup-page4-done
    stp_expect "progress" "$(stp_item_is "$IDC_SETUP_PROGRESS_BAR" pos)" 100 || return 1

    local dir name
    dir=$(stp_unix "$UN_FOLDER_WIN")
    for name in "Orvane Event Log Interface.dll" Orvane.exe Orvane.hlp Uninstall.exe \
        OrvaneService.exe; do
        cmp -s "$E2E_DIST/$name" "$dir/$name" || e2e_fail "$name not copied" || return 1
    done
    # The service runs from the installation before Windows Time is handed
    # over at Finish.
    ts_expect_running || return 1
    stp_expect "service program" \
        "$(e2e_reg 'HKLM\System\CurrentControlSet\Services\OrvaneTime' ImagePath)" \
        "\"$UN_FOLDER_WIN\\OrvaneService.exe\"" || return 1

    local machine user
    machine=$(tr '\n' ';' <"$E2E_WORK/machine-as-written")
    user=$(e2e_reg_values "$E2E_HKCU" | tr '\n' ';')
    echo "machine: $machine"
    echo "user: $user"
    stp_expect "machine values" "$machine" "Cap logfile folder size|REG_DWORD|0x0;Delete old logfiles|REG_DWORD|0x0;Dialup server name|REG_SZ|;Dialup server password|REG_SZ|;Dialup server username|REG_SZ|;Enable logging|REG_DWORD|0x0;Enable updates|REG_DWORD|0x0;Force dial|REG_DWORD|0x0;Install directory|REG_SZ|C:\\Program Files\\Pellmoor\\Orvane;Largest correction|REG_DWORD|0x2a300;Launch program at startup|REG_DWORD|0x1;Logfile path|REG_SZ|C:\\Data Files\\Pellmoor\\Orvane;Logging level|REG_DWORD|0x1;Maximum logfile age|REG_DWORD|0x7;Maximum logfile space|REG_DWORD|0xa;Program is installed|REG_DWORD|0x1;Protocol|REG_DWORD|0x1;Receive sntp broadcasts|REG_DWORD|0x1;Server ip address|REG_SZ|0.0.0.0;Server name|REG_SZ|;Update interval|REG_DWORD|0x12c;Use dialup|REG_DWORD|0x0;Use server by name|REG_DWORD|0x0;Write to event log|REG_DWORD|0x0;" || return 1
    stp_expect "user values" "$user" "Always on top|REG_DWORD|0x0;Date font name|REG_SZ|Arial;Hide in tray|REG_DWORD|0x0;Hide taskbar button|REG_DWORD|0x1;Show date|REG_DWORD|0x1;Time font name|REG_SZ|Arial;Window position x|REG_DWORD|0xa;Window position y|REG_DWORD|0xa;Window size y|REG_DWORD|0x50;window size x|REG_DWORD|0x96;" || return 1
    stp_expect "App Paths" "$(e2e_reg_values "$UN_APP_PATHS" | tr '\n' ';')" "(Default)|REG_SZ|C:\\Program Files\\Pellmoor\\Orvane\\Orvane.exe;Path|REG_SZ|C:\\Program Files\\Pellmoor\\Orvane;" || return 1
    stp_expect "Uninstall" "$(e2e_reg_values "$UN_UNINSTALL" | sed 's/^\(EstimatedSize|REG_DWORD|\)0x[1-9a-f][0-9a-f]*$/\1KB/' | tr '\n' ';')" "DisplayIcon|REG_SZ|C:\\Program Files\\Pellmoor\\Orvane\\Orvane.exe,0;DisplayName|REG_SZ|Orvane 1.72;DisplayVersion|REG_SZ|1.72;EstimatedSize|REG_DWORD|KB;InstallLocation|REG_SZ|C:\\Program Files\\Pellmoor\\Orvane;NoModify|REG_DWORD|0x1;NoRepair|REG_DWORD|0x1;Publisher|REG_SZ|Pellmoor;QuietUninstallString|REG_SZ|\"C:\\Program Files\\Pellmoor\\Orvane\\Uninstall.exe\" /quiet;UninstallString|REG_SZ|\"C:\\Program Files\\Pellmoor\\Orvane\\Uninstall.exe\";" || return 1
    stp_expect "event source" "$(e2e_reg_values "$UN_EVENT_SOURCE" | tr '\n' ';')" "EventMessageFile|REG_SZ|C:\\Program Files\\Pellmoor\\Orvane\\Orvane Event Log Interface.dll;TypesSupported|REG_DWORD|0x7;" || return 1
    stp_expect "service's event source" "$(e2e_reg_values "$STP_SERVICE_EVENT_SOURCE" | tr '\n' ';')" "EventMessageFile|REG_SZ|C:\\Program Files\\Pellmoor\\Orvane\\Orvane Event Log Interface.dll;TypesSupported|REG_DWORD|0x7;" || return 1

    local f="C:\\Program Files\\Pellmoor\\Orvane"
    [ -d "$(stp_unix "$STP_PROGRAMS_WIN")/Orvane" ] || e2e_fail "no program group" || return 1
    stp_expect "startup link" "$(stp_link "$STP_PROGRAMS_WIN\\StartUp\\Orvane.lnk")" \
        "$f\\Orvane.exe|$f\\|$f\\Orvane.exe|0|Orvane" || return 1
    stp_expect "group link" "$(stp_link "$STP_PROGRAMS_WIN\\Orvane\\Orvane.lnk")" \
        "$f\\Orvane.exe|$f\\|$f\\Orvane.exe|0|Orvane" || return 1
    stp_expect "uninstall link" "$(stp_link "$STP_PROGRAMS_WIN\\Orvane\\Uninstall.lnk")" \
        "$f\\Uninstall.exe|$f\\|$f\\Uninstall.exe|0|Uninstall" || return 1

    # Before Finish the service still runs automatically.
    stp_w32time_running || e2e_fail "W32Time stopped early" || return 1
    local done
    done=$(setup_done_text)
    echo "last page: $done"
    stp_finish || return 1
    e2e_wine sc query W32Time | tr -d '\r' | grep STATE
    e2e_wine sc query W32Time | grep -q 'STATE.*STOPPED' || e2e_fail "W32Time not stopped" ||
        return 1
    stp_expect "W32Time start" "$(e2e_reg "$UN_SERVICE" Start)" 0x3 || return 1
    stp_expect "W32Time name" "$(e2e_reg "$UN_SERVICE" DisplayName)" W32Time || return 1
    ts_running || e2e_fail "Orvane Time Service stopped at Finish" || return 1
    setup_expect_program_start "$done" || return 1
    if [ "$done" = "$SETUP_DONE_TEXT" ]; then orv_stop; fi
}

# e2e-group: desktop
scenario_80_setup_merges_earlier_values_and_boxes_cleared() {
    stp_ensure_w32time || return 1
    stp_clean
    # An earlier version's user values, and this version's own values that
    # must win (Server name) or stay (Logging level, Launch replaced).
    e2e_reg_import <<REG
REGEDIT4

[HKEY_CURRENT_USER\\$E2E_KEY]
"ForceUp"=dword:00000001
"GainingAddress"=dword:00000001
"ReceiveBroadcast"=dword:00000000
"Machine Name"="old.example.org"
"MachineAddress"="10.1.2.3"
"UpdateEvery"=dword:0000003c
"DialUp"=dword:00000001
"Always on top"=dword:00000001

[HKEY_LOCAL_MACHINE\\$E2E_KEY]
"Server name"="new.example.org"
"Logging level"=dword:00000002
"Launch program at startup"=dword:00000001
REG
    stp_start_setup || return 1
    stp_install '' 0 0 || return 1
    local key name want
    while IFS='|' read -r key name want; do
        stp_expect "$name" "$(e2e_reg "$key" "$name")" "$want" || return 1
    done <<TABLE
$E2E_HKLM|Force dial|0x1
$E2E_HKLM|Use server by name|0x1
$E2E_HKLM|Server ip address|10.1.2.3
$E2E_HKLM|Update interval|0x3c
$E2E_HKLM|Use dialup|0x1
$E2E_HKLM|Server name|new.example.org
$E2E_HKLM|Logging level|0x2
$E2E_HKLM|Launch program at startup|0x0
$E2E_HKCU|Always on top|0x1
TABLE
    [ ! -e "$(stp_unix "$STP_PROGRAMS_WIN")/Orvane" ] || e2e_fail "program group made" || return 1
    [ ! -e "$(stp_unix "$STP_PROGRAMS_WIN")/StartUp/Orvane.lnk" ] ||
        e2e_fail "startup link made" || return 1
    # Setup starts Orvane.exe, if at all, before it ends.
    stp_finish || return 1
    e2e_not_running 'Orvane\.exe' || e2e_fail "Orvane started" || return 1
    stp_expect "Orvane windows" "$(e2e_h count "$ORV_CLOCK" -)" count=0 || return 1
}

# e2e-group: desktop
scenario_80_setup_reinstall_keeps_settings_and_from_install_folder() {
    stp_ensure_w32time || return 1
    stp_clean
    # Setup already in its install folder: nothing to copy, everything else
    # done (the folder is named in other letter case).
    local here='C:\Orvane Here' dir
    dir=$(stp_unix "$here")
    rm -rf "$dir"
    mkdir -p "$dir"
    cp "$E2E_DIST"/* "$dir"/
    echo "marker" >>"$dir/Orvane.hlp"
    e2e_wine reg add "$E2E_HKLM" /v 'Update interval' /t REG_DWORD /d 17 /f >/dev/null 2>&1
    e2e_wine reg add "$E2E_HKLM" /v 'Launch program at startup' /t REG_DWORD /d 1 /f \
        >/dev/null 2>&1
    stp_start_setup "$dir" || return 1
    stp_install 'c:\orvane here' 1 0 || return 1
    tail -1 "$dir/Orvane.hlp" | grep -qx marker || e2e_fail "a file was copied" || return 1
    stp_expect "Install directory" "$(e2e_reg "$E2E_HKLM" 'Install directory')" \
        'c:\orvane here' || return 1
    stp_expect "Update interval kept" "$(e2e_reg "$E2E_HKLM" 'Update interval')" 0x11 ||
        return 1
    stp_expect "Launch replaced" "$(e2e_reg "$E2E_HKLM" 'Launch program at startup')" 0x0 ||
        return 1
    stp_expect "group link" "$(stp_link "$STP_PROGRAMS_WIN\\Orvane\\Orvane.lnk")" \
        'c:\orvane here\Orvane.exe|c:\orvane here\|c:\orvane here\Orvane.exe|0|Orvane' || return 1
    stp_finish || return 1
    rm -rf "$dir"
}

# e2e-group: desktop
scenario_80_setup_closes_running_orvane() {
    stp_ensure_w32time || return 1
    stp_clean
    stp_start_setup || return 1
    stp_install '' 0 0 || return 1
    stp_finish || return 1
    # The installed program runs; the installed help file differs from dist.
    local dir
    dir=$(stp_unix "$UN_FOLDER_WIN")
    echo "changed" >>"$dir/Orvane.hlp"
    orv_start "$dir" || return 1
    stp_start_setup || return 1
    stp_install '' 0 0 || return 1
    stp_expect "Orvane windows" "$(e2e_h count "$ORV_CLOCK" -)" count=0 || return 1
    cmp -s "$E2E_DIST/Orvane.hlp" "$dir/Orvane.hlp" || e2e_fail "file not replaced" || return 1
    cmp -s "$E2E_DIST/Orvane.exe" "$dir/Orvane.exe" || e2e_fail "program not replaced" || return 1
    stp_finish
}

# The system's text for error 32, with its line end shown as the helper
# shows it.
stp_sharing_text() {
    echo 'Sharing violation.\r\n'
}

# A copy that fails ends Setup; the Orvane Time Service it stopped for the
# copy runs again.
# e2e-group: desktop
scenario_80_setup_locked_file_is_fatal() {
    stp_ensure_w32time || return 1
    stp_clean
    svc_start || return 1
    local dir locked='C:\Program Files\Pellmoor\Orvane\Orvane.exe'
    dir=$(stp_unix "$UN_FOLDER_WIN")
    mkdir -p "$dir"
    cp "$E2E_DIST/Orvane.exe" "$dir/"
    e2e_h_to "$E2E_WORK/lock.out" lock "$locked" 40000 &
    e2e_wait_until 10 grep -q locked "$E2E_WORK/lock.out" || e2e_fail "file not locked" || return 1
    stp_start_setup || return 1
    stp_press "$IDC_SETUP_NEXT"
    stp_press "$IDC_SETUP_NEXT"
    e2e_h wait "$DIALOG" 'Orvane Install - Fatal Error' 20000 >/dev/null ||
        e2e_fail "no fatal box" || return 1
    stp_shot setup-page3-progress-and-fatal-copy
    local source
    source="$(e2e_windows_path "$E2E_DIST")\\Orvane.exe"
    stp_expect "source text" "$(stp_item_is "$IDC_SETUP_SOURCE_FILE" get)" "$source" || return 1
    stp_expect "destination text" "$(stp_item_is "$IDC_SETUP_DESTINATION_FILE" get)" "$locked" || return 1
    stp_expect "progress" "$(stp_item_is "$IDC_SETUP_PROGRESS_BAR" pos)" 10 || return 1
    local text
    text=$(e2e_field "$(e2e_h box 'Orvane Install - Fatal Error' 5000)" text)
    echo "$text"
    stp_expect "fatal text" "$text" "Unable to copy \"$source\" to \"$locked\".\\n$(stp_sharing_text)\\nError code 32." || return 1
    e2e_h wait-gone "$DIALOG" "$STP_FRAME_TITLE" 10000 >/dev/null || e2e_fail "Setup went on" ||
        return 1
    [ -f "$dir/Orvane Event Log Interface.dll" ] || e2e_fail "earlier copy gone" || return 1
    [ -z "$(e2e_reg "$E2E_HKLM" 'Install directory')" ] || e2e_fail "registry written" ||
        return 1
    ts_expect_running || e2e_fail "the service Setup stopped was not started again" || return 1
}

# e2e-group: desktop
scenario_80_setup_cancel_asks_on_pages_1_2_and_4() {
    stp_ensure_w32time || return 1
    stp_clean
    stp_start_setup || return 1
    local text question="Are you sure you want to exit Orvane Setup?"
    stp_press "$IDC_SETUP_CANCEL"
    text=$(e2e_field "$(stp_answer "$IDNO")" text)
    stp_expect "page 1 question" "$text" "$question" || return 1
    # No: the wizard stays where it was.
    e2e_holds_for 1 e2e_prints "&Next" stp_next_text || e2e_fail "page 1 not kept" || return 1
    stp_press "$IDC_SETUP_NEXT"
    # Esc (command 2) asks too.
    stp_press "$IDCANCEL"
    text=$(e2e_field "$(stp_answer "$IDNO")" text)
    stp_expect "page 2 question" "$text" "$question" || return 1
    e2e_holds_for 1 e2e_prints 1 stp_item_is "$IDC_SETUP_FOLDER_EDIT" visible ||
        e2e_fail "page 2 not kept" || return 1
    stp_item "$IDC_SETUP_PROGRAM_GROUP" check 0 >/dev/null
    stp_item "$IDC_SETUP_START_AT_LOGON" check 0 >/dev/null
    stp_install_from_page2 || return 1
    # The close box asks as well; Yes ends Setup without Finish.
    e2e_h close "$DIALOG" "$STP_FRAME_TITLE" >/dev/null
    text=$(e2e_field "$(stp_answer "$IDNO")" text)
    stp_expect "page 4 question" "$text" "$question" || return 1
    e2e_holds_for 1 e2e_prints "&Finish" stp_next_text || e2e_fail "page 4 not kept" || return 1
    stp_press "$IDC_SETUP_CANCEL"
    stp_answer "$IDYES" >/dev/null
    e2e_h wait-gone "$DIALOG" "$STP_FRAME_TITLE" 10000 >/dev/null || e2e_fail "Yes kept Setup" ||
        return 1
    # No Finish: the service keeps running.
    stp_w32time_running || e2e_fail "W32Time touched" || return 1
}

# e2e-group: desktop
scenario_81_setup_refuses_a_folder_that_is_not_complete() {
    stp_ensure_w32time || return 1
    stp_clean
    stp_start_setup || return 1
    stp_press "$IDC_SETUP_NEXT"
    local typed text
    for typed in 'Orvane' 'C:Orvane' '\Orvane'; do
        stp_item "$IDC_SETUP_FOLDER_EDIT" set "$typed" >/dev/null
        stp_press "$IDC_SETUP_NEXT"
        text=$(e2e_field "$(e2e_h box 'Orvane Setup Error' 10000)" text)
        stp_expect "box for $typed" "$text" \
            'Please enter a complete folder path, such as C:\Program Files\Pellmoor\Orvane.' ||
            return 1
        # Page 2 again, the text as typed, nothing installed.
        e2e_wait_until 10 e2e_prints 1 stp_item_is "$IDC_SETUP_FOLDER_EDIT" visible ||
            e2e_fail "page 2 not shown again" || return 1
        stp_expect "folder kept" "$(stp_item_is "$IDC_SETUP_FOLDER_EDIT" get)" "$typed" || return 1
        stp_expect "Next" "$(stp_next_text)" "&Next" || return 1
    done
    [ -z "$(e2e_reg "$E2E_HKLM" 'Install directory')" ] || e2e_fail "registry written" || return 1
    [ ! -e "$WINEPREFIX/drive_c/Orvane" ] || e2e_fail "folder made" || return 1
    stp_press "$IDC_SETUP_CANCEL"
    stp_answer "$IDYES" >/dev/null
    e2e_h wait-gone "$DIALOG" "$STP_FRAME_TITLE" 10000 >/dev/null || e2e_fail "Setup stayed"
}

# A folder that users who are not administrators could change is refused,
# and so is one below a folder they could empty: Wine gives a folder open
# to every Unix user (mode 777) an access list letting Everyone write,
# delete and delete children.
# e2e-group: desktop
scenario_87_setup_refuses_a_folder_users_can_change() {
    stp_ensure_w32time || return 1
    stp_clean
    local open parent typed named text
    open=$(stp_unix 'C:\Open To All')
    parent=$(stp_unix 'C:\Open Parent')
    rm -rf "$open" "$parent"
    mkdir -p "$open" "$parent"
    chmod 777 "$open" "$parent"
    stp_start_setup || return 1
    stp_press "$IDC_SETUP_NEXT"
    for typed in 'C:\Open To All|C:\Open To All' 'C:\Open Parent\Orvane|C:\Open Parent'; do
        named=${typed#*|}
        typed=${typed%%|*}
        stp_item "$IDC_SETUP_FOLDER_EDIT" set "$typed" >/dev/null
        stp_press "$IDC_SETUP_NEXT"
        text=$(e2e_field "$(e2e_h box 'Orvane Setup Error' 10000)" text)
        stp_expect "box for $typed" "$text" \
            "The folder $named can be changed by users who are not administrators.  Please choose another folder, such as C:\Program Files\Pellmoor\Orvane." ||
            return 1
        e2e_wait_until 10 e2e_prints 1 stp_item_is "$IDC_SETUP_FOLDER_EDIT" visible ||
            e2e_fail "page 2 not shown again" || return 1
        stp_expect "folder kept" "$(stp_item_is "$IDC_SETUP_FOLDER_EDIT" get)" "$typed" || return 1
    done
    [ -z "$(find "$open" "$parent" -mindepth 1)" ] || e2e_fail "something made in the folders" ||
        return 1
    [ -z "$(e2e_reg "$E2E_HKLM" 'Install directory')" ] || e2e_fail "registry written" || return 1
    stp_press "$IDC_SETUP_CANCEL"
    stp_answer "$IDYES" >/dev/null
    e2e_h wait-gone "$DIALOG" "$STP_FRAME_TITLE" 10000 >/dev/null || e2e_fail "Setup stayed" ||
        return 1
    rm -rf "$open" "$parent"
}

# Setup in its install folder, named by its short name and with a closing
# backslash: the same folder, so nothing is copied onto itself.
# e2e-group: desktop
scenario_82_setup_knows_its_own_folder_by_another_name() {
    stp_ensure_w32time || return 1
    stp_clean
    local here='C:\Orvane Dist' dir short
    dir=$(stp_unix "$here")
    rm -rf "$dir"
    mkdir -p "$dir"
    cp "$E2E_DIST"/* "$dir"/
    echo "marker" >>"$dir/Orvane.hlp"
    short=$(winepath -s "$here" 2>/dev/null | tr -d '\r')
    echo "short name: $short"
    [ -n "$short" ] && [ "$short" != "$here" ] || e2e_fail "no short name" || return 1
    stp_start_setup "$dir" || return 1
    stp_install "$short\\" 0 0 || return 1
    tail -1 "$dir/Orvane.hlp" | grep -qx marker || e2e_fail "a file was copied" || return 1
    [ "$(e2e_h count "$DIALOG" 'Orvane Install - Fatal Error')" = count=0 ] ||
        e2e_fail "fatal box" || return 1
    stp_expect "Install directory" "$(e2e_reg "$E2E_HKLM" 'Install directory')" "$short" ||
        return 1
    stp_finish || return 1
    rm -rf "$dir"
}

# A running Orvane that does not close holds Setup for ten seconds, during
# which the wizard still answers, and its buttons do nothing.
# e2e-group: desktop
scenario_83_setup_answers_while_it_waits_for_orvane_to_end() {
    stp_ensure_w32time || return 1
    stp_clean
    e2e_h_to "$E2E_WORK/stubborn.out" stubborn "$ORV_CLOCK" 30000 &
    e2e_h wait "$ORV_CLOCK" - 20000 >/dev/null || e2e_fail "no stand-in window" || return 1
    stp_start_setup || return 1
    stp_press "$IDC_SETUP_NEXT"
    stp_item "$IDC_SETUP_PROGRAM_GROUP" check 0 >/dev/null
    stp_item "$IDC_SETUP_START_AT_LOGON" check 0 >/dev/null
    local started answered took
    started=$(date +%s%N)
    stp_press "$IDC_SETUP_NEXT"
    # Inside the wait, which begins with Setup asking the window to close.
    e2e_wait_until 10 grep -q "asked to close" "$E2E_WORK/stubborn.out" ||
        e2e_fail "Orvane's window never asked to close" || return 1
    stp_press "$IDC_SETUP_CANCEL"
    answered=$(e2e_text "$DIALOG" "$STP_FRAME_TITLE")
    took=$((($(date +%s%N) - started) / 1000000))
    echo "frame text [$answered] after $took ms"
    stp_expect "frame answers" "$answered" "$STP_FRAME_TITLE" || return 1
    [ "$took" -lt 9000 ] || e2e_fail "asked only after $took ms" || return 1
    stp_expect "still waiting" "$(stp_item_is "$IDC_SETUP_PROGRESS_BAR" pos)" 0 || return 1
    [ "$(e2e_h count "$DIALOG" "$STP_FRAME_TITLE")" = count=1 ] ||
        e2e_fail "Cancel asked during the wait" || return 1
    e2e_wait_until 120 stp_install_step || e2e_fail "page 4 not reached" || return 1
    stp_finish
}

# F1 on a control of Setup's configuration dialog opens the program's own
# help viewer at the control's topic.
# e2e-group: desktop
scenario_84_setup_configuration_help_shows_the_topic() {
    stp_ensure_w32time || return 1
    stp_clean
    stp_start_setup || return 1
    stp_press "$IDC_SETUP_NEXT"
    stp_item "$IDC_SETUP_PROGRAM_GROUP" check 0 >/dev/null
    stp_item "$IDC_SETUP_START_AT_LOGON" check 0 >/dev/null
    stp_press "$IDC_SETUP_NEXT"
    local frame='Orvane - Configuration' text
    e2e_h wait "$DIALOG" "$frame" 120000 >/dev/null || e2e_fail "no configuration dialog" || return 1
    e2e_wait_until 10 e2e_h item "$DIALOG" "$frame" "$IDC_LOG_EVENT_LOG" enabled ||
        e2e_fail "pages not made" || return 1
    e2e_h dlg "$DIALOG" "$frame" f1 "$IDC_SERVER_UPDATES" >/dev/null
    e2e_h wait "$ORV_HELP" 'Orvane Help' 10000 >/dev/null ||
        e2e_fail "no help window" || return 1
    text=$(e2e_text "$ORV_HELP" 'Orvane Help' 102)
    echo "help: ${text:0:80}"
    case $text in
        'Synchronise every\r\n\r\n'*) ;;
        *) e2e_fail "help text [$text]" || return 1 ;;
    esac
    stp_shot setup-configuration-help
    e2e_h close "$ORV_HELP" 'Orvane Help' >/dev/null
    e2e_h command "$DIALOG" "$frame" "$IDCANCEL" >/dev/null
    e2e_wait_until 60 stp_install_step || e2e_fail "page 4 not reached" || return 1
    stp_finish
}

# A rasapi32.dll and an iphlpapi.dll planted beside Setup.exe and beside
# Orvane.exe, and an rstrtmgr.dll beside Setup.exe, which mark every
# loading, are never loaded: not for the Connection page of Setup's
# configuration dialog, not for the Restart Manager's close of Orvane
# before the copy, not while Orvane runs with dial-up on. Native libraries
# come first, so one the search found would be taken (an imported one
# would stop the program from starting).
# e2e-group: desktop
scenario_85_setup_and_orvane_never_load_a_planted_library() {
    stp_ensure_w32time || return 1
    stp_clean
    ras_use_wine_library
    local marker here='C:\Orvane Planted' dir installed frame='Orvane - Configuration'
    marker="$WINEPREFIX/drive_c/orvane-planted-marker.txt"
    rm -f "$marker"
    dir=$(stp_unix "$here")
    rm -rf "$dir"
    mkdir -p "$dir"
    cp "$E2E_DIST"/* "$E2E_BIN/planted/rasapi32.dll" "$dir"/
    cp "$E2E_BIN/planted/rasapi32.dll" "$dir/iphlpapi.dll"
    cp "$E2E_BIN/planted/rasapi32.dll" "$dir/rstrtmgr.dll"
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;rasapi32,iphlpapi,rstrtmgr=n,b"
    stp_start_setup "$dir" || return 1
    stp_press "$IDC_SETUP_NEXT"
    stp_item "$IDC_SETUP_PROGRAM_GROUP" check 0 >/dev/null
    stp_item "$IDC_SETUP_START_AT_LOGON" check 0 >/dev/null
    stp_press "$IDC_SETUP_NEXT"
    e2e_h wait "$DIALOG" "$frame" 120000 >/dev/null || e2e_fail "no configuration dialog" || return 1
    e2e_wait_until 10 e2e_h item "$DIALOG" "$frame" "$IDC_LOG_EVENT_LOG" enabled ||
        e2e_fail "pages not made" || return 1
    e2e_h dlg "$DIALOG" "$frame" tab-focus 1 >/dev/null
    e2e_wait_until 10 e2e_prints_match '^page=800$' e2e_h dlg "$DIALOG" "$frame" tab ||
        e2e_fail "Connection page not shown" || return 1
    e2e_h command "$DIALOG" "$frame" "$IDCANCEL" >/dev/null
    e2e_wait_until 60 stp_install_step || e2e_fail "page 4 not reached" || return 1
    stp_finish || return 1

    installed=$(stp_unix "$UN_FOLDER_WIN")
    cp "$E2E_BIN/planted/rasapi32.dll" "$installed/"
    cp "$E2E_BIN/planted/rasapi32.dll" "$installed/iphlpapi.dll"
    orv_settings 0 '"Use dialup"=dword:00000001' '"Receive sntp broadcasts"=dword:00000000'
    orv_start "$installed" || return 1
    orv_open_status || return 1
    echo "link text: $(orv_status_text "$IDC_STATUS_LINK")"
    orv_stop || return 1
    if [ -e "$marker" ]; then
        e2e_fail "planted library loaded by: $(tr -d '\r' <"$marker" | tr '\n' ' ')"
        return 1
    fi
    rm -rf "$dir"
}

# A service that cannot start (its program missing from the folder Setup
# runs in, so nothing is copied) is told in a box, and Windows Time, which
# an earlier installation had handed over, keeps the clock: set to start
# automatically, running, and left so at Finish.
# e2e-group: desktop
scenario_86_setup_keeps_windows_time_when_the_service_fails() {
    stp_ensure_w32time || return 1
    stp_clean
    ts_keep_services
    e2e_wine sc stop W32Time >/dev/null 2>&1
    e2e_wine sc config W32Time start= demand >/dev/null 2>&1
    e2e_wait_until 20 e2e_prints_match 'STATE.*STOPPED' e2e_wine sc query W32Time ||
        e2e_fail "stand-in W32Time not stopped" || return 1
    local here='C:\Orvane No Service' dir text
    dir=$(stp_unix "$here")
    rm -rf "$dir"
    mkdir -p "$dir"
    cp "$E2E_DIST"/* "$dir"/
    rm "$dir/OrvaneService.exe"
    stp_start_setup "$dir" || return 1
    stp_press "$IDC_SETUP_NEXT"
    stp_item "$IDC_SETUP_FOLDER_EDIT" set "$here" >/dev/null
    stp_item "$IDC_SETUP_PROGRAM_GROUP" check 0 >/dev/null
    stp_item "$IDC_SETUP_START_AT_LOGON" check 0 >/dev/null
    stp_press "$IDC_SETUP_NEXT"
    text=$(e2e_field "$(e2e_h box 'Orvane Setup Error' 60000)" text)
    echo "box: $text"
    case $text in
        'Unable to start the Orvane Time Service.  Error code '[0-9]*'.\n\nWindows Time goes on keeping this PC'"'"'s clock.  Run Setup again to install the service.') ;;
        *) e2e_fail "box text [$text]" || return 1 ;;
    esac
    stp_w32time_running || e2e_fail "W32Time not started again" || return 1
    stp_expect "W32Time start" "$(e2e_reg "$UN_SERVICE" Start)" 0x2 || return 1
    e2e_wait_until 120 stp_install_step || e2e_fail "page 4 not reached" || return 1
    stp_finish || return 1
    stp_w32time_running || e2e_fail "W32Time handed over" || return 1
    stp_expect "W32Time start after Finish" "$(e2e_reg "$UN_SERVICE" Start)" 0x2 || return 1
    rm -rf "$dir"
}
