#!/usr/bin/env bash
# End-to-end test of a real window host under Xvfb, driven like a person with
# xdotool and checked on screenshots.
#   window_test.sh <sdl|wine> <main|missing_shader|screensaver> <bin dir> <x_probe>
set -euo pipefail
host=$1 scenario=$2 bin=$3
X_PROBE=$4
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=window_lib.sh
source "$here/window_lib.sh"

if [ "$host" = wine ]; then
    exe=shadow_mapping.exe appear=90 child=1
else
    exe=shadow_mapping appear=20 child=0
fi
make_workdir "$bin" "$exe" shadow.vs shadow.fs

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
    # Boxes keep falling and spawning meanwhile, so their area may change a little;
    # a camera moved for 1.5 s would change it several times over.
    check "($(field "$a" 2) - $(field "$b" 2))^2 < 1 && ($(field "$a" 1) - $(field "$b" 1))^2 < 0.0001" \
        "Escape and the right button leave the floor as it was"
    check "$(field "$b" 7) + $(field "$b" 8) <= 1.7 * ($(field "$a" 7) + $(field "$a" 8)) + 10 && $(field "$b" 7) + $(field "$b" 8) >= 0.5 * ($(field "$a" 7) + $(field "$a" 8)) - 10" \
        "Escape and the right button leave the boxes' size as it was"

    # Up held: the camera moves forward, towards the boxes, which grow. The speed
    # follows the frame rate, so Up is held only until they have grown.
    local before_boxes after_boxes=0
    before_boxes=$(($(field "$a" 7) + $(field "$a" 8)))
    focus_window
    xdotool keydown Up
    for i in $(seq 1 20); do
        shot after_up
        b=$(stats after_up)
        after_boxes=$(($(field "$b" 7) + $(field "$b" 8)))
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

    # A short left-button drag sideways turns the view about the vertical:
    # the boxes slide across, the horizon stays.
    a=$b
    xdotool mousemove "$CX" "$CY"
    sleep 0.2
    xdotool mousedown 1
    for i in $(seq 1 3); do
        xdotool mousemove_relative -- 5 0
        sleep 0.15
    done
    xdotool mouseup 1
    sleep 0.5
    shot after_drag
    b=$(stats after_drag)
    log "drag: $a -> $b"
    check "($(field "$b" 9) - $(field "$a" 9))^2 > 100 && $(field "$b" 4) == $(field "$a" 4)" \
        "a left-button drag turns the view"

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

case "$scenario" in
main | missing_shader) start_xvfb ;;
screensaver) start_xvfb -noreset ;;
*) fail "unknown scenario $scenario" ;;
esac
[ "$host" = wine ] && setup_wine
"run_$scenario"
log "PASS: $host $scenario"
