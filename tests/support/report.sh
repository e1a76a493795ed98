# Logging, failing and bounded waits for the end-to-end test scripts, with no
# display server of any kind: sourced by x_session.sh and by the Wayland test,
# in bash scripts that run with `set -euo pipefail`.
# shellcheck shell=bash
# LAST_SEEN is set by the conditions that scripts pass to wait_until.
# shellcheck disable=SC2034

log() { echo "[$(date +%T)] $*" >&2; }
fail() {
    log "FAIL: $*"
    exit 1
}
# A step that fails outside `fail` (set -e, a pipeline under pipefail) still
# says which command it was, in functions and subshells too.
set -E
trap 'log "FAIL: ${BASH_SOURCE[0]##*/} line $LINENO: \"$BASH_COMMAND\" exited $?"' ERR

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

# Runs the rest of the line every 0.1 s until it succeeds; fails saying
# "<what> within <seconds>s", with what the condition last saw (LAST_SEEN),
# when it never does. $1 = seconds, $2 = what.
wait_until() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$(($(now_ms) + seconds * 1000))
    LAST_SEEN=""
    until "$@"; do
        [ "$(now_ms)" -lt "$deadline" ] ||
            fail "not $what within ${seconds}s${LAST_SEEN:+ (last seen: $LAST_SEEN)}"
        sleep 0.1
    done
}

# The program under test, started in the background with its pid in APP_PID.
app_gone() { ! kill -0 "$APP_PID" 2>/dev/null; }

# Waits up to $1 s for the program to end; sets APP_RC.
wait_app() {
    wait_until "$1" "the end of the program" app_gone
    APP_RC=0
    wait "$APP_PID" || APP_RC=$?
    APP_PID=""
}
