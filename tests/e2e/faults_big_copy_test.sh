#!/usr/bin/env bash
# A copied text of 50 MB (a million lines) is taken and read from its first
# line on; the program's memory stays bounded and it keeps answering. The time
# the window cannot answer while it reads such a copy is measured and logged
# (from clicks, and from the program's own stall log).
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
e2e_new_trace
export CLIPVOICE_AUDIO_FILE="$E2E_DIR/audio.wav"
export CLIPVOICE_STALL_LOG="$E2E_DIR/stalls.txt"
mkdir -p "$XDG_CONFIG_HOME/clipvoice"
printf '[q7a]\nlang=2\n' >"$(e2e_settings_file)" # English (US)

e2e_start_program first
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")
e2e_click "$win" 92 104
e2e_wait_for 30 e2e_traced 'Characters.Load("clipvoice", "bubble.acs") -> ok' || e2e_fail "bubble did not load"
e2e_click "$win" 294 110 # no gesture before speaking

# 1,000,000 lines of 50 bytes.
python3 -c '
import sys
for i in range(1, 1000001):
    sys.stdout.write("Line %07d of a large copied text, read it all.\n" % i)
' >"$E2E_DIR/big.txt"
[ "$(stat -c %s "$E2E_DIR/big.txt")" = 50000000 ] || e2e_fail "the text is not 50 MB"
first='Line 0000001 of a large copied text, read it all.'
kib() { awk -v key="$1:" '$1 == key { print $2 }' "/proc/$pid/status"; }
thoughts() { grep -cxF 'Think("oops!") -> ok' "$E2E_TRACE" || true; }
speeches_of_first() { grep -cxF "Speak(\"$first\", omitted) -> ok" "$E2E_TRACE" || true; }
# Asks the clipboard only for its list of targets, and only once the program
# has read it: xclip, while it hands the 50 MB over, leaves other requests
# unanswered.
clipboard_taken() {
    local status=0
    timeout 5 xclip -selection clipboard -o -t TARGETS >/dev/null 2>&1 || status=$?
    [ "$status" != 0 ] && [ "$status" != 124 ]
}
# The longest hold-up of the window's thread noted since the given line of the stall log.
longest_stall_since() {
    tail -n +"$(($1 + 1))" "$CLIPVOICE_STALL_LOG" 2>/dev/null | awk '$1 == "stall" && $2 > m { m = $2 } END { print m + 0 }'
}
stall_lines() { [ -f "$CLIPVOICE_STALL_LOG" ] && wc -l <"$CLIPVOICE_STALL_LOG" || echo 0; }
seconds_since() { awk -v a="$(e2e_now)" -v b="$1" 'BEGIN { printf "%.2f", a - b }'; }

rss_before=$(kib VmRSS)
stalls=$(stall_lines)
copied=$(e2e_now)
xclip -selection clipboard -i "$E2E_DIR/big.txt"
e2e_wait_for 60 eval '[ "$(speeches_of_first)" = 1 ]' || e2e_fail "the 50 MB text was not read"
e2e_log "its first line handed to the character $(seconds_since "$copied") s after the copy (the clipboard is read every 2 s)"
e2e_wait_for 30 clipboard_taken || e2e_fail "the clipboard was not emptied after the 50 MB text was read"
e2e_wait_for 30 e2e_traced_like "^request [0-9]+ started: Speak \"$first\"$" || e2e_fail "the first line was not spoken"
kill -0 "$pid" || e2e_fail "the program ended"
if [ -f "$CLIPVOICE_STALL_LOG" ]; then
    e2e_log "the window's thread was held up for at most $(longest_stall_since "$stalls") ms meanwhile (0: never over 20 ms)"
fi
e2e_log "memory: $rss_before kB before, $(kib VmRSS) kB while reading, at most $(kib VmHWM) kB"
[ "$(kib VmHWM)" -lt 1048576 ] || e2e_fail "the program grew to $(kib VmHWM) kB"

# Still answering: stop, and the character thinks "oops!".
e2e_click_stop "$win"
e2e_wait_for 20 e2e_traced 'Think("oops!") -> ok' || e2e_fail "the program no longer answers"

# Copied again, while stop is clicked over and over, each click once the one
# before was answered: the longest wait for an answer is the time the window
# was held up by reading the copy. (Stop also ends the reading again.)
xclip -selection clipboard -i "$E2E_DIR/big.txt"
longest=0
answered_after_reading=0
deadline=$(( $(date +%s) + 60 ))
until [ "$(speeches_of_first)" -ge 2 ] && [ "$answered_after_reading" = 1 ]; do
    [ "$(date +%s)" -lt "$deadline" ] || e2e_fail "the second copy was not taken, or stop not answered"
    read_before=$([ "$(speeches_of_first)" -ge 2 ] && echo 1 || echo 0)
    before=$(thoughts)
    clicked=$(e2e_now)
    e2e_click_stop "$win"
    e2e_wait_for 60 eval '[ "$(thoughts)" -gt "$before" ]' || e2e_fail "a click on stop was never answered"
    waited=$(seconds_since "$clicked")
    e2e_gt "$waited" "$longest" && longest=$waited
    answered_after_reading=$read_before
done
e2e_log "the longest wait for an answer while the copy was read: $longest s"
kill -0 "$pid" || e2e_fail "the program ended"
e2e_log "memory at the end: $(kib VmRSS) kB, at most $(kib VmHWM) kB"

# And a small copy is read as usual.
printf 'A short line after the large ones.' | xclip -selection clipboard -i
e2e_wait_for 30 e2e_traced_like '^request [0-9]+ started: Speak "A short line after the large ones."$' \
    || e2e_fail "a short copy after the large one was not read"
e2e_log "PASS"
