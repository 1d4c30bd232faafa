# Orvane.exe's own windows on a high-DPI display, run from a folder whose
# name is outside every ANSI code page.

# At 144 DPI (150 %) the stored 300 x 120 clock is 450 x 180 pixels at its
# stored place; closing stores the 96-DPI size again, unchanged. The help
# file beside the program is found and read through the folder's name, and
# the About dialog's logo is drawn at the dialog's scale.
# e2e-group: ports
scenario_55_unicode_dpi_clock_scales_and_help_opens_from_a_unicode_folder() {
    u55_at_144_dpi
    local status=$?
    # The prefix serves the group's next scenarios: back to 96 DPI, which
    # Wine reads when its processes start.
    e2e_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    return $status
}

u55_at_144_dpi() {
    export LANG=C.UTF-8
    local folder="$WINEPREFIX/drive_c/Program Files/Pellmoor/Orvane Ωμέγα"
    mkdir -p "$folder"
    cp "$E2E_DIST/Orvane.exe" "$E2E_DIST/Orvane.hlp" "$folder/"
    e2e_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
    orv_settings 0 '"Receive sntp broadcasts"=dword:00000000'
    orv_start "$folder" || return 1
    local info
    info=$(e2e_h info "$ORV_CLOCK" -)
    echo "$info"
    [ "$(e2e_field "$info" x),$(e2e_field "$info" y)" = "100,100" ] ||
        e2e_fail "not at its stored place" || return 1
    [ "$(e2e_field "$info" w)x$(e2e_field "$info" h)" = "450x180" ] ||
        e2e_fail "not 1.5 times 300 x 120" || return 1
    e2e_shot "$E2E_WORK/shots" clock-144-dpi
    e2e_h command "$ORV_CLOCK" - "$IDM_HELP" >/dev/null
    e2e_h wait "$ORV_HELP" 'Orvane Help' 10000 >/dev/null || e2e_fail "no help window" || return 1
    local text
    text=$(e2e_text "$ORV_HELP" 'Orvane Help' 102)
    echo "help text: ${text:0:60}"
    [ -n "$text" ] && [[ "$text" != "No help topic"* ]] || e2e_fail "help file not read" ||
        return 1
    orv_logs | grep -q "Unable to find help" && { e2e_fail "help file not found"; return 1; }
    # The About dialog's logo, 163 x 67 at 96 DPI, drawn at 245 x 101.
    e2e_h command "$ORV_CLOCK" - "$IDM_ABOUT" >/dev/null
    e2e_h wait "$DIALOG" 'About Orvane' 5000 >/dev/null || e2e_fail "no About dialog" || return 1
    info=$(e2e_h item "$DIALOG" 'About Orvane' "$IDC_ABOUT_LINK" rect)
    echo "logo: $info"
    [ "$(e2e_field "$info" w)x$(e2e_field "$info" h)" = "245x101" ] ||
        e2e_fail "logo not at 150 %" || return 1
    e2e_shot "$E2E_WORK/shots" about-144-dpi
    orv_stop || return 1
    local saved
    saved="$(e2e_reg "$E2E_HKCU" "Window position x") $(e2e_reg "$E2E_HKCU" "Window position y")"
    saved+=" $(e2e_reg "$E2E_HKCU" "Window size x") $(e2e_reg "$E2E_HKCU" "Window size y")"
    echo "saved: $saved"
    [ "$saved" = "0x64 0x64 0x12c 0x78" ] || e2e_fail "stored rectangle changed" || return 1
}
