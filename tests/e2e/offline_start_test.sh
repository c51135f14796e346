#!/usr/bin/env bash
# With no network at all, start-up completes and the browser pane shows the
# home page the program carries, in the window's colours, at 100% and at 200%
# scale: never the browser's error page.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb

# The built-in home page, as a new user gets it.
unset CLIPVOICE_HOME_URL
# Run the program in a network namespace of its own with no network at all
# when that is allowed here; the page needs none anyway.
isolate=()
if unshare -n true 2>/dev/null; then
    isolate=(unshare -n)
    e2e_log "running without any network"
else
    e2e_log "no network namespace here; running with the machine's network"
fi

# Prints the id of the program's main window, of the given size, if shown.
main_window_sized() {
    local pid="$1" width="$2" height="$3" id
    for id in $(xdotool search --all --onlyvisible --pid "$pid" --name '^ClipVoice 1\.0$' 2>/dev/null); do
        if xwininfo -id "$id" 2>/dev/null | grep -q "Width: $width\$" \
            && xwininfo -id "$id" | grep -q "Height: $height\$"; then
            echo "$id"
            return 0
        fi
    done
    return 1
}

# Colour of a region of a picture as "r g b", 0 to 255.
region_rgb() {
    convert "$1" -crop "$4x$5+$2+$3" +repage -resize 1x1\! \
        -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:
}

# The strip of window $1 (scale $2): the pane's visible rows, 3880 to 4230
# twips down (rows 259 to 281 at 100%), across the window's 466 columns.
# It is the dark blue of the window's bars, and its hint is drawn in white
# at the left.
strip_is_shipped_page() {
    local win="$1" s="$2" r g b
    import -window root "$E2E_DIR/root-$s.png" 2>/dev/null || return 1
    read -r x y < <(xwininfo -id "$win" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
    # The dark ground, right of the hint.
    read -r r g b <<<"$(region_rgb "$E2E_DIR/root-$s.png" $((x + 445 * s)) $((y + 264 * s)) $((16 * s)) $((14 * s)))"
    [ "$r" -lt 60 ] && [ "$g" -lt 70 ] && [ "$b" -ge 40 ] && [ "$b" -lt 120 ] && [ "$b" -gt "$r" ] || return 1
    # White letters where the hint is.
    e2e_gt "$(e2e_region "$E2E_DIR/root-$s.png" maxima $((x + 30 * s)) $((y + 262 * s)) $((250 * s)) $((16 * s)))" 0.9 || return 1
    cp "$E2E_DIR/root-$s.png" "$E2E_DIR/strip-$s.png"
}

check_start() {
    local name="$1" s="$2" pid win
    e2e_start_program "$name" "${isolate[@]}"
    pid=$E2E_LAST_PID
    e2e_wait_for 60 main_window_sized "$pid" $((466 * s)) $((282 * s)) \
        || e2e_fail "the window did not appear without network (scale $s)"
    win=$(main_window_sized "$pid" $((466 * s)) $((282 * s)))
    # The pane reports the page it shows in the program's log.
    e2e_wait_for 60 grep -qF 'web pane shows "ClipVoice" from clipvoice:/003a/gear.shtml' "$E2E_DIR/$name.log" \
        || e2e_fail "the pane did not show the shipped home page (scale $s)"
    grep -q 'web pane could not load' "$E2E_DIR/$name.log" && e2e_fail "the pane failed to load a page (scale $s)"
    e2e_wait_for 30 strip_is_shipped_page "$win" "$s" \
        || e2e_fail "the strip at the bottom of the window is not the shipped page (scale $s)"
    e2e_log "scale $s: $(grep -F 'web pane shows' "$E2E_DIR/$name.log")"
    kill "$pid"
    e2e_wait_for 30 bash -c "! kill -0 $pid 2>/dev/null" || e2e_fail "the program did not end (scale $s)"
}

check_start first 1
export QT_SCALE_FACTOR=2
check_start scaled 2
e2e_log "PASS"
