# The configuration dialog in Orvane.exe under Wine, driven through Win32
# messages by orvane_testhelper.exe: opening, page switching, OK with the
# server lookups, Cancel, the server list, the font list, F12's dump and
# the settings-applied handler. Uses the orv_* helpers of product.sh.

CFG_FRAME='Orvane - Configuration'
CFG_CHOOSER='Orvane - Choose Server'
# A name that never resolves and never leaves the machine: one label longer
# than 63 characters cannot even be put into a DNS query.
CFG_BAD_NAME=no-such-time-server-with-a-label-far-longer-than-sixty-three-characters-x

cfg_settings() {
    orv_settings 0 '"Receive sntp broadcasts"=dword:00000000' "$@"
}

cfg_dlg() { e2e_h dlg "$DIALOG" "$CFG_FRAME" "$@"; }
cfg_item() { e2e_h item "$DIALOG" "$CFG_FRAME" "$@"; }
cfg_text() { e2e_item "$DIALOG" "$CFG_FRAME" "$1" get; }
cfg_checked() { e2e_item "$DIALOG" "$CFG_FRAME" "$1" checked; }
cfg_enabled() { e2e_item "$DIALOG" "$CFG_FRAME" "$1" enabled; }
cfg_command() { e2e_h command "$DIALOG" "$CFG_FRAME" "$1" >/dev/null; }

cfg_open() {
    e2e_h command "$ORV_CLOCK" - "$IDM_SETTINGS" >/dev/null
    e2e_h wait "$DIALOG" "$CFG_FRAME" 10000 >/dev/null || e2e_fail "no configuration dialog" || return 1
    # The frame's caption comes before its pages: wait for the last page.
    e2e_wait_until 10 cfg_item "$IDC_LOG_EVENT_LOG" enabled || e2e_fail "pages not made"
}

# "tab page": the selected tab and the page shown, from one helper call.
cfg_tab_state() {
    local out
    out=$(cfg_dlg tab)
    echo "$(e2e_field "$out" sel) $(e2e_field "$out" page)"
}

# Clicks a check box until it has changed (a click can get lost under Wine
# when the focus moves meanwhile), giving each click half a second to show.
cfg_toggle() {
    local before
    before=$(cfg_checked "$1")
    E2E_POLL=0.5 e2e_wait_until 10 cfg_click_changes "$1" "$before" ||
        e2e_fail "check box $1 did not change"
}
cfg_click_changes() {
    [ "$(cfg_checked "$1")" != "$2" ] && return 0
    cfg_dlg sclick "$1" >/dev/null
    [ "$(cfg_checked "$1")" != "$2" ]
}

# Presses a frame button and waits for the frame to go.
cfg_press() {
    cfg_command "$1"
    e2e_h wait-gone "$DIALOG" "$CFG_FRAME" 15000 >/dev/null || e2e_fail "dialog stayed open"
}

cfg_shot() {
    [ -n "${E2E_SHOTS:-}" ] || return 0
    e2e_shot "$E2E_SHOTS" "$1"
}

cfg_dump_file() { echo "$WINEPREFIX/drive_c/Orvane configuration.txt"; }

# e2e-group: desktop
scenario_70_config_1_open_once_and_switch_pages() {
    cfg_settings
    # Screenshots want captions, which Wine draws itself only for windows
    # no window manager looks after (Xvfb runs none).
    if [ -n "${E2E_SHOTS:-}" ]; then
        e2e_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    fi
    orv_start || return 1
    cfg_open || return 1
    # A second open brings the same frame forward.
    e2e_h command "$ORV_CLOCK" - "$IDM_SETTINGS" >/dev/null
    e2e_holds_for 1 e2e_prints count=1 e2e_h count "$DIALOG" "$CFG_FRAME" ||
        e2e_fail "second dialog" || return 1
    [ "$(cfg_tab_state)" = "0 900" ] || e2e_fail "not on Server: $(cfg_tab_state)" || return 1
    cfg_shot 1-server
    # Each step, then the tab and page it leads to (and a picture's name).
    # Next page (605) goes forward and wraps from Logging to Server; the
    # previous page (604) goes back and wraps from Server to Logging; then
    # the tab control itself, and Ctrl(+Shift)+Tab through the message
    # loop's key handler.
    local how what want shot
    while IFS='|' read -r how what want shot; do
        case $how in
            command) cfg_command "$what" ;;
            *) cfg_dlg "$how" $what >/dev/null ;;
        esac
        e2e_wait_until 5 e2e_prints "$want" cfg_tab_state ||
            e2e_fail "$how $what: want $want, got $(cfg_tab_state)" || return 1
        [ -z "$shot" ] || cfg_shot "$shot"
    done <<STEPS
command|$IDC_CONFIG_NEXT_PAGE|1 800|
command|$IDC_CONFIG_NEXT_PAGE|2 700|
command|$IDC_CONFIG_NEXT_PAGE|3 1100|
command|$IDC_CONFIG_NEXT_PAGE|0 900|
command|$IDC_CONFIG_PREVIOUS_PAGE|3 1100|
command|$IDC_CONFIG_PREVIOUS_PAGE|2 700|
tab-focus|1|1 800|2-connection
tab-focus|2|2 700|3-user-interface
tab-focus|3|3 1100|4-logging
ctrl-tab||0 900|
ctrl-tab|shift|3 1100|
STEPS
    cfg_press "$IDC_CONFIG_CANCEL" || return 1
    orv_stop
}

# e2e-group: desktop
scenario_70_config_2_ok_resolves_localhost_and_reads_numbers() {
    cfg_settings '"Use server by name"=dword:00000001' '"Server name"="localhost"' \
        '"Server ip address"="10.9.8.7"' '"Delete old logfiles"=dword:00000001' \
        '"Maximum logfile age"=dword:00000005'
    orv_start || return 1
    cfg_open || return 1
    [ "$(cfg_text "$IDC_SERVER_NAME")" = localhost ] || e2e_fail "name field" || return 1
    [ "$(cfg_text "$IDC_SERVER_ADDRESS")" = 10.9.8.7 ] || e2e_fail "address field" || return 1
    [ "$(cfg_enabled "$IDC_SERVER_ADDRESS")" = 0 ] || e2e_fail "address field enabled" || return 1
    cfg_item "$IDC_SERVER_INTERVAL" set "" >/dev/null
    cfg_item "$IDC_LOG_MAX_AGE" set "0" >/dev/null
    cfg_press "$IDC_CONFIG_OK" || return 1
    local name want
    while IFS='|' read -r name want; do
        [ "$(e2e_reg "$E2E_HKLM" "$name")" = "$want" ] ||
            e2e_fail "$name: [$(e2e_reg "$E2E_HKLM" "$name")], expected [$want]" || return 1
    done <<'TABLE'
Server ip address|127.0.0.1
Server name|localhost
Use server by name|0x1
Update interval|0x1
Maximum logfile age|0x1
TABLE
    orv_stop
}

# e2e-group: desktop
scenario_70_config_3_ok_with_unresolvable_name_stores_zero_address() {
    cfg_settings '"Use server by name"=dword:00000001' '"Server name"="localhost"'
    orv_start || return 1
    cfg_open || return 1
    cfg_item "$IDC_SERVER_NAME" set "$CFG_BAD_NAME" >/dev/null
    cfg_command "$IDC_CONFIG_OK"
    local box
    box=$(e2e_h box "Name lookup failure" 20000) || e2e_fail "no lookup failure box" || return 1
    echo "$box"
    echo "$box" | grep -Eq "^text=Unable to convert primary server name \"$CFG_BAD_NAME\" to an IP address\.\\\\nError code [0-9]+\.$" ||
        e2e_fail "box text" || return 1
    e2e_h wait-gone "$DIALOG" "$CFG_FRAME" 10000 >/dev/null || e2e_fail "dialog open" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Server ip address")" = 0.0.0.0 ] || e2e_fail "address not 0.0.0.0" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Server name")" = "$CFG_BAD_NAME" ] || e2e_fail "name not stored" || return 1
    orv_stop
}

# e2e-group: desktop
scenario_70_config_4_address_mode_reverse_lookup_and_server_list() {
    cfg_settings '"Use server by name"=dword:00000000' '"Server name"="typed.example"' \
        '"Server ip address"="127.0.0.1"'
    orv_start || return 1
    cfg_open || return 1
    [ "$(cfg_checked "$IDC_SERVER_BY_ADDRESS")" = 1 ] || e2e_fail "address radio" || return 1
    # A machine setting changed: the server is looked up and stored with it.
    cfg_item "$IDC_SERVER_INTERVAL" set 61 >/dev/null
    cfg_press "$IDC_CONFIG_OK" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Server name")" = localhost ] ||
        e2e_fail "reverse lookup: $(e2e_reg "$E2E_HKLM" "Server name")" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Use server by name")" = 0x0 ] || e2e_fail "mode" || return 1

    # Row 1 of the server list: its host, and name mode, even from address mode.
    cfg_open || return 1
    [ "$(cfg_checked "$IDC_SERVER_BY_ADDRESS")" = 1 ] || e2e_fail "address radio again" || return 1
    cfg_item "$IDC_SERVER_CHOOSE" click >/dev/null
    e2e_h wait "$DIALOG" "$CFG_CHOOSER" 10000 >/dev/null || e2e_fail "no server list" || return 1
    local list
    list=$(e2e_h dlg "$DIALOG" "$CFG_CHOOSER" selection "$IDC_SERVER_LIST")
    echo "$list"
    [ "$(e2e_field "$list" count)" = 167 ] || e2e_fail "list rows" || return 1
    cfg_shot 5-server-list
    # OK with nothing selected changes nothing.
    e2e_h command "$DIALOG" "$CFG_CHOOSER" "$IDOK" >/dev/null
    e2e_h wait-gone "$DIALOG" "$CFG_CHOOSER" 5000 >/dev/null || e2e_fail "server list stays" || return 1
    [ "$(cfg_text "$IDC_SERVER_NAME")" = localhost ] || e2e_fail "name changed without a choice" || return 1
    [ "$(cfg_checked "$IDC_SERVER_BY_ADDRESS")" = 1 ] || e2e_fail "mode changed without a choice" || return 1
    cfg_item "$IDC_SERVER_CHOOSE" click >/dev/null
    e2e_h wait "$DIALOG" "$CFG_CHOOSER" 10000 >/dev/null || e2e_fail "no server list" || return 1
    e2e_h dlg "$DIALOG" "$CFG_CHOOSER" select "$IDC_SERVER_LIST" 0 >/dev/null
    e2e_field "$(e2e_h dlg "$DIALOG" "$CFG_CHOOSER" selection "$IDC_SERVER_LIST")" text
    e2e_h command "$DIALOG" "$CFG_CHOOSER" "$IDOK" >/dev/null
    e2e_h wait-gone "$DIALOG" "$CFG_CHOOSER" 5000 >/dev/null || e2e_fail "server list stays" || return 1
    [ "$(cfg_text "$IDC_SERVER_NAME")" = africa.pool.ntp.org ] ||
        e2e_fail "row 1 host: $(cfg_text "$IDC_SERVER_NAME")" || return 1
    [ "$(cfg_checked "$IDC_SERVER_BY_NAME") $(cfg_checked "$IDC_SERVER_BY_ADDRESS")" = "1 0" ] ||
        e2e_fail "not name mode" || return 1
    [ "$(cfg_enabled "$IDC_SERVER_NAME") $(cfg_enabled "$IDC_SERVER_ADDRESS")" = "1 0" ] ||
        e2e_fail "fields not switched" || return 1
    # Cancel: the registry keeps the reverse lookup's result.
    cfg_press "$IDC_CONFIG_CANCEL" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Server name")" = localhost ] || e2e_fail "cancel saved" || return 1
    orv_stop
}

# Both keys' values, to compare before and after.
cfg_registry() { e2e_reg_values "$E2E_HKLM"; e2e_reg_values "$E2E_HKCU"; }

# e2e-group: desktop
scenario_70_config_5_cancel_leaves_registry_untouched() {
    cfg_settings '"Dialup server password"="pw-never-shown"'
    orv_start || return 1
    local before after
    before=$(cfg_registry)
    cfg_open || return 1
    cfg_item "$IDC_SERVER_INTERVAL" set 999 >/dev/null
    cfg_item "$IDC_SERVER_ADDRESS" set 10.0.0.1 >/dev/null
    cfg_toggle "$IDC_LOG_ENABLE" || return 1
    cfg_toggle "$IDC_UI_ALWAYS_ON_TOP" || return 1
    [ "$(cfg_enabled "$IDC_LOG_PATH")" = 0 ] || e2e_fail "logging switch did not grey the path" || return 1
    cfg_press "$IDC_CONFIG_CANCEL" || return 1
    after=$(cfg_registry)
    [ "$before" = "$after" ] || { diff <(echo "$before") <(echo "$after"); e2e_fail "registry changed"; return 1; }
    # Reopened: the old values.
    cfg_open || return 1
    [ "$(cfg_text "$IDC_SERVER_INTERVAL")" = 60 ] || e2e_fail "interval kept the edit" || return 1
    [ "$(cfg_checked "$IDC_LOG_ENABLE")" = 1 ] || e2e_fail "logging kept the edit" || return 1
    [ "$(cfg_enabled "$IDC_LOG_PATH")" = 1 ] || e2e_fail "path greyed" || return 1
    cfg_press "$IDCANCEL" || return 1
    orv_stop
}

# e2e-group: desktop
scenario_70_config_6_font_choice_and_f12_dump() {
    cfg_settings '"Dialup server password"="pw-never-shown"' '"Dialup server username"="dial-user"'
    rm -f "$(cfg_dump_file)"
    orv_start || return 1
    cfg_open || return 1
    cfg_dlg tab-focus 2 >/dev/null
    local fonts face
    fonts=$(cfg_dlg selection "$IDC_UI_FONT_LIST")
    echo "$fonts"
    [ "$(e2e_field "$fonts" count)" -gt 0 ] || e2e_fail "no fonts listed" || return 1
    [ "$(e2e_field "$fonts" text)" = Arial ] || [ "$(e2e_field "$fonts" sel)" = -1 ] ||
        e2e_fail "wrong font selected" || return 1
    cfg_dlg select "$IDC_UI_FONT_LIST" 0 >/dev/null
    face=$(e2e_field "$(cfg_dlg selection "$IDC_UI_FONT_LIST")" text)
    echo "picked $face"
    [ -n "$face" ] || return 1
    # F12 twice: one file, the same content, from the live settings.
    local first second dump
    dump=$(cfg_dump_file)
    e2e_h key "$DIALOG" "$CFG_FRAME" "$VK_F12" >/dev/null
    [ "$(e2e_field "$(e2e_h box Orvane 10000)" text)" = 'Configuration and operating system version written to "C:\Orvane configuration.txt".' ] ||
        e2e_fail "no dump message" || return 1
    first=$(od -c "$dump")
    e2e_h key "$DIALOG" "$CFG_FRAME" "$VK_F12" >/dev/null
    e2e_h box Orvane 10000 >/dev/null || e2e_fail "no second dump message" || return 1
    second=$(od -c "$dump")
    [ "$first" = "$second" ] || e2e_fail "second dump differs" || return 1
    cat "$dump"
    tr -d '\r' <"$dump" | head -1 | grep -qx "Show date=true" || e2e_fail "first line" || return 1
    [ "$(grep -c $'\r$' "$dump")" = "$(wc -l <"$dump")" ] || e2e_fail "not CRLF" || return 1
    grep -q "pw-never-shown\|dial-user" "$dump" && { e2e_fail "account in clear"; return 1; }
    grep -qx $'Dialup server username=\\[exists\\]\r' "$dump" || e2e_fail "username line" || return 1
    grep -qx $'Time font name=Arial\r' "$dump" || e2e_fail "dump not from live settings" || return 1
    tail -3 "$dump" | tr -d '\r' | head -2 | tail -1 | grep -qx "Operating system=Windows NT/2000" ||
        e2e_fail "OS line" || return 1
    tail -1 "$dump" | tr -d '\r' | grep -Eqx "Version=[0-9]+\.[0-9]+ build [0-9]+" || e2e_fail "version line" || return 1
    # Only the font changed: OK leaves the machine part alone (which a
    # standard user could not write), so a value changed behind the
    # program's back stays.
    e2e_wine reg add "$E2E_HKLM" /v "Update interval" /t REG_DWORD /d 77 /f >/dev/null 2>&1
    cfg_press "$IDC_CONFIG_OK" || return 1
    [ "$(e2e_reg "$E2E_HKCU" "Time font name")" = "$face" ] || e2e_fail "time font" || return 1
    [ "$(e2e_reg "$E2E_HKCU" "Date font name")" = "$face" ] || e2e_fail "date font" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Update interval")" = 0x4d ] ||
        e2e_fail "machine part written for a font change" || return 1
    orv_stop
}

cfg_listener_bound() { e2e_port_bound udp 123 any; }
cfg_listener_free() { ! cfg_listener_bound; }
cfg_port_123_free() { ! ss -lun 2>/dev/null | awk '{print $4}' | grep -q ':123$'; }

# e2e-group: ports
scenario_70_config_7_ok_runs_the_settings_applied_handler() {
    cfg_settings 'U:"Always on top"=dword:00000000' '"Launch program at startup"=dword:00000000'
    orv_start || return 1
    local link="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/StartUp/Orvane.lnk"
    rm -f "$link"
    # A time server left on UDP 123 would keep the listener out.
    e2e_wait_until 60 cfg_port_123_free || e2e_fail "UDP 123 stays busy" || return 1
    cfg_open || return 1
    cfg_toggle "$IDC_SERVER_BROADCASTS" || return 1
    cfg_toggle "$IDC_UI_ALWAYS_ON_TOP" || return 1
    cfg_toggle "$IDC_UI_LAUNCH_AT_STARTUP" || return 1
    cfg_press "$IDC_CONFIG_OK" || return 1
    local bound=0
    e2e_wait_until 10 cfg_listener_bound && bound=1
    [ "$bound" = 1 ] || { ss -lun; orv_error_text; orv_logs | tail -5; }
    # Off again at once, so no other run's broadcasts meet this listener.
    cfg_open || return 1
    cfg_toggle "$IDC_SERVER_BROADCASTS" || return 1
    [ "$(cfg_checked "$IDC_SERVER_BROADCASTS")" = 0 ] || e2e_fail "broadcasts still on" || return 1
    [ "$bound" = 1 ] || e2e_fail "broadcast listener not switched on" || return 1
    orv_info_is "$ORV_CLOCK" topmost=1 || e2e_fail "window settings not applied" || return 1
    [ -f "$link" ] || e2e_fail "no startup shortcut" || return 1
    cfg_toggle "$IDC_UI_LAUNCH_AT_STARTUP" || return 1
    cfg_press "$IDC_CONFIG_OK" || return 1
    e2e_wait_until 10 cfg_listener_free || e2e_fail "broadcast listener not switched off" || return 1
    # The shortcut goes after the listener stops.
    e2e_wait_until 10 test ! -f "$link" || e2e_fail "shortcut not deleted" || return 1
    [ "$(e2e_reg "$E2E_HKLM" "Receive sntp broadcasts")" = 0x0 ] || e2e_fail "broadcasts saved on" || return 1
    orv_stop
}
