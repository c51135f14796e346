#!/usr/bin/env bash
# Bad input never ends the program: binary, NUL-laden and invalid UTF-8
# clipboard contents, a text of separators only, a large text, a character
# file deleted, truncated or replaced after the catalogue was built, and a damaged
# settings file. The program keeps running and keeps answering.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
e2e_new_trace
export CLIPVOICE_AUDIO_FILE="$E2E_DIR/audio.wav"
mkdir -p "$XDG_CONFIG_HOME/clipvoice"
printf '\x00\xff[q7a\nlang=\x01garbage\n[[[' >"$(e2e_settings_file)"

e2e_start_program first
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "a damaged settings file stopped the start"
win=$(e2e_main_window_of "$pid")
chars="$XDG_DATA_HOME/clipvoice/msagent/chars"

# Break both characters after the catalogue was built: puff is truncated,
# bubble deleted. Clicking them fails the load quietly.
head -c 3000 "$chars/puff.acs" >"$E2E_DIR/puff.part" && mv "$E2E_DIR/puff.part" "$chars/puff.acs"
cp "$chars/bubble.acs" "$E2E_DIR/bubble.acs"
rm "$chars/bubble.acs"
e2e_click "$win" 92 104
e2e_wait_for 15 e2e_traced_like '^Characters.Load\("clipvoice", "bubble.acs"\) -> failed: ' || e2e_fail "loading a deleted file did not fail"
e2e_click "$win" 92 122
e2e_wait_for 15 e2e_traced_like '^Characters.Load\("clipvoice", "puff.acs"\) -> failed: .*' || e2e_fail "loading a truncated file did not fail"
kill -0 "$pid" || e2e_fail "a broken character file ended the program"
# Replaced by another file that only starts like a character file.
{ printf '\xC3\xAB\xCD\xAB'; head -c 100000 /dev/urandom; } >"$chars/puff.acs"
# (A click on another node first, so the two clicks on puff are no double-click.)
e2e_click "$win" 92 104
bubble_failed_twice() { [ "$(grep -cE '^Characters.Load\("clipvoice", "bubble.acs"\) -> failed: ' "$E2E_TRACE")" -ge 2 ]; }
e2e_wait_for 15 bubble_failed_twice || e2e_fail "loading the deleted file again did not fail"
e2e_click "$win" 92 122
puff_failed_twice() { [ "$(grep -cE '^Characters.Load\("clipvoice", "puff.acs"\) -> failed: ' "$E2E_TRACE")" -ge 2 ]; }
e2e_wait_for 15 puff_failed_twice || e2e_fail "loading a replaced file did not fail"
kill -0 "$pid" || e2e_fail "a replaced character file ended the program"

# Put bubble back and load it, so copied text is taken.
cp "$E2E_DIR/bubble.acs" "$chars/bubble.acs"
e2e_click "$win" 92 104
e2e_wait_for 15 e2e_traced 'Characters.Load("clipvoice", "bubble.acs") -> ok' || e2e_fail "bubble did not load again"

# Each copy is taken at a tick (the clipboard empties) and the program lives on.
copy_and_wait() {
    xclip -selection clipboard -i "$1"
    e2e_wait_for 15 e2e_clipboard_is_empty || e2e_fail "$2 was not taken"
    kill -0 "$pid" || e2e_fail "$2 ended the program"
}
printf 'before\0after NUL' >"$E2E_DIR/nul.txt"
copy_and_wait "$E2E_DIR/nul.txt" "text with a NUL byte"
printf 'bad \xc3\x28 utf-8 \xff\xfe end' >"$E2E_DIR/utf8.txt"
copy_and_wait "$E2E_DIR/utf8.txt" "invalid UTF-8"
printf '\r\n\r\n\n\r\n' >"$E2E_DIR/separators.txt"
copy_and_wait "$E2E_DIR/separators.txt" "separators only"
head -c 200000 /dev/urandom >"$E2E_DIR/binary.bin"
copy_and_wait "$E2E_DIR/binary.bin" "random bytes as text"
python3 -c "import sys; sys.stdout.write('This is a line of a long copied text.\n' * 100000)" >"$E2E_DIR/large.txt"
copy_and_wait "$E2E_DIR/large.txt" "a 3.8 MB text of 100,000 lines"

# Still answering: stop the reading, and the character thinks "oops!".
e2e_click "$win" 256 240
e2e_wait_for 20 e2e_traced 'Think("oops!") -> ok' || e2e_fail "the program no longer answers"
kill -0 "$pid" || e2e_fail "the program ended"
e2e_log "PASS"
