#!/usr/bin/env bash
# The program left watching the clipboard while text is copied every few
# seconds (two seconds after the last copy was said): it speaks every copy,
# lives on, and its memory settles. The resident
# memory is sampled throughout; after a warm-up it may not grow by more than
# CLIPVOICE_SOAK_GROWTH_MB. CLIPVOICE_SOAK_MINUTES sets the length (1 in the
# test suite; scripts/soak runs 30).
source "$(dirname "$0")/lib.sh"

minutes="${CLIPVOICE_SOAK_MINUTES:-1}"
growth_limit_mb="${CLIPVOICE_SOAK_GROWTH_MB:-40}"
e2e_start_xvfb
e2e_new_trace

e2e_start_program soak
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")
e2e_click "$win" 92 104
e2e_wait_for 30 e2e_traced 'Characters.Load("clipvoice", "bubble.acs") -> ok' || e2e_fail "the character did not load"

rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status"; }
texts=(
    "A short line copied from a web page."
    $'Two lines copied at once,\nthe second one a little longer than the first.'
    "今日は良い天気ですね。"
    "Ein deutscher Satz, der auf Englisch gelesen wird."
    $'Line one\r\n\r\nline three after an empty line'
)
end=$(( $(date +%s) + minutes * 60 ))
warmup=$(( $(date +%s) + (minutes * 60) / 5 ))
copies=0 baseline="" peak=0 samples=()
while [ "$(date +%s)" -lt "$end" ]; do
    printf '%s %d' "${texts[$((copies % ${#texts[@]}))]}" "$copies" | xclip -selection clipboard -i
    e2e_wait_for 15 e2e_clipboard_is_empty || e2e_fail "copy $copies was not taken"
    # The copy's last line ends with its number; wait until it has been said.
    said() {
        local n
        n=$(grep -E "^request [0-9]+ started: Speak \".* $copies\"\$" "$E2E_TRACE" | awk '{print $2}' | tail -n1)
        [ -n "$n" ] && grep -qE "^request $n finished: " "$E2E_TRACE"
    }
    e2e_wait_for 60 said || e2e_fail "copy $copies was not spoken"
    copies=$((copies + 1))
    kill -0 "$pid" 2>/dev/null || e2e_fail "the program ended after $copies copies"
    rss=$(rss_kb)
    samples+=("$rss")
    if [ "$(date +%s)" -ge "$warmup" ]; then
        [ -z "$baseline" ] && baseline=$rss
        [ "$rss" -gt "$peak" ] && peak=$rss
    fi
    sleep 2 # the pause before the next copy, not a wait for the program
done
[ -n "$baseline" ] || baseline=$(rss_kb) peak=$baseline
spoken=$(grep -c '^request [0-9]* finished: done$' "$E2E_TRACE" || true)
failed=$(grep -c '^request [0-9]* finished: failed' "$E2E_TRACE" || true)
e2e_log "$copies copies in $minutes min; $spoken requests done, $failed failed; resident memory: first ${samples[0]} kB, after warm-up $baseline kB, peak after warm-up $peak kB, last ${samples[-1]} kB"
growth_mb=$(( (peak - baseline) / 1024 ))
[ "$growth_mb" -le "$growth_limit_mb" ] || e2e_fail "memory grew by $growth_mb MB after the warm-up"
[ "$failed" -eq 0 ] || e2e_fail "$failed requests failed"
e2e_log "PASS"
