#!/usr/bin/env bash
# Copied text is left alone while no character is loaded; once one is loaded
# it is taken, cleared and spoken line by line, also when it was copied in the
# program itself. A copied picture survives.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
e2e_use_character_folder
e2e_start_program first
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")

printf 'copied before any character' | xclip -selection clipboard -i
# Two ticks of the 2000 ms timer pass with nothing loaded: the text stays.
sleep 4.5
[ "$(e2e_clipboard)" = "copied before any character" ] || e2e_fail "the clipboard was touched with no character loaded"
grep -q '^Speak' "$E2E_TRACE" && e2e_fail "something was spoken with no character loaded"

# A click on the character's node (the first under the first root) loads it.
e2e_click "$win" 90 68
e2e_wait_for 10 e2e_traced 'Characters.Load("clipvoice", "merlin.acs") -> ok' || e2e_fail "the click loaded no character"
e2e_wait_for 10 e2e_traced 'Speak("copied before any character", omitted) -> ok' \
    || e2e_fail "the text copied earlier was not spoken after the load"
e2e_wait_for 5 e2e_clipboard_is_empty || e2e_fail "the clipboard was not cleared after reading"

printf 'line one\nline two\n\nline three' | xclip -selection clipboard -i
e2e_wait_for 10 e2e_traced 'Speak("line three", omitted) -> ok' || e2e_fail "the copied lines were not spoken"
grep '^Speak' "$E2E_TRACE" | tail -n 3 >"$E2E_DIR/spoken"
diff -u - "$E2E_DIR/spoken" <<'LINES' || e2e_fail "the lines were not spoken one by one in order"
Speak("line one", omitted) -> ok
Speak("line two", omitted) -> ok
Speak("line three", omitted) -> ok
LINES
e2e_wait_for 5 e2e_clipboard_is_empty || e2e_fail "the clipboard was not cleared"

# Text copied in the program's own text box: the program itself owns the
# clipboard then, and answers its own background read.
e2e_click "$win" 100 200
xdotool type --delay 10 "copied inside"
xdotool key ctrl+a ctrl+c
e2e_wait_for 10 e2e_traced 'Speak("copied inside", omitted) -> ok' || e2e_fail "text copied in the program was not spoken"
e2e_wait_for 5 e2e_clipboard_is_empty || e2e_fail "the program's own copy was not cleared"

# A picture is no text: it stays on the clipboard and nothing is spoken.
spoken_before=$(grep -c '^Speak' "$E2E_TRACE")
convert -size 8x8 xc:red "$E2E_DIR/red.png"
xclip -selection clipboard -t image/png -i "$E2E_DIR/red.png"
sleep 4.5
e2e_clipboard_targets | grep -qx 'image/png' || e2e_fail "the copied picture was removed"
[ "$(grep -c '^Speak' "$E2E_TRACE")" = "$spoken_before" ] || e2e_fail "a picture was spoken"
e2e_log "PASS"
