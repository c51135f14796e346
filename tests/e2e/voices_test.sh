#!/usr/bin/env bash
# Natural voices in the running program: copied English is read by the most
# natural voice installed (RHVoice, with scripts/fetch-voices), the trace names
# it, its words reach the balloon and the character's mouth moves while it
# speaks, and sound is written. A voice chosen in the character's options
# (kept in agent.ini) speaks instead after a restart. Skipped (77) when
# RHVoice or Flite is not installed.
source "$(dirname "$0")/lib.sh"

rhvoice_installed() {
    [ -e /usr/lib/x86_64-linux-gnu/libRHVoice.so.5 ] || [ -e /usr/lib/libRHVoice.so.5 ]
}
flite_installed() {
    [ -e /usr/lib/x86_64-linux-gnu/libflite_cmu_us_slt.so.1 ] || [ -e /usr/lib/libflite_cmu_us_slt.so.1 ]
}
if ! rhvoice_installed || [ ! -d /usr/share/RHVoice/voices/slt ]; then
    echo "SKIP: RHVoice and its English voice Slt are not installed (scripts/fetch-voices en-US)"
    exit 77
fi
if ! flite_installed; then
    echo "SKIP: Flite is not installed (libflite1)"
    exit 77
fi

e2e_start_xvfb
export CLIPVOICE_AUDIO_FILE="$E2E_DIR/audio.wav"
mkdir -p "$XDG_CONFIG_HOME/clipvoice"
printf '[q7a]\nlang=2\n' >"$(e2e_settings_file)" # English (US)
printf '[Sound]\nEffectsEnabled=false\n' >"$XDG_CONFIG_HOME/clipvoice/agent.ini"

# Copies a line and waits until it has been spoken to its end; leaves the
# trace's "speech ended" line in $ended.
speak_copied() {
    local line="$1"
    printf '%s' "$line" | xclip -selection clipboard -i
    e2e_wait_for 20 e2e_traced "Speak(\"$line\", omitted) -> ok" || e2e_fail "the copy was not spoken: $line"
    e2e_wait_for 30 e2e_traced_like '^speech ended: ' || e2e_fail "the speech did not end: $line"
    ended=$(grep -E '^speech ended: ' "$E2E_TRACE" | tail -n1)
}

e2e_start_with_bubble rhvoice
speak_copied "Hello from the natural voice test. The mouth moves with every word."
grep -qE '^speech voice: RHVoice/' "$E2E_TRACE" \
    || e2e_fail "English was not read by RHVoice: $(grep '^speech voice' "$E2E_TRACE")"
words=$(sed -E 's/.*, ([0-9]+) words, ([0-9]+) mouth changes$/\1/' <<<"$ended")
mouths=$(sed -E 's/.*, ([0-9]+) words, ([0-9]+) mouth changes$/\2/' <<<"$ended")
[ "$words" -ge 10 ] || e2e_fail "only $words of the 13 words reached the balloon: $ended"
[ "$mouths" -ge 10 ] || e2e_fail "the mouth hardly moved ($mouths changes): $ended"
[ "$(stat -c %s "$CLIPVOICE_AUDIO_FILE")" -gt 48000 ] || e2e_fail "nothing was heard"
e2e_log "RHVoice: $ended"

# A voice chosen for English speaks after a restart.
kill "$pid"
e2e_wait_for 20 bash -c "! kill -0 $pid 2>/dev/null" || e2e_fail "the program did not end"
printf '[Sound]\nEffectsEnabled=false\n[Voices]\n1033=Flite/slt\n' >"$XDG_CONFIG_HOME/clipvoice/agent.ini"
e2e_start_with_bubble flite
speak_copied "This line is read by the voice chosen in the options."
e2e_traced 'speech voice: Flite/slt' || e2e_fail "the chosen voice did not speak: $(grep '^speech voice' "$E2E_TRACE")"
mouths=$(sed -E 's/.*, ([0-9]+) mouth changes$/\1/' <<<"$ended")
[ "$mouths" -ge 10 ] || e2e_fail "the mouth hardly moved with Flite ($mouths changes): $ended"
e2e_log "Flite: $ended"
e2e_log "PASS"
