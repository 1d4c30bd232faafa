# The settings store on Wine's real registry, prepared and inspected with
# "wine reg".

# e2e-group: ports
scenario_35_settings_load_and_save_on_the_real_registry() {
    # 256 characters: longer than the field's read limit, so not loaded.
    local long
    long=$(printf 'x%.0s' $(seq 256))
    e2e_reg_import <<REG
REGEDIT4

[-HKEY_LOCAL_MACHINE\\$E2E_KEY]
[-HKEY_CURRENT_USER\\$E2E_KEY]

[HKEY_CURRENT_USER\\$E2E_KEY]
"Show date"=dword:00000001
"Window Size X"=dword:00000141
"Time font name"="Courier New"

[HKEY_LOCAL_MACHINE\\$E2E_KEY]
"Protocol"=dword:00000003
"update interval"=dword:0000000f
"Server ip address"="10.1.2.3"
"Logfile path"="C:\\\\Data Files\\\\Pellmoor\\\\Orvane"
"Dialup server name"="$long"
REG

    local out line
    out=$(e2e_wine "$E2E_BIN/settings_probe.exe" save | tr -d '\r')
    echo "$out"
    # Loaded: names match without regard to case; oversized text is not read.
    for line in "Show date=1" "Window size x=321" "Time font name=Courier New" "Protocol=3" \
        "Update interval=15" "Server ip address=10.1.2.3" "Dialup server name="; do
        echo "$out" | grep -qxF "$line" || e2e_fail "not loaded: $line" || return 1
    done

    # Saved back: every value written, zeros too, the address as dotted text.
    local key name want
    while IFS='|' read -r key name want; do
        [ "$(e2e_reg "$key" "$name")" = "$want" ] ||
            e2e_fail "saved $name: [$(e2e_reg "$key" "$name")], expected [$want]" || return 1
    done <<TABLE
$E2E_HKLM|Server ip address|10.1.2.3
$E2E_HKLM|Protocol|0x3
$E2E_HKLM|Enable updates|0x0
$E2E_HKCU|Window size y|0x0
$E2E_HKCU|window size x|0x141
TABLE
}

# e2e-group: ports
scenario_36_settings_bad_address_text_is_ignored() {
    wine reg add "$E2E_HKLM" /v "Server ip address" /t REG_SZ /d 192.168.100.1000 /f >/dev/null
    local out
    out=$(e2e_wine "$E2E_BIN/settings_probe.exe" | tr -d '\r')
    echo "$out"
    # 16 characters: too long to read, so the address stays 0.0.0.0.
    echo "$out" | grep -qx "Server ip address=0.0.0.0" || e2e_fail "16-character address" || return 1
}
