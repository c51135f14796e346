#!/usr/bin/env bash
# Copied text is heard: a line copied with xclip reaches the sound server's
# null sink within 2.5 s of the copy; after switching the picker to German the
# next copy is spoken in German.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
e2e_start_pulse
e2e_new_trace
# Frame sound effects would be heard too; only speech is listened for here.
mkdir -p "$XDG_CONFIG_HOME/clipvoice"
printf '[Sound]\nEffectsEnabled=false\n' >"$XDG_CONFIG_HOME/clipvoice/agent.ini"

e2e_start_program first
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")
e2e_click "$win" 92 104
e2e_wait_for 30 e2e_traced_like '^request [0-9]+ started: Play "Greet"$' || e2e_fail "the character did not load and greet"
greet=$(grep -E '^request [0-9]+ started: Play "Greet"$' "$E2E_TRACE" | awk '{print $2}')
e2e_wait_for 30 e2e_traced "request $greet finished: done" || e2e_fail "the greeting did not end"

# No gesture before speaking (アニメーションを行う off), so the time measured
# is that of the clipboard tick and the voice alone.
e2e_click "$win" 294 110

# The picker's language by 1-based position.
choose_language() {
    e2e_click "$win" 368 50
    sleep 0.5
    xdotool key Home
    for ((i = 1; i < $1; ++i)); do xdotool key Down; done
    xdotool key Return
}
choose_language 2 # English (US)

# One copied line: measure from the copy to the first audible sound.
listen() {
    rm -f "$E2E_DIR/heard" "$E2E_DIR/heard.ready"
    python3 "$(dirname "$0")/listen_for_sound.py" clipvoice_sink.monitor "$E2E_DIR/heard" 15 \
        "$E2E_TRACE" "$1" &
    listener=$!
    e2e_wait_for 10 test -f "$E2E_DIR/heard.ready" || e2e_fail "the recording did not start"
}
listen 'Speak("Hello, this is a copied line.", omitted) -> ok'
copied=$(e2e_now)
printf 'Hello, this is a copied line.' | xclip -selection clipboard -i
wait "$listener" || e2e_fail "the copied line was never heard"
read -r heard peak ticked <"$E2E_DIR/heard"
delay=$(awk -v a="$heard" -v b="$copied" 'BEGIN { printf "%.3f", a - b }')
after_tick=$(awk -v a="$heard" -v b="$ticked" 'BEGIN { printf "%.3f", (b > 0 ? a - b : -1) }')
# The timer takes the copy at its next tick, at most 2 s later; the rest is
# the pipeline and the voice.
e2e_log "heard ${delay}s after the copy, ${after_tick}s after the tick took it (peak $peak)"
awk -v d="$delay" 'BEGIN { exit !(d <= 2.5) }' || e2e_fail "the line was heard only ${delay}s after the copy"
e2e_traced 'Speak("Hello, this is a copied line.", omitted) -> ok' || e2e_fail "the trace has no speech of the line"
e2e_traced 'LanguageID(1033) -> ok' || e2e_fail "the line was not spoken in English"

# When the English line has been spoken, choose German (position 8) in the
# picker and copy again: spoken in German.
line=$(grep -E '^request [0-9]+ started: Speak "Hello, this is a copied line."$' "$E2E_TRACE" | awk '{print $2}')
e2e_wait_for 30 e2e_traced "request $line finished: done" || e2e_fail "the English line did not end"
choose_language 8
listen 'Speak("Guten Tag, wie geht es Ihnen?", omitted) -> ok'
printf 'Guten Tag, wie geht es Ihnen?' | xclip -selection clipboard -i
wait "$listener" || e2e_fail "the German line was never heard"
e2e_wait_for 10 e2e_traced 'Speak("Guten Tag, wie geht es Ihnen?", omitted) -> ok' || e2e_fail "the German line was not spoken"
last_language=$(grep '^LanguageID(' "$E2E_TRACE" | tail -n1)
[ "$last_language" = "LanguageID(1031) -> ok" ] || e2e_fail "the German line was not spoken in German: $last_language"
e2e_log "PASS"
