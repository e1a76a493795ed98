#!/usr/bin/env bash
# End-to-end test of a real window host under Xvfb, driven like a person with
# xdotool and checked on screenshots.
#   window_test.sh <sdl|wine> <main|main_egl|missing_shader|screensaver|input|no_display|oversize> \
#                  <bin dir> <x_probe> <screenshot_probe>
# shellcheck source-path=SCRIPTDIR
set -euo pipefail
host=$1 scenario=$2 bin=$3
X_PROBE=$4 SCREENSHOT_PROBE=$5
support=$(cd "$(dirname "$0")/../support" && pwd)
# shellcheck source=../support/x_session.sh
source "$support/x_session.sh"
# shellcheck source=../support/app_control.sh
source "$support/app_control.sh"
# shellcheck source=../support/screenshots.sh
source "$support/screenshots.sh"

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

# A pause, not a wait: time for the host to take the last input in a tick of
# its own, or for a wrong reaction to it to show. Neither build shows its ticks
# while it runs (the counted one prints them at exit), and where the right
# reaction is none there is nothing else to wait for.
pace() { sleep "$1"; }

# Holds a key for a while: xdotool keydown/keyup go to the focused window. The
# hold itself is the input, so its length is a pause.
hold_key() {
    xdotool keydown "$1"
    pace "$2"
    xdotool keyup "$1"
}

# A move with the left button held that tips the view: waits until the
# floor's edge has moved, which falling boxes never do, so that each move
# lands in a tick of its own and the last one is on screen.
tipping_move() {
    local before
    shot before_move
    before=$(figure edge_row "$(figures before_move)")
    xdotool mousemove_relative -- "$1" "$2"
    wait_until 10 "the floor's edge moved from row $before by the move ($1, $2)" \
        edge_moved_from "$before"
}
edge_moved_from() {
    local now
    shot _now
    now=$(figures _now)
    LAST_SEEN=$now
    [ "$(figure edge_row "$now")" != "$1" ]
}

# A move with the left button held that turns the view sideways, in the
# counted build: paced as a person would, then waited on until the client area
# has changed, so that a host too slow for the pace still gets the move in a
# tick of its own. (Boxes falling change the picture too; the pause keeps
# that from ending the wait early.)
turning_move() {
    shot before_move
    xdotool mousemove_relative -- "$1" "$2"
    pace "$3"
    wait_until 10 "the view turned by the move ($1, $2)" picture_changed_from before_move
}

# Three moves of (dx, dy) with the left button held, then the screenshot after_drag.
left_drag() {
    xdotool mousedown 1
    for _ in 1 2 3; do tipping_move "$1" "$2"; done
    xdotool mouseup 1
    shot after_drag
}

# Numbers of two figures lines compared through awk: true when $1 holds.
holds() { awk "BEGIN { exit !($1) }"; }

# The first frame on screen: floor green somewhere.
first_frame_shown() {
    shot floor
    s=$(figures floor)
    LAST_SEEN=$s
    holds "$(figure floor "$s") > 0"
}

boxes_shown() {
    shot boxes
    s=$(figures boxes)
    red=$(figure red "$s") blue=$(figure blue "$s")
    LAST_SEEN=$s
    [ "$red" -ge 3 ] && [ "$blue" -ge 3 ]
}

# The view moved forward: the boxes have grown.
boxes_grown() {
    shot after_up
    b=$(figures after_up)
    after_boxes=$(figure boxes "$b")
    holds "$after_boxes >= 1.8 * $before_boxes"
}

# Boxes near the camera keep moving, so the floor's share varies a little.
light_view_shown() {
    shot light_view
    l=$(figures light_view)
    LAST_SEEN="$a -> $l"
    holds "($(figure floor "$l") - $(figure floor "$a"))^2 > 0.01 || \
           $(figure edge_row "$l") != $(figure edge_row "$a")"
}
camera_view_shown() {
    shot camera_again
    c=$(figures camera_again)
    LAST_SEEN="$a -> $c"
    holds "($(figure floor "$c") - $(figure floor "$a"))^2 < 0.0025 && \
           $(figure edge_row "$c") == $(figure edge_row "$a")"
}

run_main() {
    start_app "$host" "$exe"
    find_window "$appear" "$child"
    focus_window
    view_centre
    xdotool mousemove "$CX" "$CY"

    # The floor: green below, the clear colour above.
    local s
    wait_until 30 "a first frame with floor in it" first_frame_shown
    log "floor: $s"
    check "$(figure ground "$s") > 0.6" "the bottom of the picture is floor green"
    check "$(figure sky "$s") > 0.7" "the top of the picture is the clear colour"

    # Boxes: the first red one after 120 ticks, a blue one after 240.
    local red=0 blue=0
    wait_until 60 "red and blue boxes" boxes_shown
    log "boxes: $s"
    check "$red >= 3 && $blue >= 3" "red and blue boxes appear"

    # Escape held and the right button dragged: nothing moves, so the moves
    # are paced rather than waited on.
    shot before_escape
    focus_window
    hold_key Escape 1.5
    xdotool mousedown 3
    for _ in $(seq 1 6); do
        xdotool mousemove_relative -- 15 10
        pace 0.1
    done
    xdotool mouseup 3
    xdotool mousemove "$CX" "$CY"
    pace 0.5
    shot after_escape
    local a b
    a=$(figures before_escape)
    b=$(figures after_escape)
    log "escape/right button: $a -> $b"
    check "$(figure edge_row "$a") == $(figure edge_row "$b")" \
        "Escape and the right button leave the floor's edge in place"
    # Boxes keep falling, sliding and spawning meanwhile and cover the floor or
    # the sky, so their size says nothing; a camera turned for 1.5 s turns floor
    # into sky or sky into floor. (That Escape moves nothing is the router's and
    # the demo's unit tests'.)
    local swaps
    swaps=$(figure swaps "$(compare before_escape after_escape)")
    check "$swaps < 0.002" "Escape and the right button leave the floor as it was (swapped $swaps)"

    # Up held: the camera moves forward, towards the boxes, which grow. The speed
    # follows the frame rate, so Up is held only until they have grown.
    # Measured on the picture just before Up: boxes that were still falling
    # when the one before Escape was taken may have landed, smaller, since.
    local before_boxes after_boxes=0
    before_boxes=$(figure boxes "$b")
    focus_window
    # Up in short presses, each measured with the key up: held through the
    # screenshots, a loaded machine carried the camera past the boxes.
    for _ in $(seq 1 20); do
        xdotool keydown Up
        sleep 0.1
        xdotool keyup Up
        boxes_grown && break
    done
    log "up: $a -> $b"
    check "$after_boxes >= 1.8 * $before_boxes && $(figure edge_row "$b") == $(figure edge_row "$a")" \
        "Up moves the camera forward"

    # A short left-button drag downwards tips the view (15 pixels, 0.3 radians):
    # the horizon moves, which boxes sliding on the floor never do. Moving
    # forward leaves the floor's edge where it was (just checked), so the
    # picture from before Up was released does as the starting point.
    a=$b
    xdotool mousemove "$CX" "$CY"
    # The plain move takes a tick of its own, or the press's first move is dropped.
    pace 0.2
    left_drag 0 5
    b=$(figures after_drag)
    log "drag: $a -> $b"
    check "($(figure edge_row "$b") - $(figure edge_row "$a"))^2 >= 25" "a left-button drag turns the view"
    # And back up, so that the light's view below differs from a view with sky.
    left_drag 0 -5
    b=$(figures after_drag)

    # Control held: the picture is the light's view; released, the camera's again.
    a=$b
    local l c
    focus_window
    xdotool keydown ctrl
    wait_until 10 "the light's view with Control held" light_view_shown
    xdotool keyup ctrl
    wait_until 10 "the camera's view again with Control released" camera_view_shown
    log "control: $a -> $l -> $c"
    log "ok: Control shows the light's view"
    log "ok: releasing Control shows the camera's view again"
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

shader_failure_logged() {
    [ -f "$WORK/run/infolog.txt" ] &&
        grep -q "^Unable to load fragment shader shadow.fs" <(tr -d '\r' <"$WORK/run/infolog.txt")
}

run_missing_shader() {
    rm "$WORK/run/shadow.fs"
    start_app "$host" "$exe"
    find_window "$appear" "$child"
    focus_window
    # The failed load is reported; a crash after it shows here or in the exit code.
    wait_until 30 "the failed load in infolog.txt" shader_failure_logged
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended without its fragment shader"
    shot running
    log "without shadow.fs: $(figures running)"
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

window_clamped() {
    kill -0 "$APP_PID" 2>/dev/null || fail "the program died at 16384 x 16384: $(cat "$WORK/stderr.txt")"
    size=$(xwininfo -id "$WIN" | awk '/^ *Width:/ {w = $2} /^ *Height:/ {print w "x" $2}')
    LAST_SEEN=$size
    [ "$size" = 8192x8192 ]
}

# A window made far larger than any screen: the host sends it back to 8192 a
# side, where the driver's software path still copes, and goes on. Without a
# window manager nothing holds the window to the host's maximum size, and a
# frame already under way when the resize lands is drawn at the new size:
# llvmpipe draws 16384 a side, but at 32767 (a 4 GiB frame) it crashes in its
# rasterizer or in libxcb, so the test stays within what the driver can draw.
run_oversize() {
    start_app "$host" "$exe"
    find_window "$appear" "$child"
    # Resized only once it draws: a host still setting its window up may size
    # it again after the request.
    local s
    wait_until 30 "a first frame with floor in it" first_frame_shown
    xdotool windowsize "$WIN" 16384 16384
    size=""
    # A first frame of 8192 x 8192 takes the software renderer seconds on a
    # loaded machine.
    wait_until 30 "the window at 8192x8192 after a resize to 16384 x 16384" window_clamped
    log "ok: 16384 x 16384 came back as $size"
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
    if [ "$(wc -l <"$WORK/nodisplay.unix")" != 1 ] || ! grep -qF "$want" "$WORK/nodisplay.unix"; then
        fail "$what: expected one line with \"$want\": $(cat "$WORK/nodisplay.unix")"
    fi
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

saver_on() {
    LAST_SEEN=$("$X_PROBE" saver)
    [ "$LAST_SEEN" = on ]
}

run_screensaver() {
    xset s 2 0
    # The check itself: with no window, the saver comes on after 2 s.
    xset s reset
    wait_until 10 "the screen saver on without the program" saver_on
    xset s reset
    start_app "$host" "$exe"
    find_window "$appear" "$child"
    focus_window
    # A pause by its nature: the saver's 2 s must pass, with a margin, while the
    # window is focused; checked all along, so that a saver that starts fails at once.
    local deadline=$(($(now_ms) + 5000)) state
    while [ "$(now_ms)" -lt "$deadline" ]; do
        state=$("$X_PROBE" saver)
        [ "$state" = on ] && fail "the screen saver started while the window had focus"
        sleep 0.2
    done
    log "ok: screen saver $state after 5 s with the window focused"
    expect_clean_close
    xset s reset
    wait_until 10 "the screen saver on again after the program ended" saver_on
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

pointer() {
    local where
    where=$(xdotool getmouselocation)
    echo "${where%% screen*}"
}
lost_focus() { ! has_focus; }

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
    # Plain moves and presses change nothing on screen, so a pause after each
    # gives it a tick of its own; a move that turns the view is waited on.
    xdotool mousemove "$CX" "$CY"
    pace 0.5
    # A press far from the centre, then a one-pixel move: a turn by one pixel.
    xdotool mousemove $((CX - 150)) $((CY - 100))
    pace 0.3
    xdotool mousedown 1
    turning_move 1 0 0.3
    xdotool mouseup 1
    xdotool mousemove "$CX" "$CY"
    pace 0.3
    # Five separate moves with the left button held: five turns, no more.
    xdotool mousedown 1
    for _ in 1 2 3 4 5; do turning_move 6 0 0.25; done
    xdotool mouseup 1
    pace 0.3
    # Pressed inside, released outside: the release arrives all the same, so
    # moving back in neither turns the view nor warps the cursor.
    local out_x out_y=$CY
    out_x=$(xwininfo -id "$WIN" | awk '/Absolute upper-left X:/ {x = $4} /^ *Width:/ {print x + $2 + 8}')
    # A move without the button takes the tick; pressed and moved out within
    # that tick, the move out is dropped, so the cursor is not warped back.
    # Tried until it happens: the pauses inside are the input's timing.
    for _ in $(seq 1 10); do
        xdotool mousemove "$CX" "$CY" sleep 0.1 mousemove_relative -- 1 0 mousedown 1 \
            mousemove "$out_x" "$out_y" sleep 0.1
        [ "$(pointer)" = "x:$out_x y:$out_y" ] && break
        xdotool mouseup 1
    done
    [ "$(pointer)" = "x:$out_x y:$out_y" ] || fail "could not press inside and move out"
    xdotool mouseup 1
    pace 0.3
    xdotool mousemove $((CX - 40)) $((CY + 30))
    pace 0.3
    xdotool mousemove_relative -- 3 3
    # Time for a wrong warp to happen; the right outcome is none.
    pace 0.5
    [ "$(pointer)" = "x:$((CX - 37)) y:$((CY + 33))" ] ||
        fail "the cursor was warped after a release outside the window: $(pointer), expected x:$((CX - 37)) y:$((CY + 33))"
    if [ "$host" = sdl ]; then
        # Up held while the focus goes to the root, with the pointer off the
        # window so that the release goes nowhere.
        xdotool keydown Up sleep 0.3 mousemove 1270 1010 sleep 0.1
        xdotool windowfocus "$(xwininfo -root | awk '/Window id:/ {print $4}')"
        # Once the focus is elsewhere the release goes there, whenever the
        # host takes its focus loss.
        wait_until 10 "the focus off window $WIN" lost_focus
        xdotool keyup Up
        # A window manager's minimise and restore, through _NET_WM_STATE.
        xprop -id "$WIN" -f _NET_WM_STATE 32a -set _NET_WM_STATE _NET_WM_STATE_HIDDEN
        pace 0.3
        xprop -id "$WIN" -f _NET_WM_STATE 32a -set _NET_WM_STATE _NET_WM_STATE_FOCUSED
        pace 0.3
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
