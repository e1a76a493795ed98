# The X session of the window tests, the package test and the window benchmark:
# logging and failing and bounded waits (report.sh), a work directory, a private
# Xvfb and a fresh Wine prefix. Sourced by bash scripts that run with
# `set -euo pipefail`.
# shellcheck shell=bash
# report.sh as shellcheck finds it from here and from the scripts that source
# this file (tests/<area>/, bench/host/):
# shellcheck source-path=SCRIPTDIR/../support source-path=SCRIPTDIR/../../tests/support
# Variables set here (WORK, WIN, CX, APP_RC, ...) are read by the scripts that
# source this file.
# shellcheck disable=SC2034

XVFB_PID=""
APP_PID=""
USES_WINE=0

# shellcheck source=report.sh
source "$(dirname "${BASH_SOURCE[0]}")/report.sh"

xvfb_answers() { xdpyinfo >/dev/null 2>&1; }
display_known() {
    [ -s "$WORK/display" ] && return 0
    kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    return 1
}

# Starts Xvfb on a free display: the first time it picks one and tells us
# through -displayfd. A server of another session (another /tmp, the same
# abstract socket names) may already hold that number's abstract socket, so
# that clients would reach it instead: then the next numbers are tried.
start_xvfb() {
    local n="" try
    for try in 1 2 3 4 5; do
        : >"$WORK/display"
        # -noreset: a server that resets when its last client leaves refuses the
        # next one for a moment.
        if [ -z "$n" ]; then
            Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$WORK/display" \
                >"$WORK/xvfb.log" 2>&1 &
        else
            while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
            echo "$n" >"$WORK/display"
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$WORK/xvfb.log" 2>&1 &
        fi
        XVFB_PID=$!
        wait_until 10 "a display number from Xvfb" display_known
        n=$(tr -d '[:space:]' <"$WORK/display")
        DISPLAY=":$n"
        export DISPLAY
        wait_until 10 "an answer from Xvfb on $DISPLAY" xvfb_answers
        if kill -0 "$XVFB_PID" 2>/dev/null && ! grep -q "already running" "$WORK/xvfb.log"; then
            log "Xvfb on $DISPLAY"
            return 0
        fi
        log "another X server holds $DISPLAY or a socket of it (try $try): $(cat "$WORK/xvfb.log")"
        kill "$XVFB_PID" 2>/dev/null || :
        wait "$XVFB_PID" || :
        n=$((n + 1))
    done
    fail "no display number free of other X servers: $(cat "$WORK/xvfb.log")"
}

# A fresh 64-bit prefix with a virtual desktop: without a window manager,
# DestroyWindow otherwise waits about 2 s for one.
setup_wine() {
    USES_WINE=1
    export WINEPREFIX="$WORK/prefix" WINEARCH=win64 WINEDEBUG=-all
    # No Mono or Gecko installers for a throwaway prefix.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    log "creating the Wine prefix"
    wineboot -i >"$WORK/wineboot.log" 2>&1 || fail "wineboot failed"
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
        >/dev/null 2>&1
    wineserver -w
    log "Wine prefix ready"
}

cleanup() {
    local rc=$?
    set +e
    trap - ERR
    if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
        kill "$APP_PID" 2>/dev/null
        [ "$USES_WINE" = 1 ] && wineserver -k 2>/dev/null
    fi
    # Wine's processes must be gone before their X server is.
    [ "$USES_WINE" = 1 ] && timeout 30 wineserver -w 2>/dev/null
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    rm -rf "$WORK/prefix"
    if [ "$rc" = 0 ]; then rm -rf "$WORK"; else log "kept $WORK"; fi
    exit "$rc"
}

# A fresh work directory, removed on success: WORK. $1 = what it is for.
make_work() {
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/shadow-$1.XXXXXX")
    trap cleanup EXIT
}

# The work directory with a copy of the program and the shaders in run/.
# $1: the build's bin directory; the rest: files to copy from it.
make_workdir() {
    local bin=$1
    shift
    make_work window
    mkdir -p "$WORK/run"
    local f
    for f in "$@"; do cp "$bin/$f" "$WORK/run/" || fail "missing $bin/$f"; done
}
