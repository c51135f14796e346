#!/usr/bin/env bash
# The browser pane opens the home page from a local web server and shows it
# in the visible strip at the bottom of the window.
source "$(dirname "$0")/lib.sh"

python3 "$(dirname "$0")/homepage_server.py" "$E2E_DIR/port" "$E2E_DIR/requests.log" &
E2E_PIDS+=("$!")
e2e_wait_for 20 test -s "$E2E_DIR/port" || e2e_fail "the web server did not start"
export CLIPVOICE_HOME_URL="http://127.0.0.1:$(cat "$E2E_DIR/port")/003a/gear.shtml"

e2e_start_xvfb
e2e_start_program first
pid=$E2E_LAST_PID
e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear"
win=$(e2e_main_window_of "$pid")

e2e_wait_for 60 grep -qx '/003a/gear.shtml' "$E2E_DIR/requests.log" \
    || e2e_fail "the home page was never requested"

# The page's magenta shows in the pane's visible part (rows 259 to 281).
pane_is_magenta() {
    import -window "$win" "$E2E_DIR/pane.png" 2>/dev/null || return 1
    local rgb
    rgb=$(convert "$E2E_DIR/pane.png" -crop 200x10+100+265 +repage -resize 1x1\! -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:)
    read -r r g b <<<"$rgb"
    [ "$r" -gt 200 ] && [ "$g" -lt 60 ] && [ "$b" -gt 200 ]
}
e2e_wait_for 60 pane_is_magenta || e2e_fail "the home page is not shown in the browser pane"
# The pane reports the page it shows: the server's, not the shipped one.
e2e_wait_for 30 grep -qF "web pane shows \"gear\" from $CLIPVOICE_HOME_URL" "$E2E_DIR/first.log" \
    || e2e_fail "the log does not name the configured page"
grep -q 'from clipvoice:' "$E2E_DIR/first.log" && e2e_fail "the shipped page was shown although an address was configured"

# The page's script ran, and none of what it tried was allowed: no pop-up
# window, no local file read, no geolocation.
e2e_wait_for 30 grep -qx '/003a/script-ran' "$E2E_DIR/requests.log" || e2e_fail "the page's script did not run"
grep '^/blocked/' "$E2E_DIR/requests.log" && e2e_fail "the browser pane allowed what it must refuse"
windows=$(xdotool search --all --onlyvisible --pid "$pid" --name '.' 2>/dev/null | wc -l)
[ "$windows" -le 1 ] || e2e_fail "the page opened a window"
e2e_log "PASS"
