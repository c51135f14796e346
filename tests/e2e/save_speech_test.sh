#!/usr/bin/env bash
# The character's pop-up menu saves what the text box holds, spoken, to a
# sound file: the command asks for a file name, the save runs beside the
# window, and the file decodes to speech of the program's output format.
source "$(dirname "$0")/lib.sh"

command -v python3 >/dev/null || { echo "SKIP: python3 is not installed"; exit 77; }

e2e_start_xvfb
e2e_new_trace
export CLIPVOICE_AUDIO_FILE="$E2E_DIR/audio.wav"

e2e_start_program first
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")

e2e_click "$win" 92 104 # bubble
e2e_wait_for 30 e2e_traced 'Commands.Add("SaveSpeech", "読み上げ音声をファイルに保存(&S)...", omitted, omitted, omitted) -> ok' ||
    e2e_fail "the save command was not added"
e2e_wait_for 20 e2e_window_sized 128 128 >/dev/null || e2e_fail "no character window appeared"
character=$(e2e_window_sized 128 128)
e2e_wait_for 20 e2e_traced_like '^request [0-9]+ finished: done$' || true

e2e_click "$win" 100 200
xdotool type --delay 10 "Saved to a file."
xdotool key Return
xdotool type --delay 10 "Second line."

# The program's second command, below the options command.
menu_open() { xdotool search --class '^clipvoice$' 2>/dev/null | while read -r id; do
    xwininfo -id "$id" | grep -q IsViewable && xwininfo -id "$id" | grep -qE 'Height: ([6-9][0-9])$' && echo "$id"; done | grep -q .; }
xdotool mousemove --window "$character" 64 64 click 3
e2e_wait_for 10 menu_open || e2e_fail "no pop-up menu"
xdotool key Down Down Return
e2e_wait_for 10 e2e_traced 'event Command("SaveSpeech")' || e2e_fail "the save command was not raised"

file_dialog() { xdotool search --onlyvisible --name '^読み上げ音声の保存$' 2>/dev/null | head -n1; }
e2e_wait_for 20 bash -c "xdotool search --onlyvisible --name '^読み上げ音声の保存\$' >/dev/null 2>&1" ||
    e2e_fail "no file dialog appeared"
xdotool windowfocus --sync "$(file_dialog)" 2>/dev/null || true
target="$E2E_DIR/saved speech"
xdotool type --delay 10 "$target"
xdotool key Return

# The dialog's file type, WAV, adds its extension.
e2e_wait_for 20 e2e_traced "SaveSpeech(\"Saved to a file.\\nSecond line.\", \"$target.wav\") -> ok" ||
    e2e_fail "the text box was not saved: $(grep SaveSpeech "$E2E_TRACE")"
e2e_wait_for 60 e2e_traced_like '^speech file saved: [0-9]+ samples, 0 lines left out$' ||
    e2e_fail "the save did not complete: $(grep -E 'speech file|SaveSpeech' "$E2E_TRACE")"
save=$(grep -E '^request [0-9]+ started: SaveSpeech ' "$E2E_TRACE" | awk '{print $2}')
e2e_wait_for 10 e2e_traced "request $save finished: done" || e2e_fail "the save's request did not end done"

python3 - "$target.wav" <<'PY' || e2e_fail "the saved file is not the expected speech"
import sys, wave, array
with wave.open(sys.argv[1]) as w:
    assert w.getnchannels() == 1 and w.getsampwidth() == 2 and w.getframerate() == 48000, w.getparams()
    frames = w.readframes(w.getnframes())
samples = array.array("h", frames)
assert len(samples) > 48000, len(samples)  # more than a second of speech
loud = sum(1 for s in samples if abs(s) > 2000)
assert loud > 1000, loud
print("saved", len(samples), "samples,", loud, "loud")
PY
ls -a "$E2E_DIR" | grep -q 'saved speech.wav.' && e2e_fail "a temporary file was left: $(ls -a "$E2E_DIR")"
kill -0 "$pid" || e2e_fail "the program ended"
e2e_log "PASS"
