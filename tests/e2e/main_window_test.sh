#!/usr/bin/env bash
# The program starts under X, shows its 466 x 282 window without a frame, and
# the painted glyphs lie under the hot spots.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
e2e_start_program first
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")
e2e_log "main window $win"

# No frame: the window asks the window manager for no decorations.
hints=$(xprop -id "$win" _MOTIF_WM_HINTS)
echo "$hints"
echo "$hints" | grep -Eq '= 0x2, 0x[0-9a-f]+, 0x0' || e2e_fail "the window asks for decorations: $hints"

# The window may be mapped before its first paint reaches the X server, so take
# screenshots until the skin shows (its bottom-right corner pixels are drawn),
# then check the last one.
shot="$E2E_DIR/window.png"
skin_painted() {
    import -window "$win" "$shot" 2>/dev/null || return 1
    [ "$(identify -format '%wx%h' "$shot")" = "466x282" ] || return 1
    e2e_gt "$(e2e_region "$shot" maxima 435 0 30 17)" 0.8 \
        && e2e_gt "$(e2e_region "$shot" maxima 239 232 24 16)" 0.8
}
e2e_wait_for 20 skin_painted || true
[ "$(identify -format '%wx%h' "$shot")" = "466x282" ] || e2e_fail "screenshot is not 466x282"

# Title strip: dark between the title and the glyphs; the minimise and close
# glyphs are light and lie under Label1 (432-448) and Label2 (448-464).
e2e_gt 0.35 "$(e2e_region "$shot" mean 300 0 100 21)" || e2e_fail "title strip is not dark"
e2e_gt "$(e2e_region "$shot" maxima 435 0 8 17)" 0.8 || e2e_fail "no minimise glyph under Label1"
e2e_gt "$(e2e_region "$shot" maxima 452 0 8 17)" 0.8 || e2e_fail "no close glyph under Label2"
e2e_gt 0.35 "$(e2e_region "$shot" maxima 444 2 7 15)" || e2e_fail "glyphs spill between the hot spots"
# The application title is painted in white at the left of the strip.
e2e_gt "$(e2e_region "$shot" maxima 20 0 150 21)" 0.8 || e2e_fail "no title in the title strip"

# The strip below the text box (window pixels 8..267, rows 232..247): dark bar
# with the cross (Label5), play triangle (Label3) and stop square (Label4).
e2e_gt 0.35 "$(e2e_region "$shot" mean 108 232 100 16)" || e2e_fail "the strip is not dark"
e2e_gt "$(e2e_region "$shot" maxima 14 232 8 16)" 0.8 || e2e_fail "no cross under Label5"
e2e_gt "$(e2e_region "$shot" maxima 239 232 8 16)" 0.8 || e2e_fail "no play triangle under Label3"
e2e_gt "$(e2e_region "$shot" maxima 255 232 7 16)" 0.8 || e2e_fail "no stop square under Label4"

# Resting the pointer on a hot spot shows its tooltip.
xdotool mousemove --window "$win" 440 8
tip_shown() { xdotool search --all --onlyvisible --pid "$pid" --class 'clipvoice' 2>/dev/null | while read -r id; do
    xwininfo -id "$id" | grep -q 'Width: 466' || echo "$id"; done | grep -q .; }
e2e_wait_for 10 tip_shown || e2e_fail "no tooltip over Label1"

kill -0 "$pid" || e2e_fail "the program ended"
e2e_log "PASS"
