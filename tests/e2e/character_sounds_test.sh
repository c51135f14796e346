#!/usr/bin/env bash
# A character's compressed frame sounds are heard: a character whose Show
# animation carries an MS ADPCM sound (made by sox, packed with acs-pack) is
# loaded from the tree, and its sound reaches the sound server's null sink
# before any speech. A second character whose sound is in a format no decoder
# handles loads too; the log names the character, the sound and the format tag.
source "$(dirname "$0")/lib.sh"
PACK="${2:?usage: $0 PATH-TO-clipvoice PATH-TO-acs-pack}"

command -v sox >/dev/null || { echo "SKIP: sox is not installed (Debian package sox)"; exit 77; }
command -v convert >/dev/null || { echo "SKIP: ImageMagick is not installed"; exit 77; }

e2e_start_xvfb
e2e_start_pulse

# The characters, in the user's character folder.
src="$E2E_DIR/src"
mkdir -p "$src"
convert -size 64x64 xc:'#3060c0' "$src/blue.png"
convert -size 64x64 xc:'#c06030' "$src/orange.png"
sox -n -r 22050 -c 1 -e ms-adpcm "$src/chime.wav" synth 1.5 sine 660 vol 0.6
sox -n -r 8000 -c 1 -b 16 -e signed-integer "$src/mute.wav" synth 1.5 sine 660 vol 0.6
# The same header with the tag of DSP Group TrueSpeech, which nothing decodes.
printf '\x22\x00' | dd of="$src/mute.wav" bs=1 seek=20 conv=notrunc status=none
[ "$(od -An -tx1 -j20 -N2 "$src/chime.wav" | tr -d ' ')" = 0200 ] \
    || e2e_fail "sox did not write an MS ADPCM sound"
manifest() { # NAME SOUND-FILE
    cat >"$src/$1.json" <<JSON
{
  "localized": [{"language": "0x0409", "name": "$1", "description": "sound test"}],
  "width": 64, "height": 64,
  "sounds": {"show": "$2"},
  "states": {"Showing": ["Show"], "Hiding": ["Hide"], "Speaking": ["RestPose"],
             "IdlingLevel1": ["RestPose"]},
  "animations": [
    {"name": "Show", "transition": "return", "return": "RestPose",
     "frames": [{"image": "orange.png", "duration": 30, "sound": "show"},
                {"image": "blue.png", "duration": 150}]},
    {"name": "RestPose", "frames": [{"image": "blue.png", "duration": 10}]},
    {"name": "Greet", "frames": [{"image": "orange.png", "duration": 20}]},
    {"name": "Hide", "frames": [{"image": "orange.png", "duration": 10}]}
  ]
}
JSON
}
chars="$XDG_DATA_HOME/clipvoice/msagent/chars"
mkdir -p "$chars"
manifest chime chime.wav
manifest mute mute.wav
"$PACK" -o "$chars/chime.acs" "$src/chime.json" >/dev/null || e2e_fail "acs-pack failed (chime)"
"$PACK" -o "$chars/mute.acs" "$src/mute.json" >/dev/null || e2e_fail "acs-pack failed (mute)"

e2e_new_trace
e2e_start_program first
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")

rm -f "$E2E_DIR/heard" "$E2E_DIR/heard.ready"
python3 "$(dirname "$0")/listen_for_sound.py" clipvoice_sink.monitor "$E2E_DIR/heard" 20 &
listener=$!
e2e_wait_for 10 test -f "$E2E_DIR/heard.ready" || e2e_fail "the recording did not start"
# Rows 4 and 5 of the tree: the user's characters chime, then mute.
e2e_click "$win" 92 104
e2e_wait_for 30 e2e_traced 'Characters.Load("clipvoice", "chime.acs") -> ok' \
    || e2e_fail "chime did not load: $(grep -F 'Characters.Load' "$E2E_TRACE" || true)"
wait "$listener" || e2e_fail "the MS ADPCM sound of chime's Show animation was never heard"
read -r heard peak _ <"$E2E_DIR/heard"
# Nothing else speaks: no line was given to the character.
e2e_traced_like 'started: Speak' && e2e_fail "something was spoken; the sound heard may be speech"
e2e_log "chime's Show sound heard (peak $peak)"
if grep -F 'chime' "$E2E_DIR/first.log" | grep -q 'is not played'; then
    e2e_fail "chime's sound was reported as not played"
fi

e2e_click "$win" 92 120
e2e_wait_for 30 e2e_traced 'Characters.Load("clipvoice", "mute.acs") -> ok' \
    || e2e_fail "mute did not load: $(grep -F 'Characters.Load' "$E2E_TRACE" || true)"
e2e_wait_for 20 grep -qF 'character "mute": sound 0 is not played: no decoder for DSP Group TrueSpeech (0x0022)' \
    "$E2E_DIR/first.log" || e2e_fail "the log does not name the sound that cannot be played"
[ "$(grep -c 'sound 0 is not played' "$E2E_DIR/first.log")" -eq 1 ] \
    || e2e_fail "the sound that cannot be played was logged more than once"
kill -0 "$pid" || e2e_fail "the program quit"
e2e_log "PASS"
