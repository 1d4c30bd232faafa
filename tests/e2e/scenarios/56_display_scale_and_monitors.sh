# The programs on a high-DPI display, and the clock window coming back from
# a monitor that is gone. display_probe.exe reads the dialog templates as
# the dialog manager makes them and measures windows in physical pixels.
# Screenshots land in $E2E_SHOTS (default the work folder's shots/).

DSP_SHOTS=${E2E_SHOTS:-$E2E_WORK/shots}
DSP_CONFIG='Orvane - Configuration'
DSP_SETUP='Orvane Setup'

dsp_probe() { e2e_wine "$E2E_BIN/display_probe.exe" "$@" | tr -d '\r'; }

# A screenshot cut to one window: dsp_shot NAME CLASS TITLE
dsp_shot() {
    local at
    at=$(dsp_probe window "$2" "$3") || return 1
    e2e_shot "$DSP_SHOTS" "$1"
    convert "$DSP_SHOTS/$1.png" -crop \
        "$(e2e_field "$at" w)x$(e2e_field "$at" h)+$(e2e_field "$at" x)+$(e2e_field "$at" y)" \
        +repage "$DSP_SHOTS/$1.png" 2>/dev/null
    echo "screenshot $DSP_SHOTS/$1.png"
}

# Every dialog template of a program names the shell dialog font, and the
# dialog manager makes that face at the height given (8 points: -11 at 96
# DPI, -16 at 144). Prints the probe's lines.
dsp_templates() {
    local lines other
    lines=$(dsp_probe dialogs "$(e2e_windows_path "$1")") ||
        e2e_fail "no dialog templates read from $1" || return 1
    printf '%s\n' "$lines"
    other=$(printf '%s\n' "$lines" |
        grep -v "^dialog=[0-9]* shellfont=1 face=MS Shell Dlg 2 made=MS Shell Dlg 2 .* height=$2 ")
    [ -z "$other" ] || e2e_fail "not the shell dialog font at height $2: $other"
}

# "id w h" of each dialog in the probe's lines.
dsp_sizes() { sed -n 's/^dialog=\([0-9]*\) .* w=\([0-9]*\) h=\([0-9]*\)$/\1 \2 \3/p'; }

# True when every dialog of the second list is at least 1.3 times as wide
# and as high as in the first (144 DPI is 1.5 times 96; the font's own
# metrics round).
dsp_grew() {
    awk 'FNR == NR { w[$1] = $2; h[$1] = $3; next }
         !($1 in w) || $2 * 10 < w[$1] * 13 || $3 * 10 < h[$1] * 13 { print "too small:", $0; bad = 1 }
         END { exit bad }' <(dsp_sizes <<<"$1") <(dsp_sizes <<<"$2")
}

# The width at 96 DPI of one dialog in the probe's lines.
dsp_width() { dsp_sizes <<<"$1" | awk -v id="$2" '$1 == id { print $2 }'; }

# A running window at least 1.3 times as wide as its template at 96 DPI:
# dsp_window_grew CLASS TITLE WIDTH-AT-96
dsp_window_grew() {
    local at
    at=$(dsp_probe window "$1" "$2")
    echo "$2: $(printf '%s' "$at" | tr '\n' ' ')"
    [ $(($(e2e_field "$at" w) * 10)) -ge $(($3 * 13)) ] || e2e_fail "$2 not scaled from $3 pixels"
}

# A Wine prefix of this scenario's own at the DPI given, made before any
# program of it starts (the system DPI is read when a process starts).
dsp_prefix_at() {
    export WINEPREFIX=$E2E_WORK/prefix-$1dpi
    e2e_new_prefix || e2e_fail "no prefix" || return 1
    e2e_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    [ "$(e2e_field "$(dsp_probe system)" dpi)" = "$1" ] || e2e_fail "the prefix is not at $1 DPI"
}

dsp_prefix_drop() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    rm -rf "$WINEPREFIX"
}

# At 144 DPI: the three programs' dialogs in the shell dialog font and half
# as large again as at 96; the clock, the configuration dialog and Setup's
# first page as they look.
dsp_at_144() {
    local at96_orvane=$1 at96_setup=$2 at96_uninstall=$3 lines
    echo "at 144 DPI:"
    lines=$(dsp_templates "$E2E_DIST/Orvane.exe" -16) || return 1
    echo "$lines"
    dsp_grew "$at96_orvane" "$lines" || e2e_fail "Orvane.exe's dialogs not scaled" || return 1
    lines=$(dsp_templates "$E2E_DIST/Setup.exe" -16) || return 1
    echo "$lines"
    dsp_grew "$at96_setup" "$lines" || e2e_fail "Setup.exe's dialogs not scaled" || return 1
    lines=$(dsp_templates "$E2E_DIST/Uninstall.exe" -16) || return 1
    echo "$lines"
    dsp_grew "$at96_uninstall" "$lines" || e2e_fail "Uninstall.exe's dialogs not scaled" || return 1

    orv_settings 0 '"Receive sntp broadcasts"=dword:00000000'
    orv_start || return 1
    orv_info_is "$ORV_CLOCK" visible=1 || e2e_fail "clock hidden" || return 1
    dsp_shot clock-144dpi "$ORV_CLOCK" -
    e2e_h command "$ORV_CLOCK" - "$IDM_SETTINGS" >/dev/null
    e2e_h wait "$DIALOG" "$DSP_CONFIG" 10000 >/dev/null || e2e_fail "no configuration dialog" ||
        return 1
    # Its pages come after its caption: the last one made.
    e2e_wait_until 10 e2e_h item "$DIALOG" "$DSP_CONFIG" "$IDC_LOG_EVENT_LOG" enabled ||
        e2e_fail "pages not made" || return 1
    dsp_shot config-144dpi "$DIALOG" "$DSP_CONFIG"
    dsp_window_grew "$DIALOG" "$DSP_CONFIG" "$(dsp_width "$at96_orvane" "$IDD_CONFIG_FRAME")" ||
        return 1
    # Setup on its own, as on a machine where Orvane does not run yet.
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    (cd "$E2E_DIST" && timeout 120 wine "$E2E_DIST/Setup.exe" >"$E2E_WORK/setup-144dpi.out" 2>&1 &)
    e2e_h wait "$DIALOG" "$DSP_SETUP" 20000 >/dev/null || e2e_fail "no Setup wizard" || return 1
    dsp_shot setup-page1-144dpi "$DIALOG" "$DSP_SETUP"
    dsp_window_grew "$DIALOG" "$DSP_SETUP" "$(dsp_width "$at96_setup" "$IDD_SETUP_FRAME")"
}

# e2e-group: desktop
scenario_56_display_1_dialogs_in_the_shell_font_and_scaled_at_144_dpi() {
    [ "$(e2e_field "$(dsp_probe system)" dpi)" = 96 ] || e2e_fail "the run's prefix is not at 96 DPI" ||
        return 1
    local orvane setup uninstall result
    orvane=$(dsp_templates "$E2E_DIST/Orvane.exe" -11) || { echo "$orvane"; return 1; }
    setup=$(dsp_templates "$E2E_DIST/Setup.exe" -11) || { echo "$setup"; return 1; }
    uninstall=$(dsp_templates "$E2E_DIST/Uninstall.exe" -11) || { echo "$uninstall"; return 1; }
    printf 'at 96 DPI:\n%s\n%s\n%s\n' "$orvane" "$setup" "$uninstall"
    dsp_prefix_at 144 || { dsp_prefix_drop; return 1; }
    dsp_at_144 "$orvane" "$setup" "$uninstall"
    result=$?
    dsp_prefix_drop
    return $result
}

# A clock stored where no monitor is any more (to the right and below, or
# below), or with too little of it on the 1024 x 768 work area (24 pixels
# across), comes back moved the least distance that leaves 32 x 16 of its
# 300 x 120 pixels on the work area. (The clock's limits on a stored place
# turn one left of or above the primary monitor into 1,1 before this.)
# e2e-group: desktop
scenario_56_display_2_clock_from_a_monitor_that_is_gone() {
    local x y want_x want_y at result=0
    while read -r x y want_x want_y; do
        orv_settings 0 '"Receive sntp broadcasts"=dword:00000000' \
            "U:\"Window position x\"=dword:$(printf %08x $((x & 0xffffffff)))" \
            "U:\"Window position y\"=dword:$(printf %08x $((y & 0xffffffff)))"
        orv_start || return 1
        at=$(dsp_probe window "$ORV_CLOCK" -)
        echo "stored $x,$y: $(printf '%s' "$at" | tr '\n' ' ')"
        orv_stop || return 1
        [ "$(e2e_field "$at" work)" = 0,0,1024,768 ] || e2e_fail "work area not the screen" || return 1
        [ "$(e2e_field "$at" visible_w)" -ge 32 ] && [ "$(e2e_field "$at" visible_h)" -ge 16 ] ||
            { e2e_fail "stored $x,$y: under 32 x 16 visible"; result=1; }
        [ "$(e2e_field "$at" x),$(e2e_field "$at" y)" = "$want_x,$want_y" ] ||
            { e2e_fail "stored $x,$y: not moved the least to $want_x,$want_y"; result=1; }
        [ "$(e2e_field "$at" w)x$(e2e_field "$at" h)" = 300x120 ] ||
            { e2e_fail "stored $x,$y: size changed"; result=1; }
    done <<'TABLE'
5000 3000 992 752
200 2000 200 752
1000 700 992 700
TABLE
    return $result
}
