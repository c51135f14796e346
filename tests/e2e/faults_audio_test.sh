#!/usr/bin/env bash
# Sound faults never cost a copied text: with no sound server at all, copied
# lines are taken and spoken to their end (the speaker keeps time without
# sound); when the sound server dies in the middle of a line, that line ends,
# the program lives on and the next copy is spoken as well.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
# No sound server may be started behind the test's back, by the program or by pactl.
unset PULSE_SERVER
printf 'autospawn = no\n' >"$E2E_DIR/pulse-client.conf"
export PULSE_CLIENTCONFIG="$E2E_DIR/pulse-client.conf"
# English (US) in the picker; no frame sounds, so the only stream is speech.
mkdir -p "$XDG_CONFIG_HOME/clipvoice"
printf '[q7a]\nlang=2\n' >"$(e2e_settings_file)"
printf '[Sound]\nEffectsEnabled=false\n' >"$XDG_CONFIG_HOME/clipvoice/agent.ini"

# The number of the request that speaks the text (the last one, if spoken twice).
speak_request() {
    grep -F "started: Speak \"$1\"" "$E2E_TRACE" | tail -n1 | awk '{print $2}'
}
speak_started() { [ -n "$(speak_request "$1")" ]; }
request_finished() { e2e_traced_like "^request $1 finished: "; }

# Copies text and waits until every given line was spoken to its end.
copy_and_hear() {
    local text="$1" line number; shift
    printf '%s' "$text" | xclip -selection clipboard -i
    e2e_wait_for 15 e2e_clipboard_is_empty || e2e_fail "the copy was not taken: $text"
    for line in "$@"; do
        e2e_wait_for 30 speak_started "$line" || e2e_fail "no speech started for: $line"
        number=$(speak_request "$line")
        e2e_wait_for 60 e2e_traced "request $number finished: done" || e2e_fail "the speech did not finish: $line"
    done
}

# (a) No sound server: the program finds no sound device and speaks by the clock.
pactl info >/dev/null 2>&1 && e2e_fail "a sound server is reachable, so this is no test of none"
e2e_start_with_bubble silent
copy_and_hear $'Nobody can hear this line.\nNor this one.' 'Nobody can hear this line.' 'Nor this one.'
grep -q 'No sound device' "$E2E_DIR/silent.log" || e2e_fail "the program did not notice that there is no sound device"
kill -0 "$pid" || e2e_fail "the program ended without a sound device"
e2e_click "$win" 256 240
e2e_wait_for 20 e2e_traced 'Think("oops!") -> ok' || e2e_fail "the program no longer answers without a sound device"
kill "$pid"
wait "$pid" 2>/dev/null || true

# (b) The sound server is killed while a line is heard.
e2e_start_pulse
pulse_pid=${E2E_PIDS[-1]}
e2e_start_with_bubble heard
long='This rather long line of English text is still being read aloud when the sound server goes away, and the character must carry on to its end all the same.'
printf '%s' "$long" | xclip -selection clipboard -i
e2e_wait_for 30 speak_started "$long" || e2e_fail "the long line was not spoken"
long_request=$(speak_request "$long")
# Its audio reaches the sound server before the server is killed.
playing() { [ -n "$(pactl list short sink-inputs 2>/dev/null)" ]; }
e2e_wait_for 15 playing || e2e_fail "the long line never reached the sound server"
request_finished "$long_request" && e2e_fail "the long line ended before the sound server could be killed"
disown "$pulse_pid"
kill -9 "$pulse_pid"
e2e_wait_for 10 bash -c "! kill -0 $pulse_pid 2>/dev/null" || e2e_fail "the sound server did not die"
e2e_log "sound server killed while request $long_request was heard"
e2e_wait_for 60 request_finished "$long_request" || e2e_fail "the line heard when the sound server died never ended"
e2e_log "it ended: $(grep -E "^request $long_request finished: " "$E2E_TRACE")"
kill -0 "$pid" || e2e_fail "the program ended with its sound server"

copy_and_hear 'Copied after the sound server died.' 'Copied after the sound server died.'
e2e_click "$win" 256 240
e2e_wait_for 20 e2e_traced 'Think("oops!") -> ok' || e2e_fail "the program no longer answers"
kill -0 "$pid" || e2e_fail "the program ended"
e2e_log "PASS"
