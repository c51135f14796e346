#!/usr/bin/env bash
# Each character speaks in its own voice: a woman's character and a man's
# (made with acs-pack, their files' voice blocks saying gender, speed and
# pitch) are loaded one after the other and read the same copied line. The
# trace names a different voice for each, and the woman's line, recorded,
# is measured higher than the man's.
source "$(dirname "$0")/lib.sh"
PACK="${2:?usage: $0 PATH-TO-clipvoice PATH-TO-acs-pack}"

command -v convert >/dev/null || { echo "SKIP: ImageMagick is not installed"; exit 77; }

e2e_start_xvfb
export CLIPVOICE_AUDIO_FILE="$E2E_DIR/audio.wav"
mkdir -p "$XDG_CONFIG_HOME/clipvoice"
printf '[q7a]\nlang=2\n' >"$(e2e_settings_file)" # English (US)

src="$E2E_DIR/src"
mkdir -p "$src"
convert -size 64x64 xc:'#c05080' "$src/face.png"
manifest() { # NAME GENDER PITCH SPEED
    cat >"$src/$1.json" <<JSON
{
  "localized": [{"language": "0x0409", "name": "$1", "description": "voice test"}],
  "width": 64, "height": 64,
  "voice": {"speed": $4, "pitch": $3, "language": "0x0409", "gender": "$2", "age": 30},
  "states": {"Showing": ["Show"], "Hiding": ["Hide"], "Speaking": ["RestPose"]},
  "animations": [
    {"name": "Show", "frames": [{"image": "face.png", "duration": 10}]},
    {"name": "RestPose", "frames": [{"image": "face.png", "duration": 10}]},
    {"name": "Greet", "frames": [{"image": "face.png", "duration": 10}]},
    {"name": "Hide", "frames": [{"image": "face.png", "duration": 10}]}
  ]
}
JSON
}
chars="$XDG_DATA_HOME/clipvoice/msagent/chars"
mkdir -p "$chars"
manifest anna female 230 160
manifest bert male 105 160
for name in anna bert; do
    "$PACK" -o "$chars/$name.acs" "$src/$name.json" >/dev/null || e2e_fail "acs-pack failed ($name)"
done

e2e_new_trace
e2e_start_program first
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")
e2e_click "$win" 294 110 # gestures off: a copy is read at once

line="Every character reads this line in a voice of its own."
samples_bytes() { # the bytes of samples in the recording so far
    local size
    size=$(stat -c %s "$CLIPVOICE_AUDIO_FILE" 2>/dev/null || echo 44)
    echo $((size - 44))
}
# Loads the character in tree row $2 (y) and has it read the line; waits
# until the line has been heard to the end.
speak_as() { # NAME Y
    e2e_click "$win" 92 "$2"
    e2e_wait_for 30 e2e_traced "Characters.Load(\"clipvoice\", \"$1.acs\") -> ok" \
        || e2e_fail "$1 did not load: $(grep -F 'Characters.Load' "$E2E_TRACE" || true)"
    local ended
    ended=$(grep -c '^speech ended: ' "$E2E_TRACE" || true)
    printf '%s' "$line" | xclip -selection clipboard -i
    e2e_wait_for 60 bash -c "[ \$(grep -c '^speech ended: ' '$E2E_TRACE') -gt $ended ]" \
        || e2e_fail "$1 did not read the line"
}
speak_as anna 104
split=$(samples_bytes)
speak_as bert 120
end=$(samples_bytes)

mapfile -t settings < <(grep '^speech settings: ' "$E2E_TRACE")
[ "${#settings[@]}" -ge 2 ] || e2e_fail "the trace has no voice settings for both lines"
voice_of() { sed -E 's/^speech settings: voice ([^,]+),.*/\1/' <<<"$1"; }
first=$(voice_of "${settings[0]}")
second=$(voice_of "${settings[-1]}")
e2e_log "anna: ${settings[0]}"
e2e_log "bert: ${settings[-1]}"
[ "$first" != "$second" ] || e2e_fail "both characters spoke with $first"

pitch_anna=$(python3 "$(dirname "$0")/voice_pitch.py" "$CLIPVOICE_AUDIO_FILE" 0 "$split")
pitch_bert=$(python3 "$(dirname "$0")/voice_pitch.py" "$CLIPVOICE_AUDIO_FILE" "$split" "$end")
e2e_log "measured pitch: anna $pitch_anna Hz, bert $pitch_bert Hz"
awk -v a="$pitch_anna" -v b="$pitch_bert" 'BEGIN { exit !(b > 0 && a > 1.25 * b) }' \
    || e2e_fail "the woman's voice was not measured higher (anna $pitch_anna Hz, bert $pitch_bert Hz)"
kill -0 "$pid" || e2e_fail "the program quit"
e2e_log "PASS"
