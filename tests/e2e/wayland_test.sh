#!/usr/bin/env bash
# In a Wayland session (weston with XWayland, nested in the test's X server)
# the program runs through XWayland: its main window, and its tray icon when
# a tray runs there, appear on XWayland; a click loads a character whose
# window appears; text copied by a Wayland program is spoken once and then
# gone from the clipboard, for X and Wayland programs alike. Skipped (77) when weston, XWayland or
# wl-clipboard is missing or weston cannot run here.
source "$(dirname "$0")/lib.sh"

for tool in weston Xwayland wl-copy wl-paste; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (weston, xwayland, wl-clipboard)"; exit 77; }
done

e2e_start_xvfb
e2e_start_weston
export CLIPVOICE_AUDIO_FILE="$E2E_DIR/audio.wav"

# A notification-area host on XWayland, if one can run there.
tray=yes
trayer --edge bottom --align right --widthtype request --height 24 --transparent false \
    >"$E2E_DIR/trayer.log" 2>&1 &
E2E_PIDS+=("$!")
if ! e2e_wait_for 20 bash -c 'xdotool search --name "^panel$" >/dev/null 2>&1'; then
    tray=no
    e2e_log "SKIP tray part: trayer could not run on XWayland: $(tail -n 3 "$E2E_DIR/trayer.log")"
fi

e2e_new_trace wayland
e2e_start_program wayland
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear on XWayland"
win=$(e2e_main_window_of "$pid")
if [ "$tray" = yes ]; then
    e2e_wait_for 20 e2e_tray_icon >/dev/null || e2e_fail "no tray icon was added on XWayland"
fi

# bubble (row 4 of the tree) loads on a click and shows itself.
e2e_click "$win" 92 104
e2e_wait_for 30 e2e_traced 'Characters.Load("clipvoice", "bubble.acs") -> ok' || e2e_fail "the click loaded nothing"
e2e_wait_for 20 e2e_window_sized 128 128 >/dev/null || e2e_fail "no character window appeared"

# Text copied by a Wayland program reaches XWayland through weston and is
# spoken; then neither X nor Wayland programs can paste it any more.
wayland_copy() {
    wl-copy --foreground "$1" >>"$E2E_DIR/wl-copy.log" 2>&1 &
    E2E_PIDS+=("$!")
}
pastes_nothing() {
    [ -z "$(timeout 5 xclip -selection clipboard -o 2>/dev/null)" ] \
        && [ -z "$(timeout 5 wl-paste --no-newline 2>/dev/null)" ]
}
wayland_copy "copied on the Wayland side"
e2e_wait_for 20 e2e_traced 'Speak("copied on the Wayland side", omitted) -> ok' \
    || e2e_fail "the text copied on the Wayland side was not spoken"
e2e_wait_for 10 pastes_nothing || e2e_fail "the clipboard was not cleared: X programs paste \
'$(timeout 5 xclip -selection clipboard -o 2>&1)', Wayland programs '$(timeout 5 wl-paste --no-newline 2>&1)'"

# A second copy there is spoken too, and the first was spoken only once.
wayland_copy "copied there again"
e2e_wait_for 20 e2e_traced 'Speak("copied there again", omitted) -> ok' \
    || e2e_fail "the second text copied on the Wayland side was not spoken"
e2e_wait_for 10 pastes_nothing || e2e_fail "the second copy was not cleared"
[ "$(grep -c '^Speak("copied on the Wayland side"' "$E2E_TRACE")" = 1 ] \
    || e2e_fail "the first copy was spoken more than once"

# A copy by an X program is spoken and cleared the same way.
printf 'copied by an X program' | xclip -selection clipboard -i
e2e_wait_for 20 e2e_traced 'Speak("copied by an X program", omitted) -> ok' \
    || e2e_fail "the text copied by an X program was not spoken"
e2e_wait_for 10 pastes_nothing || e2e_fail "the X program's copy was not cleared"
e2e_log "PASS"
