# The configuration dialog in Orvane.exe under Wine, driven through Win32
# messages by orvane_testhelper.exe: opening, page switching, OK with the
# server lookups, Cancel, the server list, the font list, F12's dump and
# the settings-applied handler. Uses the orv_* helpers of 50_orvane_ui.sh.

CFG_FRAME_CLASS='#32770'
CFG_FRAME='Orvane - Configuration'
# A name that never resolves and never leaves the machine: one label longer
# than 63 characters cannot even be put into a DNS query.
CFG_BAD_NAME=no-such-time-server-with-a-label-far-longer-than-sixty-three-characters-x

cfg_settings() {
    orv_settings 0 '"Receive sntp broadcasts"=dword:00000000' "$@"
}

cfg_open() {
    orv_h command "$ORV_CLOCK" - 5106 >/dev/null
    orv_h wait "$CFG_FRAME_CLASS" "$CFG_FRAME" 10000 >/dev/null || e2e_fail "no configuration dialog" || return 1
    # The frame's caption comes before its pages: wait for the last page.
    for _ in $(seq 50); do
        cfg_item 1113 enabled >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    e2e_fail "pages not made"
}

cfg_dlg() { orv_h dlg "$CFG_FRAME_CLASS" "$CFG_FRAME" "$@"; }
cfg_item() { orv_h item "$CFG_FRAME_CLASS" "$CFG_FRAME" "$@"; }
cfg_text() { orv_field "$(cfg_item "$1" get)" text; }
cfg_checked() { orv_field "$(cfg_item "$1" checked)" checked; }
cfg_enabled() { orv_field "$(cfg_item "$1" enabled)" enabled; }
# Clicks a check box and makes sure it changed (a click can get lost
# under Wine when the focus moves meanwhile).
cfg_toggle() {
    local before after
    before=$(cfg_checked "$1")
    for _ in 1 2 3 4 5; do
        orv_h dlg "$CFG_FRAME_CLASS" "$CFG_FRAME" sclick "$1" >/dev/null
        after=$(cfg_checked "$1")
        [ "$after" != "$before" ] && return 0
        sleep 0.5
        after=$(cfg_checked "$1")
        [ "$after" != "$before" ] && return 0
    done
    e2e_fail "check box $1 did not change"
}
cfg_page() { orv_field "$(cfg_dlg tab)" page; }
cfg_sel() { orv_field "$(cfg_dlg tab)" sel; }

# Presses a frame button and waits for the frame to go.
cfg_press() {
    orv_h command "$CFG_FRAME_CLASS" "$CFG_FRAME" "$1" >/dev/null
    orv_h wait-gone "$CFG_FRAME_CLASS" "$CFG_FRAME" 15000 >/dev/null || e2e_fail "dialog stayed open"
}

cfg_shot() {
    [ -n "${E2E_SHOTS:-}" ] || return 0
    mkdir -p "$E2E_SHOTS"
    sleep 0.5
    import -window root "$E2E_SHOTS/$1.png" 2>/dev/null || e2e_log "no screenshot $1"
}

cfg_dump_file() { echo "$WINEPREFIX/drive_c/Orvane configuration.txt"; }

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
    orv_h command "$ORV_CLOCK" - 5106 >/dev/null
    sleep 0.5
    [ "$(orv_h count "$CFG_FRAME_CLASS" "$CFG_FRAME")" = "count=1" ] || e2e_fail "second dialog" || return 1
    [ "$(cfg_sel) $(cfg_page)" = "0 900" ] || e2e_fail "not on Server: $(cfg_dlg tab)" || return 1
    cfg_shot 1-server
    local want
    # 605 goes forward and wraps from Logging to Server.
    for want in "1 800" "2 700" "3 1100" "0 900"; do
        orv_h command "$CFG_FRAME_CLASS" "$CFG_FRAME" 605 >/dev/null
        sleep 0.3
        [ "$(cfg_sel) $(cfg_page)" = "$want" ] || e2e_fail "605: want $want, $(cfg_dlg tab)" || return 1
    done
    # 604 goes back and wraps from Server to Logging.
    for want in "3 1100" "2 700"; do
        orv_h command "$CFG_FRAME_CLASS" "$CFG_FRAME" 604 >/dev/null
        sleep 0.3
        [ "$(cfg_sel) $(cfg_page)" = "$want" ] || e2e_fail "604: want $want, $(cfg_dlg tab)" || return 1
    done
    # Selecting by the tab control itself.
    cfg_dlg tab-focus 1 >/dev/null
    sleep 0.3
    [ "$(cfg_sel) $(cfg_page)" = "1 800" ] || e2e_fail "tab 1: $(cfg_dlg tab)" || return 1
    cfg_shot 2-connection
    cfg_dlg tab-focus 2 >/dev/null
    cfg_shot 3-user-interface
    cfg_dlg tab-focus 3 >/dev/null
    cfg_shot 4-logging
    # Ctrl+Tab through the message loop's key handler: Logging -> Server.
    cfg_dlg ctrl-tab >/dev/null
    sleep 0.5
    echo "after Ctrl+Tab: $(cfg_dlg tab | tr '\n' ' ')"
    [ "$(cfg_sel) $(cfg_page)" = "0 900" ] || e2e_fail "Ctrl+Tab" || return 1
    cfg_dlg ctrl-tab shift >/dev/null
    sleep 0.5
    [ "$(cfg_sel) $(cfg_page)" = "3 1100" ] || e2e_fail "Ctrl+Shift+Tab: $(cfg_dlg tab)" || return 1
    cfg_press 603 || return 1
    orv_stop
}

scenario_70_config_2_ok_resolves_localhost_and_reads_numbers() {
    cfg_settings '"Use server by name"=dword:00000001' '"Server name"="localhost"' \
        '"Server ip address"="10.9.8.7"' '"Delete old logfiles"=dword:00000001' \
        '"Maximum logfile age"=dword:00000005'
    orv_start || return 1
    cfg_open || return 1
    [ "$(cfg_text 910)" = localhost ] || e2e_fail "name field" || return 1
    [ "$(cfg_text 911)" = 10.9.8.7 ] || e2e_fail "address field" || return 1
    [ "$(cfg_enabled 911)" = 0 ] || e2e_fail "address field enabled" || return 1
    cfg_item 907 set "" >/dev/null
    cfg_item 1108 set "0" >/dev/null
    cfg_press 602 || return 1
    [ "$(orv_reg HKLM "Server ip address")" = 127.0.0.1 ] || e2e_fail "address not resolved" || return 1
    [ "$(orv_reg HKLM "Server name")" = localhost ] || e2e_fail "name" || return 1
    [ "$(orv_reg HKLM "Use server by name")" = 0x1 ] || e2e_fail "by name" || return 1
    [ "$(orv_reg HKLM "Update interval")" = 0x1 ] || e2e_fail "empty interval not 1" || return 1
    [ "$(orv_reg HKLM "Maximum logfile age")" = 0x1 ] || e2e_fail "age 0 not 1" || return 1
    orv_stop
}

scenario_70_config_3_ok_with_unresolvable_name_stores_zero_address() {
    cfg_settings '"Use server by name"=dword:00000001' '"Server name"="localhost"'
    orv_start || return 1
    cfg_open || return 1
    cfg_item 910 set "$CFG_BAD_NAME" >/dev/null
    orv_h command "$CFG_FRAME_CLASS" "$CFG_FRAME" 602 >/dev/null
    local box
    box=$(orv_h box "Name lookup failure" 20000) || e2e_fail "no lookup failure box" || return 1
    echo "$box"
    echo "$box" | grep -Eq "^text=Unable to convert primary server name \"$CFG_BAD_NAME\" to an IP address\.\\\\nError code [0-9]+\.$" ||
        e2e_fail "box text" || return 1
    orv_h wait-gone "$CFG_FRAME_CLASS" "$CFG_FRAME" 10000 >/dev/null || e2e_fail "dialog open" || return 1
    [ "$(orv_reg HKLM "Server ip address")" = 0.0.0.0 ] || e2e_fail "address not 0.0.0.0" || return 1
    [ "$(orv_reg HKLM "Server name")" = "$CFG_BAD_NAME" ] || e2e_fail "name not stored" || return 1
    orv_stop
}

scenario_70_config_4_address_mode_reverse_lookup_and_server_list() {
    cfg_settings '"Use server by name"=dword:00000000' '"Server name"="typed.example"' \
        '"Server ip address"="127.0.0.1"'
    orv_start || return 1
    cfg_open || return 1
    [ "$(cfg_checked 902)" = 1 ] || e2e_fail "address radio" || return 1
    cfg_press 602 || return 1
    [ "$(orv_reg HKLM "Server name")" = localhost ] || e2e_fail "reverse lookup: $(orv_reg HKLM "Server name")" || return 1
    [ "$(orv_reg HKLM "Use server by name")" = 0x0 ] || e2e_fail "mode" || return 1

    # Row 1 of the server list: its host, and name mode, even from address mode.
    cfg_open || return 1
    [ "$(cfg_checked 902)" = 1 ] || e2e_fail "address radio again" || return 1
    cfg_item 909 click >/dev/null
    orv_h wait '#32770' 'Orvane - Choose Server' 10000 >/dev/null || e2e_fail "no server list" || return 1
    local list
    list=$(orv_h dlg '#32770' 'Orvane - Choose Server' selection 1001)
    echo "$list"
    [ "$(orv_field "$list" count)" = 167 ] || e2e_fail "list rows" || return 1
    cfg_shot 5-server-list
    # OK with nothing selected changes nothing.
    orv_h command '#32770' 'Orvane - Choose Server' 1 >/dev/null
    orv_h wait-gone '#32770' 'Orvane - Choose Server' 5000 >/dev/null || return 1
    [ "$(cfg_text 910)" = localhost ] || e2e_fail "name changed without a choice" || return 1
    [ "$(cfg_checked 902)" = 1 ] || e2e_fail "mode changed without a choice" || return 1
    cfg_item 909 click >/dev/null
    orv_h wait '#32770' 'Orvane - Choose Server' 10000 >/dev/null || return 1
    orv_h dlg '#32770' 'Orvane - Choose Server' select 1001 0 >/dev/null
    orv_field "$(orv_h dlg '#32770' 'Orvane - Choose Server' selection 1001)" text
    orv_h command '#32770' 'Orvane - Choose Server' 1 >/dev/null
    orv_h wait-gone '#32770' 'Orvane - Choose Server' 5000 >/dev/null || return 1
    [ "$(cfg_text 910)" = africa.pool.ntp.org ] || e2e_fail "row 1 host: $(cfg_text 910)" || return 1
    [ "$(cfg_checked 901) $(cfg_checked 902)" = "1 0" ] || e2e_fail "not name mode" || return 1
    [ "$(cfg_enabled 910) $(cfg_enabled 911)" = "1 0" ] || e2e_fail "fields not switched" || return 1
    # Cancel: the registry keeps the reverse lookup's result.
    cfg_press 603 || return 1
    [ "$(orv_reg HKLM "Server name")" = localhost ] || e2e_fail "cancel saved" || return 1
    orv_stop
}

scenario_70_config_5_cancel_leaves_registry_untouched() {
    cfg_settings '"Dialup server password"="pw-never-shown"'
    orv_start || return 1
    local before after
    before=$(e2e_wine reg query "HKLM\\$ORV_KEY" 2>/dev/null; e2e_wine reg query "HKCU\\$ORV_KEY" 2>/dev/null)
    cfg_open || return 1
    cfg_item 907 set 999 >/dev/null
    cfg_item 911 set 10.0.0.1 >/dev/null
    cfg_toggle 1101 || return 1
    cfg_toggle 704 || return 1
    [ "$(cfg_enabled 1105)" = 0 ] || e2e_fail "logging switch did not grey the path" || return 1
    cfg_press 603 || return 1
    after=$(e2e_wine reg query "HKLM\\$ORV_KEY" 2>/dev/null; e2e_wine reg query "HKCU\\$ORV_KEY" 2>/dev/null)
    [ "$before" = "$after" ] || { diff <(echo "$before") <(echo "$after"); e2e_fail "registry changed"; return 1; }
    # Reopened: the old values.
    cfg_open || return 1
    [ "$(cfg_text 907)" = 60 ] || e2e_fail "interval kept the edit" || return 1
    [ "$(cfg_checked 1101)" = 1 ] || e2e_fail "logging kept the edit" || return 1
    [ "$(cfg_enabled 1105)" = 1 ] || e2e_fail "path greyed" || return 1
    cfg_press 2 || return 1
    orv_stop
}

scenario_70_config_6_font_choice_and_f12_dump() {
    cfg_settings '"Dialup server password"="pw-never-shown"' '"Dialup server username"="dial-user"'
    rm -f "$(cfg_dump_file)"
    orv_start || return 1
    cfg_open || return 1
    cfg_dlg tab-focus 2 >/dev/null
    local fonts face
    fonts=$(cfg_dlg selection 701)
    echo "$fonts"
    [ "$(orv_field "$fonts" count)" -gt 0 ] || e2e_fail "no fonts listed" || return 1
    [ "$(orv_field "$fonts" text)" = Arial ] || [ "$(orv_field "$fonts" sel)" = -1 ] ||
        e2e_fail "wrong font selected" || return 1
    cfg_dlg select 701 0 >/dev/null
    face=$(orv_field "$(cfg_dlg selection 701)" text)
    echo "picked $face"
    [ -n "$face" ] || return 1
    # F12 twice: one file, the same content, from the live settings.
    local first second
    orv_h key "$CFG_FRAME_CLASS" "$CFG_FRAME" 123 >/dev/null
    [ "$(orv_field "$(orv_h box Orvane 10000)" text)" = 'Configuration and operating system version written to "C:\Orvane configuration.txt".' ] ||
        e2e_fail "no dump message" || return 1
    first=$(od -c "$(cfg_dump_file)")
    orv_h key "$CFG_FRAME_CLASS" "$CFG_FRAME" 123 >/dev/null
    orv_h box Orvane 10000 >/dev/null || e2e_fail "no second dump message" || return 1
    second=$(od -c "$(cfg_dump_file)")
    [ "$first" = "$second" ] || e2e_fail "second dump differs" || return 1
    cat "$(cfg_dump_file)"
    tr -d '\r' <"$(cfg_dump_file)" | head -1 | grep -qx "Show date=true" || e2e_fail "first line" || return 1
    [ "$(grep -c $'\r$' "$(cfg_dump_file)")" = "$(wc -l <"$(cfg_dump_file)")" ] || e2e_fail "not CRLF" || return 1
    grep -q "pw-never-shown\|dial-user" "$(cfg_dump_file)" && { e2e_fail "account in clear"; return 1; }
    grep -qx $'Dialup server username=\\[exists\\]\r' "$(cfg_dump_file)" || e2e_fail "username line" || return 1
    grep -qx $'Time font name=Arial\r' "$(cfg_dump_file)" || e2e_fail "dump not from live settings" || return 1
    tail -3 "$(cfg_dump_file)" | tr -d '\r' | head -2 | tail -1 | grep -qx "Operating system=Windows NT/2000" ||
        e2e_fail "OS line" || return 1
    tail -1 "$(cfg_dump_file)" | tr -d '\r' | grep -Eqx "Version=[0-9]+\.[0-9]+ build [0-9]+" || e2e_fail "version line" || return 1
    cfg_press 602 || return 1
    [ "$(orv_reg HKCU "Time font name")" = "$face" ] || e2e_fail "time font" || return 1
    [ "$(orv_reg HKCU "Date font name")" = "$face" ] || e2e_fail "date font" || return 1
    orv_stop
}

cfg_listener_bound() { ss -lun 2>/dev/null | awk '{print $4}' | grep -Eq '^(0\.0\.0\.0|\*):123$'; }

scenario_70_config_7_ok_runs_the_settings_applied_handler() {
    cfg_settings 'U:"Always on top"=dword:00000000' '"Launch program at startup"=dword:00000000'
    orv_start || return 1
    local link_dir="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/StartUp"
    rm -f "$link_dir/Orvane.lnk"
    # Another run's time server on UDP 123 would keep the listener out.
    for _ in $(seq 60); do
        ss -lun 2>/dev/null | awk '{print $4}' | grep -q ':123$' || break
        e2e_log "UDP 123 busy; waiting"
        sleep 5
    done
    cfg_open || return 1
    cfg_toggle 908 || return 1
    cfg_toggle 704 || return 1
    cfg_toggle 708 || return 1
    cfg_press 602 || return 1
    local bound=0
    for _ in $(seq 50); do cfg_listener_bound && { bound=1; break; }; sleep 0.2; done
    [ "$bound" = 1 ] || { ss -lun; orv_h text '#32770' 'Orvane - Error' 1201; orv_logs | tail -5; }
    # Off again at once, so no other run's broadcasts meet this listener.
    cfg_open || return 1
    cfg_toggle 908 || return 1
    [ "$(cfg_checked 908)" = 0 ] || e2e_fail "908 still on" || return 1
    [ "$bound" = 1 ] || e2e_fail "broadcast listener not switched on" || return 1
    orv_info_is "$ORV_CLOCK" topmost=1 || e2e_fail "window settings not applied" || return 1
    [ -f "$link_dir/Orvane.lnk" ] || e2e_fail "no startup shortcut" || return 1
    cfg_toggle 708 || return 1
    cfg_press 602 || return 1
    local freed=0
    for _ in $(seq 25); do cfg_listener_bound || { freed=1; break; }; sleep 0.2; done
    [ "$freed" = 1 ] || e2e_fail "broadcast listener not switched off" || return 1
    # The shortcut goes after the listener stops, so give it a moment.
    local deleted=0
    for _ in $(seq 25); do [ -f "$link_dir/Orvane.lnk" ] || { deleted=1; break; }; sleep 0.2; done
    [ "$deleted" = 1 ] || e2e_fail "shortcut not deleted" || return 1
    [ "$(orv_reg HKLM "Receive sntp broadcasts")" = 0x0 ] || e2e_fail "broadcasts saved on" || return 1
    orv_stop
}
