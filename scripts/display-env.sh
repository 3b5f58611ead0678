# shellcheck shell=bash
# A private X display for Quillmark's scripts and tests: Xvfb with openbox.
# Source it; it defines functions only and changes nothing by itself.
#
# Environment read here:
#   QUILL_SCREEN         Xvfb screen geometry (default 1024x768x24; QUILL_WINE_SCREEN
#                        is read too)
#   QUILL_WINE_VERBOSE   non-empty: say what is being done on stderr

quill_say() { [[ -z ${QUILL_WINE_VERBOSE:-} ]] || echo "${QUILL_SCRIPT:-wine}: $*" >&2; }
quill_fail() {
    echo "${QUILL_SCRIPT:-wine}: $*" >&2
    return 125
}

# Waits until "$@" succeeds, checking every 50 ms, for at most $1 seconds.
quill_poll() {
    local limit=$1 i
    shift
    for ((i = 0; i < limit * 20; i++)); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}

# Starts a private Xvfb and openbox. Needs QUILL_SESSION_DIR (a private directory).
# Sets DISPLAY, QUILL_XVFB_PID and QUILL_WM_PID.
quill_xvfb_start() {
    local dfile=$QUILL_SESSION_DIR/display
    : >"$dfile"
    Xvfb -displayfd 3 -screen 0 "${QUILL_SCREEN:-${QUILL_WINE_SCREEN:-1024x768x24}}" -nolisten tcp \
        3>"$dfile" >"$QUILL_SESSION_DIR/xvfb.log" 2>&1 &
    QUILL_XVFB_PID=$!
    # Xvfb writes the display number and a newline once it accepts clients.
    # shellcheck disable=SC2317 # called through quill_poll
    quill_display_ready() { read -r _ <"$dfile" || ! kill -0 "$QUILL_XVFB_PID" 2>/dev/null; }
    quill_poll 30 quill_display_ready
    [[ $(<"$dfile") =~ ^([0-9]+)$ ]] || {
        quill_fail "Xvfb did not start: $(tail -n 3 "$QUILL_SESSION_DIR/xvfb.log")"
        return
    }
    export DISPLAY=":${BASH_REMATCH[1]}"
    quill_wm_start
}

# Starts openbox on $DISPLAY and waits until it manages the screen. Sets QUILL_WM_PID.
quill_wm_start() {
    local ready=$QUILL_SESSION_DIR/wm-ready
    rm -f "$ready"
    openbox --sm-disable --startup "touch '$ready'" >"$QUILL_SESSION_DIR/openbox.log" 2>&1 &
    QUILL_WM_PID=$!
    # shellcheck disable=SC2317 # called through quill_poll
    quill_wm_ready() { [[ -e $ready ]] || ! kill -0 "$QUILL_WM_PID" 2>/dev/null; }
    quill_poll 30 quill_wm_ready
    [[ -e $ready ]] || quill_fail "openbox did not start: $(tail -n 3 "$QUILL_SESSION_DIR/openbox.log")"
}

# Stops one process that this script started, by pid, and reaps it.
quill_stop_pid() {
    local pid=$1
    [[ -n $pid ]] || return 0
    kill "$pid" 2>/dev/null
    quill_poll 5 eval "! kill -0 $pid 2>/dev/null" || kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

