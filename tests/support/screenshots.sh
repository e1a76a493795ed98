# Screenshots of the client area and the figures the screenshot probe reads
# off them. Sourced after report.sh (x_session.sh sources it); SCREENSHOT_PROBE
# is the probe's path. shot takes the X window $VIEW: a script without an X
# server defines its own shot that writes $WORK/<name>.ppm.
# shellcheck shell=bash
# Variables set here (WORK, WIN, CX, APP_RC, ...) are read by the scripts that
# source this file.
# shellcheck disable=SC2034

# The client area as $WORK/$1.ppm, full size.
shot() {
    import -window "$VIEW" -depth 8 "ppm:$WORK/$1.ppm" 2>/dev/null || fail "screenshot $1 failed"
}

# The probe's figures of a picture sampled down to 160 columns, as one line of
# name=value: $1 names it, $2 is the picture ($WORK/$1.ppm unless given).
figures() {
    convert "${2:-$WORK/$1.ppm}" -sample 160x -depth 8 "ppm:$WORK/$1.small.ppm" ||
        fail "cannot read the screenshot ${2:-$WORK/$1.ppm}"
    "$SCREENSHOT_PROBE" figures "$WORK/$1.small.ppm" || fail "the probe cannot read $1"
}

# One figure by name from such a line: figure NAME "$line".
figure() {
    local word words
    read -ra words <<<"$2"
    for word in "${words[@]}"; do
        if [ "${word%%=*}" = "$1" ]; then
            echo "${word#*=}"
            return 0
        fi
    done
    fail "no figure $1 in \"$2\""
}

# The probe's comparison of two sampled pictures (both read by figures first):
# swaps (floor in one, the clear colour in the other) and changed pixels.
compare() {
    "$SCREENSHOT_PROBE" compare "$WORK/$1.small.ppm" "$WORK/$2.small.ppm" ||
        fail "the probe cannot compare $1 and $2"
}

# True once the client area differs anywhere from the full-size shot $1.
picture_changed_from() {
    local c
    shot _now
    c=$("$SCREENSHOT_PROBE" compare "$WORK/$1.ppm" "$WORK/_now.ppm") ||
        fail "the probe cannot compare $1 with the client area"
    [ "$(figure changed "$c")" != 0 ]
}
