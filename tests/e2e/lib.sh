# Helpers for end-to-end tests that drive the real program under Xvfb.
# Source this file from a test script; the program's path comes as $1.
# Every test gets its own X server, home, runtime and settings folders, and
# everything it started is stopped when it exits.

set -euo pipefail

CLIPVOICE_BIN="${1:?usage: $0 PATH-TO-clipvoice}"
E2E_DIR="$(mktemp -d /tmp/clipvoice-e2e.XXXXXX)"
E2E_PIDS=()

export HOME="$E2E_DIR/home"
export XDG_RUNTIME_DIR="$E2E_DIR/runtime"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_SESSION_TYPE
export QT_LOGGING_RULES="${QT_LOGGING_RULES:-*.debug=false}"
# The browser pane must never reach the internet from a test.
export CLIPVOICE_HOME_URL="${CLIPVOICE_HOME_URL:-http://127.0.0.1:9/003a/gear.shtml}"

e2e_log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*"; }
e2e_fail() {
    printf 'FAIL: %s\n' "$*" >&2
    for f in "$E2E_DIR"/*.log; do
        [ -f "$f" ] && { echo "--- $f"; tail -n 30 "$f"; } >&2
    done
    exit 1
}

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    sleep 0.2 2>/dev/null || true
    for pid in "${E2E_PIDS[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
    rm -rf "$E2E_DIR"
}
trap e2e_cleanup EXIT
trap 'exit 1' INT TERM HUP PIPE

# Polls a command until it succeeds or the deadline (seconds) passes.
e2e_wait_for() {
    local deadline=$(( $(date +%s) + $1 )); shift
    until "$@"; do
        [ "$(date +%s)" -ge "$deadline" ] && return 1
        sleep 0.2
    done
}

# Starts an X server of its own and exports DISPLAY. -noreset: by default the
# server resets when its last client leaves, and refuses a client that connects
# during the reset; a probe such as xdotool leaving just as the program starts
# would then stop the program from starting.
e2e_start_xvfb() {
    local fdfile="$E2E_DIR/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fdfile" >"$E2E_DIR/xvfb.log" 2>&1 &
    E2E_PIDS+=("$!")
    e2e_wait_for 20 test -s "$fdfile" || e2e_fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$fdfile")"
    e2e_log "Xvfb on $DISPLAY"
}

# Starts the program in the background; sets E2E_LAST_PID. $1 names its log.
e2e_start_program() {
    local name="$1"; shift
    "$@" "$CLIPVOICE_BIN" >"$E2E_DIR/$name.log" 2>&1 &
    E2E_LAST_PID=$!
    E2E_PIDS+=("$E2E_LAST_PID")
}

# Prints the id of the program's main window (466 x 282) of a process, if shown.
e2e_main_window_of() {
    local pid="$1" id
    for id in $(xdotool search --all --onlyvisible --pid "$pid" --name '^ClipVoice 1\.0$' 2>/dev/null); do
        if xwininfo -id "$id" 2>/dev/null | grep -q 'Width: 466' \
            && xwininfo -id "$id" | grep -q 'Height: 282'; then
            echo "$id"
            return 0
        fi
    done
    return 1
}

e2e_has_main_window() { e2e_main_window_of "$1" >/dev/null; }

# Statistic of a region of a picture file, 0 to 1: maxima, minima or mean.
e2e_region() {
    local file="$1" stat="$2" x="$3" y="$4" w="$5" h="$6"
    convert "$file" -crop "${w}x${h}+${x}+${y}" +repage -colorspace Gray -format "%[fx:${stat}]" info:
}

# True when the first number is greater than the second.
e2e_gt() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# A character folder with one character file (the headless service only checks
# the signature), used through CLIPVOICE_WINDOWS_DIR; calls into the character
# service are traced to $E2E_TRACE.
e2e_use_character_folder() {
    mkdir -p "$E2E_DIR/windows/msagent/chars"
    printf '\xC3\xAB\xCD\xAB' >"$E2E_DIR/windows/msagent/chars/merlin.acs"
    export CLIPVOICE_WINDOWS_DIR="$E2E_DIR/windows"
    export CLIPVOICE_AGENT=headless
    e2e_new_trace
}

# Starts a new, empty trace of calls into the character service and of its
# requests, in $E2E_TRACE: trace.log, or trace-$1.log for a program started
# later in the same test (its request numbers start again).
e2e_new_trace() {
    export E2E_TRACE="$E2E_DIR/trace${1:+-$1}.log"
    export CLIPVOICE_TRACE="$E2E_TRACE"
    : >"$E2E_TRACE"
}

# Starts the program with a trace of its own, loads bubble and turns gestures
# off (アニメーションを行う), so speech follows a copy at once. Sets pid and
# win; $1 names the log and the trace.
e2e_start_with_bubble() {
    e2e_new_trace "$1"
    e2e_start_program "$1"
    pid=$E2E_LAST_PID
    e2e_wait_for 60 e2e_has_main_window "$pid" || e2e_fail "the main window did not appear ($1)"
    win=$(e2e_main_window_of "$pid")
    e2e_click "$win" 92 104
    e2e_wait_for 30 e2e_traced 'Characters.Load("clipvoice", "bubble.acs") -> ok' || e2e_fail "bubble did not load ($1)"
    e2e_click "$win" 294 110
}

# Starts a notification-area host at the bottom right of the screen.
e2e_start_tray() {
    trayer --edge bottom --align right --widthtype request --height 24 --transparent false \
        >"$E2E_DIR/trayer.log" 2>&1 &
    E2E_PIDS+=("$!")
    e2e_wait_for 20 bash -c 'xdotool search --name "^panel$" >/dev/null 2>&1' || e2e_fail "the tray host did not start"
}

# Prints the id of the program's tray icon window, if there is one. (Icons
# embedded in the tray carry no process id, so the test's only copy is meant.)
e2e_tray_icon() {
    local id info w
    for id in $(xdotool search --class '^clipvoice$' 2>/dev/null); do
        info=$(xwininfo -id "$id" 2>/dev/null) || continue
        echo "$info" | grep -q 'IsViewable' || continue
        w=$(echo "$info" | awk '/Width:/ {print $2}')
        if [ "$w" -le 64 ] && [ "$w" -gt 1 ]; then echo "$id"; return 0; fi
    done
    return 1
}

# Clicks at a point of a window (left button).
e2e_click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }

# Clicks the stop hot spot (Label4) of window $1. Two presses at one point
# within the double-click time make a double-click, whose second press runs
# nothing; successive calls alternate between two points of the spot, further
# apart than the double-click distance, so each is a click of its own.
E2E_STOP_X=263
e2e_click_stop() {
    e2e_click "$1" "$E2E_STOP_X" 240
    E2E_STOP_X=$((E2E_STOP_X == 263 ? 250 : 263))
}

# True when a line of the trace is exactly the given text.
e2e_traced() { grep -qxF "$1" "$E2E_TRACE"; }

e2e_clipboard() { xclip -selection clipboard -o 2>/dev/null; }
e2e_clipboard_targets() { xclip -selection clipboard -o -t TARGETS 2>/dev/null; }
# Asks only for the list of targets, and gives up after 5 s: xclip, while it
# hands a large text over, leaves other requests unanswered, and a probe that
# asked for the text itself could hang for ever. No owner means empty.
e2e_clipboard_is_empty() {
    local status=0
    timeout 5 xclip -selection clipboard -o -t TARGETS >/dev/null 2>&1 || status=$?
    [ "$status" != 0 ] && [ "$status" != 124 ]
}

# The stored language setting, or nothing when none is stored.
e2e_settings_file() { echo "$XDG_CONFIG_HOME/clipvoice/clipvoice.ini"; }

# Waits for the message box of a process that never shows its main window,
# closes it with its OK button (Return) and waits for the process to end.
# Sets E2E_EXIT_STATUS to the process's exit status.
e2e_answer_message_box() {
    local pid="$1" box=""
    find_box() {
        box=$(xdotool search --all --onlyvisible --pid "$pid" --name '^ClipVoice 1\.0$' 2>/dev/null | head -n1)
        [ -n "$box" ]
    }
    e2e_wait_for 60 find_box || e2e_fail "no message box appeared"
    xwininfo -id "$box" | grep -q 'Width: 466' && e2e_fail "the main window was shown"
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    xdotool key Return
    e2e_wait_for 30 bash -c "! kill -0 $pid 2>/dev/null" || e2e_fail "the program did not end after its message"
    E2E_EXIT_STATUS=0
    wait "$pid" || E2E_EXIT_STATUS=$?
}

# Prints the id of a visible window of the program of the given width and
# height (the character window, its balloon or menu), if there is one.
e2e_window_sized() {
    local width="$1" height="$2" id info
    for id in $(xdotool search --class '^clipvoice$' 2>/dev/null); do
        info=$(xwininfo -id "$id" 2>/dev/null) || continue
        echo "$info" | grep -q 'IsViewable' || continue
        echo "$info" | grep -q "Width: $width\$" || continue
        echo "$info" | grep -q "Height: $height\$" || continue
        echo "$id"
        return 0
    done
    return 1
}

# True when a line of the trace matches the extended regular expression.
e2e_traced_like() { grep -qE "$1" "$E2E_TRACE"; }

# Starts a PulseAudio server of the test's own with a null sink as the default
# output; what is played can be recorded from its monitor, clipvoice_sink.monitor.
e2e_start_pulse() {
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        -L module-native-protocol-unix -L "module-null-sink sink_name=clipvoice_sink" \
        >"$E2E_DIR/pulse.log" 2>&1 &
    E2E_PIDS+=("$!")
    e2e_wait_for 20 bash -c 'pactl info >/dev/null 2>&1' || e2e_fail "PulseAudio did not start"
    pactl set-default-sink clipvoice_sink
}

# The wall-clock time now, in seconds with milliseconds.
e2e_now() { date +%s.%N | cut -c1-14; }

# Starts weston inside the test's X server with XWayland, as a Wayland
# session: exports WAYLAND_DISPLAY, XDG_SESSION_TYPE=wayland and DISPLAY (now
# XWayland's). Exits 77 when weston cannot run here. --idle-time=0 keeps
# weston from locking its screen when no input of its own arrives for a while.
e2e_start_weston() {
    local log="$E2E_DIR/weston.log" xdisplay=""
    weston --backend=x11-backend.so --use-pixman --width=1280 --height=1000 \
        --socket=clipvoice-wayland --xwayland --idle-time=0 --no-config --log="$log" \
        >"$E2E_DIR/weston-out.log" 2>&1 &
    local weston=$!
    E2E_PIDS+=("$weston")
    # Done when weston listens, or has ended.
    weston_listens() {
        xdisplay=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$log" 2>/dev/null | head -n1)
        { [ -n "$xdisplay" ] && [ -S "$XDG_RUNTIME_DIR/clipvoice-wayland" ]; } || ! kill -0 "$weston" 2>/dev/null
    }
    e2e_wait_for 30 weston_listens || true
    if [ -z "$xdisplay" ] || ! kill -0 "$weston" 2>/dev/null; then
        echo "SKIP: weston with XWayland did not start here:"
        tail -n 20 "$log" "$E2E_DIR/weston-out.log" 2>/dev/null || true
        exit 77
    fi
    export WAYLAND_DISPLAY=clipvoice-wayland XDG_SESSION_TYPE=wayland DISPLAY="$xdisplay"
    # XWayland starts on its first client.
    e2e_wait_for 30 xdpyinfo >/dev/null 2>&1 || e2e_fail "XWayland did not start on $DISPLAY"
    e2e_log "weston on $WAYLAND_DISPLAY, XWayland on $DISPLAY"
}
