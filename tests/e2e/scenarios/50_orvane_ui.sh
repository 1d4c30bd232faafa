# Orvane.exe itself under Wine: start and close, the single instance, the
# menu commands, manual updates against real servers and the error window.
# The program is driven from outside by orvane_testhelper.exe.

ORV_KEY='Software\Pellmoor\Orvane'
ORV_CLOCK='Orvane Window Class'
ORV_TASKBAR='Orvane Taskbar Window Class'
ORV_LOG_DIR_WIN='C:\orvane-e2e-logs'

orv_h() { E2E_TIMEOUT=30 e2e_wine "$E2E_BIN/orvane_testhelper.exe" "$@" | tr -d '\r'; }

orv_log_dir() { echo "$WINEPREFIX/drive_c/orvane-e2e-logs"; }

# Fresh settings: SNTP to 127.0.0.1, no automatic updates, logging at the
# level given (default Maximum), a 300 x 120 clock with the date. Extra
# lines of .reg text may follow as arguments (they go under the user key
# when they start with "U:", else under the machine key).
orv_settings() {
    local level=${1:-2} machine_extra="" user_extra="" line
    shift || true
    for line in "$@"; do
        case "$line" in
            U:*) user_extra+="${line#U:}"$'\n' ;;
            *) machine_extra+="$line"$'\n' ;;
        esac
    done
    rm -rf "$(orv_log_dir)"
    cat >"$E2E_WORK/orvane.reg" <<REG
REGEDIT4

[-HKEY_LOCAL_MACHINE\\$ORV_KEY]
[-HKEY_CURRENT_USER\\$ORV_KEY]

[HKEY_LOCAL_MACHINE\\$ORV_KEY]
"Protocol"=dword:00000001
"Server ip address"="127.0.0.1"
"Use server by name"=dword:00000000
"Enable updates"=dword:00000000
"Update interval"=dword:0000003c
"Enable logging"=dword:00000001
"Logging level"=dword:0000000$level
"Logfile path"="C:\\\\orvane-e2e-logs"
$machine_extra
[HKEY_CURRENT_USER\\$ORV_KEY]
"Show date"=dword:00000001
"Window position x"=dword:00000064
"Window position y"=dword:00000064
"Window size x"=dword:0000012c
"Window size y"=dword:00000078
"Time font name"="Arial"
"Date font name"="Arial"
$user_extra
REG
    e2e_wine regedit /S "$(winepath -w "$E2E_WORK/orvane.reg" 2>/dev/null)"
}

# Starts the program from the given folder (default dist/) and waits for
# its clock window.
orv_start() {
    local folder=${1:-$E2E_DIST}
    (cd "$folder" && timeout 120 wine "$folder/Orvane.exe" >"$E2E_WORK/orvane.out" 2>&1 &)
    orv_h wait "$ORV_CLOCK" - 20000 >/dev/null || e2e_fail "no clock window"
}

# Closes it by WM_CLOSE and waits for the window to go.
orv_stop() {
    orv_h close "$ORV_CLOCK" - >/dev/null
    orv_h wait-gone "$ORV_CLOCK" - 20000 >/dev/null || e2e_fail "program did not end"
    # The settings are written after the window goes; let the process end.
    for _ in $(seq 50); do pgrep -f 'Orvane\.exe' >/dev/null || break; sleep 0.2; done
}

# The value of a registry setting as wine reg prints it (0x.. or text).
orv_reg() {
    local hive=$1 name=$2
    e2e_wine reg query "$hive\\$ORV_KEY" /v "$name" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$name *REG_[A-Z_]* *//p" | head -1
}

# Waits up to 5 s for a line of "info" about a window: orv_info_is <class> topmost=1
orv_info_is() {
    for _ in $(seq 10); do
        orv_h info "$1" - | grep -qx "$2" && return 0
        sleep 0.5
    done
    return 1
}

orv_field() { echo "$1" | grep -a "^$2=" | head -1 | cut -d= -f2-; }

orv_status_text() { orv_field "$(orv_h text '#32770' 'Orvane - Last Update' "$1")" text; }

orv_logs() { cat "$(orv_log_dir)"/*.log 2>/dev/null | tr -d '\r'; }

# Presses Y until the update succeeds (TIME gives whole seconds, and Wine
# sets the clock only within half a second of its own, so a TIME update can
# fail); closes the error window after a failure.
orv_manual_update_until_success() {
    local tries=${1:-1} out
    for _ in $(seq "$tries"); do
        # TIME answers carry whole seconds, which Wine accepts only within
        # half a second of its own time: ask a little into a second.
        orv_h char "$ORV_CLOCK" - y in-second >/dev/null
        out=$(orv_h box Orvane 8000)
        echo "$out"
        if [ "$(orv_field "$out" text)" = "Manual update successful" ]; then return 0; fi
        orv_h text '#32770' 'Orvane - Error' 1201
        orv_h command '#32770' 'Orvane - Error' 1202 >/dev/null
        orv_h wait-gone '#32770' 'Orvane - Error' 5000 >/dev/null
    done
    e2e_fail "no successful manual update in $tries tries"
}

scenario_50_orvane_start_close_clamps_and_saves() {
    orv_settings 0 '' 'U:"Window position x"=dword:00000000' 'U:"Window position y"=dword:fffffff6' \
        'U:"Window size x"=dword:00000005' 'U:"Window size y"=dword:00000005'
    orv_start || return 1
    local info
    info=$(orv_h info "$ORV_CLOCK" -)
    echo "$info"
    [ "$(orv_field "$info" x),$(orv_field "$info" y)" = "1,1" ] || e2e_fail "not at (1,1)" || return 1
    [ "$(orv_field "$info" w)x$(orv_field "$info" h)" = "10x10" ] || e2e_fail "not 10 x 10" || return 1
    [ "$(orv_field "$info" visible)" = 1 ] || e2e_fail "clock hidden" || return 1
    orv_logs | grep -q "^Orvane engine started\.$" || e2e_fail "no start entry" || return 1
    # Closed by another program's WM_CLOSE.
    orv_stop || return 1
    orv_logs
    orv_logs | grep -q "^Orvane engine stopped\.$" || e2e_fail "no stop entry" || return 1
    local x y w h
    x=$(orv_reg HKCU "Window position x"); y=$(orv_reg HKCU "Window position y")
    w=$(orv_reg HKCU "Window size x"); h=$(orv_reg HKCU "Window size y")
    echo "saved: $x $y $w $h"
    [ "$x $y $w $h" = "0x1 0x1 0xa 0xa" ] || e2e_fail "clamped values not saved" || return 1
}

scenario_51_orvane_second_copy_exits_and_touches_nothing() {
    orv_settings 2
    orv_start || return 1
    # A value the running copy holds differently in memory: a second copy
    # that saved settings would overwrite it.
    e2e_wine reg add "HKCU\\$ORV_KEY" /v "Window size x" /t REG_DWORD /d 777 /f >/dev/null 2>&1
    local before after code
    before=$(orv_logs | wc -c)
    (cd "$E2E_DIST" && E2E_TIMEOUT=20 e2e_wine "$E2E_DIST/Orvane.exe")
    code=$?
    echo "second copy exit code $code"
    [ "$code" = 0 ] || e2e_fail "exit code $code" || return 1
    [ "$(orv_h count "$ORV_CLOCK" -)" = "count=1" ] || e2e_fail "two clocks" || return 1
    [ "$(orv_reg HKCU "Window size x")" = "0x309" ] || e2e_fail "registry touched" || return 1
    after=$(orv_logs | wc -c)
    [ "$before" = "$after" ] || e2e_fail "second copy wrote to the log" || return 1
    orv_info_is "$ORV_CLOCK" visible=1 || e2e_fail "first copy gone" || return 1
    orv_stop
}

scenario_52_orvane_manual_sntp_update_and_status() {
    e2e_start_sntp_server 8 || return 1
    orv_settings 0
    orv_start || return 1
    # Before any update.
    orv_h char "$ORV_CLOCK" - L >/dev/null
    orv_h wait '#32770' 'Orvane - Last Update' 5000 >/dev/null || e2e_fail "no status dialog" || return 1
    local id
    for id in 5202 5204 5206 5208 5210 5212 5214 5216; do
        [ "$(orv_status_text $id)" = "[Not available]" ] || e2e_fail "field $id before update" || return 1
    done
    [ -n "$(orv_status_text 5218)" ] || e2e_fail "no link text" || return 1
    # Y with the dialog open: the update thread's refresh reaches it.
    orv_manual_update_until_success 1 || return 1
    sleep 0.5
    for id in 5202 5204 5206 5208 5210 5212 5214 5216 5218; do
        echo "$id: $(orv_status_text $id)"
    done
    [ "$(orv_status_text 5204)" = "127.0.0.1" ] || e2e_fail "address" || return 1
    [ "$(orv_status_text 5214)" = "SNTP" ] || e2e_fail "protocol" || return 1
    orv_status_text 5206 | grep -Eq ' [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}$' || e2e_fail "no ms before" || return 1
    orv_status_text 5208 | grep -Eq ' [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}$' || e2e_fail "no ms after" || return 1
    orv_status_text 5210 | grep -Eq '^-?[0-9]+ Milliseconds$' || e2e_fail "delay" || return 1
    [ "$(orv_status_text 5216)" = "8" ] || e2e_fail "stratum" || return 1
    orv_status_text 5212 | grep -Eq '^[0-9]+$' || e2e_fail "version" || return 1
    orv_status_text 5218 | grep -q "since" || e2e_fail "link text" || return 1
    # Minimum level: the manual update's entry, no exchange entry.
    orv_logs | grep -q "^Manual update successful$" || e2e_fail "no log entry" || return 1
    orv_logs | grep -q "SNTP external update" && { e2e_fail "exchange logged at Minimum"; return 1; }
    # The status dialog's own Synchronise button starts an update too.
    orv_h command '#32770' 'Orvane - Last Update' 5220 >/dev/null
    [ "$(orv_field "$(orv_h box Orvane 8000)" text)" = "Manual update successful" ] ||
        e2e_fail "Synchronise button" || return 1
    orv_stop
}

scenario_53_orvane_manual_time_tcp_update() {
    e2e_start_time_server || return 1
    orv_settings 2 '"Protocol"=dword:00000003'
    orv_start || return 1
    orv_manual_update_until_success 3 || return 1
    orv_h char "$ORV_CLOCK" - l >/dev/null
    orv_h wait '#32770' 'Orvane - Last Update' 5000 >/dev/null || return 1
    local id
    for id in 5206 5208 5210 5212 5214 5216; do echo "$id: $(orv_status_text $id)"; done
    [ "$(orv_status_text 5214)" = "TIME (TCP)" ] || e2e_fail "protocol" || return 1
    orv_status_text 5206 | grep -Eq ' [0-9]{2}:[0-9]{2}:[0-9]{2}$' || e2e_fail "whole seconds" || return 1
    [ "$(orv_status_text 5212)" = "[not applicable]" ] || e2e_fail "version" || return 1
    [ "$(orv_status_text 5216)" = "[not applicable]" ] || e2e_fail "stratum" || return 1
    orv_logs | grep -q "TIME (TCP) external update:" || e2e_fail "no long entry" || return 1
    orv_stop
}

scenario_54_orvane_manual_time_udp_update() {
    e2e_start_time_server || return 1
    orv_settings 1 '"Protocol"=dword:00000002'
    orv_start || return 1
    orv_manual_update_until_success 3 || return 1
    orv_h char "$ORV_CLOCK" - L >/dev/null
    orv_h wait '#32770' 'Orvane - Last Update' 5000 >/dev/null || return 1
    [ "$(orv_status_text 5214)" = "TIME (UDP)" ] || e2e_fail "protocol" || return 1
    orv_logs | grep -q "^TIME (UDP) external update: Source IP address=127.0.0.1$" ||
        e2e_fail "no short entry" || return 1
    orv_stop
}

scenario_55_orvane_manual_update_failure_opens_error_window() {
    # Nothing listens on 127.0.0.2.
    orv_settings 0 '"Server ip address"="127.0.0.2"'
    orv_start || return 1
    orv_h char "$ORV_CLOCK" - Y >/dev/null
    orv_h wait '#32770' 'Orvane - Error' 20000 || e2e_fail "no error window" || return 1
    local text
    text=$(orv_field "$(orv_h text '#32770' 'Orvane - Error' 1201)" text)
    echo "$text"
    echo "$text" | grep -Eq '^- .+: Manual update failed\.  .+\\r\\nError code [0-9]+\\r\\n\\r\\n\\r\\n$' ||
        e2e_fail "error window text" || return 1
    orv_logs | grep -q "^Manual update failed\.  " || e2e_fail "no log entry" || return 1
    # Closing forgets it; the next failure opens a new one.
    orv_h command '#32770' 'Orvane - Error' 1202 >/dev/null
    orv_h wait-gone '#32770' 'Orvane - Error' 5000 || return 1
    orv_stop
}

scenario_56_orvane_without_help_file_shows_error_window() {
    local folder=$E2E_WORK/nohelp
    mkdir -p "$folder"
    cp "$E2E_DIST/Orvane.exe" "$folder/"
    orv_settings 0
    orv_start "$folder" || return 1
    orv_h wait '#32770' 'Orvane - Error' 10000 >/dev/null || e2e_fail "no error window" || return 1
    local text
    text=$(orv_field "$(orv_h text '#32770' 'Orvane - Error' 1201)" text)
    echo "$text"
    echo "$text" | grep -Eq '^- .+: Unable to find help Orvane\.hlp\\r\\nError code [0-9]+\\r\\n\\r\\n\\r\\n$' ||
        e2e_fail "error window text" || return 1
    # The program runs on normally.
    orv_info_is "$ORV_CLOCK" visible=1 || e2e_fail "no clock" || return 1
    orv_stop
}

scenario_57_orvane_menu_toggles() {
    orv_settings 0
    orv_start || return 1
    orv_info_is "$ORV_TASKBAR" visible=1 || e2e_fail "no taskbar window" || return 1
    orv_h command "$ORV_CLOCK" - 5105 >/dev/null
    orv_info_is "$ORV_CLOCK" topmost=1 || e2e_fail "not on top" || return 1
    # Off again, then on. (Wine keeps an owned window in the topmost band
    # when its owner is next below it, so "off" is checked through the
    # saved value in the second half, not through the window's style.)
    orv_h command "$ORV_CLOCK" - 5105 >/dev/null
    orv_h command "$ORV_CLOCK" - 5105 >/dev/null
    orv_h command "$ORV_CLOCK" - 5107 >/dev/null
    orv_info_is "$ORV_CLOCK" visible=0 || e2e_fail "clock not hidden" || return 1
    orv_info_is "$ORV_TASKBAR" visible=0 || e2e_fail "taskbar window shown" || return 1
    # Closed from the taskbar button's menu: the toggles are saved.
    orv_h close "$ORV_TASKBAR" - >/dev/null
    orv_h wait-gone "$ORV_CLOCK" - 20000 >/dev/null || e2e_fail "did not end" || return 1
    for _ in $(seq 50); do pgrep -f 'Orvane\.exe' >/dev/null || break; sleep 0.2; done
    [ "$(orv_reg HKCU "Always on top")" = "0x1" ] || e2e_fail "on top not saved" || return 1
    [ "$(orv_reg HKCU "Hide in tray")" = "0x1" ] || e2e_fail "hide in tray not saved" || return 1

    # Hidden in the tray at start, with the taskbar button switched off.
    orv_settings 0 'U:"Hide in tray"=dword:00000001' 'U:"Hide taskbar button"=dword:00000001'
    orv_start || return 1
    orv_info_is "$ORV_CLOCK" visible=0 || e2e_fail "clock shown" || return 1
    orv_h command "$ORV_CLOCK" - 5107 >/dev/null
    orv_info_is "$ORV_CLOCK" visible=1 || e2e_fail "clock not back" || return 1
    orv_info_is "$ORV_TASKBAR" visible=0 || e2e_fail "taskbar button shown" || return 1
    orv_h command "$ORV_CLOCK" - 5105 >/dev/null
    orv_h command "$ORV_CLOCK" - 5105 >/dev/null
    orv_stop
    [ "$(orv_reg HKCU "Hide in tray")" = "0x0" ] || e2e_fail "hide in tray not saved" || return 1
    [ "$(orv_reg HKCU "Always on top")" = "0x0" ] || e2e_fail "on top off not saved" || return 1
}

scenario_58_orvane_about_once_and_closes_after_ten_seconds() {
    orv_settings 0
    orv_start || return 1
    local start
    start=$(date +%s.%N)
    orv_h command "$ORV_CLOCK" - 5102 >/dev/null
    orv_h wait '#32770' 'About Orvane' 5000 >/dev/null || e2e_fail "no About dialog" || return 1
    orv_h command "$ORV_CLOCK" - 5102 >/dev/null
    sleep 0.5
    [ "$(orv_h count '#32770' 'About Orvane')" = "count=1" ] || e2e_fail "second About" || return 1
    [ "$(orv_field "$(orv_h text '#32770' 'About Orvane' 30055)" text)" = "Orvane Version 1.72" ] ||
        e2e_fail "version text" || return 1
    orv_h count "About Link Window Class" - >/dev/null
    orv_h wait-gone '#32770' 'About Orvane' 15000 >/dev/null || e2e_fail "did not close" || return 1
    local took
    took=$(echo "$(date +%s.%N) - $start" | bc)
    echo "About closed after $took s"
    [ "$(echo "$took >= 9.5 && $took < 13" | bc)" = 1 ] || e2e_fail "closed after $took s" || return 1
    orv_stop
}

scenario_59_orvane_broadcast_shows_in_status() {
    orv_settings 2 '"Receive sntp broadcasts"=dword:00000001'
    orv_start || return 1
    # The listener binds every local address on port 123.
    for _ in $(seq 50); do ss -lun | awk '{print $4}' | grep -q ':123$' && break; sleep 0.2; done
    e2e_start_sntp_broadcaster || return 1
    orv_h char "$ORV_CLOCK" - L >/dev/null
    orv_h wait '#32770' 'Orvane - Last Update' 5000 >/dev/null || return 1
    for _ in $(seq 30); do
        [ "$(orv_status_text 5214)" = "SNTP broadcast" ] && break
        sleep 0.5
    done
    local id
    for id in 5202 5204 5206 5208 5210 5212 5214 5216; do echo "$id: $(orv_status_text $id)"; done
    [ "$(orv_status_text 5214)" = "SNTP broadcast" ] || e2e_fail "no broadcast shown" || return 1
    [ "$(orv_status_text 5210)" = "[not applicable]" ] || e2e_fail "delay" || return 1
    orv_status_text 5216 | grep -Eq '^[0-9]+$' || e2e_fail "stratum" || return 1
    orv_stop
}
