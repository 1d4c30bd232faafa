# Setup.exe under Wine: the wizard driven by Win32 messages from
# orvane_testhelper.exe, the files, registry entries and shortcuts it makes,
# and the hand-over from a stand-in Windows Time service.

STP_FRAME_TITLE='Orvane Setup'
STP_KEY='Software\Pellmoor\Orvane'
STP_APP_PATHS='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\Orvane.exe'
STP_UNINSTALL='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Orvane'
STP_EVENT_SOURCE='HKLM\System\CurrentControlSet\Services\EventLog\Application\Orvane'
STP_W32TIME='HKLM\System\CurrentControlSet\Services\W32Time'
STP_DEFAULT_FOLDER='C:\Program Files\Pellmoor\Orvane'
STP_PROGRAMS_WIN='C:\ProgramData\Microsoft\Windows\Start Menu\Programs'

stp_h() { E2E_TIMEOUT=40 e2e_wine "$E2E_BIN/orvane_testhelper.exe" "$@" | tr -d '\r'; }
stp_unix() { winepath -u "$1" 2>/dev/null; }
stp_field() { echo "$1" | grep -a "^$2=" | head -1 | cut -d= -f2-; }

# Screenshots of the wizard land here (kept after the run when set).
stp_shot() {
    local dir=${E2E_SHOTS:-$E2E_WORK/shots}
    mkdir -p "$dir"
    import -display "$DISPLAY" -window root "$dir/$1.png" 2>/dev/null
    convert "$dir/$1.png" -trim +repage "$dir/$1.png" 2>/dev/null
}

# The registry key's values as "name|type|data" lines, sorted.
stp_values() {
    e2e_wine reg query "$1" 2>/dev/null | tr -d '\r' |
        sed -n 's/^    \(.*[^ ]\) *    \(REG_[A-Z_]*\)    \(.*\)$/\1|\2|\3/p;
                s/^    \(.*[^ ]\) *    \(REG_[A-Z_]*\)$/\1|\2|/p' | LC_ALL=C sort
}

stp_value() { stp_values "$1" | grep -a "^$2|" | head -1 | cut -d'|' -f3; }

# The stand-in W32Time service, registered once per prefix, running and set
# to automatic start with another display name before every scenario.
stp_ensure_w32time() {
    local program
    program=$(winepath -w "$E2E_BIN/w32time_stub_service.exe" 2>/dev/null)
    if ! e2e_wine sc query W32Time >/dev/null 2>&1; then
        e2e_wine sc create W32Time binPath= "$program" start= auto >/dev/null 2>&1
    fi
    e2e_wine sc config W32Time start= auto DisplayName= "Windows Time" >/dev/null 2>&1
    e2e_wine sc start W32Time >/dev/null 2>&1
    for _ in $(seq 50); do
        e2e_wine sc query W32Time 2>/dev/null | grep -q 'STATE.*RUNNING' && return 0
        sleep 0.2
    done
    e2e_fail "stand-in W32Time not running"
}

# A machine without Orvane: no settings, no entries, no files, no links.
stp_clean() {
    local key
    for key in "HKLM\\$STP_KEY" "HKCU\\$STP_KEY" "$STP_APP_PATHS" "$STP_UNINSTALL" \
        "$STP_EVENT_SOURCE"; do
        e2e_wine reg delete "$key" /f >/dev/null 2>&1
    done
    rm -rf "$(stp_unix "$STP_DEFAULT_FOLDER")" "$(stp_unix "$STP_PROGRAMS_WIN")/Orvane" \
        "$(stp_unix "$STP_PROGRAMS_WIN")/StartUp/Orvane.lnk"
}

# Starts Setup.exe from a folder (default dist/) and waits for its frame.
stp_start_setup() {
    local folder=${1:-$E2E_DIST}
    (cd "$folder" && timeout 300 wine "$folder/Setup.exe" >"$E2E_WORK/setup.out" 2>&1 &)
    stp_h wait '#32770' "$STP_FRAME_TITLE" 20000 >/dev/null || e2e_fail "no wizard"
}

stp_item() { stp_h item '#32770' "$STP_FRAME_TITLE" "$@"; }
stp_press() { stp_h command '#32770' "$STP_FRAME_TITLE" "$1" >/dev/null; }
stp_next_text() { stp_field "$(stp_h text '#32770' "$STP_FRAME_TITLE" 2705)" text; }

# Keeps Orvane.exe off UDP 123 in this shared machine: the initial
# settings switch broadcasts on.
stp_no_broadcasts() {
    e2e_wine reg add "HKLM\\$STP_KEY" /v 'Receive sntp broadcasts' /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1
}

# From page 2 through the installation: closes the configuration dialog
# when it comes (Cancel keeps what Setup wrote) and waits for page 4.
stp_install_from_page2() {
    rm -f "$E2E_WORK/machine-as-written" "$E2E_WORK/config-dialog-seen"
    stp_press 2705
    local waited
    for waited in $(seq 150); do
        if stp_h count '#32770' 'Orvane - Configuration' | grep -q 'count=[1-9]'; then
            stp_values "HKLM\\$STP_KEY" >"$E2E_WORK/machine-as-written"
            stp_h info '#32770' "$STP_FRAME_TITLE" | grep -a '^visible=' \
                >"$E2E_WORK/config-dialog-seen"
            [ -n "${STP_CONFIG_SHOT:-}" ] && stp_shot "$STP_CONFIG_SHOT"
            stp_no_broadcasts
            stp_h command '#32770' 'Orvane - Configuration' 2 >/dev/null
        fi
        [ "$(stp_next_text)" = "&Finish" ] &&
            stp_h info '#32770' "$STP_FRAME_TITLE" | grep -qx visible=1 && break
        sleep 0.2
    done
    [ "$(stp_next_text)" = "&Finish" ] || e2e_fail "page 4 not reached" || return 1
    [ -s "$E2E_WORK/machine-as-written" ] ||
        stp_values "HKLM\\$STP_KEY" >"$E2E_WORK/machine-as-written"
    stp_no_broadcasts
}

stp_finish() {
    stp_press 2705
    stp_h wait-gone '#32770' "$STP_FRAME_TITLE" 40000 >/dev/null || e2e_fail "Setup did not end"
}

# Page 1 -> 2, optional edits, install, page 4.
stp_install() {
    local folder=${1:-} group=${2:-1} startup=${3:-1}
    stp_press 2705
    [ -n "$folder" ] && stp_item 2708 set "$folder" >/dev/null
    stp_item 2711 check "$group" >/dev/null
    stp_item 2718 check "$startup" >/dev/null
    stp_install_from_page2
}

# Answers the wizard's question box (6 Yes, 7 No) and prints its text=;
# presses again while the box stays (a fresh prefix can be slow to take it).
stp_answer() {
    local out
    out=$(stp_h answer "$STP_FRAME_TITLE" "$1" 5000) || return 1
    echo "$out"
    for _ in $(seq 40); do
        stp_h count '#32770' "$STP_FRAME_TITLE" | grep -q 'count=[01]$' && return 0
        sleep 0.25
        stp_h answer "$STP_FRAME_TITLE" "$1" 200 >/dev/null
    done
    return 1
}

stp_stop_orvane() {
    stp_h close 'Orvane Window Class' - >/dev/null 2>&1
    stp_h wait-gone 'Orvane Window Class' - 20000 >/dev/null
    # The settings are saved after the window goes; let the process end.
    sleep 2
}

# name|target|working folder|icon of a shortcut, as IShellLink reads it.
stp_link() {
    local out
    out=$(stp_h shortcut "$1") || { echo "missing"; return; }
    echo "$(stp_field "$out" target)|$(stp_field "$out" workdir)|$(stp_field "$out" icon)|$(stp_field "$out" iconindex)|$(stp_field "$out" description)"
}

stp_expect() {
    if [ "$2" != "$3" ]; then
        e2e_fail "$1: got [$2], expected [$3]"
        return 1
    fi
}

scenario_80_setup_first_installation() {
    stp_ensure_w32time || return 1
    stp_clean
    stp_start_setup || return 1
    sleep 1
    stp_shot setup-page1-welcome
    stp_press 2705
    sleep 0.5
    stp_shot setup-page2-folder
    stp_expect "default folder" "$(stp_field "$(stp_item 2708 get)" text)" "$STP_DEFAULT_FOLDER" ||
        return 1
    stp_expect "group box" "$(stp_field "$(stp_item 2711 checked)" checked)" 1 || return 1
    stp_expect "startup box" "$(stp_field "$(stp_item 2718 checked)" checked)" 1 || return 1
    STP_CONFIG_SHOT=setup-configuration-dialog stp_install_from_page2 || return 1
    # The configuration dialog came between pages 3 and 4, the wizard hidden.
    stp_expect "configuration dialog" "$(cat "$E2E_WORK/config-dialog-seen" 2>/dev/null)" \
        visible=0 || return 1
    stp_shot setup-page4-done
    stp_expect "progress" "$(stp_field "$(stp_item 2712 pos)" pos)" 100 || return 1

    local dir name
    dir=$(stp_unix "$STP_DEFAULT_FOLDER")
    for name in "Orvane Event Log Interface.dll" Orvane.exe Orvane.hlp Uninstall.exe; do
        cmp -s "$E2E_DIST/$name" "$dir/$name" || e2e_fail "$name not copied" || return 1
    done

    local machine user
    machine=$(tr '\n' ';' <"$E2E_WORK/machine-as-written")
    user=$(stp_values "HKCU\\$STP_KEY" | tr '\n' ';')
    echo "machine: $machine"
    echo "user: $user"
    stp_expect "machine values" "$machine" "Cap logfile folder size|REG_DWORD|0x0;Delete old logfiles|REG_DWORD|0x0;Dialup server name|REG_SZ|;Dialup server password|REG_SZ|;Dialup server username|REG_SZ|;Enable logging|REG_DWORD|0x0;Enable updates|REG_DWORD|0x0;Force dial|REG_DWORD|0x0;Install directory|REG_SZ|C:\\Program Files\\Pellmoor\\Orvane;Launch program at startup|REG_DWORD|0x1;Logfile path|REG_SZ|C:\\Data Files\\Pellmoor\\Orvane;Logging level|REG_DWORD|0x1;Maximum logfile age|REG_DWORD|0x7;Maximum logfile space|REG_DWORD|0xa;Program is installed|REG_DWORD|0x1;Protocol|REG_DWORD|0x1;Receive sntp broadcasts|REG_DWORD|0x1;Server ip address|REG_SZ|0.0.0.0;Server name|REG_SZ|;Update interval|REG_DWORD|0x12c;Use dialup|REG_DWORD|0x0;Use server by name|REG_DWORD|0x0;Write to event log|REG_DWORD|0x0;" || return 1
    stp_expect "user values" "$user" "Always on top|REG_DWORD|0x0;Date font name|REG_SZ|Arial;Hide in tray|REG_DWORD|0x0;Hide taskbar button|REG_DWORD|0x1;Show date|REG_DWORD|0x1;Time font name|REG_SZ|Arial;Window position x|REG_DWORD|0xa;Window position y|REG_DWORD|0xa;Window size y|REG_DWORD|0x50;window size x|REG_DWORD|0x96;" || return 1
    stp_expect "App Paths" "$(stp_values "$STP_APP_PATHS" | tr '\n' ';')" "(Default)|REG_SZ|C:\\Program Files\\Pellmoor\\Orvane\\Orvane.exe;Path|REG_SZ|C:\\Program Files\\Pellmoor\\Orvane;" || return 1
    stp_expect "Uninstall" "$(stp_values "$STP_UNINSTALL" | tr '\n' ';')" "DisplayName|REG_SZ|Orvane 1.72;UninstallString|REG_SZ|C:\\Program Files\\Pellmoor\\Orvane\\Uninstall.exe;" || return 1
    stp_expect "event source" "$(stp_values "$STP_EVENT_SOURCE" | tr '\n' ';')" "EventMessageFile|REG_SZ|C:\\Program Files\\Pellmoor\\Orvane\\Orvane Event Log Interface.dll;TypesSupported|REG_DWORD|0x7;" || return 1

    local f="C:\\Program Files\\Pellmoor\\Orvane"
    [ -d "$(stp_unix "$STP_PROGRAMS_WIN")/Orvane" ] || e2e_fail "no program group" || return 1
    stp_expect "startup link" "$(stp_link "$STP_PROGRAMS_WIN\\StartUp\\Orvane.lnk")" \
        "$f\\Orvane.exe|$f\\|$f\\Orvane.exe|0|Orvane" || return 1
    stp_expect "group link" "$(stp_link "$STP_PROGRAMS_WIN\\Orvane\\Orvane.lnk")" \
        "$f\\Orvane.exe|$f\\|$f\\Orvane.exe|0|Orvane" || return 1
    stp_expect "uninstall link" "$(stp_link "$STP_PROGRAMS_WIN\\Orvane\\Uninstall.lnk")" \
        "$f\\Uninstall.exe|$f\\|$f\\Uninstall.exe|0|Uninstall" || return 1

    # Before Finish the service still runs automatically.
    e2e_wine sc query W32Time | grep -q 'STATE.*RUNNING' || e2e_fail "W32Time stopped early" ||
        return 1
    stp_finish || return 1
    e2e_wine sc query W32Time | tr -d '\r' | grep STATE
    e2e_wine sc query W32Time | grep -q 'STATE.*STOPPED' || e2e_fail "W32Time not stopped" ||
        return 1
    stp_expect "W32Time start" "$(stp_value "$STP_W32TIME" Start)" 0x3 || return 1
    stp_expect "W32Time name" "$(stp_value "$STP_W32TIME" DisplayName)" W32Time || return 1
    stp_h wait 'Orvane Window Class' - 20000 >/dev/null || e2e_fail "Orvane not started" || return 1
    stp_stop_orvane
}

scenario_80_setup_merges_earlier_values_and_boxes_cleared() {
    stp_ensure_w32time || return 1
    stp_clean
    # An earlier version's user values, and this version's own values that
    # must win (Server name) or stay (Logging level, Launch replaced).
    cat >"$E2E_WORK/earlier.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\$STP_KEY]
"ForceUp"=dword:00000001
"GainingAddress"=dword:00000001
"ReceiveBroadcast"=dword:00000000
"Machine Name"="old.example.org"
"MachineAddress"="10.1.2.3"
"UpdateEvery"=dword:0000003c
"DialUp"=dword:00000001
"Always on top"=dword:00000001

[HKEY_LOCAL_MACHINE\\$STP_KEY]
"Server name"="new.example.org"
"Logging level"=dword:00000002
"Launch program at startup"=dword:00000001
REG
    e2e_wine regedit /S "$(winepath -w "$E2E_WORK/earlier.reg" 2>/dev/null)"
    stp_start_setup || return 1
    stp_install '' 0 0 || return 1
    local k="HKLM\\$STP_KEY"
    stp_expect "Force dial" "$(stp_value "$k" 'Force dial')" 0x1 || return 1
    stp_expect "Use server by name" "$(stp_value "$k" 'Use server by name')" 0x1 || return 1
    stp_expect "Server ip address" "$(stp_value "$k" 'Server ip address')" 10.1.2.3 || return 1
    stp_expect "Update interval" "$(stp_value "$k" 'Update interval')" 0x3c || return 1
    stp_expect "Use dialup" "$(stp_value "$k" 'Use dialup')" 0x1 || return 1
    stp_expect "Server name" "$(stp_value "$k" 'Server name')" new.example.org || return 1
    stp_expect "Logging level" "$(stp_value "$k" 'Logging level')" 0x2 || return 1
    stp_expect "Launch" "$(stp_value "$k" 'Launch program at startup')" 0x0 || return 1
    stp_expect "Always on top" "$(stp_value "HKCU\\$STP_KEY" 'Always on top')" 0x1 || return 1
    [ ! -e "$(stp_unix "$STP_PROGRAMS_WIN")/Orvane" ] || e2e_fail "program group made" || return 1
    [ ! -e "$(stp_unix "$STP_PROGRAMS_WIN")/StartUp/Orvane.lnk" ] ||
        e2e_fail "startup link made" || return 1
    stp_finish || return 1
    sleep 3
    stp_expect "Orvane windows" "$(stp_h count 'Orvane Window Class' -)" count=0 || return 1
    return 0
}

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
    e2e_wine reg add "HKLM\\$STP_KEY" /v 'Update interval' /t REG_DWORD /d 17 /f >/dev/null 2>&1
    e2e_wine reg add "HKLM\\$STP_KEY" /v 'Launch program at startup' /t REG_DWORD /d 1 /f \
        >/dev/null 2>&1
    stp_start_setup "$dir" || return 1
    stp_install 'c:\orvane here' 1 0 || return 1
    tail -1 "$dir/Orvane.hlp" | grep -qx marker || e2e_fail "a file was copied" || return 1
    stp_expect "Install directory" "$(stp_value "HKLM\\$STP_KEY" 'Install directory')" \
        'c:\orvane here' || return 1
    stp_expect "Update interval kept" "$(stp_value "HKLM\\$STP_KEY" 'Update interval')" 0x11 ||
        return 1
    stp_expect "Launch replaced" "$(stp_value "HKLM\\$STP_KEY" 'Launch program at startup')" 0x0 ||
        return 1
    stp_expect "group link" "$(stp_link "$STP_PROGRAMS_WIN\\Orvane\\Orvane.lnk")" \
        'c:\orvane here\Orvane.exe|c:\orvane here\|c:\orvane here\Orvane.exe|0|Orvane' || return 1
    stp_finish || return 1
    rm -rf "$dir"
}

scenario_80_setup_closes_running_orvane() {
    stp_ensure_w32time || return 1
    stp_clean
    stp_start_setup || return 1
    stp_install '' 0 0 || return 1
    stp_finish || return 1
    # The installed program runs; the installed help file differs from dist.
    local dir
    dir=$(stp_unix "$STP_DEFAULT_FOLDER")
    echo "changed" >>"$dir/Orvane.hlp"
    (cd "$dir" && timeout 120 wine "$dir/Orvane.exe" >"$E2E_WORK/orvane.out" 2>&1 &)
    stp_h wait 'Orvane Window Class' - 20000 >/dev/null || e2e_fail "Orvane not running" || return 1
    stp_start_setup || return 1
    stp_install '' 0 0 || return 1
    stp_expect "Orvane windows" "$(stp_h count 'Orvane Window Class' -)" count=0 || return 1
    cmp -s "$E2E_DIST/Orvane.hlp" "$dir/Orvane.hlp" || e2e_fail "file not replaced" || return 1
    cmp -s "$E2E_DIST/Orvane.exe" "$dir/Orvane.exe" || e2e_fail "program not replaced" || return 1
    stp_finish
}

scenario_80_setup_locked_file_is_fatal() {
    stp_ensure_w32time || return 1
    stp_clean
    local dir locked='C:\Program Files\Pellmoor\Orvane\Orvane.exe'
    dir=$(stp_unix "$STP_DEFAULT_FOLDER")
    mkdir -p "$dir"
    cp "$E2E_DIST/Orvane.exe" "$dir/"
    E2E_TIMEOUT=60 e2e_wine "$E2E_BIN/orvane_testhelper.exe" lock "$locked" 40000 \
        >"$E2E_WORK/lock.out" 2>&1 &
    for _ in $(seq 50); do grep -q locked "$E2E_WORK/lock.out" && break; sleep 0.2; done
    stp_start_setup || return 1
    stp_press 2705
    stp_press 2705
    stp_h wait '#32770' 'Orvane Install - Fatal Error' 20000 >/dev/null ||
        e2e_fail "no fatal box" || return 1
    sleep 0.5
    stp_shot setup-page3-progress-and-fatal-copy
    stp_expect "source text" "$(stp_field "$(stp_item 2715 get)" text)" \
        "$(winepath -w "$E2E_DIST" 2>/dev/null)\\Orvane.exe" || return 1
    stp_expect "destination text" "$(stp_field "$(stp_item 2716 get)" text)" "$locked" || return 1
    stp_expect "progress" "$(stp_field "$(stp_item 2712 pos)" pos)" 10 || return 1
    local text
    text=$(stp_field "$(stp_h box 'Orvane Install - Fatal Error' 5000)" text)
    echo "$text"
    stp_expect "fatal text" "$text" "Unable to copy \"$(winepath -w "$E2E_DIST" 2>/dev/null)\\Orvane.exe\" to \"$locked\".\\n$(stp_sharing_text)\\nError code 32." || return 1
    stp_h wait-gone '#32770' "$STP_FRAME_TITLE" 10000 >/dev/null || e2e_fail "Setup went on" ||
        return 1
    [ -f "$dir/Orvane Event Log Interface.dll" ] || e2e_fail "earlier copy gone" || return 1
    [ -z "$(stp_value "HKLM\\$STP_KEY" 'Install directory')" ] || e2e_fail "registry written" ||
        return 1
}

# The system's text for error 32, with its line end shown as the helper
# shows it.
stp_sharing_text() {
    echo 'Sharing violation.\r\n'
}

scenario_80_setup_cancel_asks_on_pages_1_2_and_4() {
    stp_ensure_w32time || return 1
    stp_clean
    stp_start_setup || return 1
    local text
    stp_press 20100
    text=$(stp_field "$(stp_answer 7)" text)
    stp_expect "page 1 question" "$text" "Are you sure you want to exit Orvane Setup?" || return 1
    sleep 0.5
    stp_h wait '#32770' "$STP_FRAME_TITLE" 1000 >/dev/null || e2e_fail "ended on No" || return 1
    stp_expect "page 1 kept" "$(stp_next_text)" "&Next" || return 1
    stp_press 2705
    # Esc (command 2) asks too.
    stp_press 2
    text=$(stp_field "$(stp_answer 7)" text)
    stp_expect "page 2 question" "$text" "Are you sure you want to exit Orvane Setup?" || return 1
    sleep 0.5
    stp_expect "page 2 kept" "$(stp_field "$(stp_item 2708 visible)" visible)" 1 || return 1
    stp_item 2711 check 0 >/dev/null
    stp_item 2718 check 0 >/dev/null
    stp_install_from_page2 || return 1
    # The close box asks as well; Yes ends Setup without Finish.
    stp_h close '#32770' "$STP_FRAME_TITLE" >/dev/null
    text=$(stp_field "$(stp_answer 7)" text)
    stp_expect "page 4 question" "$text" "Are you sure you want to exit Orvane Setup?" || return 1
    sleep 0.5
    stp_expect "page 4 kept" "$(stp_next_text)" "&Finish" || return 1
    stp_press 20100
    stp_answer 6 >/dev/null
    stp_h wait-gone '#32770' "$STP_FRAME_TITLE" 10000 >/dev/null || e2e_fail "Yes kept Setup" ||
        return 1
    # No Finish: the service keeps running.
    e2e_wine sc query W32Time | grep -q 'STATE.*RUNNING' || e2e_fail "W32Time touched" || return 1
}
