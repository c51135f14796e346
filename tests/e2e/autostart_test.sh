#!/usr/bin/env bash
# Start at login: started with --hidden the program stays in the tray until its
# icon is clicked, or shows its window after a while when there is no tray;
# the tray menu's option (a right click, which still brings the window back)
# writes the XDG autostart entry, and removes it when chosen again.
source "$(dirname "$0")/lib.sh"

command -v desktop-file-validate >/dev/null \
    || { echo "SKIP: desktop-file-validate (desktop-file-utils) is not installed"; exit 77; }

entry="$XDG_CONFIG_HOME/autostart/clipvoice.desktop"

# Starts the program with --hidden and the other arguments given; sets pid.
# Its stall log is created once start-up is over and the window has been
# shown, or not.
start_hidden() {
    local name="$1"; shift
    export CLIPVOICE_STALL_LOG="$E2E_DIR/stall-$name.log"
    "$CLIPVOICE_BIN" "$@" --hidden >"$E2E_DIR/$name.log" 2>&1 &
    pid=$!
    E2E_PIDS+=("$pid")
    e2e_wait_for 60 test -e "$CLIPVOICE_STALL_LOG" || e2e_fail "start-up did not finish ($name)"
}

quit_program() {
    e2e_click "$1" 456 8 # Label2
    e2e_wait_for 30 bash -c "! kill -0 $pid 2>/dev/null" || e2e_fail "quit did not end the program"
    local status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || e2e_fail "quit ended with status $status"
}

# The program's popup menu: a visible window of the program that is neither
# the main window nor the tray icon.
tray_menu() {
    local id icon
    icon=$(e2e_tray_icon) || true
    for id in $(xdotool search --all --onlyvisible --pid "$pid" 2>/dev/null); do
        [ "$id" = "$win" ] || [ "$id" = "$icon" ] && continue
        xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable' || continue
        echo "$id"
        return 0
    done
    return 1
}

no_tray_menu() { ! tray_menu >/dev/null; }

right_click_icon() {
    xdotool mousemove --window "$(e2e_tray_icon)" 10 10 click 3
    e2e_wait_for 10 tray_menu >/dev/null || e2e_fail "the tray menu did not open"
}

e2e_start_xvfb
e2e_use_character_folder

# --- No notification area: the window is shown after a grace period ---------
# An option the program does not know is passed over with a warning.
start_hidden notray --no-such-option
grep -q 'ignored on the command line' "$E2E_DIR/notray.log" || e2e_fail "the unknown option was not reported"
e2e_wait_for 3 e2e_has_main_window "$pid" && e2e_fail "the window was shown at once, not waiting for a tray"
e2e_wait_for 30 e2e_has_main_window "$pid" || e2e_fail "without a tray the window never appeared"
grep -q 'no notification area appeared' "$E2E_DIR/notray.log" || e2e_fail "why the window was shown was not logged"
win=$(e2e_main_window_of "$pid")
quit_program "$win"
e2e_log "without a tray the window came after the grace period"

# --- With a tray: hidden until the icon is clicked ----------------------------
e2e_start_tray
start_hidden tray -style Fusion # Qt's own options still work
e2e_wait_for 20 e2e_tray_icon >/dev/null || e2e_fail "no tray icon was added"
# Start-up is over; a window shown now would be mapped within moments.
e2e_wait_for 3 e2e_has_main_window "$pid" && e2e_fail "the main window was shown despite --hidden"
e2e_click "$(e2e_tray_icon)" 10 10
e2e_wait_for 10 e2e_has_main_window "$pid" || e2e_fail "a click on the icon did not show the window"
win=$(e2e_main_window_of "$pid")

# Hidden again, a right click both restores the window and opens the menu.
e2e_click "$win" 440 8 # Label1
e2e_wait_for 10 bash -c "xwininfo -id $win | grep -q IsUnMapped" || e2e_fail "the window was not hidden"
right_click_icon
xwininfo -id "$win" | grep -q IsViewable || e2e_fail "the right click did not restore the window"

# The menu's one option: start at login.
xdotool key Down Return
e2e_wait_for 10 test -f "$entry" || e2e_fail "choosing the option wrote no autostart entry"
desktop-file-validate "$entry" >"$E2E_DIR/validate.log" 2>&1 || e2e_fail "the entry is not valid: $(cat "$E2E_DIR/validate.log")"
grep -qxF "Exec=$(readlink -f "$CLIPVOICE_BIN") --hidden" "$entry" || e2e_fail "the entry does not start this program hidden: $(grep Exec "$entry")"
e2e_wait_for 10 no_tray_menu || e2e_fail "the menu stayed open"

right_click_icon
xdotool key Down Return
e2e_wait_for 10 bash -c "[ ! -e '$entry' ]" || e2e_fail "choosing the option again did not remove the entry"
[ -d "$XDG_CONFIG_HOME/autostart" ] || e2e_fail "the autostart folder went too"

quit_program "$win"
e2e_tray_icon >/dev/null && e2e_fail "the tray icon is still there"
e2e_log "PASS"
