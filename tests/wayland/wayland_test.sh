#!/usr/bin/env bash
# End-to-end test of the SDL host on a headless sway, with no X server: the
# window, screenshots (grim), keys (wtype), the pointer (wl_pointer), idle
# inhibition (swayidle), HiDPI, a hidden workspace and a compositor that dies.
#   wayland_test.sh <main|auto|mouse|idle|hidpi|hidden|gone> <bin dir> <wl_pointer>
set -euo pipefail
scenario=$1 bin=$2 WL_POINTER=$3

log() { echo "[$(date +%T)] $*" >&2; }
fail() {
    log "FAIL: $*"
    exit 1
}
set -E
trap 'log "FAIL: ${BASH_SOURCE[0]##*/} line $LINENO: \"$BASH_COMMAND\" exited $?"' ERR

SWAY_PID="" APP_PID="" PTR_PID="" IDLE_PID=""
cleanup() {
    local rc=$?
    set +e
    trap - ERR
    local pid
    for pid in "$APP_PID" "$PTR_PID" "$IDLE_PID" "$SWAY_PID"; do
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

# Polls a condition (a command) every 0.1 s for up to $1 seconds.
wait_for() {
    local seconds=$1
    shift
    for _ in $(seq 1 $((seconds * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

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
        for sock in "$WORK"/rt/sway-ipc.*.sock; do
            [ -S "$sock" ] || return 1
            SWAYSOCK=$sock
        done
        [ -S "$WORK/rt/wayland-1" ] || [ -S "$WORK/rt/wayland-0" ] || return 1
        swaymsg -s "$SWAYSOCK" -t get_version >/dev/null 2>&1
    }
    wait_for 20 sway_ready || fail "sway gave no sockets within 20 s: $(cat "$WORK/sway.log")"
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

# Conditions for wait_for.
has_window() {
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended before its window appeared: $(cat "$WORK/stderr.txt")"
    [ -n "$(window_node)" ]
}
app_gone() { ! kill -0 "$APP_PID" 2>/dev/null; }
rect_is() { [ "$(node_field '.rect | "\(.width)x\(.height)"')" = "$1" ]; }
visible() { [ "$(node_field .visible)" = "$1" ]; }
inhibits() { [ "$(node_field .inhibit_idle)" = "$1" ]; }
synced() {
    kill -0 "$PTR_PID" 2>/dev/null || fail "wl_pointer ended: $(cat "$WORK/pointer.err")"
    [ "$(grep -c '^ok$' "$WORK/pointer.out" || :)" -ge "$1" ]
}
idle_lines() { grep -c "^$1$" "$WORK/idle.txt" || :; }
idle_now() { [ "$(idle_lines idle)" -gt "$(idle_lines active)" ]; }
active_now() { [ "$(idle_lines active)" -ge "$(idle_lines idle)" ]; }

find_window() {
    wait_for 30 has_window || fail "no window of pid $APP_PID in sway's tree within 30 s"
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

# A screenshot of the window ($1 = name).
shot() {
    local geometry
    geometry=$(node_field '.rect | "\(.x),\(.y) \(.width)x\(.height)"')
    grim -g "$geometry" "$WORK/$1.png" || fail "grim $geometry failed"
}

# Colour counts of a screenshot, sampled to 160 columns:
#   1 floor share  2 the floor's top row  3 red  4 blue  5 box pixels
stats() {
    convert "$WORK/$1.png" -sample 160x -depth 8 txt:- >"$WORK/$1.txt" ||
        fail "cannot read the screenshot $1.png"
    awk '
        NR > 1 {
            split($1, p, /[,:]/); y = p[2];
            c = $0; sub(/^[^(]*\(/, "", c); sub(/\).*/, "", c); gsub(/ /, "", c);
            split(c, v, ","); r = v[1]; g = v[2]; b = v[3]; n++;
            if (g > 40 && r < g / 2 && b < g / 2) { gn++; if (top == "" || y < top) top = y }
            isr = (r > 60 && g < r / 3 && b < r / 3); isb = (b > 60 && r < b / 3 && g < b / 3);
            ism = (r > 60 && b > 60 && g < r / 3 && g < b / 3);
            red += isr; blue += isb; box += isr || isb || ism;
        }
        END { if (top == "") top = -1; printf "%.4f %d %d %d %d\n", gn / n, top, red, blue, box }
    ' "$WORK/$1.txt"
}
field() { echo "$1" | awk -v i="$2" '{print $i}'; }
check() {
    awk "BEGIN { exit !($1) }" || fail "$2 ($1)"
    log "ok: $2"
}

# Waits for the program to end within $1 s; sets APP_RC.
wait_app() {
    wait_for "$1" app_gone || fail "the program did not end within $1 s"
    APP_RC=0
    wait "$APP_PID" || APP_RC=$?
    APP_PID=""
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

# Numbers from the counted log's summary line: frames, ticks.
summary() { awk '/^host counters:/ { print $4, $6 }' "$WORK/stdout.txt"; }

run_main() {
    start_app SDL_VIDEODRIVER=wayland
    find_window
    # Small, since the software renderer's frame rate bounds the tick rate.
    sway_cmd "[pid=$APP_PID]" floating enable, resize set 640 480, move position 0 0
    wait_for 10 rect_is 640x480 || fail "the window is $(node_field '.rect | "\(.width)x\(.height)"'), not 640x480"
    # The floor from the start, boxes after 120 and 240 ticks.
    local s="" red=0 blue=0
    for _ in $(seq 1 60); do
        shot boxes
        s=$(stats boxes)
        red=$(field "$s" 3) blue=$(field "$s" 4)
        [ "$red" -ge 3 ] && [ "$blue" -ge 3 ] && break
        sleep 0.5
    done
    log "boxes: $s"
    check "$(field "$s" 1) > 0.3" "the floor is there (r = b = 0, g > 0)"
    check "$red >= 3 && $blue >= 3" "red and blue boxes appear"

    # Control held: the light's view; released, the camera's again.
    local a l c
    shot before_keys
    a=$(stats before_keys)
    # Held for 5 s: screenshots until the light's view shows, then released.
    keys -P Control_L -s 5000 -p Control_L &
    local typer=$! seen=0
    for _ in $(seq 1 40); do
        shot light_view
        l=$(stats light_view)
        if awk "BEGIN { exit !(($(field "$l" 1) - $(field "$a" 1))^2 > 0.01 || $(field "$l" 2) != $(field "$a" 2)) }"; then
            seen=1
            break
        fi
        kill -0 "$typer" 2>/dev/null || break
        sleep 0.1
    done
    wait "$typer" || fail "wtype failed"
    log "control held: $a -> $l"
    [ "$seen" = 1 ] || fail "Control held for 5 s never showed the light's view"
    log "ok: Control held shows the light's view"
    for _ in $(seq 1 40); do
        shot camera_again
        c=$(stats camera_again)
        awk "BEGIN { exit !(($(field "$c" 1) - $(field "$a" 1))^2 < 0.0025 && $(field "$c" 2) == $(field "$a" 2)) }" &&
            break
        sleep 0.1
    done
    log "control released: $c"
    check "($(field "$c" 1) - $(field "$a" 1))^2 < 0.0025 && $(field "$c" 2) == $(field "$a" 2)" \
        "Control released shows the camera's view again"

    # A resize by the compositor reaches the demo.
    sway_cmd "[pid=$APP_PID]" resize set 800 600
    wait_for 10 rect_is 800x600 || fail "the window is $(node_field '.rect | "\(.width)x\(.height)"'), not 800x600"
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
    wait_for 10 rect_is 500x400 || fail "at scale 2 the window is $(node_field '.rect | "\(.width)x\(.height)"'), not 500x400"
    local s
    for _ in $(seq 1 20); do
        shot scaled
        s=$(stats scaled)
        awk "BEGIN { exit !($(field "$s" 1) > 0.3) }" && break
        sleep 0.2
    done
    log "scale 2: screenshot $(identify -format '%wx%h' "$WORK/scaled.png"), $s"
    check "$(field "$s" 1) > 0.3" "at scale 2 the window shows the floor"
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
    local s
    for _ in $(seq 1 20); do
        shot floor
        s=$(stats floor)
        awk "BEGIN { exit !($(field "$s" 1) > 0.3) }" && break
        sleep 0.5
    done
    log "floor: $s"
    check "$(field "$s" 1) > 0.3" "with WAYLAND_DISPLAY alone the window shows the floor"
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
    wait_for 10 synced "$want" || fail "wl_pointer gave no answer within 10 s"
}

run_mouse() {
    start_app SDL_VIDEODRIVER=wayland
    find_window
    # Small, for short frames on a loaded machine.
    sway_cmd "[pid=$APP_PID]" floating enable, resize set 400 300, move position 100 100
    start_pointer
    pointer at 300 250 1280 1024
    sleep 0.5
    pointer press
    # Apart by far more than a tick: a move in the same tick as another waits
    # for the next one and is added to it.
    for _ in 1 2 3 4 5; do
        sleep 0.3
        pointer move 6 0
    done
    sleep 0.3
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
    wait_for 15 idle_now || fail "no idle within 15 s while the window had no focus: $(cat "$WORK/idle.txt")"
    log "ok: idle without the focus"
    pointer move 5 5
    wait_for 5 active_now || fail "a pointer move did not end the idle state: $(cat "$WORK/idle.txt")"
    # A keyboard for 9 s gives the window the focus.
    keys -s 9000 &
    local typer=$! before
    before=$(idle_lines idle)
    sleep 7
    [ "$(idle_lines idle)" = "$before" ] ||
        fail "idle came while the window had the focus: $(cat "$WORK/idle.txt")"
    inhibits true || fail "sway does not have the window inhibiting idle"
    log "ok: no idle for 7 s while the window has the focus, and sway says it inhibits idle"
    wait "$typer" || fail "wtype failed"
    wait_for 10 inhibits false || fail "sway still has the window inhibiting idle after its focus went"
    # The keyboard gone, the focus goes, and idle comes again.
    wait_for 15 idle_now || fail "no idle within 15 s after the window lost the focus: $(cat "$WORK/idle.txt")"
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
    wait_for 10 rect_is 400x300 || fail "the window is $(node_field '.rect | "\(.width)x\(.height)"'), not 400x300"
    local span_start
    span_start=$(date +%s%N)
    sway_cmd "[pid=$APP_PID]" move container to workspace 2
    wait_for 10 visible false || fail "the window still shows after the move to workspace 2"
    local c0 c1 t0 t1 hz
    hz=$(getconf CLK_TCK)
    c0=$(cpu_ticks) t0=$(date +%s%N)
    sleep 6
    c1=$(cpu_ticks) t1=$(date +%s%N)
    local share
    share=$(awk -v c="$((c1 - c0))" -v hz="$hz" -v ns="$((t1 - t0))" 'BEGIN { printf "%.3f", c / hz / (ns / 1e9) }')
    log "hidden for $(((t1 - t0) / 1000000)) ms: CPU $share of one core"
    check "$share < 0.3" "hidden, the program uses well under one core"
    # The close is answered while nothing shows.
    local start=$SECONDS span_ms
    span_ms=$((($(date +%s%N) - span_start) / 1000000))
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
    sleep 1
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
