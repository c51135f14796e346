#!/usr/bin/env bash
# With the network unreachable, start-up still completes: the window shows,
# and only the browser pane shows a failure page.
source "$(dirname "$0")/lib.sh"

e2e_start_xvfb

# Run the program in a network namespace of its own with no network at all
# when that is allowed here; otherwise point the pane at a closed local port.
isolate=()
if unshare -n true 2>/dev/null; then
    isolate=(unshare -n)
    export CLIPVOICE_HOME_URL="https://clipvoice.example.org/003a/gear.shtml"
    e2e_log "running without any network"
else
    export CLIPVOICE_HOME_URL="http://127.0.0.1:9/003a/gear.shtml"
    e2e_log "running against a closed port"
fi
e2e_start_program first "${isolate[@]}"
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the window did not appear without network"
e2e_log "PASS"
