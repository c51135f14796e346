#!/usr/bin/env bash
# A fresh start shows the characters that come with the program; a click on
# one shows it and has it greet; typed text is spoken in its balloon and the
# character, hidden before, hides again; stop thinks "oops!"; the options
# command of its pop-up menu opens the property sheet.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
e2e_new_trace
export CLIPVOICE_AUDIO_FILE="$E2E_DIR/audio.wav"

e2e_start_program first
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")

chars="$XDG_DATA_HOME/clipvoice/msagent/chars"
[ -f "$chars/bubble.acs" ] && [ -f "$chars/puff.acs" ] || e2e_fail "the first start did not copy the characters: $(ls -la "$chars" 2>&1)"

# The other characters' root lists bubble and puff (rows 4 and 5 of the tree).
# Screenshots are retaken until painted, as the first paint may trail the map.
tree_lists_bubble() {
    import -window "$win" "$E2E_DIR/tree.png" 2>/dev/null || return 1
    e2e_gt 0.5 "$(e2e_region "$E2E_DIR/tree.png" minima 60 96 60 16)"
}
e2e_wait_for 20 tree_lists_bubble || e2e_fail "no node text where bubble should be"

e2e_click "$win" 92 104
e2e_wait_for 15 e2e_traced 'Characters.Load("clipvoice", "bubble.acs") -> ok' || e2e_fail "the click loaded nothing"
e2e_wait_for 20 e2e_traced_like '^request [0-9]+ started: Play "Greet"$' || e2e_fail "the character did not greet"
e2e_wait_for 20 e2e_window_sized 128 128 >/dev/null || e2e_fail "no character window appeared"
character=$(e2e_window_sized 128 128)
geometry=$(xwininfo -id "$character" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
read -r cx cy <<<"$geometry"
# The bubble is white: its window shows bright pixels, its corners show the desktop.
character_drawn() {
    import -window root "$E2E_DIR/character.png" 2>/dev/null || return 1
    e2e_gt "$(e2e_region "$E2E_DIR/character.png" maxima "$cx" "$cy" 128 128)" 0.9
}
e2e_wait_for 20 character_drawn || e2e_fail "the character is not drawn"
e2e_gt 0.2 "$(e2e_region "$E2E_DIR/character.png" maxima "$cx" "$cy" 4 4)" || e2e_fail "the character's corner is not transparent"

# Hide it through its pop-up menu (隠す, the entry after the separator, below
# the program's two commands).
e2e_wait_for 20 e2e_traced_like '^request [0-9]+ finished: done$' || true
xdotool mousemove --window "$character" 64 64 click 3
menu_open() { xdotool search --class '^clipvoice$' 2>/dev/null | while read -r id; do
    xwininfo -id "$id" | grep -q IsViewable && xwininfo -id "$id" | grep -qE 'Height: ([6-9][0-9])$' && echo "$id"; done | grep -q .; }
e2e_wait_for 10 menu_open || e2e_fail "no pop-up menu"
xdotool key Down Down Down Return
e2e_wait_for 20 bash -c "xwininfo -id $character | grep -q IsUnMapped" || e2e_fail "the menu's hide did not hide the character"

# Speak typed text: the character comes back, speaks in its balloon, hides again.
e2e_click "$win" 100 200
xdotool type --delay 10 "Hello from the test."
e2e_click "$win" 240 240
e2e_wait_for 20 e2e_traced 'Speak("Hello from the test.", omitted) -> ok' || e2e_fail "the text box was not spoken"
e2e_wait_for 20 e2e_traced_like '^request [0-9]+ started: Speak "Hello from the test."$' || e2e_fail "the speech did not start"
balloon_shown() { xdotool search --class '^clipvoice$' 2>/dev/null | while read -r id; do
    info=$(xwininfo -id "$id"); echo "$info" | grep -q IsViewable || continue
    w=$(echo "$info" | awk '/Width:/ {print $2}'); [ "$w" -gt 150 ] && [ "$w" -lt 466 ] && echo "$id"; done | grep -q .; }
e2e_wait_for 20 balloon_shown || e2e_fail "no balloon showed the speech"
e2e_wait_for 40 e2e_traced_like '^request [0-9]+ started: Hide$' || e2e_fail "the character was not hidden after speaking"
e2e_wait_for 20 bash -c "xwininfo -id $character | grep -q IsUnMapped" || e2e_fail "the character stayed on screen"
[ -s "$CLIPVOICE_AUDIO_FILE" ] || e2e_fail "nothing was heard"

# Stop: the character thinks "oops!".
e2e_click "$win" 256 240
e2e_wait_for 10 e2e_traced 'Stop(omitted) -> ok' || e2e_fail "stop was not asked for"
e2e_wait_for 10 e2e_traced 'Think("oops!") -> ok' || e2e_fail "no oops"

# The options command of the pop-up menu opens the property sheet.
e2e_click "$win" 92 104 # load again: shown, so the menu can be opened
e2e_wait_for 20 e2e_window_sized 128 128 >/dev/null || e2e_fail "the character did not come back"
character=$(e2e_window_sized 128 128)
xdotool mousemove --window "$character" 64 64 click 3
e2e_wait_for 10 menu_open || e2e_fail "no pop-up menu"
xdotool key Down Return
e2e_wait_for 10 e2e_traced 'event Command("AdvCharOptions")' || e2e_fail "the options command was not raised"
e2e_wait_for 10 e2e_traced 'PropertySheet.Visible(true) -> ok' || e2e_fail "the property sheet was not asked for"
sheet_open() { xdotool search --name 'キャラクタのオプション' 2>/dev/null | grep -q .; }
e2e_wait_for 10 sheet_open || e2e_fail "the property sheet did not open"
kill -0 "$pid" || e2e_fail "the program ended"
e2e_log "PASS"
