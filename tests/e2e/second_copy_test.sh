#!/usr/bin/env bash
# A second start while a copy runs shows the refusal message, never shows its
# window and ends with a non-zero status; the first copy keeps running.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
mkdir -p "$XDG_CONFIG_HOME/clipvoice"
printf '[q7a]\nlang=5\n' >"$(e2e_settings_file)"
cp "$(e2e_settings_file)" "$E2E_DIR/settings-before"
e2e_start_program first
first=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$first" || e2e_fail "the first copy's window did not appear"

printf 'keep me' | xclip -selection clipboard -i
e2e_start_program second
second=$E2E_LAST_PID
# The message box has one OK button: Return closes it, and the copy ends.
e2e_answer_message_box "$second"
status=$E2E_EXIT_STATUS
[ "$status" -ne 0 ] || e2e_fail "the second copy ended with status 0"
e2e_log "second copy ended with status $status"
grep -q '既に起動されています' "$E2E_DIR/second.log" || e2e_fail "the refusal message was not reported"

[ "$(e2e_clipboard)" = "keep me" ] || e2e_fail "the clipboard was touched"
cmp -s "$E2E_DIR/settings-before" "$(e2e_settings_file)" || e2e_fail "the setting was changed"
kill -0 "$first" || e2e_fail "the first copy ended"
e2e_has_main_window "$first" || e2e_fail "the first copy's window is gone"
e2e_log "PASS"
