#!/usr/bin/env bash
# How the program lives and ends:
# - with the main window hidden in the tray, closing the character's property
#   sheet (Escape, then OK) does not end the program: the tray icon stays and
#   brings the window back;
# - SIGTERM and SIGHUP end it in order, and losing the X server ends it too;
#   each time the chosen language is saved first;
# - a signal while the start-up failure is being reported ends the program
#   without writing the settings;
# - a double-click on a hot spot runs its command once.
# The stored language starts as text that names no item, so the program shows
# the first one (Japanese) and a save writes "lang=1" over it.
source "$(dirname "$0")/lib.sh"

settings="$(e2e_settings_file)"
unnamed_language() {
    mkdir -p "$(dirname "$settings")"
    printf '[q7a]\nlang=none\n' >"$settings"
}
saved_first_language() { grep -qx 'lang=1' "$settings"; }

e2e_start_xvfb
e2e_start_tray
e2e_new_trace

# --- The property sheet, with the main window in the tray -------------------
e2e_start_program sheet
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")
e2e_wait_for 20 e2e_tray_icon >/dev/null || e2e_fail "no tray icon was added"
e2e_click "$win" 92 104 # bubble
e2e_wait_for 30 e2e_traced 'Characters.Load("clipvoice", "bubble.acs") -> ok' || e2e_fail "bubble did not load"
e2e_wait_for 20 e2e_window_sized 128 128 >/dev/null || e2e_fail "no character window appeared"
character=$(e2e_window_sized 128 128)

e2e_click "$win" 440 8 # hide to the tray
e2e_wait_for 10 bash -c "xwininfo -id $win | grep -q IsUnMapped" || e2e_fail "the window was not hidden"

menu_open() {
    local id info
    for id in $(xdotool search --class '^clipvoice$' 2>/dev/null); do
        info=$(xwininfo -id "$id" 2>/dev/null) || continue
        echo "$info" | grep -q IsViewable && echo "$info" | grep -qE 'Height: ([6-9][0-9])$' && return 0
    done
    return 1
}
sheet_window() { xdotool search --onlyvisible --name 'キャラクタのオプション' 2>/dev/null | head -n1; }
sheet_open() { [ -n "$(sheet_window)" ]; }
open_sheet() {
    # The character answers a right-click once it has finished greeting.
    local try
    for try in 1 2 3 4 5 6; do
        xdotool mousemove --window "$character" 64 64 click 3
        e2e_wait_for 3 menu_open && break
        [ "$try" -lt 6 ] || e2e_fail "no pop-up menu"
    done
    xdotool key Down Return
    e2e_wait_for 10 sheet_open || e2e_fail "the property sheet did not open"
}
close_sheet_with() {
    local sheet
    sheet=$(sheet_window)
    xdotool windowfocus --sync "$sheet" 2>/dev/null || true
    xdotool key "$1"
    e2e_wait_for 10 bash -c "! xdotool search --onlyvisible --name 'キャラクタのオプション' >/dev/null 2>&1" \
        || e2e_fail "the property sheet did not close with $1"
}
for key in Escape Return; do
    open_sheet
    close_sheet_with "$key"
    kill -0 "$pid" 2>/dev/null || e2e_fail "closing the property sheet ($key) ended the program"
    e2e_tray_icon >/dev/null || e2e_fail "the tray icon went with the property sheet ($key)"
done
# The program still answers: the tray icon brings the window back.
e2e_click "$(e2e_tray_icon)" 10 10
e2e_wait_for 10 bash -c "xwininfo -id $win | grep -q IsViewable" || e2e_fail "the tray click did not restore the window"
kill -0 "$pid" 2>/dev/null || e2e_fail "the program ended"

# --- SIGTERM and SIGHUP save the language, then end the program --------------
end_with_signal() {
    local signal="$1" status=0
    kill -0 "$pid" 2>/dev/null || e2e_fail "the program ended before $signal"
    kill "-$signal" "$pid"
    e2e_wait_for 30 bash -c "! kill -0 $pid 2>/dev/null" || e2e_fail "$signal did not end the program"
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || e2e_fail "$signal ended the program with status $status"
    saved_first_language || e2e_fail "$signal did not save the language: $(cat "$settings")"
}
unnamed_language
end_with_signal TERM

export CLIPVOICE_AGENT=headless
mkdir -p "$E2E_DIR/windows/msagent/chars"
printf '\xC3\xAB\xCD\xAB' >"$E2E_DIR/windows/msagent/chars/merlin.acs"
export CLIPVOICE_WINDOWS_DIR="$E2E_DIR/windows"

unnamed_language
e2e_new_trace hup
e2e_start_program hup
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear (hup)"
win=$(e2e_main_window_of "$pid")

# --- A double-click on a hot spot runs its command once ---------------------
e2e_click "$win" 90 68 # merlin
e2e_wait_for 30 e2e_traced 'Characters.Load("clipvoice", "merlin.acs") -> ok' || e2e_fail "merlin did not load"
e2e_click "$win" 294 110 # no gesture before speaking
e2e_click "$win" 100 200
xdotool type --delay 10 "done"
xdotool mousemove --window "$win" 256 240 click --repeat 2 --delay 80 1 # stop, double-clicked
e2e_click "$win" 240 240                                              # speak "done"
e2e_wait_for 20 e2e_traced 'Speak("done", omitted) -> ok' || e2e_fail "the text box was not spoken"
stops=$(grep -cxF 'Stop(omitted) -> ok' "$E2E_TRACE" || true)
thoughts=$(grep -cxF 'Think("oops!") -> ok' "$E2E_TRACE" || true)
[ "$stops" -eq 1 ] && [ "$thoughts" -eq 1 ] || e2e_fail "a double-click on stop ran it $stops times ($thoughts oops)"

end_with_signal HUP

# --- Losing the X server saves the language too -----------------------------
unnamed_language
e2e_start_program display
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear (display)"
xvfb_pid=""
for candidate in "${E2E_PIDS[@]}"; do
    if [ "$(ps -o comm= -p "$candidate" 2>/dev/null)" = Xvfb ]; then xvfb_pid=$candidate; fi
done
[ -n "$xvfb_pid" ] || e2e_fail "the test's X server was not found"
kill "$xvfb_pid"
e2e_wait_for 30 bash -c "! kill -0 $pid 2>/dev/null" || e2e_fail "losing the X server did not end the program"
status=0
wait "$pid" || status=$?
[ "$status" -eq 1 ] || e2e_fail "losing the X server ended the program with status $status"
saved_first_language || e2e_fail "losing the X server lost the language: $(cat "$settings")"

# --- A signal during the start-up failure report writes nothing --------------
e2e_start_xvfb
rm -f "$settings"
export CLIPVOICE_WINDOWS_DIR="$E2E_DIR/no-such-windows"
e2e_start_program failed
pid=$E2E_LAST_PID
failure_box() { xdotool search --all --onlyvisible --pid "$pid" --name '^ClipVoice 1\.0$' 2>/dev/null | grep -q .; }
e2e_wait_for 60 failure_box || e2e_fail "no start-up failure report appeared"
kill -TERM "$pid"
e2e_wait_for 30 bash -c "! kill -0 $pid 2>/dev/null" || e2e_fail "SIGTERM did not end the failed start"
status=0
wait "$pid" || status=$?
[ "$status" -eq 2 ] || e2e_fail "the failed start ended with status $status"
[ -e "$settings" ] && e2e_fail "a failed start wrote the settings"
e2e_log "PASS"
