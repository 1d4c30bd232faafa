# Helpers shared by the scenario files that drive the product's programs:
# Orvane.exe (orv_*), an installation for Uninstall.exe (un_*) and the
# Orvane Time Service (ts_* as Setup installs it, svc_* registered by hand).
# Built on lib.sh; sourced by run-e2e.sh before each scenario's own file.

DIALOG=$(e2e_window_name kDialogWindowClass)
ORV_CLOCK=$(e2e_window_name kClockWindowClass)
ORV_TASKBAR=$(e2e_window_name kTaskbarWindowClass)
ORV_HELP=$(e2e_window_name kHelpWindowClass)
ORV_ERROR='Orvane - Error'
ORV_STATUS='Orvane - Last Update'

orv_log_dir() { echo "$WINEPREFIX/drive_c/orvane-e2e-logs"; }

# Fresh settings: SNTP to 127.0.0.1, no automatic updates, logging at the
# level given (default Maximum) into C:\orvane-e2e-logs, a 300 x 120 clock
# with the date. Extra lines of .reg text may follow as arguments (they go
# under the user key when they start with "U:", else under the machine key).
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
    e2e_reg_import <<REG
REGEDIT4

[-HKEY_LOCAL_MACHINE\\$E2E_KEY]
[-HKEY_CURRENT_USER\\$E2E_KEY]

[HKEY_LOCAL_MACHINE\\$E2E_KEY]
"Protocol"=dword:00000001
"Server ip address"="127.0.0.1"
"Use server by name"=dword:00000000
"Enable updates"=dword:00000000
"Update interval"=dword:0000003c
"Enable logging"=dword:00000001
"Logging level"=dword:0000000$level
"Logfile path"="C:\\\\orvane-e2e-logs"
$machine_extra
[HKEY_CURRENT_USER\\$E2E_KEY]
"Show date"=dword:00000001
"Window position x"=dword:00000064
"Window position y"=dword:00000064
"Window size x"=dword:0000012c
"Window size y"=dword:00000078
"Time font name"="Arial"
"Date font name"="Arial"
$user_extra
REG
}

# Starts the program from the given folder (default dist/) and waits for
# its clock window.
orv_start() {
    local folder=${1:-$E2E_DIST}
    (cd "$folder" && timeout 120 wine "$folder/Orvane.exe" >"$E2E_WORK/orvane.out" 2>&1 &)
    e2e_h wait "$ORV_CLOCK" - 20000 >/dev/null || e2e_fail "no clock window"
}

# Waits until the clock window is gone and the process has ended: the
# settings are written after the window goes.
orv_wait_ended() {
    e2e_h wait-gone "$ORV_CLOCK" - 20000 >/dev/null || return 1
    e2e_wait_until 20 e2e_not_running 'Orvane\.exe'
}

# Closes it by WM_CLOSE and waits for it to end.
orv_stop() {
    e2e_h close "$ORV_CLOCK" - >/dev/null
    orv_wait_ended || e2e_fail "program did not end"
}

# Waits up to 10 s for a line of "info" about a window: orv_info_is CLASS topmost=1
orv_info_is() { e2e_wait_until 10 e2e_prints_match "^$2\$" e2e_h info "$1" -; }

orv_status_text() { e2e_text "$DIALOG" "$ORV_STATUS" "$1"; }

# L opens the status dialog (l and L alike).
orv_open_status() {
    e2e_h char "$ORV_CLOCK" - "${1:-L}" >/dev/null
    e2e_h wait "$DIALOG" "$ORV_STATUS" 5000 >/dev/null || e2e_fail "no status dialog"
}

# Checks the status dialog's fields against "ID|extended regex" lines on
# standard input (the whole text must match); prints every field it reads.
orv_check_status() {
    local id pattern text result=0
    while IFS='|' read -r id pattern; do
        [ -n "$id" ] || continue
        text=$(orv_status_text "$id")
        echo "$id: $text"
        printf '%s\n' "$text" | grep -Eqx -- "$pattern" ||
            { e2e_fail "status field $id: [$text] does not match [$pattern]"; result=1; }
    done
    return $result
}

orv_error_text() { e2e_text "$DIALOG" "$ORV_ERROR" "$IDC_ERROR_TEXT"; }

orv_close_error_window() {
    e2e_h command "$DIALOG" "$ORV_ERROR" "$IDC_ERROR_CLOSE" >/dev/null
    e2e_h wait-gone "$DIALOG" "$ORV_ERROR" 5000 >/dev/null
}

orv_logs() { cat "$(orv_log_dir)"/*.log 2>/dev/null | tr -d '\r'; }

# True when a line of the log matches: orv_log_has [grep options] PATTERN
orv_log_has() { orv_logs | grep -q "$@"; }
orv_log_lacks() { ! orv_log_has "$@"; }
# True when exactly COUNT lines match: orv_log_count_is COUNT PATTERN
orv_log_count_is() { [ "$(orv_logs | grep -c -- "$2")" = "$1" ]; }

# Presses Y until the update succeeds (TIME gives whole seconds, and Wine
# sets the clock only within half a second of its own, so a TIME update can
# fail); closes the error window after a failure.
orv_manual_update_until_success() {
    local tries=${1:-1} out
    for _ in $(seq "$tries"); do
        # Asked a little into a second, where a whole-second answer is
        # within the half second Wine accepts.
        e2e_h char "$ORV_CLOCK" - y in-second >/dev/null
        out=$(e2e_h box Orvane 8000)
        echo "$out"
        if [ "$(e2e_field "$out" text)" = "Manual update successful" ]; then return 0; fi
        echo "error window: $(orv_error_text)"
        orv_close_error_window
    done
    e2e_fail "no successful manual update in $tries tries"
}

# ---- Setup's Finish ----------------------------------------------------------

SETUP_DONE_TEXT='Orvane setup completed successfully.'
SETUP_NEXT_LOGON_TEXT="$SETUP_DONE_TEXT\\n\\nOrvane starts at your next log-on."

# The last page's text as the helper prints it (line ends as \n).
setup_done_text() { e2e_item "$DIALOG" 'Orvane Setup' "$IDC_SETUP_DONE_TEXT" get; }

# After Finish with the start box checked, given the last page's text:
# either Orvane runs, started by the desktop shell (explorer.exe) and not
# by Setup, so not with Setup's token; or, where the page said it starts at
# the next log-on, it does not run.
setup_expect_program_start() {
    local parent
    case $1 in
        "$SETUP_DONE_TEXT")
            e2e_h wait "$ORV_CLOCK" - 20000 >/dev/null || e2e_fail "Orvane not started" || return 1
            parent=$(e2e_field "$(e2e_h parent Orvane.exe)" parent)
            echo "Orvane.exe started by $parent"
            [ "${parent,,}" = explorer.exe ] || e2e_fail "Orvane started by $parent" || return 1
            ;;
        "$SETUP_NEXT_LOGON_TEXT")
            e2e_holds_for 3 e2e_not_running 'Orvane\.exe' || e2e_fail "Orvane started" || return 1
            ;;
        *)
            e2e_fail "last page text [$1]"
            ;;
    esac
}

# ---- rasapi32.dll in the prefix's system folder -------------------------------
# The programs load it from there only. The prefix's own file (Wine's
# placeholder for its built-in library) is kept beside it the first time.

ras_system_library() { echo "$WINEPREFIX/drive_c/windows/system32/rasapi32.dll"; }

# The stand-in (test-bin/ras_stub) in its place; a program loads it with
# WINEDLLOVERRIDES rasapi32=n.
ras_use_stand_in() {
    local library
    library=$(ras_system_library)
    [ -e "$library.wine" ] || cp "$library" "$library.wine"
    cp "$E2E_BIN/ras_stub/rasapi32.dll" "$library"
}

# Wine's own file back.
ras_use_wine_library() {
    local library
    library=$(ras_system_library)
    if [ -e "$library.wine" ]; then cp "$library.wine" "$library"; fi
    return 0
}

# ---- An installation, for Uninstall.exe --------------------------------------

UN_APP_PATHS='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\Orvane.exe'
UN_UNINSTALL='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Orvane'
UN_EVENT_SOURCE='HKLM\System\CurrentControlSet\Services\EventLog\Application\Orvane'
UN_SERVICE='HKLM\System\CurrentControlSet\Services\W32Time'
UN_PENDING_KEY='HKLM\System\CurrentControlSet\Control\Session Manager'
UN_FOLDER_WIN='C:\Program Files\Pellmoor\Orvane'
UN_PROGRESS_TITLE='Uninstall Orvane'

un_folder() { echo "$WINEPREFIX/drive_c/Program Files/Pellmoor/Orvane"; }
un_programs() { echo "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"; }
un_startup() { echo "$(un_programs)/StartUp"; }

un_clear_pending() {
    e2e_wine reg delete "$UN_PENDING_KEY" /v PendingFileRenameOperations /f >/dev/null 2>&1
    return 0
}

un_pending() { e2e_reg "$UN_PENDING_KEY" PendingFileRenameOperations; }

# A registered stand-in for the Windows Time service with the start type
# given (default 3, on demand), as Setup leaves it.
un_register_time_service() {
    cp "$E2E_BIN/w32time_stub_service.exe" "$WINEPREFIX/drive_c/w32time_stub_service.exe"
    if ! e2e_reg_key_exists "$UN_SERVICE"; then
        e2e_wine sc create W32Time binPath= 'C:\w32time_stub_service.exe' start= demand \
            >/dev/null 2>&1
    fi
    # Wine's sc has no "config": a registered service's start type is set
    # in its key, which the service manager writes back whole on a change.
    e2e_wine reg add "$UN_SERVICE" /v Start /t REG_DWORD /d "${1:-3}" /f >/dev/null
    e2e_wine reg add "$UN_SERVICE" /v DisplayName /t REG_SZ /d 'Stand-in time' /f >/dev/null
    [ "$(e2e_reg "$UN_SERVICE" Start)" = "0x${1:-3}" ] || e2e_fail "time service not registered"
}

# A restart as far as Wine has one: a new session carries out the pending
# deletions when it starts.
un_restart_wine() {
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null
    WINEPREFIX=$WINEPREFIX wineserver -w 2>/dev/null
    e2e_wine reg query "$E2E_HKLM" >/dev/null 2>&1
    WINEPREFIX=$WINEPREFIX wineserver -w 2>/dev/null
    return 0
}

# Starts the installed Uninstall.exe from its folder; its exit code goes to
# $E2E_WORK/uninstall.code when it ends.
un_start() {
    local folder
    folder=$(un_folder)
    rm -f "$E2E_WORK/uninstall.code"
    (cd "$folder" && timeout 120 wine "$folder/Uninstall.exe" >"$E2E_WORK/uninstall.out" 2>&1
     echo $? >"$E2E_WORK/uninstall.code") &
}

# Waits up to SECONDS (default 30: a loaded machine can take long to end a
# Wine process) for the program to end; prints its code.
un_wait_exit() {
    e2e_wait_until "${1:-30}" test -s "$E2E_WORK/uninstall.code" || { echo "still running"; return 1; }
    cat "$E2E_WORK/uninstall.code"
}

# Answers the confirmation: $IDYES or $IDNO. Checks its text.
un_answer() {
    local out
    out=$(e2e_h answer Orvane "$1" 20000)
    echo "$out"
    [ "$(e2e_field "$out" text)" = "Are you sure you want to uninstall Orvane?" ] ||
        e2e_fail "no confirmation box"
}

un_item() { e2e_item "$DIALOG" "$UN_PROGRESS_TITLE" "$@"; }

# Waits up to SECONDS (default 30) until Close is enabled: the work is done.
un_wait_done() {
    e2e_wait_until "${1:-30}" e2e_prints 1 un_item "$IDC_UNINSTALL_CLOSE" enabled ||
        e2e_fail "the work did not finish"
}

# ---- The Orvane Time Service as Setup installs it -----------------------------

ts_running() { e2e_wine sc query OrvaneTime 2>/dev/null | grep -q 'STATE.*RUNNING'; }
ts_stopped() { e2e_wine sc query OrvaneTime 2>/dev/null | grep -q 'STATE.*STOPPED'; }
ts_gone() { ! e2e_wine sc query OrvaneTime >/dev/null 2>&1; }
ts_answers() {
    e2e_wine "$E2E_BIN/service_client.exe" status 2>/dev/null | tr -d '\r' | grep -q '^version=.'
}

# Wine ends a prefix's services as soon as no other program of the prefix
# runs: a program that only waits keeps them while a scenario checks them.
ts_keep_services() {
    e2e_spawn keeper "$E2E_WORK/keeper.log" wine "$E2E_BIN/service_client.exe" hold 600
}

# Installed, running and answering through its pipe.
ts_expect_running() {
    e2e_wait_until 30 ts_running || e2e_fail "Orvane Time Service not running" || return 1
    e2e_wait_until 20 ts_answers || e2e_fail "Orvane Time Service does not answer" || return 1
    e2e_wine sc query OrvaneTime | tr -d '\r' | grep STATE
}

# No Orvane Time Service registered, as on a machine that never had one.
ts_remove() {
    ts_gone && return 0
    e2e_wine sc stop OrvaneTime >/dev/null 2>&1
    e2e_wine sc delete OrvaneTime >/dev/null 2>&1
    e2e_wait_until 20 ts_gone || e2e_fail "Orvane Time Service still registered"
}

# ---- The Orvane Time Service registered by hand (OrvaneService.exe) ------------

SVC_DIR_WIN='C:\orvane-service'

svc_client() { e2e_wine "$E2E_BIN/service_client.exe" "$@" | tr -d '\r'; }

# A client in the background, its output straight into FILE (a pipe
# through tr would hold "connected=1" back until the client ends).
svc_client_to() {
    local file=$1
    shift
    e2e_wine "$E2E_BIN/service_client.exe" "$@" >"$file"
}

# The machine settings the service reads: PROTOCOL (1 SNTP, 3 TIME/TCP)
# against 127.0.0.1, and RECEIVE (default 0) for `Receive sntp broadcasts`.
svc_settings() {
    e2e_reg_import <<REG
REGEDIT4

[-HKEY_LOCAL_MACHINE\\$E2E_KEY]

[HKEY_LOCAL_MACHINE\\$E2E_KEY]
"Protocol"=dword:0000000$1
"Server ip address"="127.0.0.1"
"Use server by name"=dword:00000000
"Server name"=""
"Receive sntp broadcasts"=dword:0000000${2:-0}
REG
}

# Registers the service (once per prefix) from a copy of the shipped
# program, starts it and waits until it answers; kept for the whole
# scenario, so its rate limit is not restarted between two clients.
svc_start() {
    local dir
    dir=$WINEPREFIX/drive_c/orvane-service
    mkdir -p "$dir"
    cp "$E2E_DIST/OrvaneService.exe" "$dir/"
    ts_keep_services
    if ts_gone; then
        e2e_wine sc create OrvaneTime binPath= "$SVC_DIR_WIN\\OrvaneService.exe" start= demand \
            obj= 'NT AUTHORITY\LocalService' >/dev/null 2>&1 || e2e_fail "sc create failed" ||
            return 1
    fi
    e2e_wine sc start OrvaneTime >/dev/null 2>&1
    ts_expect_running >/dev/null
}

# Checks "name=value" lines of OUT against extended regular expressions:
#   svc_expect "$out" result '1' stratum '8' ...
svc_expect() {
    local out=$1 name want got
    shift
    while [ $# -ge 2 ]; do
        name=$1 want=$2
        shift 2
        got=$(e2e_field "$out" "$name")
        [[ "$got" =~ ^($want)$ ]] || e2e_fail "$name is [$got], not [$want]" || return 1
    done
}

svc_time_set() { [[ "$1" =~ ^20[0-9]{2}-[01][0-9]-[0-3][0-9]\ [0-9:.]{12}$ ]]; }
