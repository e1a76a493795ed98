#!/usr/bin/env bash
# End-to-end test of the SDL host on a headless sway, with no X server: the
# window, screenshots (grim), keys (wtype), the pointer (wl_pointer), idle
# inhibition (swayidle), HiDPI, a hidden workspace and a compositor that dies.
#   wayland_test.sh <main|auto|mouse|idle|hidpi|hidden|gone> <bin dir> <wl_pointer> \
#                   <screenshot_probe>
# shellcheck source-path=SCRIPTDIR
set -euo pipefail
scenario=$1 bin=$2 WL_POINTER=$3 SCREENSHOT_PROBE=$4
support=$(cd "$(dirname "$0")/../support" && pwd)
# log, fail, the ERR trap, now_ms and wait_until; nothing of X.
# shellcheck source=../support/report.sh
source "$support/report.sh"
# figures, figure (shot is this script's own, below).
# shellcheck source=../support/screenshots.sh
source "$support/screenshots.sh"

SWAY_PID="" APP_PID="" PTR_PID="" IDLE_PID="" TYPER_PID=""
cleanup() {
    local rc=$?
    set +e
    trap - ERR
    local pid
    for pid in "$TYPER_PID" "$APP_PID" "$PTR_PID" "$IDLE_PID" "$SWAY_PID"; do
        [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    if [ "$rc" = 0 ]; then rm -rf "$WORK"; else log "kept $WORK"; fi
    exit "$rc"
}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/shadow-wayland.XXXXXX")
trap cleanup EXIT
mkdir -p "$WORK/run"
for f in shadow_mapping_counted shadow.vs shadow.fs; do
    cp "$bin/$f" "$WORK/run/" || fail "missing $bin/$f"
done
# No X server anywhere: whatever SDL opens must be Wayland.
unset DISPLAY SDL_VIDEODRIVER WAYLAND_DISPLAY

# A pause, not a wait: the input's own pacing, or a span in which something
# must not happen, where there is nothing to wait for.
pace() { sleep "$1"; }

# sway refuses to run as root: it runs as nobody, in a runtime folder of its own.
start_sway() {
    chmod 711 "$WORK"
    mkdir -m 700 "$WORK/rt"
    chown nobody:nogroup "$WORK/rt"
    cat >"$WORK/sway.conf" <<'CONF'
output HEADLESS-1 resolution 1280x1024 scale @SCALE@
default_border none
focus_follows_mouse no
xwayland disable
CONF
    sed -i "s/@SCALE@/${SWAY_SCALE:-1}/" "$WORK/sway.conf"
    chmod 644 "$WORK/sway.conf"
    (cd / && exec env -i PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$WORK/rt" WLR_BACKENDS=headless \
        WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        setpriv --reuid=nobody --regid=nogroup --clear-groups sway -c "$WORK/sway.conf") \
        >"$WORK/sway.log" 2>&1 &
    SWAY_PID=$!
    export XDG_RUNTIME_DIR="$WORK/rt"
    sway_ready() {
        kill -0 "$SWAY_PID" 2>/dev/null || fail "sway did not start: $(cat "$WORK/sway.log")"
        local sock
        LAST_SEEN="no IPC socket; sway.log: $(cat "$WORK/sway.log")"
        for sock in "$WORK"/rt/sway-ipc.*.sock; do
            [ -S "$sock" ] || return 1
            SWAYSOCK=$sock
        done
        LAST_SEEN="no Wayland socket; sway.log: $(cat "$WORK/sway.log")"
        [ -S "$WORK/rt/wayland-1" ] || [ -S "$WORK/rt/wayland-0" ] || return 1
        LAST_SEEN="no answer on $SWAYSOCK; sway.log: $(cat "$WORK/sway.log")"
        swaymsg -s "$SWAYSOCK" -t get_version >/dev/null 2>&1
    }
    wait_until 20 "sway's sockets and an answer from it" sway_ready
    export SWAYSOCK
    if [ -S "$WORK/rt/wayland-1" ]; then WAYLAND_DISPLAY=wayland-1; else WAYLAND_DISPLAY=wayland-0; fi
    export WAYLAND_DISPLAY
    log "sway $(swaymsg -t get_version -r | jq -r .human_readable) on $WAYLAND_DISPLAY"
}

sway_cmd() {
    local out
    out=$(swaymsg -- "$@") || fail "swaymsg $*: $out"
}

# $@: extra environment for the program.
start_app() {
    (cd "$WORK/run" && exec env "$@" ./shadow_mapping_counted) >"$WORK/stdout.txt" \
        2>"$WORK/stderr.txt" &
    APP_PID=$!
}

# The window's node in sway's tree, as JSON; empty while there is none.
window_node() {
    swaymsg -t get_tree -r | jq -c --argjson pid "$APP_PID" \
        '[recurse(.nodes[]?, .floating_nodes[]?) | select(.pid == $pid)] | .[0] // empty'
}
node_field() { window_node | jq -r "$1"; }
window_size() { node_field '.rect | "\(.width)x\(.height)"'; }

# Conditions for wait_until.
has_window() {
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended before its window appeared: $(cat "$WORK/stderr.txt")"
    [ -n "$(window_node)" ]
}
rect_is() {
    LAST_SEEN=$(window_size)
    [ "$LAST_SEEN" = "$1" ]
}
visible() {
    LAST_SEEN="visible $(node_field .visible)"
    [ "$LAST_SEEN" = "visible $1" ]
}
inhibits() {
    LAST_SEEN="inhibit_idle $(node_field .inhibit_idle)"
    [ "$LAST_SEEN" = "inhibit_idle $1" ]
}
synced() {
    kill -0 "$PTR_PID" 2>/dev/null || fail "wl_pointer ended: $(cat "$WORK/pointer.err")"
    [ "$(grep -c '^ok$' "$WORK/pointer.out" || :)" -ge "$1" ]
}
idle_lines() { grep -c "^$1$" "$WORK/idle.txt" || :; }
idle_seen() { LAST_SEEN="swayidle said: $(tr '\n' ' ' <"$WORK/idle.txt")"; }
idle_now() {
    idle_seen
    [ "$(idle_lines idle)" -gt "$(idle_lines active)" ]
}
active_now() {
    idle_seen
    [ "$(idle_lines active)" -ge "$(idle_lines idle)" ]
}

find_window() {
    wait_until 30 "a window of pid $APP_PID in sway's tree" has_window
    local title shell
    title=$(node_field .name)
    shell=$(node_field .shell)
    [ "$title" = "Shadow mapping" ] || fail "the window's title is \"$title\""
    [ "$shell" = xdg_shell ] || fail "the window is a $shell one, not a native Wayland one"
    log "ok: window \"$title\" ($shell, app_id $(node_field .app_id)) at $(node_field '.rect | "\(.x),\(.y) \(.width)x\(.height)"')"
}

# A keyboard appears with the first key press, and SDL 2.26 crashes when a
# keyboard's first enter carries a held key: wtype first waits, so that the
# window has the focus before anything is pressed.
keys() { wtype -s 300 "$@"; }

# A screenshot of the window as $WORK/$1.ppm, at the output's scale.
shot() {
    local geometry
    geometry=$(node_field '.rect | "\(.x),\(.y) \(.width)x\(.height)"')
    grim -t ppm -g "$geometry" "$WORK/$1.ppm" || fail "grim $geometry failed"
}

# Numbers compare as floats through awk.
holds() { awk "BEGIN { exit !($1) }"; }
check() {
    holds "$1" || fail "$2 ($1)"
    log "ok: $2"
}

# A fresh screenshot $1 and the probe's figures of it in FIGS (and LAST_SEEN).
shot_figures() {
    shot "$1"
    FIGS=$(figures "$1") || fail "no figures of the screenshot $1"
    LAST_SEEN=$FIGS
}
# Conditions on a fresh screenshot.
floor_shown() { # $1 = name
    shot_figures "$1"
    holds "$(figure floor "$FIGS") > 0.3"
}
boxes_shown() {
    shot_figures boxes
    [ "$(figure red "$FIGS")" -ge 3 ] && [ "$(figure blue "$FIGS")" -ge 3 ]
}
# The view moved from the one of the figures $1: the floor's share by more than
# 0.1 or its top row. Fails once the key's hold (wtype) is over without it.
light_view_shown() {
    shot_figures light_view
    holds "($(figure floor "$FIGS") - $(figure floor "$1"))^2 > 0.01 ||
        $(figure edge_row "$FIGS") != $(figure edge_row "$1")" && return 0
    kill -0 "$TYPER_PID" 2>/dev/null ||
        fail "Control held for 5 s never showed the light's view (before: $1; last seen: $FIGS)"
    return 1
}
# The view of the figures $1 again: the floor's share within 0.05, the same top row.
camera_view_shown() {
    shot_figures camera_again
    LAST_SEEN="$FIGS; before Control: $1"
    holds "($(figure floor "$FIGS") - $(figure floor "$1"))^2 < 0.0025 &&
        $(figure edge_row "$FIGS") == $(figure edge_row "$1")"
}


expect_clean_close() {
    sway_cmd "[pid=$APP_PID]" kill
    wait_app 20
    [ "$APP_RC" = 0 ] || fail "exit code $APP_RC after the compositor's close: $(cat "$WORK/stderr.txt")"
    grep -qx "Shutting down." "$WORK/stdout.txt" ||
        fail "no \"Shutting down.\" on standard output: $(cat "$WORK/stdout.txt")"
    log "ok: closed by sway with exit code 0 and \"Shutting down.\""
    sed -n 's/^host call: //p' "$WORK/stdout.txt" >"$WORK/calls.txt"
}

# The last "resize W H" of the counted log.
last_resize() { awk '$3 == "resize" { s = $4 " " $5 } END { print s }' "$WORK/calls.txt"; }

run_main() {
    start_app SDL_VIDEODRIVER=wayland
    find_window
    # Small, since the software renderer's frame rate bounds the tick rate.
    sway_cmd "[pid=$APP_PID]" floating enable, resize set 640 480, move position 0 0
    wait_until 10 "the window at 640x480" rect_is 640x480
    # The floor from the start, boxes after 120 and 240 ticks.
    wait_until 40 "red and blue boxes on screen" boxes_shown
    log "boxes: $FIGS"
    check "$(figure floor "$FIGS") > 0.3" "the floor is there (r = b = 0, g > 0)"
    check "$(figure red "$FIGS") >= 3 && $(figure blue "$FIGS") >= 3" "red and blue boxes appear"

    # Control held: the light's view; released, the camera's again.
    local a
    shot before_keys
    a=$(figures before_keys) || fail "no figures of the screenshot before_keys"
    # Held for 5 s: screenshots until the light's view shows, then released.
    keys -P Control_L -s 5000 -p Control_L &
    TYPER_PID=$!
    wait_until 10 "the light's view while Control is held" light_view_shown "$a"
    log "control held: $a -> $FIGS"
    wait "$TYPER_PID" || fail "wtype failed"
    TYPER_PID=""
    log "ok: Control held shows the light's view"
    wait_until 10 "the camera's view again once Control is released" camera_view_shown "$a"
    log "control released: $FIGS"
    log "ok: Control released shows the camera's view again"

    # A resize by the compositor reaches the demo.
    sway_cmd "[pid=$APP_PID]" resize set 800 600
    wait_until 10 "the window at 800x600" rect_is 800x600
    expect_clean_close
    log "resizes: $(grep -c ' resize ' "$WORK/calls.txt"), last $(last_resize)"
    grep -q ' resize 800 600$' "$WORK/calls.txt" ||
        fail "no resize 800 600 after the compositor's resize: $(grep resize "$WORK/calls.txt")"
    log "ok: the compositor's resize to 800x600 reached the demo"
}

# An output at scale 2: the window keeps its size in points, the demo gets pixels.
run_hidpi() {
    start_app SDL_VIDEODRIVER=wayland
    find_window
    sway_cmd "[pid=$APP_PID]" floating enable, resize set 500 400
    wait_until 10 "the window at 500x400 at scale 2" rect_is 500x400
    wait_until 10 "the floor at scale 2" floor_shown scaled
    log "scale 2: screenshot $(identify -format '%wx%h' "$WORK/scaled.ppm"), $FIGS"
    check "$(figure floor "$FIGS") > 0.3" "at scale 2 the window shows the floor"
    expect_clean_close
    log "resizes: $(awk '$3 == "resize" { printf "%s %s, ", $4, $5 }' "$WORK/calls.txt")"
    [ "$(last_resize)" = "1000 800" ] ||
        fail "at scale 2 a 500x400 window gave resize $(last_resize), expected 1000 800 pixels"
    log "ok: at scale 2 the demo draws 1000x800 pixels for a 500x400 window"
}

# Only WAYLAND_DISPLAY tells SDL where to go.
run_auto() {
    start_app
    find_window
    wait_until 15 "the floor with WAYLAND_DISPLAY alone" floor_shown floor
    log "floor: $FIGS"
    check "$(figure floor "$FIGS") > 0.3" "with WAYLAND_DISPLAY alone the window shows the floor"
    expect_clean_close
}

# One virtual pointer for the whole scenario, fed through a fifo.
start_pointer() {
    mkfifo "$WORK/pointer.in"
    "$WL_POINTER" <"$WORK/pointer.in" >"$WORK/pointer.out" 2>"$WORK/pointer.err" &
    PTR_PID=$!
    exec {POINTER}>"$WORK/pointer.in"
    pointer_sync
}
# Each command, then a round trip, so that the compositor has handled it.
pointer() {
    echo "$*" >&"$POINTER"
    pointer_sync
}
pointer_sync() {
    local want
    want=$(($(grep -c '^ok$' "$WORK/pointer.out" || :) + 1))
    echo sync >&"$POINTER"
    wait_until 10 "an answer from wl_pointer" synced "$want"
}

run_mouse() {
    start_app SDL_VIDEODRIVER=wayland
    find_window
    # Small, for short frames on a loaded machine.
    sway_cmd "[pid=$APP_PID]" floating enable, resize set 400 300, move position 100 100
    start_pointer
    pointer at 300 250 1280 1024
    # The host sees its pointer enter in a tick before the press.
    pace 0.5
    pointer press
    # Apart by far more than a tick: a move in the same tick as another waits
    # for the next one and is added to it.
    for _ in 1 2 3 4 5; do
        pace 0.3
        pointer move 6 0
    done
    pace 0.3
    pointer release
    expect_clean_close
    awk '$3 == "keypress" && $4 == "leftbutton" { held = ($5 == "down") }
         $3 == "mousemove" && held { print $6, $7 }' "$WORK/calls.txt" >"$WORK/turns.txt"
    log "turns with the button held (dx dy): $(tr '\n' ',' <"$WORK/turns.txt")"
    # Each turn is what the pointer moved since the last one: the five 6-pixel
    # moves add up to 30, never to 6+12+18+... as measured from the press.
    awk '$2 != 0 || $1 <= 0 || $1 % 6 != 0 { bad = 1 } { sum += $1 } END { exit bad || sum != 30 }' \
        "$WORK/turns.txt" || fail "five moves by 6 0 turned by: $(cat "$WORK/turns.txt")"
    if [ "$(wc -l <"$WORK/turns.txt")" != 5 ]; then
        log "note: moves merged into one tick: $(tr '\n' ',' <"$WORK/turns.txt")"
    fi
    log "ok: five 6-pixel moves turn the view by 30 pixels in steps of 6"
}

# swayidle reports idle after 5 s without input, and active again on input.
# While the window's inhibitor holds, sway stops the idle timers: no idle comes,
# and no input is reported either.
run_idle() {
    swayidle -w timeout 5 'echo idle' resume 'echo active' >"$WORK/idle.txt" 2>"$WORK/swayidle.err" &
    IDLE_PID=$!
    start_app SDL_VIDEODRIVER=wayland
    find_window
    start_pointer
    # Without the focus the window holds nothing off.
    wait_until 15 "idle while the window had no focus" idle_now
    log "ok: idle without the focus"
    pointer move 5 5
    wait_until 5 "the end of the idle state after a pointer move" active_now
    # A keyboard for 9 s gives the window the focus.
    keys -s 9000 &
    TYPER_PID=$!
    local before
    before=$(idle_lines idle)
    # 7 s in which idle (due after 5) must not come.
    pace 7
    [ "$(idle_lines idle)" = "$before" ] ||
        fail "idle came while the window had the focus: $(cat "$WORK/idle.txt")"
    inhibits true || fail "sway does not have the window inhibiting idle ($LAST_SEEN)"
    log "ok: no idle for 7 s while the window has the focus, and sway says it inhibits idle"
    wait "$TYPER_PID" || fail "wtype failed"
    TYPER_PID=""
    wait_until 10 "the window's idle inhibitor released after its focus went" inhibits false
    # The keyboard gone, the focus goes, and idle comes again.
    wait_until 15 "idle after the window lost the focus" idle_now
    log "ok: idle again once the window lost the focus"
    expect_clean_close
}

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$APP_PID/stat"; }
run_hidden() {
    start_app SDL_VIDEODRIVER=wayland
    find_window
    # A resize before and the close after put the tick count into the log at
    # both ends of the hidden span.
    sway_cmd "[pid=$APP_PID]" floating enable, resize set 400 300
    wait_until 10 "the window at 400x300" rect_is 400x300
    local span_start
    span_start=$(now_ms)
    sway_cmd "[pid=$APP_PID]" move container to workspace 2
    wait_until 10 "the window hidden after the move to workspace 2" visible false
    local c0 c1 t0 t1 hz
    hz=$(getconf CLK_TCK)
    c0=$(cpu_ticks) t0=$(now_ms)
    # The span over which the CPU time is measured.
    pace 6
    c1=$(cpu_ticks) t1=$(now_ms)
    local share
    share=$(awk -v c="$((c1 - c0))" -v hz="$hz" -v ms="$((t1 - t0))" 'BEGIN { printf "%.3f", c / hz / (ms / 1e3) }')
    log "hidden for $((t1 - t0)) ms: CPU $share of one core"
    check "$share < 0.3" "hidden, the program uses well under one core"
    # The close is answered while nothing shows.
    local start=$SECONDS span_ms
    span_ms=$(($(now_ms) - span_start))
    expect_clean_close
    log "closed while hidden after $((SECONDS - start)) s"
    # Ticks go on meanwhile, one each 16 ms at most.
    local from to
    from=$(awk '$3 == "resize" && $4 == 400 && $5 == 300 && f == "" { f = $2 } END { print f }' \
        "$WORK/calls.txt")
    to=$(awk '$3 == "destroy" { print $2 }' "$WORK/calls.txt")
    if [ -z "$from" ] || [ -z "$to" ]; then
        fail "no resize 400 300 or destroy in the log: $(cat "$WORK/calls.txt")"
    fi
    log "ticks $from to $to over the $span_ms ms from the resize to the close, of at most $((span_ms / 16))"
    check "$to - $from >= 0.6 * $span_ms / 16" "ticks kept their pace while hidden"
}

run_gone() {
    start_app SDL_VIDEODRIVER=wayland
    find_window
    # The program runs its frames before the compositor goes.
    wait_until 15 "the floor on screen" floor_shown drawing
    kill "$SWAY_PID"
    wait "$SWAY_PID" 2>/dev/null || :
    SWAY_PID=""
    wait_app 20
    [ "$APP_RC" != 0 ] || fail "exit code 0 after the compositor went away"
    grep -q "Wayland compositor" "$WORK/stderr.txt" ||
        fail "standard error does not say the compositor went away: $(cat "$WORK/stderr.txt")"
    log "ok: exit code $APP_RC: $(cat "$WORK/stderr.txt")"
}

case "$scenario" in
main | auto | mouse | idle | hidden | gone) ;;
hidpi) SWAY_SCALE=2 ;;
*) fail "unknown scenario $scenario" ;;
esac
start_sway
"run_$scenario"
log "PASS: wayland $scenario"
