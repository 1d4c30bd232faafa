# The settings store on Wine's real registry, prepared and inspected with
# "wine reg".
e2e_reg_value() {
    # e2e_reg_value HIVE NAME: prints the data of one value
    wine reg query "$1\\Software\\Pellmoor\\Orvane" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v name="$2" 'index($0, name) { sub(/^.*REG_[A-Z_]+[ \t]+/, ""); print; exit }'
}

scenario_35_settings_load_and_save_on_the_real_registry() {
    local user='HKCU\Software\Pellmoor\Orvane' machine='HKLM\Software\Pellmoor\Orvane'
    wine reg delete "$user" /f >/dev/null 2>&1
    wine reg delete "$machine" /f >/dev/null 2>&1
    wine reg add "$user" /v "Show date" /t REG_DWORD /d 1 /f >/dev/null
    wine reg add "$user" /v "Window Size X" /t REG_DWORD /d 321 /f >/dev/null
    wine reg add "$user" /v "Time font name" /t REG_SZ /d "Courier New" /f >/dev/null
    wine reg add "$machine" /v "Protocol" /t REG_DWORD /d 3 /f >/dev/null
    wine reg add "$machine" /v "update interval" /t REG_DWORD /d 15 /f >/dev/null
    wine reg add "$machine" /v "Server ip address" /t REG_SZ /d 10.1.2.3 /f >/dev/null
    wine reg add "$machine" /v "Logfile path" /t REG_SZ /d 'C:\Data Files\Pellmoor\Orvane' /f >/dev/null
    # 256 characters: longer than the field's read limit, so not loaded.
    wine reg add "$machine" /v "Dialup server name" /t REG_SZ /d "$(printf 'x%.0s' $(seq 256))" /f >/dev/null

    local out
    out=$(e2e_wine "$E2E_BIN/settings_probe.exe" save | tr -d '\r')
    echo "$out"
    echo "$out" | grep -qx "Show date=1" || e2e_fail "Show date" || return 1
    echo "$out" | grep -qx "Window size x=321" || e2e_fail "names match without case" || return 1
    echo "$out" | grep -qx "Time font name=Courier New" || e2e_fail "font" || return 1
    echo "$out" | grep -qx "Protocol=3" || e2e_fail "Protocol" || return 1
    echo "$out" | grep -qx "Update interval=15" || e2e_fail "interval" || return 1
    echo "$out" | grep -qx "Server ip address=10.1.2.3" || e2e_fail "address" || return 1
    echo "$out" | grep -qx "Dialup server name=" || e2e_fail "oversized text loaded" || return 1

    # Saved back: every value written, the address as dotted text.
    [ "$(e2e_reg_value HKLM "Server ip address")" = 10.1.2.3 ] || e2e_fail "address not saved" || return 1
    [ "$(e2e_reg_value HKLM "Protocol")" = 0x3 ] || e2e_fail "Protocol not saved" || return 1
    [ "$(e2e_reg_value HKLM "Enable updates")" = 0x0 ] || e2e_fail "zero values not written" || return 1
    [ "$(e2e_reg_value HKCU "Window size y")" = 0x0 ] || e2e_fail "user values not written" || return 1
    [ "$(e2e_reg_value HKCU "window size x")" = 0x141 ] || e2e_fail "window size x" || return 1
}

scenario_36_settings_bad_address_text_is_ignored() {
    local machine='HKLM\Software\Pellmoor\Orvane'
    wine reg add "$machine" /v "Server ip address" /t REG_SZ /d 192.168.100.1000 /f >/dev/null
    local out
    out=$(e2e_wine "$E2E_BIN/settings_probe.exe" | tr -d '\r')
    echo "$out"
    # 16 characters: too long to read, so the address stays 0.0.0.0.
    echo "$out" | grep -qx "Server ip address=0.0.0.0" || e2e_fail "16-character address" || return 1
}
