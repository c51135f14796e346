#!/usr/bin/env bash
# Measures of the real program under Xvfb, printed as one JSON object:
#   start-up to the main window shown, against a bare Qt window with a web pane
#   (median of several runs each, alternating);
#   idle cost over a period with clipboard watching on and a character idling:
#   CPU time and wake-ups (context switches of all threads) of the program's
#   own process, and of its web pane's helper processes;
#   resident memory of the program's own process with the character loaded;
#   a 10 MB copy taken over the X clipboard: the longest hold-up of the
#   window's thread and the peak memory it took;
#   a 1 MB line without spaces copied and spoken with the balloon on: the
#   longest hold-up of the window's thread;
#   instructions per clipboard tick, counted by callgrind.
#
#   bench/desktop_measures.sh BUILD-DIR [IDLE-SECONDS] [STARTUP-RUNS]
set -euo pipefail
build="$(cd "${1:?usage: $0 BUILD-DIR [IDLE-SECONDS] [STARTUP-RUNS]}" && pwd)"
idle_seconds="${2:-60}"
runs="${3:-7}"
# The end-to-end helpers give this run its own X server, home and folders.
source "$(dirname "$0")/../tests/e2e/lib.sh" "$build/app/clipvoice"
exec 3>&1 1>&2 # progress to stderr, the JSON to the original stdout

e2e_start_xvfb
export CLIPVOICE_AUDIO_FILE="$E2E_DIR/audio.wav"
export CLIPVOICE_HOME_URL="http://127.0.0.1:9/"

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# A first start copies the shipped characters; it is not measured.
"$build/bench/startup_probe" 466 282 "$CLIPVOICE_BIN" >/dev/null
program_times=() bare_times=()
for ((i = 0; i < runs; ++i)); do
    program_times+=("$("$build/bench/startup_probe" 466 282 "$CLIPVOICE_BIN")")
    bare_times+=("$("$build/bench/startup_probe" 466 282 "$build/bench/bare_window")")
    e2e_log "start-up run $((i + 1)): program ${program_times[-1]} ms, bare window ${bare_times[-1]} ms"
done
startup_program=$(printf '%s\n' "${program_times[@]}" | median)
startup_bare=$(printf '%s\n' "${bare_times[@]}" | median)

# The idle program: a character loaded (bubble, the second root's first node)
# and shown, watching on, nothing copied.
e2e_new_trace
e2e_start_program idle
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")
e2e_click "$win" 92 104
e2e_wait_for 30 e2e_traced_like '^request [0-9]+ started: Play "Greet"$' || e2e_fail "the character did not load"
greet=$(grep -E '^request [0-9]+ started: Play "Greet"$' "$E2E_TRACE" | awk '{print $2}')
e2e_wait_for 30 e2e_traced "request $greet finished: done" || e2e_fail "the greeting did not end"
xdotool mousemove 0 0

# CPU ticks (user + system) of a process.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
# Context switches of all threads of a process: each is a wake-up or a preemption.
switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null \
        | awk '/^(voluntary|nonvoluntary)_ctxt_switches/ { n += $2 } END { print n + 0 }'
}
helpers() { pgrep -P "$pid" | while read -r child; do echo "$child"; pgrep -P "$child"; done; }
sum_over() { local f="$1" n=0 p; shift; for p in "$@"; do n=$((n + $($f "$p"))); done; echo "$n"; }

mapfile -t helper_pids < <(helpers)
cpu0=$(cpu_ticks "$pid") sw0=$(switches "$pid")
hcpu0=$(sum_over cpu_ticks "${helper_pids[@]}") hsw0=$(sum_over switches "${helper_pids[@]}")
e2e_log "idling for $idle_seconds s"
start=$(date +%s.%N)
sleep "$idle_seconds"
elapsed=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { print e - s }')
cpu1=$(cpu_ticks "$pid") sw1=$(switches "$pid")
hcpu1=$(sum_over cpu_ticks "${helper_pids[@]}") hsw1=$(sum_over switches "${helper_pids[@]}")
kill -0 "$pid" || e2e_fail "the program ended while idle"
rss_kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
hz=$(getconf CLK_TCK)

# A 10 MB, 200,000-line copy taken by the real program over the X clipboard:
# the longest hold-up of the window's thread (from the program's own stall
# log) and its peak memory above what it used before the copy.
kill "$pid"
e2e_wait_for 20 bash -c "! kill -0 $pid 2>/dev/null" || e2e_fail "the idle program did not end"
export CLIPVOICE_STALL_LOG="$E2E_DIR/stalls.log"
: >"$E2E_TRACE"
e2e_start_program copy
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear again"
win=$(e2e_main_window_of "$pid")
e2e_click "$win" 92 104
e2e_wait_for 30 e2e_traced_like '^request [0-9]+ started: Play "Greet"$' || e2e_fail "the character did not load again"
python3 -c "import sys; sys.stdout.write(''.join('The quick brown fox jumps over the lazy dog %05d.\n' % i for i in range(200000)))" >"$E2E_DIR/large.txt"
copy_bytes=$(stat -c %s "$E2E_DIR/large.txt")
echo 5 >"/proc/$pid/clear_refs"
copy_rss0=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
: >"$CLIPVOICE_STALL_LOG"
xclip -selection clipboard -i "$E2E_DIR/large.txt"
e2e_wait_for 30 e2e_clipboard_is_empty || e2e_fail "the 10 MB copy was not taken"
e2e_wait_for 30 e2e_traced_like '^request [0-9]+ started: Speak "The quick brown fox jumps over the lazy dog 00000."$' \
    || e2e_fail "the 10 MB copy was not spoken"
copy_hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")
copy_stall=$(awk '{ if ($2 > m) m = $2 } END { print m + 0 }' "$CLIPVOICE_STALL_LOG")
kill -0 "$pid" || e2e_fail "the program ended after the 10 MB copy"

# A 1 MB line without spaces (like base64) copied and spoken with the balloon
# on: the longest hold-up of the window's thread from the copy through the
# first seconds of speech, from the program's stall log.
kill "$pid"
e2e_wait_for 20 bash -c "! kill -0 $pid 2>/dev/null" || e2e_fail "the program did not end after the 10 MB copy"
: >"$E2E_TRACE"
e2e_start_program long-line
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear a third time"
win=$(e2e_main_window_of "$pid")
e2e_click "$win" 92 104
e2e_wait_for 30 e2e_traced_like '^request [0-9]+ started: Play "Greet"$' || e2e_fail "the character did not load a third time"
python3 -c "import string, sys; a = string.ascii_letters + string.digits; sys.stdout.write(''.join(a[(i * 7 + i // 64) % len(a)] for i in range(1000000)))" \
    >"$E2E_DIR/long-line.txt"
line_start=$(head -c 32 "$E2E_DIR/long-line.txt")
: >"$CLIPVOICE_STALL_LOG"
xclip -selection clipboard -i "$E2E_DIR/long-line.txt"
e2e_wait_for 30 e2e_clipboard_is_empty || e2e_fail "the 1 MB line was not taken"
e2e_wait_for 30 e2e_traced_like "^request [0-9]+ started: Speak \"$line_start" || e2e_fail "the 1 MB line was not spoken"
sleep 5 # words are revealed in the balloon meanwhile
long_line_stall=$(awk '{ if ($2 > m) m = $2 } END { print m + 0 }' "$CLIPVOICE_STALL_LOG")
kill -0 "$pid" || e2e_fail "the program ended while speaking the 1 MB line"
unset CLIPVOICE_STALL_LOG

# Instructions of one clipboard tick with a character loaded and nothing new
# copied, on this X server.
ticks=1000
valgrind --tool=callgrind --collect-atstart=no \
    --toggle-collect='clipvoice::speech::clipboardTick*' \
    --callgrind-out-file="$E2E_DIR/callgrind.out" "$build/bench/tick_probe" "$ticks" \
    >"$E2E_DIR/callgrind.log" 2>&1 || e2e_fail "callgrind did not run: $(tail -n 5 "$E2E_DIR/callgrind.log")"
instructions=$(awk '/^(summary|totals):/ { print $2; exit }' "$E2E_DIR/callgrind.out")

awk -v sp="$startup_program" -v sb="$startup_bare" -v runs="$runs" \
    -v el="$elapsed" -v hz="$hz" -v c0="$cpu0" -v c1="$cpu1" -v s0="$sw0" -v s1="$sw1" \
    -v h0="$hcpu0" -v h1="$hcpu1" -v hs0="$hsw0" -v hs1="$hsw1" -v rss="$rss_kb" \
    -v ins="$instructions" -v ticks="$ticks" -v cb="$copy_bytes" -v cr="$copy_rss0" \
    -v ch="$copy_hwm" -v cs="$copy_stall" -v ls="$long_line_stall" 'BEGIN {
    printf "{\"startup_program_ms\": %s, \"startup_bare_window_ms\": %s, \"startup_runs\": %d,", sp, sb, runs
    printf " \"idle_seconds\": %.1f, \"idle_cpu_percent\": %.3f, \"idle_wakeups_per_s\": %.1f,", el, (c1 - c0) / hz / el * 100, (s1 - s0) / el
    printf " \"idle_web_helpers_cpu_percent\": %.3f, \"idle_web_helpers_wakeups_per_s\": %.1f,", (h1 - h0) / hz / el * 100, (hs1 - hs0) / el
    printf " \"rss_with_character_MB\": %.1f, \"instructions_per_tick\": %d,", rss / 1024, ins / ticks
    printf " \"x11_copy_MB\": %.1f, \"x11_copy_peak_MB\": %.1f, \"x11_copy_longest_stall_ms\": %d,", cb / 1e6, (ch - cr) * 1024 / 1e6, cs
    printf " \"long_line_longest_stall_ms\": %d}\n", ls
}' >&3
