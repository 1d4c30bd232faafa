# Setup.exe started from a user's Downloads folder and installing into a
# folder whose names lie outside any ANSI code page (Romanian comma-below
# S, Greek): every path must pass the W functions whole. Wine takes the
# command line and the Unix file names from the locale, so it runs under a
# UTF-8 one. Uses the stp_* helpers of 80_setup_wizard.sh and the quiet
# run's way of 82_setup_quiet.sh.

# shellcheck source=tests/e2e/scenarios/80_setup_wizard.sh
source "$(dirname "${BASH_SOURCE[0]}")/80_setup_wizard.sh"

U85_DOWNLOADS_WIN='C:\users\Ștefan\Downloads'
U85_FOLDER_WIN='C:\Program Files\Pellmoor\Orvane Ωμέγα'

u85_log() { tr -d '\r' <"$WINEPREFIX/drive_c/$1" 2>/dev/null; }

# Runs a program of a folder (Unix path) from that folder with its
# arguments; prints its exit code as the shell sees it (low 8 bits).
u85_run() {
    local folder=$1 program=$2 code
    shift 2
    (cd "$folder" && E2E_TIMEOUT=240 e2e_wine "$folder/$program" "$@" >>"$E2E_WORK/u85.out" 2>&1)
    code=$?
    echo "$code"
}

# Whether the file holds the text in UTF-16, as a shell link keeps its
# target.
u85_holds_utf16() {
    python3 -c 'import sys; sys.exit(sys.argv[2].encode("utf-16-le") not in open(sys.argv[1], "rb").read())' "$1" "$2"
}

# e2e-group: desktop
scenario_85_setup_unicode_paths() {
    export LANG=C.UTF-8 LC_ALL=C.UTF-8
    stp_ensure_w32time || return 1
    stp_clean
    ts_keep_services
    local downloads dir code name
    downloads=$(stp_unix "$U85_DOWNLOADS_WIN")
    dir=$(stp_unix "$U85_FOLDER_WIN")
    [[ "$downloads" == */Ștefan/Downloads && "$dir" == *"/Orvane Ωμέγα" ]] ||
        e2e_fail "winepath lost the names: $downloads $dir" || return 1
    rm -rf "$downloads" "$dir" "$WINEPREFIX"/drive_c/unicode-*.log
    mkdir -p "$downloads" && cp "$E2E_DIST"/* "$downloads/" || e2e_fail "no Downloads copy" || return 1

    code=$(u85_run "$downloads" Setup.exe /quiet /dir "$U85_FOLDER_WIN" /log 'C:\unicode-setup.log')
    u85_log unicode-setup.log
    # 3010 reaches the shell as 194.
    [ "$code" = 0 ] || [ "$code" = 194 ] || e2e_fail "Setup exit code $code" || return 1
    grep -qF "Copying \"$U85_DOWNLOADS_WIN\\Orvane.exe\" to \"$U85_FOLDER_WIN\\Orvane.exe\"" \
        <(u85_log unicode-setup.log) || e2e_fail "the log lacks the copy's whole paths" || return 1
    for name in "Orvane Event Log Interface.dll" Orvane.exe Orvane.hlp Uninstall.exe; do
        cmp -s "$E2E_DIST/$name" "$dir/$name" || e2e_fail "$name not in $dir" || return 1
    done
    [ -f "$(un_programs)/Orvane/Orvane.lnk" ] || e2e_fail "no program group link" || return 1
    u85_holds_utf16 "$(un_programs)/Orvane/Orvane.lnk" "$U85_FOLDER_WIN\Orvane.exe" ||
        e2e_fail "the link does not point into the folder" || return 1

    # The installed program starts from there and shows its clock.
    stp_no_broadcasts
    orv_start "$dir" || return 1
    orv_stop || return 1

    code=$(u85_run "$dir" Uninstall.exe /quiet /log 'C:\unicode-uninstall.log')
    u85_log unicode-uninstall.log
    [ "$code" = 0 ] || [ "$code" = 194 ] || e2e_fail "Uninstall exit code $code" || return 1
    for name in "Orvane Event Log Interface.dll" Orvane.exe Orvane.hlp OrvaneService.exe; do
        [ ! -e "$dir/$name" ] || e2e_fail "$name left" || return 1
    done
    [ ! -e "$(un_programs)/Orvane" ] || e2e_fail "program group left" || return 1
    rm -rf "$downloads" "$dir"
}
