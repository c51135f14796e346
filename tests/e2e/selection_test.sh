#!/usr/bin/env bash
# With "選択したテキストも読み上げる" on, a selection is spoken once it has
# settled: a selection changed several times in quick succession is spoken
# once, as its last text; it is never cleared; the same text selected again is
# not spoken again; and a text selected, spoken and then copied is taken from
# the clipboard but not spoken twice.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
e2e_use_character_folder
mkdir -p "$(dirname "$(e2e_settings_file)")"
printf '[q7a]\nreadSelection=1\n' >"$(e2e_settings_file)"

e2e_start_program first
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")
e2e_click "$win" 90 68
e2e_wait_for 10 e2e_traced 'Characters.Load("clipvoice", "merlin.acs") -> ok' || e2e_fail "the click loaded no character"

# The text of the primary selection, asked with a time limit; empty when none.
primary() { timeout 5 xclip -selection primary -o 2>/dev/null || true; }
# Each xclip takes the selection from the last, as a program does that
# selects anew; the last one keeps serving it.
select_text() { printf '%s' "$1" | xclip -selection primary -i; }
spoken_count() { grep -cxF "Speak(\"$1\", omitted) -> ok" "$E2E_TRACE" || true; }

# A drag: the selection grows a word at a time, faster than it settles.
for text in "the" "the quick" "the quick brown" "the quick brown fox"; do
    select_text "$text"
done
e2e_wait_for 10 e2e_traced 'Speak("the quick brown fox", omitted) -> ok' || e2e_fail "the settled selection was not spoken"
[ "$(primary)" = "the quick brown fox" ] || e2e_fail "the selection was changed: '$(primary)'"

# Something else, then the same text selected twice in a row: the second is
# not spoken. The next new text bounds the wait.
select_text "jumps over"
e2e_wait_for 10 e2e_traced 'Speak("jumps over", omitted) -> ok' || e2e_fail "the second selection was not spoken"
select_text "jumps over"
select_text "jumps over"
e2e_wait_for 5 bash -c '[ "$(timeout 5 xclip -selection primary -o 2>/dev/null)" = "jumps over" ]' || e2e_fail "the selection was lost"
select_text "the lazy dog"
e2e_wait_for 10 e2e_traced 'Speak("the lazy dog", omitted) -> ok' || e2e_fail "the third selection was not spoken"

# Selected, spoken, then copied: the clipboard is emptied as ever, and the
# text is not spoken a second time; a later copy is spoken.
select_text "select then copy"
e2e_wait_for 10 e2e_traced 'Speak("select then copy", omitted) -> ok' || e2e_fail "the selection to copy was not spoken"
printf 'select then copy' | xclip -selection clipboard -i
e2e_wait_for 10 e2e_clipboard_is_empty || e2e_fail "the copied selection was not taken from the clipboard"
printf 'copied afterwards' | xclip -selection clipboard -i
e2e_wait_for 10 e2e_traced 'Speak("copied afterwards", omitted) -> ok' || e2e_fail "a later copy was not spoken"

for text in "the quick brown fox" "jumps over" "the lazy dog" "select then copy"; do
    [ "$(spoken_count "$text")" = 1 ] || e2e_fail "'$text' was spoken $(spoken_count "$text") times"
done
for text in "the" "the quick" "the quick brown"; do
    [ "$(spoken_count "$text")" = 0 ] || e2e_fail "'$text', selected on the way, was spoken"
done
[ "$(primary)" = "select then copy" ] || e2e_fail "the selection does not hold its text afterwards: '$(primary)'"
kill -0 "$pid" || e2e_fail "the program ended"
e2e_log "PASS"
