# Dial-up networking under Wine: Orvane.exe from its own folder with the
# stand-in rasapi32.dll (test-bin/ras_stub) in the prefix's system folder,
# where alone the program looks for that library, driven by a script file
# the stand-in reads on every call. Uses the orv_* helpers of product.sh.

DIAL_FOLDER_WIN='C:\Orvane-dialup'

dial_folder() { echo "$WINEPREFIX/drive_c/Orvane-dialup"; }

# A fresh program folder with the shipped files, the stand-in library in
# the system folder, and its script from standard input.
dial_prepare() {
    local folder
    folder=$(dial_folder)
    rm -rf "$folder"
    mkdir -p "$folder"
    cp "$E2E_DIST"/* "$folder/"
    ras_use_stand_in
    DIAL_SCRIPT=$E2E_WORK/ras_script.txt
    DIAL_LOG=$E2E_WORK/ras_log.txt
    : >"$DIAL_LOG"
    cat >"$DIAL_SCRIPT"
}

# Settings for dialling "Work" at the logging level given; extra .reg
# lines may follow.
dial_settings() {
    local level=$1
    shift
    orv_settings "$level" '"Use dialup"=dword:00000001' '"Dialup server name"="Work"' \
        '"Dialup server username"="ann"' '"Dialup server password"="secret"' \
        '"Receive sntp broadcasts"=dword:00000000' "$@"
}

dial_start() {
    ORVANE_RAS_SCRIPT=$(e2e_windows_path "$DIAL_SCRIPT") \
        ORVANE_RAS_LOG=$(e2e_windows_path "$DIAL_LOG") \
        WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};rasapi32=n" orv_start "$(dial_folder)"
}

dial_log() { tr -d '\r' <"$DIAL_LOG"; }

# True when a line of the stand-in's log matches the extended regex.
dial_log_has() { dial_log | grep -Eq "$1"; }

# Waits up to SECONDS (default 20) for a line of the stand-in's log, or for
# an exact line of Orvane's own log.
dial_wait_log() { e2e_wait_until "${2:-20}" dial_log_has "$1"; }
dial_wait_orvane_log() { e2e_wait_until "${2:-20}" orv_log_has -Fx "$1"; }

# e2e-group: ports
scenario_60_dialup_1_forced_dial_updates_and_hangs_up() {
    e2e_start_sntp_server 8 || return 1
    dial_prepare <<'SCRIPT'
entry Work 0800123 stored-user stored-pw
entry Home 0800456
error 676 The line is busy.
dial 0,1,5,14,0x2000
delay 300
SCRIPT
    dial_settings 1 '"Force dial"=dword:00000001' '"Enable updates"=dword:00000001'
    dial_start || return 1
    # The round at start dials; the update runs over the connection, which
    # is then hung up.
    dial_wait_log '^hangup [0-9]+ Work$' 30 || e2e_fail "no hang-up" || return 1
    dial_wait_orvane_log 'Dialup connection to "Work" disconnected by Orvane.' 10 ||
        e2e_fail "no disconnected entry" || return 1
    dial_wait_log '^state 8192 ' 10 || e2e_fail "connected notice not finished" || return 1
    dial_log
    orv_logs
    dial_log | grep -q '^dial Work phone=0800123 user=ann password=secret ' ||
        e2e_fail "dial parameters" || return 1
    [ "$(dial_log | grep -c '^dial Work phone')" = 1 ] || e2e_fail "dialled more than once" || return 1
    # The progress texts, in order, on a shown dialog; closed once connected.
    [ "$(dial_log | grep '^state ' | sed 's/ after [0-9]* ms$//' | tr '\n' '|')" = "state 0 text=Connecting to modem... visible=1|state 1 text=Dialing... visible=1|state 5 text=Authenticating... visible=1|state 14 text=Authenticated visible=1|state 8192 dialog=none|" ] ||
        e2e_fail "progress texts" || return 1
    dial_log | grep -q 'size' && { e2e_fail "a record size was refused"; return 1; }
    orv_logs | grep -Fqx 'Dialup connection to "Work" connected by Orvane.' ||
        e2e_fail "no connected entry" || return 1
    orv_logs | grep -q '^SNTP external update' || e2e_fail "no update over the link" || return 1
    # Connected entry, update, then the hang-up entry.
    orv_logs | grep -n -e 'by Orvane\.$' -e '^SNTP external update' | cut -d: -f2- | tr '\n' '|' |
        grep -q '^Dialup connection to "Work" connected by Orvane\.|SNTP external update.*|Dialup connection to "Work" disconnected by Orvane\.|' ||
        e2e_fail "order of entries" || return 1
    local errors
    errors=$(e2e_h count "$DIALOG" "$ORV_ERROR")
    if [ "$errors" != "count=0" ]; then
        echo "error windows: $errors"
        orv_error_text
        e2e_fail "error window"
        return 1
    fi
    orv_stop
}

# e2e-group: ports
scenario_60_dialup_2_busy_line_ends_in_the_error_window() {
    dial_prepare <<'SCRIPT'
entry Work 0800123
error 676 The line is busy.
dial 0,1
dial-error 676
delay 200
SCRIPT
    dial_settings 1 '"Force dial"=dword:00000001' '"Enable updates"=dword:00000001'
    dial_start || return 1
    e2e_h wait "$DIALOG" "$ORV_ERROR" 20000 >/dev/null || e2e_fail "no error window" || return 1
    local text
    text=$(orv_error_text)
    echo "$text"
    echo "$text" | grep -q ': Unable to dial "Work" to synchronise from SNTP server\.  The line is busy\.' ||
        e2e_fail "error window text" || return 1
    dial_wait_log '^hangup [0-9]+ ' 5 || e2e_fail "busy dial not hung up" || return 1
    dial_log
    dial_wait_log "^error 676 dialog=none after" 10 || e2e_fail "dialog left open" || return 1
    orv_logs | grep -q 'connected by Orvane' && { e2e_fail "connected entry"; return 1; }
    orv_stop
}

# e2e-group: ports
scenario_60_dialup_3_cancel_in_the_progress_dialog() {
    dial_prepare <<'SCRIPT'
entry Work 0800123
dial 0,1
delay 200
SCRIPT
    dial_settings 0 '"Force dial"=dword:00000001' '"Enable updates"=dword:00000001'
    dial_start || return 1
    e2e_h wait "$DIALOG" 'Orvane AutoDial' 20000 >/dev/null || e2e_fail "no progress dialog" || return 1
    dial_wait_log '^state 1 ' 10 || e2e_fail "no dialing state" || return 1
    local info
    info=$(e2e_h info "$DIALOG" 'Orvane AutoDial')
    echo "$info"
    [ "$(e2e_text "$DIALOG" 'Orvane AutoDial' "$IDC_DIAL_PROGRESS_TEXT")" = "Dialing..." ] ||
        e2e_fail "not dialing" || return 1
    # Centred on the 1024 x 768 screen.
    local x y w h
    x=$(e2e_field "$info" x); y=$(e2e_field "$info" y); w=$(e2e_field "$info" w); h=$(e2e_field "$info" h)
    [ $((x + w / 2 - 512)) -le 2 ] && [ $((512 - x - w / 2)) -le 2 ] &&
        [ $((y + h / 2 - 384)) -le 2 ] && [ $((384 - y - h / 2)) -le 2 ] ||
        e2e_fail "not centred" || return 1
    e2e_h command "$DIALOG" 'Orvane AutoDial' "$IDCANCEL" >/dev/null
    e2e_h wait-gone "$DIALOG" 'Orvane AutoDial' 5000 >/dev/null || e2e_fail "dialog stays" || return 1
    e2e_h wait "$DIALOG" "$ORV_ERROR" 10000 >/dev/null || e2e_fail "no error window" || return 1
    local text
    text=$(orv_error_text)
    echo "$text"
    echo "$text" | grep -q ': Unable to dial "Work" to synchronise from SNTP server\.  Dialing cancelled by user\.' ||
        e2e_fail "error window text" || return 1
    dial_wait_log '^hangup [0-9]+ ' 5 || e2e_fail "cancelled dial not hung up" || return 1
    dial_wait_log 'stopped by hang-up' 5 || e2e_fail "dial went on" || return 1
    dial_log
    orv_stop
}

# e2e-group: ports
scenario_60_dialup_4_outside_connection_is_seen_and_wakes_an_update() {
    e2e_start_sntp_server 8 || return 1
    dial_prepare <<'SCRIPT'
entry Work 0800123
SCRIPT
    dial_settings 1 '"Force dial"=dword:00000000' '"Enable updates"=dword:00000001'
    dial_start || return 1
    # What must not happen has no event to wait for: watch for 2 s.
    e2e_holds_for 2 orv_log_lacks '^SNTP external update' || e2e_fail "updated without a link" || return 1
    orv_open_status || return 1
    orv_status_text "$IDC_STATUS_LINK"
    orv_status_text "$IDC_STATUS_LINK" | grep -Eq '^Link inactive since program startup \(.+\)$' ||
        e2e_fail "link text at start" || return 1
    # The user's own connection comes up.
    echo "connection 4242 Work" >>"$DIAL_SCRIPT"
    local start took
    start=$(date +%s)
    dial_wait_orvane_log 'Dialup connection to "Work" connected by user.' 15 ||
        e2e_fail "connection not seen" || return 1
    took=$(($(date +%s) - start))
    echo "seen after ${took} s"
    [ "$took" -le 11 ] || e2e_fail "seen after $took s" || return 1
    e2e_wait_until 10 orv_log_has '^SNTP external update' || e2e_fail "no update woken" || return 1
    e2e_wait_until 5 e2e_prints_match '^Link active since .+$' orv_status_text "$IDC_STATUS_LINK" ||
        e2e_fail "link text" || return 1
    # Logged once, not at every poll (one poll falls in any 11 s); nothing
    # dialled or hung up.
    e2e_holds_for 11 orv_log_count_is 1 'connected by user\.$' || e2e_fail "logged again" || return 1
    dial_log | grep -Eq '^(dial|hangup) ' && { e2e_fail "dialled or hung up"; return 1; }
    # And it goes down again.
    sed -i '/^connection /d' "$DIAL_SCRIPT"
    dial_wait_orvane_log 'Dialup connection to "Work" disconnected by user.' 15 ||
        e2e_fail "going down not seen" || return 1
    orv_logs
    orv_stop
}

# e2e-group: ports
scenario_60_dialup_5_no_forced_dial_and_no_connection_dials_nothing() {
    dial_prepare <<'SCRIPT'
entry Work 0800123
SCRIPT
    dial_settings 1 '"Force dial"=dword:00000000' '"Enable updates"=dword:00000000' \
        '"Write to event log"=dword:00000001'
    WINEDEBUG=err+eventlog dial_start || return 1
    e2e_h char "$ORV_CLOCK" - Y >/dev/null
    e2e_h wait "$DIALOG" "$ORV_ERROR" 10000 >/dev/null || e2e_fail "no error window" || return 1
    local text
    text=$(orv_error_text)
    echo "$text"
    echo "$text" | grep -q ': Unable to synchronise\.  No internet connection detected\.' ||
        e2e_fail "error window text" || return 1
    # Wine reports the event-log entry on its debug channel.
    e2e_wait_until 10 grep -qF 'Unable to synchronise from external SNTP server.  No internet connection detected.' \
        "$E2E_WORK/orvane.out" || e2e_fail "no event log entry" || return 1
    tr -d '\r' <"$E2E_WORK/orvane.out" | grep -i 'eventlog' | head -5
    dial_log | grep -Eq '^(dial|hangup) ' && { e2e_fail "dialled"; return 1; }
    orv_stop
}

# e2e-group: ports
scenario_60_dialup_6_real_wine_library_starts_and_runs() {
    # Wine's own rasapi32.dll, no stand-in: the program starts and reports
    # dial-up as that library allows.
    dial_prepare </dev/null
    ras_use_wine_library
    dial_settings 0 '"Force dial"=dword:00000001' '"Enable updates"=dword:00000000'
    orv_start "$(dial_folder)" || return 1
    orv_open_status || return 1
    local link
    link=$(orv_status_text "$IDC_STATUS_LINK")
    echo "link text: $link"
    echo "$link" | grep -Eq '^Link (active|inactive) since .+$' || e2e_fail "link text" || return 1
    orv_info_is "$ORV_CLOCK" visible=1 || e2e_fail "no clock" || return 1
    orv_stop
    echo "Use dialup afterwards: $(e2e_reg "$E2E_HKLM" "Use dialup")"
}

# e2e-group: ports
scenario_60_dialup_7_an_entry_named_outside_the_code_page() {
    # Polish and Greek in one name: no ANSI code page holds both, so only
    # the wide Remote Access functions can carry it.
    local entry='Łącze Ωμέγα'
    e2e_start_sntp_server 8 || return 1
    dial_prepare <<SCRIPT
entry "$entry" 0800123
dial 0,1,5,14,0x2000
delay 100
SCRIPT
    dial_settings 1 '"Force dial"=dword:00000001' '"Enable updates"=dword:00000001'
    # reg takes its arguments in the Unix locale's encoding.
    LANG=C.UTF-8 LC_ALL=C.UTF-8 e2e_wine reg add "$E2E_HKLM" /v "Dialup server name" /d "$entry" /f \
        >/dev/null 2>&1 || e2e_fail "reg add" || return 1
    dial_start || return 1
    dial_wait_log "^hangup [0-9]+ $entry\$" 30 || e2e_fail "no hang-up of the entry" || return 1
    dial_log
    dial_log | grep -q "^dial $entry phone=0800123 user=ann password=secret " ||
        e2e_fail "dial parameters" || return 1
    dial_log | grep -q 'size' && { e2e_fail "a record size was refused"; return 1; }
    dial_wait_orvane_log "Dialup connection to \"$entry\" disconnected by Orvane." 10 ||
        e2e_fail "log entry with the name" || return 1
    orv_stop
}
