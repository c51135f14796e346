#!/usr/bin/env bash
# A start-up step that fails (here: the configured character folder does not
# exist) ends the program before its window shows, with an error dialog and a
# message on standard error that name the folder, and a non-zero status.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
export CLIPVOICE_WINDOWS_DIR="$E2E_DIR/no-such-windows"
e2e_start_program first
pid=$E2E_LAST_PID

e2e_answer_message_box "$pid"
status=$E2E_EXIT_STATUS
[ "$status" -eq 2 ] || e2e_fail "start-up failure ended with status $status"
grep -q "no-such-windows/msagent/chars" "$E2E_DIR/first.log" || e2e_fail "standard error does not name the folder"
[ -e "$(e2e_settings_file)" ] && e2e_fail "a failed start wrote the settings"
e2e_log "PASS"
