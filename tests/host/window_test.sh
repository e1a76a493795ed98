#!/usr/bin/env bash
# End-to-end test of a real window host under Xvfb, driven like a person with
# xdotool and checked on screenshots.
#   window_test.sh <sdl|wine> <main|main_egl|missing_shader|screensaver|input|no_display|oversize> <bin dir> <x_probe>
set -euo pipefail
host=$1 scenario=$2 bin=$3
X_PROBE=$4
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=window_lib.sh
source "$here/window_lib.sh"

if [ "$host" = wine ]; then
    exe=shadow_mapping.exe counted=shadow_mapping_counted.exe probe=win32_probe.exe appear=90 child=1
else
    exe=shadow_mapping counted=shadow_mapping_counted probe="" appear=20 child=0
fi
make_workdir "$bin" "$exe" "$counted" $probe shadow.vs shadow.fs

# Numbers compare as floats through awk.
check() {
    awk "BEGIN { exit !($1) }" || fail "$2 ($1)"
    log "ok: $2"
}

expect_clean_close() {
    close_window "$host"
    wait_app 30
    [ "$APP_RC" = 0 ] || fail "exit code $APP_RC, expected 0"
    grep -qx "Shutting down." <(tr -d '\r' <"$WORK/stdout.txt") ||
        fail "no \"Shutting down.\" on standard output: $(cat "$WORK/stdout.txt")"
    log "ok: closed with exit code 0 and \"Shutting down.\""
}

# Holds a key for a while: xdotool keydown/keyup go to the focused window.
hold_key() {
    xdotool keydown "$1"
    sleep "$2"
    xdotool keyup "$1"
}

# Three moves of (dx, dy) with the left button held, then the screenshot after_drag.
left_drag() {
    local i
    xdotool mousedown 1
    for i in 1 2 3; do
        xdotool mousemove_relative -- "$1" "$2"
        sleep 0.15
    done
    xdotool mouseup 1
    sleep 0.5
    shot after_drag
}

run_main() {
    start_app "$host" "$exe"
    find_window "$appear" "$child"
    focus_window
    view_centre
    xdotool mousemove "$CX" "$CY"
    sleep 1

    # The floor: green below, the clear colour above.
    shot floor
    local s
    s=$(stats floor)
    log "floor: $s"
    check "$(field "$s" 6) > 0.6" "the bottom of the picture is floor green"
    check "$(field "$s" 5) > 0.7" "the top of the picture is the clear colour"

    # Boxes: the first red one after 120 ticks, a blue one after 240.
    local i red=0 blue=0
    for i in $(seq 1 40); do
        shot boxes
        s=$(stats boxes)
        red=$(field "$s" 7)
        blue=$(field "$s" 8)
        [ "$red" -ge 3 ] && [ "$blue" -ge 3 ] && break
        sleep 1
    done
    log "boxes: $s"
    check "$red >= 3 && $blue >= 3" "red and blue boxes appear"

    # Escape held and the right button dragged: nothing moves.
    shot before_escape
    focus_window
    hold_key Escape 1.5
    xdotool mousedown 3
    for i in $(seq 1 6); do
        xdotool mousemove_relative -- 15 10
        sleep 0.1
    done
    xdotool mouseup 3
    xdotool mousemove "$CX" "$CY"
    sleep 0.5
    shot after_escape
    local a b
    a=$(stats before_escape)
    b=$(stats after_escape)
    log "escape/right button: $a -> $b"
    check "$(field "$a" 4) == $(field "$b" 4)" "Escape and the right button leave the floor's edge in place"
    # Boxes keep falling, sliding and spawning meanwhile and cover the floor or
    # the sky, so their size says nothing; a camera turned for 1.5 s turns floor
    # into sky or sky into floor. (That Escape moves nothing is the router's and
    # the demo's unit tests'.)
    local swaps
    swaps=$(floor_sky_swaps before_escape after_escape)
    check "$swaps < 0.002" "Escape and the right button leave the floor as it was (swapped $swaps)"

    # Up held: the camera moves forward, towards the boxes, which grow. The speed
    # follows the frame rate, so Up is held only until they have grown.
    local before_boxes after_boxes=0
    before_boxes=$(field "$a" 11)
    focus_window
    xdotool keydown Up
    for i in $(seq 1 20); do
        shot after_up
        b=$(stats after_up)
        after_boxes=$(field "$b" 11)
        awk "BEGIN { exit !($after_boxes >= 1.8 * $before_boxes) }" && break
        sleep 0.1
    done
    xdotool keyup Up
    log "up: $a -> $b"
    check "$after_boxes >= 1.8 * $before_boxes && $(field "$b" 4) == $(field "$a" 4)" \
        "Up moves the camera forward"
    sleep 0.3
    shot after_up
    b=$(stats after_up)

    # A short left-button drag downwards tips the view (15 pixels, 0.3 radians):
    # the horizon moves, which boxes sliding on the floor never do.
    a=$b
    xdotool mousemove "$CX" "$CY"
    sleep 0.2
    left_drag 0 5
    b=$(stats after_drag)
    log "drag: $a -> $b"
    check "($(field "$b" 4) - $(field "$a" 4))^2 >= 25" "a left-button drag turns the view"
    # And back up, so that the light's view below differs from a view with sky.
    left_drag 0 -5
    b=$(stats after_drag)

    # Control held: the picture is the light's view; released, the camera's again.
    a=$b
    focus_window
    xdotool keydown ctrl
    sleep 1
    shot light_view
    xdotool keyup ctrl
    sleep 1
    shot camera_again
    local l c
    l=$(stats light_view)
    c=$(stats camera_again)
    log "control: $a -> $l -> $c"
    # Boxes near the camera keep moving, so the floor's share varies a little.
    check "($(field "$l" 1) - $(field "$a" 1))^2 > 0.01 || $(field "$l" 4) != $(field "$a" 4)" \
        "Control shows the light's view"
    check "($(field "$c" 1) - $(field "$a" 1))^2 < 0.0025 && $(field "$c" 4) == $(field "$a" 4)" \
        "releasing Control shows the camera's view again"

    expect_clean_close
    local info="$WORK/run/infolog.txt"
    [ -f "$info" ] || fail "no infolog.txt"
    tr -d '\r' <"$info" >"$WORK/infolog.unix"
    [ "$(wc -l <"$WORK/infolog.unix")" = 6 ] || fail "infolog.txt: $(cat "$WORK/infolog.unix")"
    grep -q '^OpenGL Version ' <(sed -n 1p "$WORK/infolog.unix") || fail "infolog line 1"
    grep -q '^OpenGL Renderer ' <(sed -n 2p "$WORK/infolog.unix") || fail "infolog line 2"
    grep -q '^Max vertex attribs [0-9][0-9]*$' <(sed -n 3p "$WORK/infolog.unix") ||
        fail "infolog line 3"
    [ "$(sed -n 4,6p "$WORK/infolog.unix")" = "Loaded vertex shader shadow.vs
Loaded fragment shader shadow.fs
Link successful" ] || fail "infolog.txt lines 4-6: $(sed -n 4,6p "$WORK/infolog.unix")"
    log "ok: infolog.txt holds the six lines of a good load"
}

run_missing_shader() {
    rm "$WORK/run/shadow.fs"
    start_app "$host" "$exe"
    find_window "$appear" "$child"
    focus_window
    sleep 2
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended without its fragment shader"
    shot running
    log "without shadow.fs: $(stats running)"
    expect_clean_close
    grep -q "^Unable to load fragment shader shadow.fs" <(tr -d '\r' <"$WORK/run/infolog.txt") ||
        fail "infolog.txt does not say why: $(cat "$WORK/run/infolog.txt")"
    log "ok: infolog.txt says the fragment shader could not be loaded"
    [ "$host" = sdl ] || return 0
    # Once, on standard error: the file, the folder, what to do.
    [ "$(cat "$WORK/stderr.txt")" = "shadow_mapping: the shaders in $WORK/run did not load: \
shadow.fs is missing. Run the program from the folder that holds shadow.vs and \
shadow.fs (build/bin, or the unpacked archive's folder)" ] ||
        fail "standard error does not say once why the shaders did not load: $(cat "$WORK/stderr.txt")"
    log "ok: standard error says once that shadow.fs is missing in $WORK/run"
}

# A window made far larger than any screen: the host sends it back to 8192 a
# side, where the driver's software path still copes, and goes on.
run_oversize() {
    start_app "$host" "$exe"
    find_window "$appear" "$child"
    xdotool windowsize "$WIN" 32767 32767
    local i size=""
    for i in $(seq 1 100); do
        kill -0 "$APP_PID" 2>/dev/null || fail "the program died at 32767 x 32767: $(cat "$WORK/stderr.txt")"
        size=$(xwininfo -id "$WIN" | awk '/^ *Width:/ {w = $2} /^ *Height:/ {print w "x" $2}')
        [ "$size" = 8192x8192 ] && break
        sleep 0.1
    done
    [ "$size" = 8192x8192 ] || fail "resized to 32767 x 32767, the window is $size, expected 8192x8192"
    log "ok: 32767 x 32767 came back as $size"
    expect_clean_close
}

# Nothing to show a window on: a message naming the display and why, exit code
# 1, nothing else printed (no complaint of a library first), no spinning.
expect_no_display() {
    local what=$1 want=$2
    shift 2
    local started=$SECONDS rc=0
    (cd "$WORK/run" && timeout 60 "$@") >"$WORK/nodisplay.txt" 2>&1 || rc=$?
    [ "$rc" = 1 ] || fail "$what: exit code $rc, expected 1: $(cat "$WORK/nodisplay.txt")"
    tr -d '\r' <"$WORK/nodisplay.txt" >"$WORK/nodisplay.unix"
    [ "$(wc -l <"$WORK/nodisplay.unix")" = 1 ] && grep -qF "$want" "$WORK/nodisplay.unix" ||
        fail "$what: expected one line with \"$want\": $(cat "$WORK/nodisplay.unix")"
    log "ok: $what: exit code 1 after $((SECONDS - started)) s: $(cat "$WORK/nodisplay.unix")"
}

run_no_display() {
    if [ "$host" = wine ]; then
        unset DISPLAY WAYLAND_DISPLAY
        setup_wine
        expect_no_display "Wine without a display" "Unable to create the window" wine "./$exe"
        return
    fi
    expect_no_display "no display at all" "No display to open the window on: DISPLAY is not set" \
        env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR -u SDL_VIDEODRIVER "./$exe"
    # A display number nobody serves.
    local n=99
    while [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    expect_no_display "DISPLAY=:$n with no server there" \
        "DISPLAY is :$n, but no X server answers there (/tmp/.X11-unix/X$n: No such file" \
        env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=":$n" XDG_RUNTIME_DIR="$WORK" "./$exe"
}

run_screensaver() {
    xset s 2 0
    # The check itself: with no window, the saver comes on after 2 s.
    xset s reset
    sleep 3.5
    [ "$("$X_PROBE" saver)" = on ] || fail "the screen saver did not start without the program"
    xset s reset
    start_app "$host" "$exe"
    find_window "$appear" "$child"
    focus_window
    sleep 5
    local state
    state=$("$X_PROBE" saver)
    [ "$state" = on ] && fail "the screen saver started while the window had focus"
    log "ok: screen saver $state after 5 s with the window focused"
    expect_clean_close
    xset s reset
    sleep 3.5
    [ "$("$X_PROBE" saver)" = on ] || fail "the screen saver stayed off after the program ended"
    log "ok: the screen saver works again once the program has ended"
}

# The counted build logs every call into the demo but render and tick, each as
# "host call: <frames> <ticks> <call>"; this checks the order of those calls.
check_calls() {
    tr -d '\r' <"$WORK/stdout.txt" | sed -n 's/^host call: //p' >"$WORK/calls.txt"
    awk 'NR == 1 && $3 != "init" { exit 1 } $3 == "resize" && !seen++ && $1 != 0 { exit 1 }
         END { if ($3 != "destroy" || $4 != "no-context") exit 1 }' "$WORK/calls.txt" ||
        fail "init, resize before the first frame, destroy without a context: $(cat "$WORK/calls.txt")"
    [ -z "$(awk '$3 == "mousemove" { print $2 }' "$WORK/calls.txt" | uniq -d)" ] ||
        fail "two mouse moves in one tick: $(grep mousemove "$WORK/calls.txt")"
    log "ok: resize before the first frame, at most one move per tick, destroy after the context"
}

pointer() { xdotool getmouselocation | sed 's/ screen.*//'; }

run_input() {
    if [ -n "$probe" ]; then
        # The window procedure driven in-process, for what real input cannot reach.
        (cd "$WORK/run" && wine "./$probe") >"$WORK/probe.txt" 2>&1 ||
            fail "in-process probe: $(cat "$WORK/probe.txt")"
        log "ok: in-process probe of the window procedure"
    fi
    start_app "$host" "$counted"
    find_window "$appear" "$child"
    focus_window
    view_centre
    xdotool mousemove "$CX" "$CY"
    sleep 0.5
    # A press far from the centre, then a one-pixel move: a turn by one pixel.
    xdotool mousemove $((CX - 150)) $((CY - 100))
    sleep 0.3
    xdotool mousedown 1 mousemove_relative -- 1 0
    sleep 0.3
    xdotool mouseup 1
    xdotool mousemove "$CX" "$CY"
    sleep 0.3
    # Five separate moves with the left button held: five turns, no more.
    xdotool mousedown 1
    for i in 1 2 3 4 5; do
        xdotool mousemove_relative -- 6 0
        sleep 0.25
    done
    xdotool mouseup 1
    sleep 0.3
    # Pressed inside, released outside: the release arrives all the same, so
    # moving back in neither turns the view nor warps the cursor.
    local out_x out_y=$CY
    out_x=$(xwininfo -id "$WIN" | awk '/Absolute upper-left X:/ {x = $4} /^ *Width:/ {print x + $2 + 8}')
    # A move without the button takes the tick; pressed and moved out within
    # that tick, the move out is dropped, so the cursor is not warped back.
    for i in $(seq 1 10); do
        xdotool mousemove "$CX" "$CY" sleep 0.1 mousemove_relative -- 1 0 mousedown 1 \
            mousemove "$out_x" "$out_y" sleep 0.1
        [ "$(pointer)" = "x:$out_x y:$out_y" ] && break
        xdotool mouseup 1
    done
    [ "$(pointer)" = "x:$out_x y:$out_y" ] || fail "could not press inside and move out"
    xdotool mouseup 1
    sleep 0.3
    xdotool mousemove $((CX - 40)) $((CY + 30))
    sleep 0.3
    xdotool mousemove_relative -- 3 3
    sleep 0.5
    [ "$(pointer)" = "x:$((CX - 37)) y:$((CY + 33))" ] ||
        fail "the cursor was warped after a release outside the window: $(pointer), expected x:$((CX - 37)) y:$((CY + 33))"
    if [ "$host" = sdl ]; then
        # Up held while the focus goes to the root, with the pointer off the
        # window so that the release goes nowhere.
        xdotool keydown Up sleep 0.3 mousemove 1270 1010 sleep 0.1
        xdotool windowfocus "$(xwininfo -root | awk '/Window id:/ {print $4}')"
        sleep 0.3
        xdotool keyup Up
        # A window manager's minimise and restore, through _NET_WM_STATE.
        xprop -id "$WIN" -f _NET_WM_STATE 32a -set _NET_WM_STATE _NET_WM_STATE_HIDDEN
        sleep 0.3
        xprop -id "$WIN" -f _NET_WM_STATE 32a -set _NET_WM_STATE _NET_WM_STATE_FOCUSED
        sleep 0.3
    fi
    expect_clean_close
    check_calls
    # The moves of each press: "<press> <dx> <dy>".
    awk '$3 == "keypress" && $4 == "leftbutton" { held = ($5 == "down"); presses += held }
         $3 == "mousemove" && held { print presses, $6, $7 }' "$WORK/calls.txt" >"$WORK/turns.txt"
    [ "$(sed -n 1p "$WORK/turns.txt")" = "1 1 0" ] ||
        fail "a press 150 100 from the centre and a move by 1 0 turned by (press dx dy): $(grep '^1 ' "$WORK/turns.txt")"
    log "ok: a press away from the centre and a one-pixel move turn by one pixel"
    [ "$(grep -c '^2 ' "$WORK/turns.txt")" = 5 ] ||
        fail "five moves with the button held: $(cat "$WORK/calls.txt")"
    log "ok: five moves, five turns; a release outside the window arrives"
    if [ "$host" = sdl ]; then
        grep -q "keypress up up" "$WORK/calls.txt" || fail "Up held through a focus loss stayed down"
        # The line after the first "resize 0 0", read whole (no reader that stops early).
        awk 'prev ~ / resize 0 0$/ && / resize [1-9][0-9]* [1-9]/ { ok = 1 } { prev = $0 }
             END { exit !ok }' "$WORK/calls.txt" ||
            fail "minimise and restore: $(grep resize "$WORK/calls.txt")"
        log "ok: focus loss releases Up; minimised, resize 0 0; restored, the size again"
    fi
}

case "$scenario" in
main | missing_shader | input | screensaver | oversize) start_xvfb ;;
no_display)
    run_no_display
    log "PASS: $host $scenario"
    exit 0
    ;;
main_egl)
    # The context through EGL, as on Wayland.
    export SDL_VIDEO_X11_FORCE_EGL=1
    start_xvfb
    scenario=main
    ;;
*) fail "unknown scenario $scenario" ;;
esac
[ "$host" = wine ] && setup_wine
"run_$scenario"
log "PASS: $host $scenario"
