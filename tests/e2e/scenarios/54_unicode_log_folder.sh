# A log folder named in scripts no single ANSI code page holds: the daily
# log file is made there, under that exact name, as Linux sees the prefix.

# Wine takes "reg add" data and file names from the Unix locale, so the
# scenario runs under a UTF-8 one. No time server: the start entry is
# written whatever the network.
# e2e-group: desktop
scenario_54_log_folder_in_cyrillic_and_japanese_holds_the_daily_file() {
    export LANG=C.UTF-8 LC_ALL=C.UTF-8
    local name='Дневник 日誌'
    local logs="$WINEPREFIX/drive_c/logs"
    rm -rf "$logs"
    orv_settings 2
    e2e_wine reg add "$E2E_HKLM" /v "Logfile path" /t REG_SZ /d "C:\\logs\\$name" /f >/dev/null ||
        e2e_fail "reg add failed" || return 1
    # ("reg query" cannot show it: its piped output is in the ANSI code
    # page. The folder's name below shows what was stored.)
    local before after
    before=$(date +%Y%m%d)
    orv_start || return 1
    # The file's name is looked for anew on each try.
    started_there() { cat "$logs/$name/"*.log 2>/dev/null | grep -q '^Orvane engine started\.'; }
    e2e_wait_until 20 started_there ||
        e2e_fail "no start entry in $logs/$name" || { ls -laR "$logs"; orv_stop; return 1; }
    orv_stop || return 1
    after=$(date +%Y%m%d)
    local folders files
    folders=$(ls "$logs")
    files=$(ls "$logs/$name")
    echo "folders: $folders"
    echo "files: $files"
    [ "$folders" = "$name" ] || e2e_fail "folder not made under its exact name" || return 1
    [ "$files" = "$before.log" ] || [ "$files" = "$after.log" ] ||
        e2e_fail "not exactly the daily file" || return 1
    # Nothing went to the default folder or a mangled one.
    [ ! -e "$(orv_log_dir)" ] || e2e_fail "log written to the default folder" || return 1
    [ "$(head -c 3 "$logs/$name/$files" | od -An -tx1 | tr -d ' \n')" != efbbbf ] ||
        e2e_fail "byte-order mark at the start" || return 1
}
