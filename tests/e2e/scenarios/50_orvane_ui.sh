# Orvane.exe itself under Wine: start and close, the single instance, the
# menu commands, manual updates against real servers and the error window.
# The program is driven from outside by orvane_testhelper.exe (e2e_h), with
# the orv_* helpers of product.sh.

# e2e-group: ports
scenario_50_orvane_start_close_clamps_and_saves() {
    orv_settings 0 '' 'U:"Window position x"=dword:00000000' 'U:"Window position y"=dword:fffffff6' \
        'U:"Window size x"=dword:00000005' 'U:"Window size y"=dword:00000005'
    orv_start || return 1
    # The window exists a moment before it is shown.
    orv_info_is "$ORV_CLOCK" visible=1 || e2e_fail "clock hidden" || return 1
    local info
    info=$(e2e_h info "$ORV_CLOCK" -)
    echo "$info"
    # (0, -10) is kept, then the 10 x 10 clock, smaller than 32 x 16, comes
    # wholly onto the work area.
    [ "$(e2e_field "$info" x),$(e2e_field "$info" y)" = "0,0" ] || e2e_fail "not at (0,0)" || return 1
    [ "$(e2e_field "$info" w)x$(e2e_field "$info" h)" = "10x10" ] || e2e_fail "not 10 x 10" || return 1
    e2e_wait_until 10 orv_log_has "^Orvane engine started\.$" || e2e_fail "no start entry" || return 1
    # Closed by another program's WM_CLOSE.
    orv_stop || return 1
    orv_logs
    orv_log_has "^Orvane engine stopped\.$" || e2e_fail "no stop entry" || return 1
    local saved
    saved="$(e2e_reg "$E2E_HKCU" "Window position x") $(e2e_reg "$E2E_HKCU" "Window position y")"
    saved+=" $(e2e_reg "$E2E_HKCU" "Window size x") $(e2e_reg "$E2E_HKCU" "Window size y")"
    echo "saved: $saved"
    [ "$saved" = "0x0 0x0 0xa 0xa" ] || e2e_fail "clamped values not saved" || return 1
}

# e2e-group: ports
scenario_51_orvane_second_copy_exits_and_touches_nothing() {
    orv_settings 2
    orv_start || return 1
    # A value the running copy holds differently in memory: a second copy
    # that saved settings would overwrite it.
    e2e_wine reg add "$E2E_HKCU" /v "Window size x" /t REG_DWORD /d 777 /f >/dev/null 2>&1
    local before after code
    before=$(orv_logs | wc -c)
    (cd "$E2E_DIST" && E2E_TIMEOUT=20 e2e_wine "$E2E_DIST/Orvane.exe")
    code=$?
    echo "second copy exit code $code"
    [ "$code" = 0 ] || e2e_fail "exit code $code" || return 1
    [ "$(e2e_h count "$ORV_CLOCK" -)" = "count=1" ] || e2e_fail "two clocks" || return 1
    [ "$(e2e_reg "$E2E_HKCU" "Window size x")" = "0x309" ] || e2e_fail "registry touched" || return 1
    after=$(orv_logs | wc -c)
    [ "$before" = "$after" ] || e2e_fail "second copy wrote to the log" || return 1
    orv_info_is "$ORV_CLOCK" visible=1 || e2e_fail "first copy gone" || return 1
    orv_stop
}

# e2e-group: ports
scenario_52_orvane_manual_sntp_update_and_status() {
    e2e_start_sntp_server 8 || return 1
    orv_settings 0
    orv_start || return 1
    # Before any update.
    orv_open_status || return 1
    orv_check_status <<TABLE || return 1
$IDC_STATUS_SERVER_NAME|\[Not available\]
$IDC_STATUS_SERVER_ADDRESS|\[Not available\]
$IDC_STATUS_TIME_BEFORE|\[Not available\]
$IDC_STATUS_TIME_AFTER|\[Not available\]
$IDC_STATUS_DELAY|\[Not available\]
$IDC_STATUS_VERSION|\[Not available\]
$IDC_STATUS_PROTOCOL|\[Not available\]
$IDC_STATUS_STRATUM|\[Not available\]
$IDC_STATUS_LINK|.+
TABLE
    # Y with the dialog open: the update thread's refresh reaches it.
    orv_manual_update_until_success 1 || return 1
    e2e_wait_until 10 e2e_prints SNTP orv_status_text "$IDC_STATUS_PROTOCOL" ||
        e2e_fail "dialog not refreshed" || return 1
    orv_check_status <<TABLE || return 1
$IDC_STATUS_SERVER_NAME|.*
$IDC_STATUS_SERVER_ADDRESS|127\.0\.0\.1
$IDC_STATUS_TIME_BEFORE|.* [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}
$IDC_STATUS_TIME_AFTER|.* [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}
$IDC_STATUS_DELAY|-?[0-9]+ Milliseconds
$IDC_STATUS_VERSION|[0-9]+
$IDC_STATUS_PROTOCOL|SNTP
$IDC_STATUS_STRATUM|8
$IDC_STATUS_LINK|.*since.*
TABLE
    # Minimum level: the manual update's entry (the program writes it before
    # the box shows; the wait only spares a slow file system) and no
    # exchange entry.
    e2e_wait_until 10 orv_log_has "^Manual update successful$" || e2e_fail "no log entry" ||
        return 1
    orv_log_has "SNTP external update" && { e2e_fail "exchange logged at Minimum"; return 1; }
    # The status dialog's own Synchronise button starts an update too.
    e2e_h command "$DIALOG" "$ORV_STATUS" "$IDC_STATUS_SYNCHRONISE" >/dev/null
    [ "$(e2e_field "$(e2e_h box Orvane 8000)" text)" = "Manual update successful" ] ||
        e2e_fail "Synchronise button" || return 1
    orv_stop
}

# Manual TIME updates, the status dialog opened by KEY (l or L):
#   e2e_manual_time_update PROTOCOL-NUMBER LEVEL KEY NAME LOG-PATTERN
e2e_manual_time_update() {
    local protocol=$1 level=$2 key=$3 name=$4 entry=$5
    e2e_start_time_server || return 1
    orv_settings "$level" "\"Protocol\"=dword:0000000$protocol"
    orv_start || return 1
    orv_manual_update_until_success 3 || return 1
    orv_open_status "$key" || return 1
    orv_check_status <<TABLE || return 1
$IDC_STATUS_SERVER_ADDRESS|127\.0\.0\.1
$IDC_STATUS_TIME_BEFORE|.* [0-9]{2}:[0-9]{2}:[0-9]{2}
$IDC_STATUS_TIME_AFTER|.* [0-9]{2}:[0-9]{2}:[0-9]{2}
$IDC_STATUS_DELAY|-?[0-9]+ Milliseconds
$IDC_STATUS_VERSION|\[not applicable\]
$IDC_STATUS_PROTOCOL|$name
$IDC_STATUS_STRATUM|\[not applicable\]
TABLE
    e2e_wait_until 10 orv_log_has -E "$entry" || e2e_fail "no log entry $entry" || return 1
    orv_stop
}

# e2e-group: ports
scenario_53_orvane_manual_time_tcp_update() {
    # Logging at Maximum: the long entry.
    e2e_manual_time_update 3 2 l 'TIME \(TCP\)' '^TIME \(TCP\) external update:'
}

# e2e-group: ports
scenario_54_orvane_manual_time_udp_update() {
    # Logging at Normal: the short entry.
    e2e_manual_time_update 2 1 L 'TIME \(UDP\)' '^TIME \(UDP\) external update: Source IP address=127\.0\.0\.1$'
}

# e2e-group: ports
scenario_55_orvane_manual_update_failure_opens_error_window() {
    # Nothing listens on 127.0.0.2.
    orv_settings 0 '"Server ip address"="127.0.0.2"'
    orv_start || return 1
    e2e_h char "$ORV_CLOCK" - Y >/dev/null
    e2e_h wait "$DIALOG" "$ORV_ERROR" 20000 || e2e_fail "no error window" || return 1
    local text
    text=$(orv_error_text)
    echo "$text"
    echo "$text" | grep -Eq '^- .+: Manual update failed\.  .+\\r\\nError code [0-9]+\\r\\n\\r\\n\\r\\n$' ||
        e2e_fail "error window text" || return 1
    e2e_wait_until 10 orv_log_has "^Manual update failed\.  " || e2e_fail "no log entry" || return 1
    # Closing forgets it; the next failure opens a new one.
    orv_close_error_window || e2e_fail "error window stays" || return 1
    orv_stop
}

# e2e-group: ports
scenario_56_orvane_without_help_file_shows_error_window() {
    local folder=$E2E_WORK/nohelp
    mkdir -p "$folder"
    cp "$E2E_DIST/Orvane.exe" "$folder/"
    orv_settings 0
    orv_start "$folder" || return 1
    e2e_h wait "$DIALOG" "$ORV_ERROR" 10000 >/dev/null || e2e_fail "no error window" || return 1
    local text
    text=$(orv_error_text)
    echo "$text"
    echo "$text" | grep -Eq '^- .+: Unable to find help Orvane\.hlp\\r\\nError code [0-9]+\\r\\n\\r\\n\\r\\n$' ||
        e2e_fail "error window text" || return 1
    # The program runs on normally.
    orv_info_is "$ORV_CLOCK" visible=1 || e2e_fail "no clock" || return 1
    orv_stop
}

# e2e-group: ports
scenario_57_orvane_menu_toggles() {
    orv_settings 0
    orv_start || return 1
    orv_info_is "$ORV_TASKBAR" visible=1 || e2e_fail "no taskbar window" || return 1
    e2e_h command "$ORV_CLOCK" - "$IDM_ALWAYS_ON_TOP" >/dev/null
    orv_info_is "$ORV_CLOCK" topmost=1 || e2e_fail "not on top" || return 1
    # Off again, then on. (Wine keeps an owned window in the topmost band
    # when its owner is next below it, so "off" is checked through the
    # saved value in the second half, not through the window's style.)
    e2e_h command "$ORV_CLOCK" - "$IDM_ALWAYS_ON_TOP" >/dev/null
    e2e_h command "$ORV_CLOCK" - "$IDM_ALWAYS_ON_TOP" >/dev/null
    e2e_h command "$ORV_CLOCK" - "$IDM_HIDE_IN_TRAY" >/dev/null
    orv_info_is "$ORV_CLOCK" visible=0 || e2e_fail "clock not hidden" || return 1
    orv_info_is "$ORV_TASKBAR" visible=0 || e2e_fail "taskbar window shown" || return 1
    # Closed from the taskbar button's menu: the toggles are saved.
    e2e_h close "$ORV_TASKBAR" - >/dev/null
    orv_wait_ended || e2e_fail "did not end" || return 1
    [ "$(e2e_reg "$E2E_HKCU" "Always on top")" = "0x1" ] || e2e_fail "on top not saved" || return 1
    [ "$(e2e_reg "$E2E_HKCU" "Hide in tray")" = "0x1" ] || e2e_fail "hide in tray not saved" || return 1

    # Hidden in the tray at start, with the taskbar button switched off.
    orv_settings 0 'U:"Hide in tray"=dword:00000001' 'U:"Hide taskbar button"=dword:00000001'
    orv_start || return 1
    orv_info_is "$ORV_CLOCK" visible=0 || e2e_fail "clock shown" || return 1
    e2e_h command "$ORV_CLOCK" - "$IDM_HIDE_IN_TRAY" >/dev/null
    orv_info_is "$ORV_CLOCK" visible=1 || e2e_fail "clock not back" || return 1
    orv_info_is "$ORV_TASKBAR" visible=0 || e2e_fail "taskbar button shown" || return 1
    e2e_h command "$ORV_CLOCK" - "$IDM_ALWAYS_ON_TOP" >/dev/null
    e2e_h command "$ORV_CLOCK" - "$IDM_ALWAYS_ON_TOP" >/dev/null
    orv_stop || return 1
    [ "$(e2e_reg "$E2E_HKCU" "Hide in tray")" = "0x0" ] || e2e_fail "hide in tray not saved" || return 1
    [ "$(e2e_reg "$E2E_HKCU" "Always on top")" = "0x0" ] || e2e_fail "on top off not saved" || return 1
}

# e2e-group: ports
scenario_58_orvane_about_once_and_closes_after_ten_seconds() {
    orv_settings 0
    orv_start || return 1
    local start
    start=$(date +%s%N)
    e2e_h command "$ORV_CLOCK" - "$IDM_ABOUT" >/dev/null
    e2e_h wait "$DIALOG" 'About Orvane' 5000 >/dev/null || e2e_fail "no About dialog" || return 1
    # Asked again: still one.
    e2e_h command "$ORV_CLOCK" - "$IDM_ABOUT" >/dev/null
    e2e_holds_for 1 e2e_prints count=1 e2e_h count "$DIALOG" 'About Orvane' ||
        e2e_fail "second About" || return 1
    [ "$(e2e_text "$DIALOG" 'About Orvane' "$IDC_ABOUT_VERSION")" = "Orvane Version 1.72" ] ||
        e2e_fail "version text" || return 1
    e2e_h count "About Link Window Class" - >/dev/null
    e2e_h wait-gone "$DIALOG" 'About Orvane' 15000 >/dev/null || e2e_fail "did not close" || return 1
    local took_ms
    took_ms=$((($(date +%s%N) - start) / 1000000))
    echo "About closed after $took_ms ms"
    [ "$took_ms" -ge 9500 ] && [ "$took_ms" -lt 13000 ] || e2e_fail "closed after $took_ms ms" || return 1
    orv_stop
}

# Broadcasts from chronyd on the test host, a machine on a directly
# connected subnet.
# e2e-group: ports
scenario_59_orvane_broadcast_shows_in_status() {
    orv_settings 2 '"Receive sntp broadcasts"=dword:00000001'
    orv_start || return 1
    # The listener binds every local address on port 123.
    e2e_wait_until 10 e2e_port_bound udp 123 any || e2e_fail "no listener on UDP 123" || return 1
    e2e_start_sntp_broadcaster || return 1
    orv_open_status || return 1
    e2e_wait_until 30 e2e_prints "SNTP broadcast" orv_status_text "$IDC_STATUS_PROTOCOL" ||
        e2e_fail "no broadcast shown" || return 1
    orv_check_status <<TABLE || return 1
$IDC_STATUS_SERVER_NAME|.*
$IDC_STATUS_SERVER_ADDRESS|192\.0\.2\.2
$IDC_STATUS_TIME_BEFORE|.*
$IDC_STATUS_TIME_AFTER|.*
$IDC_STATUS_DELAY|\[not applicable\]
$IDC_STATUS_VERSION|.*
$IDC_STATUS_PROTOCOL|SNTP broadcast
$IDC_STATUS_STRATUM|[0-9]+
TABLE
    orv_stop
}

# The shell's icon of the clock window, as another program sees it.
ui_tray_icon() { e2e_h tray "$ORV_CLOCK" present; }

# An Explorer that restarts has lost every icon and says "TaskbarCreated":
# the icon comes back.
# e2e-group: ports
scenario_5a_orvane_tray_icon_comes_back_after_taskbar_created() {
    orv_settings 0 '"Receive sntp broadcasts"=dword:00000000'
    orv_start || return 1
    e2e_wait_until 10 e2e_prints icon=1 ui_tray_icon || e2e_fail "no icon at start" || return 1
    # The icon gone as with Explorer's restart; nothing brings it back by
    # itself.
    e2e_h tray "$ORV_CLOCK" forget >/dev/null
    e2e_holds_for 1 e2e_prints icon=0 ui_tray_icon || e2e_fail "icon not gone" || return 1
    e2e_h taskbar-created >/dev/null
    e2e_wait_until 10 e2e_prints icon=1 ui_tray_icon || e2e_fail "icon not added again" ||
        return 1
    # Said again while the icon is there: it stays, once.
    e2e_h taskbar-created >/dev/null
    e2e_holds_for 1 e2e_prints icon=1 ui_tray_icon || e2e_fail "icon lost" || return 1
    orv_stop
}

# e2e-group: ports
scenario_5b_orvane_second_copy_shows_a_clock_hidden_in_the_tray() {
    orv_settings 0 '"Receive sntp broadcasts"=dword:00000000' 'U:"Hide in tray"=dword:00000001'
    orv_start || return 1
    orv_info_is "$ORV_CLOCK" visible=0 || e2e_fail "clock shown at start" || return 1
    local code
    (cd "$E2E_DIST" && E2E_TIMEOUT=20 e2e_wine "$E2E_DIST/Orvane.exe")
    code=$?
    echo "second copy exit code $code"
    [ "$code" = 0 ] || e2e_fail "exit code $code" || return 1
    orv_info_is "$ORV_CLOCK" visible=1 || e2e_fail "clock still hidden" || return 1
    [ "$(e2e_h count "$ORV_CLOCK" -)" = "count=1" ] || e2e_fail "two clocks" || return 1
    orv_stop || return 1
    [ "$(e2e_reg "$E2E_HKCU" "Hide in tray")" = "0x0" ] || e2e_fail "still saved in the tray" ||
        return 1
}

# A stored place on no monitor (x 3000, y 2000 on a 1024 x 768 screen),
# and a display change that leaves the clock on none: it comes back the
# least distance that leaves 32 by 16 pixels on the work area (992, 752),
# the size kept. A drag ends when the capture goes.
# e2e-group: ports
scenario_5c_orvane_off_screen_clock_comes_back_within_reach() {
    orv_settings 0 '"Receive sntp broadcasts"=dword:00000000' \
        'U:"Window position x"=dword:00000bb8' 'U:"Window position y"=dword:000007d0'
    orv_start || return 1
    local info
    info=$(e2e_h info "$ORV_CLOCK" -)
    echo "$info"
    [ "$(e2e_field "$info" x),$(e2e_field "$info" y)" = "992,752" ] || e2e_fail "not at (992,752)" ||
        return 1
    [ "$(e2e_field "$info" w)x$(e2e_field "$info" h)" = "300x120" ] || e2e_fail "size changed" ||
        return 1
    # A drag keeps the clock where the cursor holds it: moved away under a
    # held button, the next mouse move brings it back. One whose capture is
    # taken away has ended: the mouse moving afterwards leaves the clock.
    # WM_LBUTTONDOWN 513, WM_MOUSEMOVE 512, WM_LBUTTONUP 514,
    # WM_CAPTURECHANGED 533.
    local message
    for message in 513 move 512 check-992 514 513 533 move 512 check-40 514; do
        case $message in
            move) e2e_h move "$ORV_CLOCK" - 40 40 >/dev/null ;;
            check-992)
                orv_info_is "$ORV_CLOCK" x=992 || e2e_fail "a drag does not hold the clock" ||
                    return 1
                ;;
            check-40)
                orv_info_is "$ORV_CLOCK" x=40 || e2e_fail "the drag outlived its capture" ||
                    return 1
                ;;
            *)
                e2e_h send "$ORV_CLOCK" - "$message" 1 0 >/dev/null ||
                    e2e_fail "message $message not handled" || return 1
                ;;
        esac
    done
    e2e_h move "$ORV_CLOCK" - 2500 1500 >/dev/null
    orv_info_is "$ORV_CLOCK" x=2500 || e2e_fail "not moved away" || return 1
    # WM_DISPLAYCHANGE (126): 24 bits, 1024 x 768.
    e2e_h post "$ORV_CLOCK" - 126 24 $((768 * 65536 + 1024)) >/dev/null
    orv_info_is "$ORV_CLOCK" x=992 || e2e_fail "not back after the display change" || return 1
    orv_info_is "$ORV_CLOCK" y=752 || e2e_fail "not back after the display change" || return 1
    orv_stop || return 1
    local saved
    saved="$(e2e_reg "$E2E_HKCU" "Window position x") $(e2e_reg "$E2E_HKCU" "Window position y")"
    echo "saved: $saved"
    [ "$saved" = "0x3e0 0x2f0" ] || e2e_fail "new place not saved" || return 1
}

# How many pixels of a screen rectangle are red: ui_red_pixels X Y W H.
ui_red_pixels() {
    local shot=$E2E_WORK/colours.png
    import -display "$DISPLAY" -window root "$shot" 2>/dev/null || { echo 0; return 1; }
    convert "$shot" -crop "${3}x${4}+${1}+${2}" +repage -fx 'r>0.6 && g<0.4 && b<0.4' \
        -format '%[fx:round(mean*w*h)]' info: 2>/dev/null
}

# True when a rectangle "x=..,y=..,w=..,h=.." (helper lines) holds more
# than 20 red pixels once its edges are left out.
ui_shows_red() {
    local x y w h
    x=$(e2e_field "$1" x); y=$(e2e_field "$1" y); w=$(e2e_field "$1" w); h=$(e2e_field "$1" h)
    [ "$(ui_red_pixels $((x + 6)) $((y + 6)) $((w - 12)) $((h - 12)))" -gt 20 ]
}

# The clock's text and the font preview in the scheme's button text colour
# on its button face: red on blue here.
# e2e-group: ports
scenario_5d_orvane_text_in_the_button_text_colour() {
    local colours='HKCU\Control Panel\Colors' text face
    text=$(e2e_reg "$colours" ButtonText)
    face=$(e2e_reg "$colours" ButtonFace)
    e2e_wine reg add "$colours" /v ButtonText /d '255 0 0' /f >/dev/null
    e2e_wine reg add "$colours" /v ButtonFace /d '0 0 255' /f >/dev/null
    orv_settings 0 '"Receive sntp broadcasts"=dword:00000000'
    orv_start || return 1
    local clock preview result=0
    clock=$(e2e_h info "$ORV_CLOCK" -)
    E2E_POLL=0.5 e2e_wait_until 10 ui_shows_red "$clock" || { e2e_fail "clock text not red"; result=1; }
    e2e_h command "$ORV_CLOCK" - "$IDM_SETTINGS" >/dev/null
    e2e_h wait "$DIALOG" 'Orvane - Configuration' 10000 >/dev/null || e2e_fail "no dialog"
    e2e_wait_until 10 e2e_h item "$DIALOG" 'Orvane - Configuration' "$IDC_LOG_EVENT_LOG" enabled
    e2e_h dlg "$DIALOG" 'Orvane - Configuration' tab-focus 2 >/dev/null
    e2e_wait_until 10 e2e_prints_match '^page=700$' e2e_h dlg "$DIALOG" 'Orvane - Configuration' tab
    preview=$(e2e_h item "$DIALOG" 'Orvane - Configuration' "$IDC_UI_FONT_PREVIEW" rect)
    E2E_POLL=0.5 e2e_wait_until 10 ui_shows_red "$preview" ||
        { e2e_fail "preview text not red"; result=1; }
    e2e_h command "$DIALOG" 'Orvane - Configuration' "$IDCANCEL" >/dev/null
    orv_stop
    e2e_wine reg add "$colours" /v ButtonText /d "$text" /f >/dev/null
    e2e_wine reg add "$colours" /v ButtonFace /d "$face" /f >/dev/null
    return $result
}
