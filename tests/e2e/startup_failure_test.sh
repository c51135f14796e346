#!/usr/bin/env bash
# A start-up step that fails (here: the configured character folder does not
# exist) ends the program before its window shows, with an error dialog and a
# message on standard error that name the folder, and a non-zero status.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb
export CLIPVOICE_WINDOWS_DIR="$E2E_DIR/no-such-windows"
e2e_start_program first
pid=$E2E_LAST_PID

dialog() { xdotool search --all --onlyvisible --pid "$pid" --name '^ClipVoice 1\.0$' 2>/dev/null | head -n1; }
has_dialog() { [ -n "$(dialog)" ]; }
e2e_wait_for 60 has_dialog || e2e_fail "no error dialog appeared"
box=$(dialog)
xwininfo -id "$box" | grep -q 'Width: 466' && e2e_fail "the main window was shown"

xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return
e2e_wait_for 30 bash -c "! kill -0 $pid 2>/dev/null" || e2e_fail "the program did not end"
status=0
wait "$pid" || status=$?
[ "$status" -eq 2 ] || e2e_fail "start-up failure ended with status $status"
grep -q "no-such-windows/msagent/chars" "$E2E_DIR/first.log" || e2e_fail "standard error does not name the folder"
[ -e "$(e2e_settings_file)" ] && e2e_fail "a failed start wrote the settings"
e2e_log "PASS"
