#!/usr/bin/env bash
# Reading settings in the running program: with both reading switches on in
# agent.ini and a pronunciation dictionary in the data folder, a copied line
# reaches the voice rewritten (the trace shows what the engine was given)
# while its words still reach the balloon. The dictionary file has a damaged
# line: it is kept aside, reported in the log, and the sound entries work.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
export CLIPVOICE_AUDIO_FILE="$E2E_DIR/audio.wav"
mkdir -p "$XDG_CONFIG_HOME/clipvoice" "$XDG_DATA_HOME/clipvoice"
printf '[q7a]\nlang=2\n' >"$(e2e_settings_file)" # English (US)
printf '[Sound]\nEffectsEnabled=false\n[Reading]\nAddressesAsHostName=true\nShortenRepeats=true\n' \
    >"$XDG_CONFIG_HOME/clipvoice/agent.ini"
dictionary="$XDG_DATA_HOME/clipvoice/dictionary.tsv"
printf 'written\tspoken\tlanguage\nClipVoice\tclip voice\t\nthis line has no tab\nSQL\tsequel\ten\nSQL\tエスキューエル\tja\n' \
    >"$dictionary"

e2e_start_with_bubble reading
line="ClipVoice reads SQL at https://www.example.org/some/path wwwwwwww"
printf '%s' "$line" | xclip -selection clipboard -i
e2e_wait_for 20 e2e_traced "Speak(\"$line\", omitted) -> ok" || e2e_fail "the copy was not spoken"
e2e_wait_for 30 e2e_traced_like '^speech ended: ' || e2e_fail "the speech did not end"
e2e_traced 'speech reading: clip voice reads sequel at example.org www' \
    || e2e_fail "the engine was not given the rewritten line: $(grep '^speech reading' "$E2E_TRACE" || true)"
ended=$(grep -E '^speech ended: ' "$E2E_TRACE" | tail -n1)
words=$(sed -E 's/.*, ([0-9]+) words, ([0-9]+) mouth changes$/\1/' <<<"$ended")
[ "$words" -ge 5 ] || e2e_fail "only $words words reached the balloon: $ended"

# The damaged line: the file as it was is kept aside, and the log says where.
aside=$(ls "$dictionary".damaged-* 2>/dev/null | head -n1)
[ -n "$aside" ] || e2e_fail "the damaged dictionary was not kept aside"
grep -q 'this line has no tab' "$aside" || e2e_fail "the kept file is not the damaged one"
grep -q 'this line has no tab' "$dictionary" && e2e_fail "the damaged line is still in the dictionary"
grep -q "pronunciation dictionary .* is damaged .*line 3.*$(basename "$aside")" "$E2E_DIR/reading.log" \
    || e2e_fail "the damaged dictionary was not logged"
e2e_log "reading: $ended"
e2e_log "PASS"
