#!/usr/bin/env bash
# The program keeps up under load and stays responsive: 1,000 quick rounds of
# speak and stop on its hot spots; characters reloaded again and again while
# a copied text is read; second starts (100, or E2E_SECOND_STARTS) while it
# reads, each refused without disturbing the reading.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
e2e_new_trace
export CLIPVOICE_AUDIO_FILE="$E2E_DIR/audio.wav"
mkdir -p "$XDG_CONFIG_HOME/clipvoice"
printf '[q7a]\nlang=2\n' >"$(e2e_settings_file)" # English (US)
printf '[Speech]\nRate=10\n' >"$XDG_CONFIG_HOME/clipvoice/agent.ini" # the fastest speech

e2e_start_program first
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")
e2e_click "$win" 92 104
e2e_wait_for 30 e2e_traced 'Characters.Load("clipvoice", "bubble.acs") -> ok' || e2e_fail "bubble did not load"

count() { grep -cxF "$1" "$E2E_TRACE" || true; }
speak_request() {
    grep -F "started: Speak \"$1\"" "$E2E_TRACE" | tail -n1 | awk '{print $2}'
}
speak_started() { [ -n "$(speak_request "$1")" ]; }
# Requests that were started and never finished.
unfinished_requests() {
    grep -oE '^request [0-9]+ (started|finished)' "$E2E_TRACE" | awk '
        $3 == "started" { open[$2] = 1 } $3 == "finished" { delete open[$2] }
        END { for (n in open) print n }'
}
all_requests_ended() { [ -z "$(unfinished_requests)" ]; }
thoughts() { count 'Think("oops!") -> ok'; }
# Stop is answered with "oops!" (used when no earlier click is still queued).
answers_stop() {
    local before
    before=$(thoughts)
    e2e_click_stop "$win"
    e2e_wait_for 30 eval '[ "$(thoughts)" -gt "$before" ]' || e2e_fail "stop was not answered: $1"
}
copy_is_spoken() {
    printf '%s' "$1" | xclip -selection clipboard -i
    e2e_wait_for 15 e2e_clipboard_is_empty || e2e_fail "the copy was not taken: $1"
    e2e_wait_for 30 speak_started "$1" || e2e_fail "the copy was not spoken: $1"
    e2e_wait_for 60 e2e_traced "request $(speak_request "$1") finished: done" || e2e_fail "the copy did not end: $1"
}

# (a) 1,000 rounds of speak (240,240) and stop (256,240) on typed text, sent
# as fast as xdotool can, in chunks of 100 rounds.
e2e_click "$win" 100 200
xdotool type --delay 10 "Speak and stop."
rounds=()
for ((i = 0; i < 100; ++i)); do
    rounds+=(mousemove --window "$win" 240 240 click --delay 0 1
             mousemove --window "$win" 256 240 click --delay 0 1)
done
started=$(e2e_now)
for ((chunk = 0; chunk < 10; ++chunk)); do xdotool "${rounds[@]}"; done
sent=$(e2e_now)
# One more stop, a few pixels from the last one so that the two are not a
# double-click. The clicks may still be queued when xdotool returns, so the
# rounds count as answered once every click has become its call of the
# service (each speak one Speak, each stop one Stop), not at the first
# "oops!" after this click.
e2e_click_stop "$win"
speaks() { count 'Speak("Speak and stop.", omitted) -> ok'; }
stops() { count 'Stop(omitted) -> ok'; }
rounds_taken() { [ "$(speaks)" -ge 1000 ] && [ "$(stops)" -ge 1001 ]; }
e2e_wait_for 60 rounds_taken \
    || e2e_fail "after 60 s, $(speaks) of 1,000 speak clicks and $(stops) of 1,001 stop clicks were taken"
e2e_log "1,000 rounds sent in $(awk -v a="$sent" -v b="$started" 'BEGIN { printf "%.1f", a - b }') s, all answered after $(awk -v a="$(e2e_now)" -v b="$started" 'BEGIN { printf "%.1f", a - b }') s"
# Every click arrives once: no call is lost or doubled.
[ "$(speaks)" = 1000 ] || e2e_fail "$(speaks) calls of Speak for 1,000 speak clicks"
[ "$(stops)" = 1001 ] || e2e_fail "$(stops) calls of Stop for 1,001 stop clicks"
e2e_wait_for 30 eval '[ "$(thoughts)" -ge 1001 ]' || e2e_fail "$(thoughts) of 1,001 stops were answered with \"oops!\""
e2e_wait_for 20 all_requests_ended || e2e_fail "requests never ended: $(unfinished_requests | head -n 5)"
e2e_log "memory after the rounds: $(awk '/VmRSS/ {print $2, $3}' "/proc/$pid/status")"
copy_is_spoken 'Copied after the rounds of speak and stop.'
# From here on no gesture before speaking (アニメーションを行う off): shorter waits.
e2e_click "$win" 294 110

# (b) Characters are reloaded while a copied text is read: puff, then bubble,
# three times over, clicked at once.
text=$'The first line of a text read while characters change.\nThe second line of that text.\nThe third line of that text.'
e2e_log "reloading characters while a text is read"
printf '%s' "$text" | xclip -selection clipboard -i
e2e_wait_for 30 speak_started 'The first line of a text read while characters change.' \
    || e2e_fail "the text read during reloading was not spoken"
bubbles=$(count 'Characters.Load("clipvoice", "bubble.acs") -> ok')
xdotool mousemove --window "$win" 92 122 click --delay 0 1 mousemove --window "$win" 92 104 click --delay 0 1 \
    mousemove --window "$win" 92 122 click --delay 0 1 mousemove --window "$win" 92 104 click --delay 0 1 \
    mousemove --window "$win" 92 122 click --delay 0 1 mousemove --window "$win" 92 104 click --delay 0 1
# (No stop click here: it would drop the last character's show and greeting.)
all_loaded() {
    [ "$(count 'Characters.Load("clipvoice", "puff.acs") -> ok')" = 3 ] &&
        [ "$(count 'Characters.Load("clipvoice", "bubble.acs") -> ok')" = $((bubbles + 3)) ]
}
e2e_wait_for 30 all_loaded || e2e_fail "not every click loaded its character: $(grep -c '^Characters.Load(' "$E2E_TRACE") loads"
[ "$(grep -E '^Characters.Load\(' "$E2E_TRACE" | tail -n1)" = 'Characters.Load("clipvoice", "bubble.acs") -> ok' ] \
    || e2e_fail "bubble was not the last character loaded"
e2e_wait_for 30 e2e_window_sized 128 128 >/dev/null || e2e_fail "no character is on screen after reloading"
kill -0 "$pid" || e2e_fail "the program ended while characters were reloaded"
copy_is_spoken 'Copied after the characters were reloaded.'

# (c) Second starts while a long text is read, four at a time: 100, or
# E2E_SECOND_STARTS (the sanitizer run uses fewer, as each start there is
# slow). Each shows its refusal, which is closed with Escape (its only
# button), and ends with status 1; the reading goes on undisturbed.
second_starts=${E2E_SECOND_STARTS:-100}
long=""
for ((i = 1; i <= 2 * second_starts + 10; ++i)); do long+="This is line $i of a long text, read while other copies start."$'\n'; done
e2e_log "starting a second copy $second_starts times while a text is read"
printf '%s' "$long" | xclip -selection clipboard -i
e2e_wait_for 30 speak_started 'This is line 1 of a long text, read while other copies start.' \
    || e2e_fail "the long text was not spoken"
before=$(wc -l <"$E2E_TRACE")
declare -A running=() # copy number -> process id
trap 'for copy in "${running[@]}"; do kill "$copy" 2>/dev/null || true; done; e2e_cleanup' EXIT
next=1
ended=0
# Keeps four copies starting, closes the refusals shown and collects the
# statuses of the copies that ended; true once all have ended.
refuse_second_starts() {
    local n box status
    while [ "${#running[@]}" -lt 4 ] && [ "$next" -le "$second_starts" ]; do
        "$CLIPVOICE_BIN" >"$E2E_DIR/second-$next.out" 2>&1 &
        running[$next]=$!
        next=$((next + 1))
    done
    for n in "${!running[@]}"; do
        kill -0 "${running[$n]}" 2>/dev/null && continue
        status=0
        wait "${running[$n]}" || status=$?
        [ "$status" = 1 ] || e2e_fail "second start $n ended with status $status"
        grep -q '既に起動されています' "$E2E_DIR/second-$n.out" || e2e_fail "second start $n did not report the refusal"
        unset "running[$n]"
        ended=$((ended + 1))
    done
    # One search for all refusals shown (the first copy's windows aside).
    for box in $(xdotool search --onlyvisible --name '^ClipVoice 1\.0$' 2>/dev/null); do
        [[ " ${running[*]} " == *" $(xdotool getwindowpid "$box" 2>/dev/null) "* ]] || continue
        timeout 5 xdotool windowfocus --sync "$box" key Escape 2>/dev/null || true
    done
    [ "$ended" = "$second_starts" ]
}
started=$(e2e_now)
deadline=$(( $(date +%s) + 30 + 2 * second_starts ))
until refuse_second_starts; do
    [ "$(date +%s)" -lt "$deadline" ] || e2e_fail "only $ended of $second_starts second starts ended"
    sleep 0.2
done
e2e_log "$second_starts second starts refused in $(awk -v a="$(e2e_now)" -v b="$started" 'BEGIN { printf "%.1f", a - b }') s"
kill -0 "$pid" || e2e_fail "the first copy ended"
# Nothing was interrupted or failed while they started, and the text is still read.
tail -n +"$((before + 1))" "$E2E_TRACE" | grep -E '^request [0-9]+ finished: ' | grep -v 'finished: done$' \
    && e2e_fail "a request was disturbed by the second starts"
[ -n "$(unfinished_requests)" ] || e2e_fail "the long text was no longer being read"
e2e_log "lines of the long text read meanwhile: $(tail -n +"$((before + 1))" "$E2E_TRACE" | grep -c 'started: Speak "This is line')"
answers_stop "after the second starts"
copy_is_spoken 'Copied after the second starts.'
e2e_log "memory at the end: $(awk '/VmRSS/ {print $2, $3}' "/proc/$pid/status")"
e2e_log "PASS"
