#!/usr/bin/env bash
# The idle cost of watching the primary selection: the real program under
# Xvfb, a character loaded and idling, clipboard watching on and a selection
# that does not change, watched for a period with the option off, on with a
# short selection, and on with one just under the size that is still checked
# for changes made in place. Prints one JSON object: CPU time (user + system,
# percent of one core) and wake-ups (context switches of all threads) of the
# program's process, and the CPU time of the selection's owner (xclip), which
# answers the reads.
#
#   bench/selection_idle.sh BUILD-DIR [SECONDS]
set -euo pipefail
build="$(cd "${1:?usage: $0 BUILD-DIR [SECONDS]}" && pwd)"
seconds="${2:-60}"
source "$(dirname "$0")/../tests/e2e/lib.sh" "$build/app/clipvoice"
exec 3>&1 1>&2 # progress to stderr, the JSON to the original stdout

e2e_start_xvfb
export CLIPVOICE_AUDIO_FILE="$E2E_DIR/audio.wav"
export CLIPVOICE_HOME_URL="http://127.0.0.1:9/"
mkdir -p "$(dirname "$(e2e_settings_file)")"
hz=$(getconf CLK_TCK)

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null \
        | awk '/^(voluntary|nonvoluntary)_ctxt_switches/ { n += $2 } END { print n + 0 }'
}

# One period: $1 names it, $2 is the stored option (0 or 1), $3 the number of
# characters selected. Sets cpu (percent), wakeups (per s) and owner_cpu
# (percent).
measure() {
    local name="$1" option="$2" size="$3"
    printf '[q7a]\nreadSelection=%s\n' "$option" >"$(e2e_settings_file)"
    # A static selection, held by xclip in the foreground. Made before the
    # start, it is what the watcher compares with, and is not spoken: the
    # period measures watching, not speaking.
    python3 -c "import sys; sys.stdout.write(('selected text, ' * ($size // 15 + 1))[:$size])" >"$E2E_DIR/selected.txt"
    xclip -quiet -selection primary -i "$E2E_DIR/selected.txt" >/dev/null 2>&1 &
    local owner=$!
    E2E_PIDS+=("$owner")
    e2e_new_trace "$name"
    e2e_start_program "$name"
    local pid=$E2E_LAST_PID
    e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear ($name)"
    local win
    win=$(e2e_main_window_of "$pid")
    e2e_click "$win" 92 104
    e2e_wait_for 30 e2e_traced_like '^request [0-9]+ started: Play "Greet"$' || e2e_fail "the character did not load ($name)"
    local greet
    greet=$(grep -E '^request [0-9]+ started: Play "Greet"$' "$E2E_TRACE" | awk '{print $2}')
    e2e_wait_for 30 e2e_traced "request $greet finished: done" || e2e_fail "the greeting did not end ($name)"
    xdotool mousemove 0 0
    sleep 3 # the watcher's first look at the selection
    local c0 s0 o0 start c1 s1 o1 elapsed
    c0=$(cpu_ticks "$pid") s0=$(switches "$pid") o0=$(cpu_ticks "$owner")
    start=$(date +%s.%N)
    e2e_log "$name: idling for $seconds s"
    sleep "$seconds"
    c1=$(cpu_ticks "$pid") s1=$(switches "$pid") o1=$(cpu_ticks "$owner")
    elapsed=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { print e - s }')
    kill -0 "$pid" || e2e_fail "the program ended while idle ($name)"
    kill -0 "$owner" || e2e_fail "the selection's owner ended ($name)"
    grep -qE '^request [0-9]+ started: Speak ' "$E2E_TRACE" && e2e_fail "something was spoken while idle ($name)"
    # With the option on, it was watching all along: a new selection is spoken.
    if [ "$option" = 1 ]; then
        printf 'a new selection' | xclip -selection primary -i
        e2e_wait_for 20 e2e_traced_like '^request [0-9]+ started: Speak "a new selection"$' \
            || e2e_fail "a new selection was not spoken ($name)"
    fi
    kill "$pid" "$owner" 2>/dev/null || true
    e2e_wait_for 20 bash -c "! kill -0 $pid 2>/dev/null" || e2e_fail "the program did not end ($name)"
    cpu=$(awk -v a="$c0" -v b="$c1" -v el="$elapsed" -v hz="$hz" 'BEGIN { printf "%.3f", (b - a) / hz / el * 100 }')
    wakeups=$(awk -v a="$s0" -v b="$s1" -v el="$elapsed" 'BEGIN { printf "%.1f", (b - a) / el }')
    owner_cpu=$(awk -v a="$o0" -v b="$o1" -v el="$elapsed" -v hz="$hz" 'BEGIN { printf "%.3f", (b - a) / hz / el * 100 }')
}

# A first start copies the shipped characters; it is not measured.
e2e_start_program first-start
e2e_wait_for 60 e2e_has_main_window "$E2E_LAST_PID" || e2e_fail "the main window did not appear at the first start"
kill "$E2E_LAST_PID"
e2e_wait_for 20 bash -c "! kill -0 $E2E_LAST_PID 2>/dev/null" || e2e_fail "the first start did not end"

measure off 0 200
off_cpu=$cpu off_wake=$wakeups
measure on 1 200
on_cpu=$cpu on_wake=$wakeups on_owner=$owner_cpu
measure on-large 1 60000
large_cpu=$cpu large_wake=$wakeups large_owner=$owner_cpu
e2e_log "off: $off_cpu % ($off_wake wake-ups/s); on: $on_cpu % ($on_wake/s); on, 60,000 characters: $large_cpu % ($large_wake/s)"

printf '{"selection_idle_seconds": %s, "idle_cpu_percent_selection_off": %s, "idle_wakeups_per_s_selection_off": %s, "idle_cpu_percent_selection_on": %s, "idle_wakeups_per_s_selection_on": %s, "idle_cpu_percent_selection_on_60k": %s, "idle_wakeups_per_s_selection_on_60k": %s, "selection_owner_cpu_percent_on": %s, "selection_owner_cpu_percent_on_60k": %s}\n' \
    "$seconds" "$off_cpu" "$off_wake" "$on_cpu" "$on_wake" "$large_cpu" "$large_wake" "$on_owner" "$large_owner" >&3
