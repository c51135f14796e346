#!/usr/bin/env bash
# The tray icon: hiding the window keeps the icon; a click on it restores the
# window at the same place; quitting removes the icon and stores the language.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
e2e_start_tray
e2e_use_character_folder
mkdir -p "$XDG_CONFIG_HOME/clipvoice"
printf '[q7a]\nlang=8\n' >"$(e2e_settings_file)"

e2e_start_program first
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")
e2e_wait_for 20 e2e_tray_icon >/dev/null || e2e_fail "no tray icon was added"
icon=$(e2e_tray_icon)

xdotool windowmove "$win" 100 150
e2e_wait_for 5 bash -c "xwininfo -id $win | grep -q 'Absolute upper-left X:  100'" || e2e_fail "the window did not move"

# Hide to the tray (Label1): the window goes, the icon stays.
e2e_click "$win" 440 8
e2e_wait_for 10 bash -c "xwininfo -id $win | grep -q IsUnMapped" || e2e_fail "the window was not hidden"
e2e_tray_icon >/dev/null || e2e_fail "hiding removed the tray icon"

# A left click on the icon brings the window back where it was.
e2e_click "$icon" 10 10
e2e_wait_for 10 bash -c "xwininfo -id $win | grep -q IsViewable" || e2e_fail "the tray click did not restore the window"
xwininfo -id "$win" | grep -q 'Absolute upper-left X:  100' || e2e_fail "the window came back elsewhere"
xwininfo -id "$win" | grep -q 'Absolute upper-left Y:  150' || e2e_fail "the window came back elsewhere"

# Choose the next language (Greek, position 9) in the picker, then quit (Label2).
e2e_click "$win" 368 50
sleep 0.5
xdotool key Down Return
sleep 0.5
e2e_click "$win" 456 8
e2e_wait_for 30 bash -c "! kill -0 $pid 2>/dev/null" || e2e_fail "quit did not end the program"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || e2e_fail "quit ended with status $status"
e2e_tray_icon >/dev/null && e2e_fail "the tray icon is still there"
grep -qx 'lang=9' "$(e2e_settings_file)" || e2e_fail "the chosen language was not stored: $(cat "$(e2e_settings_file)")"
e2e_log "PASS"
