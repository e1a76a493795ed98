# Running the program under test in the X session: starting it, finding and
# focusing its window, closing it as a user does, waiting for its end.
# Sourced after x_session.sh.
# shellcheck shell=bash
# Variables set here (WORK, WIN, CX, APP_RC, ...) are read by the scripts that
# source this file.
# shellcheck disable=SC2034

WINDOW_NAME="Shadow mapping"

# Starts the program in $WORK/run: $1 = sdl or wine, $2 = the binary.
start_app() {
    (
        cd "$WORK/run" || exit
        if [ "$1" = wine ]; then exec wine "./$2"; else exec "./$2"; fi
    ) >"$WORK/stdout.txt" 2>"$WORK/stderr.txt" &
    APP_PID=$!
}

largest_child() {
    xwininfo -children -id "$1" 2>/dev/null >"$WORK/children.txt" || return 0
    awk '/^ +0x[0-9a-f]+ / { for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+x[0-9]+\+/) {
             split($i, g, /[x+]/); a = g[1] * g[2]; if (a > 100 && a > best) { best = a; id = $1 } } }
         END { if (id != "") print id }' "$WORK/children.txt"
}

# Sets WIN and VIEW once the window shows.
window_shown() {
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended before its window appeared"
    xdotool search --onlyvisible --name "^${WINDOW_NAME}\$" >"$WORK/search.txt" 2>/dev/null || :
    WIN=$(sed -n 1p "$WORK/search.txt")
    [ -n "$WIN" ] || return 1
    if [ "$FIND_CHILD" = 0 ]; then VIEW=$WIN; else VIEW=$(largest_child "$WIN"); fi
    [ -n "$VIEW" ]
}

# Waits for the window to show; sets WIN (the top-level) and VIEW (its client
# area). $2 = 1 when the client area is a child window of its own (Wine draws
# the frame itself and puts the GL surface in a child).
find_window() {
    WIN="" VIEW="" FIND_CHILD=${2:-0}
    wait_until "$1" "a window named \"$WINDOW_NAME\"" window_shown
    log "window $WIN, client area $VIEW"
}

has_focus() {
    local focus
    focus=$(xdotool getwindowfocus 2>/dev/null) || return 1
    [ "$focus" = "$WIN" ] || [ "$focus" = "$VIEW" ]
}

focus_window() {
    xdotool windowfocus --sync "$WIN" 2>/dev/null || xdotool windowfocus "$WIN"
    wait_until 10 "the input focus on window $WIN" has_focus
}

# Centre of the client area in screen coordinates: CX, CY. (xwininfo, since
# xdotool counts a child window's offset twice.)
view_centre() {
    local info x y w h
    info=$(xwininfo -id "$VIEW")
    x=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
    w=$(awk '/^ *Width:/ {print $2}' <<<"$info")
    h=$(awk '/^ *Height:/ {print $2}' <<<"$info")
    CX=$((x + w / 2))
    CY=$((y + h / 2))
}



# Closes the window the way a user does: Alt+F4 for Wine (its own window
# manager), WM_DELETE_WINDOW for the SDL window (what a window manager sends).
close_window() {
    if [ "$1" = wine ]; then
        focus_window
        xdotool key alt+F4
    else
        "$X_PROBE" close "$WIN"
    fi
}
