#!/usr/bin/env bash
# A release archive unpacked into a new folder and run from there, as a person
# who downloaded it would.
#   package_test.sh linux <archive.tar.gz> <screenshot_probe>   the capture tool renders boxes
#   package_test.sh win32 <archive.zip> <screenshot_probe>      the Win32 program under Wine
#                                                   shows its window and closes cleanly
# shellcheck source-path=SCRIPTDIR
set -euo pipefail
kind=$1 archive=$(realpath -m "$2")
SCREENSHOT_PROBE=$3
support=$(cd "$(dirname "$0")/../support" && pwd)
# shellcheck source=../support/x_session.sh
source "$support/x_session.sh"
# shellcheck source=../support/app_control.sh
source "$support/app_control.sh"
# shellcheck source=../support/screenshots.sh
source "$support/screenshots.sh"

[ -f "$archive" ] || fail "no archive $archive (make package)"
make_work package
mkdir "$WORK/unpacked"
(cd "$WORK/unpacked" && cmake -E tar xf "$archive") || fail "cannot unpack $archive"

# One folder named like the archive, holding exactly the programs, the shaders
# and the README.
top=$(basename "$archive")
top=${top%.tar.gz}
top=${top%.zip}
[ "$(ls "$WORK/unpacked")" = "$top" ] || fail "the archive's top folder is not $top: $(ls "$WORK/unpacked")"
mv "$WORK/unpacked/$top" "$WORK/run"
if [ "$kind" = linux ]; then
    expected="README.txt shadow.fs shadow.vs shadow_capture shadow_mapping"
else
    expected="README.txt shadow.fs shadow.vs shadow_mapping.exe"
fi
files=$(cd "$WORK/run" && find . -mindepth 1 | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$files" = "$expected " ] || fail "archive holds: $files; expected: $expected"
log "ok: $top holds $expected"

# The first frame on screen: floor green somewhere.
first_frame_shown() {
    shot window
    s=$(figures window)
    LAST_SEEN=$s
    awk "BEGIN { exit !($(figure floor "$s") > 0) }"
}

if [ "$kind" = linux ]; then
    # Every library the programs load comes from a package the README names.
    # Each listing goes to a file first and is read whole: a reader that stops
    # early would end its writer by SIGPIPE, which pipefail turns into a failure.
    ldconfig -p >"$WORK/ldconfig.txt" || fail "ldconfig -p failed"
    for program in shadow_capture shadow_mapping; do
        objdump -p "$WORK/run/$program" >"$WORK/objdump.txt" || fail "objdump cannot read $program"
        awk '$1 == "NEEDED" { print $2 }' "$WORK/objdump.txt" >"$WORK/needed.txt"
        mapfile -t needed <"$WORK/needed.txt"
        for lib in "${needed[@]}"; do
            path=$(awk -v l="$lib" '$1 == l && /x86-64/ && !found { print $NF; found = 1 }' "$WORK/ldconfig.txt")
            [ -n "$path" ] || fail "$program needs $lib, which is not installed"
            real=$(basename "$(readlink -f "$path")")
            dpkg -S "*/x86_64-linux-gnu/$real" >"$WORK/dpkg.txt" 2>/dev/null || :
            pkg=$(awk -F: 'NR == 1 { print $1 }' "$WORK/dpkg.txt")
            [ -n "$pkg" ] || fail "$program needs $lib ($path), which no Debian package owns"
            grep -qw -- "$pkg" "$WORK/run/README.txt" ||
                fail "$program needs $lib from $pkg, which the README does not name"
        done
    done
    log "ok: the programs need only packages the README names"

    (cd "$WORK/run" && ./shadow_capture --ticks 300 --out x.png) >"$WORK/capture.txt" 2>&1 ||
        fail "shadow_capture failed: $(cat "$WORK/capture.txt")"
    cp "$WORK/run/x.png" "$WORK/capture.png"
    s=$(figures capture "$WORK/capture.png")
    log "capture: $s"
    if [ "$(figure red "$s")" -lt 3 ] || [ "$(figure blue "$s")" -lt 3 ]; then
        fail "the picture shows no red and blue boxes ($s)"
    fi
    grep -q "^Link successful" "$WORK/run/infolog.txt" || fail "no load report in infolog.txt"
    log "ok: shadow_capture rendered boxes from the unpacked folder"
else
    start_xvfb
    setup_wine
    start_app wine shadow_mapping.exe
    find_window 90 1
    wait_until 30 "a first frame with floor in it" first_frame_shown
    log "window: $s"
    awk "BEGIN { exit !($(figure ground "$s") > 0.6) }" || fail "no floor in the window ($s)"
    close_window wine
    wait_app 30
    [ "$APP_RC" = 0 ] || fail "exit code $APP_RC, expected 0"
    grep -qx "Shutting down." <(tr -d '\r' <"$WORK/stdout.txt") ||
        fail "no \"Shutting down.\" on standard output"
    log "ok: the Win32 program ran from the unpacked folder and closed with exit code 0"
fi
