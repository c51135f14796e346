#!/usr/bin/env bash
# Japanese is never lost to Open JTalk: without a usable Open JTalk (its voice
# file missing) Japanese lines are spoken by espeak-ng; when open_jtalk is
# killed again and again while a long text is read, every line still ends,
# the program lives on, and Open JTalk speaks the next copy.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
# open_jtalk is reached through a wrapper that notes each start, so the test
# sees whether Open JTalk was used.
real_jtalk=$(command -v open_jtalk) || e2e_fail "open_jtalk is not installed"
mkdir -p "$E2E_DIR/bin"
cat >"$E2E_DIR/bin/open_jtalk" <<WRAPPER
#!/bin/sh
echo started >>"$E2E_DIR/jtalk-runs"
exec "$real_jtalk" "\$@"
WRAPPER
chmod +x "$E2E_DIR/bin/open_jtalk"
export PATH="$E2E_DIR/bin:$PATH"
# The fastest speech rate keeps the test short.
mkdir -p "$XDG_CONFIG_HOME/clipvoice"
printf '[Speech]\nRate=10\n' >"$XDG_CONFIG_HOME/clipvoice/agent.ini"
jtalk_runs() { [ -f "$E2E_DIR/jtalk-runs" ] && wc -l <"$E2E_DIR/jtalk-runs" || echo 0; }

speak_request() {
    grep -F "started: Speak \"$1\"" "$E2E_TRACE" | tail -n1 | awk '{print $2}'
}
speak_started() { [ -n "$(speak_request "$1")" ]; }

# The loudest sample written to the audio file after its first `from` bytes.
audio_peak_after() {
    python3 - "$CLIPVOICE_AUDIO_FILE" "$1" <<'PEAK'
import array, sys
data = open(sys.argv[1], "rb").read()[44 + int(sys.argv[2]):]
samples = array.array("h", data[: len(data) // 2 * 2])
print(max((abs(s) for s in samples), default=0))
PEAK
}
audio_bytes() { [ -f "$CLIPVOICE_AUDIO_FILE" ] && stat -c %s "$CLIPVOICE_AUDIO_FILE" || echo 44; }

# Each program below starts with the picker on its default language,
# Japanese, and writes its audio to a file of its own.

# (a) Open JTalk's voice file is missing: Open JTalk is unusable, espeak-ng speaks.
export CLIPVOICE_HTS_VOICE="$E2E_DIR/missing/nitech_jp_atr503_m001.htsvoice"
export CLIPVOICE_AUDIO_FILE="$E2E_DIR/audio-espeak.wav"
e2e_start_with_bubble espeak
line='こんにちは、今日は良い天気ですね。'
printf '%s' "$line" | xclip -selection clipboard -i
e2e_wait_for 15 e2e_clipboard_is_empty || e2e_fail "the Japanese copy was not taken"
e2e_wait_for 30 speak_started "$line" || e2e_fail "the Japanese line was not spoken"
e2e_traced 'LanguageID(1041) -> ok' || e2e_fail "the line was not spoken in Japanese (the picker's default)"
e2e_wait_for 60 e2e_traced "request $(speak_request "$line") finished: done" || e2e_fail "the Japanese line did not end"
[ "$(jtalk_runs)" = 0 ] || e2e_fail "open_jtalk was run although its voice is missing"
[ "$(audio_bytes)" -gt $((44 + 48000)) ] || e2e_fail "less than half a second was heard: $(audio_bytes) bytes"
[ "$(audio_peak_after 0)" -gt 1000 ] || e2e_fail "the Japanese line was silent"
kill "$pid"
wait "$pid" 2>/dev/null || true
unset CLIPVOICE_HTS_VOICE

# (b) open_jtalk is killed as soon as it is seen, again and again, while a
# text of three lines of two sentences each is read.
export CLIPVOICE_AUDIO_FILE="$E2E_DIR/audio-jtalk.wav"
e2e_start_with_bubble jtalk
lines=('吾輩は猫である。名前はまだ無い。'
       'どこで生れたかとんと見当がつかぬ。何でも薄暗い所で泣いていた。'
       '吾輩はここで始めて人間というものを見た。それは書生という人間であった。')
printf '%s\n%s\n%s' "${lines[@]}" | xclip -selection clipboard -i
all_ended() {
    local line number
    for line in "${lines[@]}"; do
        number=$(speak_request "$line")
        [ -n "$number" ] && e2e_traced_like "^request $number finished: " || return 1
    done
}
# Kills the program's own open_jtalk children as soon as they are seen, until
# every line has ended.
while :; do
    for jtalk in $(pgrep -P "$pid" -x open_jtalk); do
        kill -9 "$jtalk" 2>/dev/null && echo "$jtalk" >>"$E2E_DIR/jtalk-kills"
    done
    sleep 0.02
done &
killer=$!
E2E_PIDS+=("$killer")
e2e_wait_for 90 all_ended || e2e_fail "not every line ended while open_jtalk was killed"
kill "$killer"
wait "$killer" 2>/dev/null || true
kills=$([ -f "$E2E_DIR/jtalk-kills" ] && wc -l <"$E2E_DIR/jtalk-kills" || echo 0)
e2e_log "open_jtalk started $(jtalk_runs) times, killed $kills times"
[ "$kills" -gt 0 ] || e2e_fail "open_jtalk never ran while the text was read (is its voice installed? scripts/fetch-voices ja)"
for line in "${lines[@]}"; do
    e2e_traced "request $(speak_request "$line") finished: done" \
        || e2e_fail "a line was lost: $(grep -E "^request $(speak_request "$line") finished" "$E2E_TRACE")"
done
[ "$(audio_peak_after 0)" -gt 1000 ] || e2e_fail "nothing was heard of the text"
kill -0 "$pid" || e2e_fail "the program ended"

# A later copy is spoken by Open JTalk again.
runs=$(jtalk_runs)
heard=$(audio_bytes)
later='それでも猫は元気です。'
printf '%s' "$later" | xclip -selection clipboard -i
e2e_wait_for 30 speak_started "$later" || e2e_fail "the later copy was not spoken"
e2e_wait_for 60 e2e_traced "request $(speak_request "$later") finished: done" || e2e_fail "the later copy did not end"
[ "$(jtalk_runs)" -gt "$runs" ] || e2e_fail "Open JTalk was not used again after it was killed"
[ "$(audio_peak_after $((heard - 44)))" -gt 1000 ] || e2e_fail "the later copy was silent"
e2e_click "$win" 256 240
e2e_wait_for 20 e2e_traced 'Think("oops!") -> ok' || e2e_fail "the program no longer answers"
kill -0 "$pid" || e2e_fail "the program ended"
e2e_log "PASS"
