# Shared pieces of the window tests and the window benchmark: a private Xvfb,
# a fresh Wine prefix, finding the window, screenshots and their colour counts.
# Sourced by bash scripts that run with `set -euo pipefail`.

WINDOW_NAME="Shadow mapping"
XVFB_PID=""
APP_PID=""
USES_WINE=0

log() { echo "[$(date +%T)] $*" >&2; }
fail() {
    log "FAIL: $*"
    exit 1
}
# A step that fails outside `fail` (set -e, a pipeline under pipefail) still
# says which command it was, in functions and subshells too.
set -E
trap 'log "FAIL: ${BASH_SOURCE[0]##*/} line $LINENO: \"$BASH_COMMAND\" exited $?"' ERR

# Starts Xvfb on a free display (it picks one and tells us through -displayfd).
start_xvfb() {
    local display_file="$WORK/display"
    : >"$display_file"
    # -noreset: a server that resets when its last client leaves refuses the next
    # one for a moment.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset "$@" 3>"$display_file" \
        >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
        [ -s "$display_file" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
        sleep 0.1
    done
    [ -s "$display_file" ] || fail "Xvfb gave no display number"
    export DISPLAY=":$(tr -d '[:space:]' <"$display_file")"
    for i in $(seq 1 50); do
        xdpyinfo >/dev/null 2>&1 && break
        sleep 0.1
    done
    log "Xvfb on $DISPLAY"
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

# The work directory: a copy of the program and the shaders, run from there.
# $1: the build's bin directory; the rest: files to copy from it.
make_workdir() {
    local bin=$1
    shift
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/shadow-window.XXXXXX")
    trap cleanup EXIT
    mkdir -p "$WORK/run"
    local f
    for f in "$@"; do cp "$bin/$f" "$WORK/run/" || fail "missing $bin/$f"; done
}

# Starts the program in $WORK/run: $1 = sdl or wine, $2 = the binary.
start_app() {
    (
        cd "$WORK/run"
        if [ "$1" = wine ]; then exec wine "./$2"; else exec "./$2"; fi
    ) >"$WORK/stdout.txt" 2>"$WORK/stderr.txt" &
    APP_PID=$!
}

# Waits for the window to show; sets WIN (the top-level) and VIEW (its client
# area). $2 = 1 when the client area is a child window of its own (Wine draws
# the frame itself and puts the GL surface in a child).
find_window() {
    local seconds=$1 child=${2:-0} i
    WIN=""
    VIEW=""
    for i in $(seq 1 $((seconds * 5))); do
        kill -0 "$APP_PID" 2>/dev/null || fail "the program ended before its window appeared"
        WIN=$(xdotool search --onlyvisible --name "^${WINDOW_NAME}\$" 2>/dev/null || :)
        WIN=${WIN%%$'\n'*}
        if [ -n "$WIN" ]; then
            if [ "$child" = 0 ]; then
                VIEW=$WIN
                break
            fi
            VIEW=$(largest_child "$WIN")
            [ -n "$VIEW" ] && break
        fi
        sleep 0.2
    done
    [ -n "$VIEW" ] || fail "no window named \"$WINDOW_NAME\" within ${seconds}s"
    log "window $WIN, client area $VIEW"
}

largest_child() {
    xwininfo -children -id "$1" 2>/dev/null |
        awk '/^ +0x[0-9a-f]+ / { for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+x[0-9]+\+/) {
                 split($i, g, /[x+]/); if (g[1] * g[2] > 100) print g[1] * g[2], $1 } }' |
        sort -n | tail -1 | awk '{print $2}'
}

focus_window() {
    xdotool windowfocus --sync "$WIN" 2>/dev/null || xdotool windowfocus "$WIN"
    sleep 0.3
}

# Centre of the client area in screen coordinates: CX, CY. (xwininfo, since
# xdotool counts a child window's offset twice.)
view_centre() {
    local info x y w h
    info=$(xwininfo -id "$VIEW")
    x=$(echo "$info" | awk '/Absolute upper-left X:/ {print $4}')
    y=$(echo "$info" | awk '/Absolute upper-left Y:/ {print $4}')
    w=$(echo "$info" | awk '/^ *Width:/ {print $2}')
    h=$(echo "$info" | awk '/^ *Height:/ {print $2}')
    CX=$((x + w / 2))
    CY=$((y + h / 2))
}

shot() {
    import -window "$VIEW" "$WORK/$1.png" 2>/dev/null || fail "screenshot $1 failed"
}

# Colour counts of a screenshot, sampled down to 160 columns:
#   1 green_frac 2 green_cx 3 green_cy 4 green_top 5 top_black 6 bottom_green
#   7 red 8 blue 9 box_cx 10 box_cy 11 box pixels (red, blue and the magenta of
#   frozen boxes; a face turned from the light keeps only the ambient level)
stats() {
    convert "$WORK/$1.png" -sample 160x -depth 8 txt:- >"$WORK/$1.txt" ||
        fail "cannot read the screenshot $1.png"
    awk '
        NR > 1 {
            split($1, p, /[,:]/); x = p[1]; y = p[2];
            c = $0; sub(/^[^(]*\(/, "", c); sub(/\).*/, "", c); gsub(/ /, "", c);
            split(c, v, ","); r = v[1]; g = v[2]; b = v[3];
            if (x + 1 > w) w = x + 1; if (y + 1 > h) h = y + 1; n++;
            isg = (g > 40 && r < g / 2 && b < g / 2);
            if (isg) { gn++; gx += x; gy += y; if (top == "" || y < top) top = y; }
            isr = (r > 60 && g < r / 3 && b < r / 3);
            isb = (b > 60 && r < b / 3 && g < b / 3);
            ism = (r > 60 && b > 60 && g < r / 3 && g < b / 3);
            red += isr; blue += isb; magenta += ism;
            if (isr || isb || ism) { bx += x; by += y; }
            row_g[y] += isg; row_k[y] += (r < 16 && g < 16 && b < 16); row_n[y]++;
        }
        END {
            for (y = 0; y < h; y++) {
                if (y < 0.25 * h) { tk += row_k[y]; tn += row_n[y]; }
                if (y >= 0.8 * h) { bg += row_g[y]; bn += row_n[y]; }
            }
            if (gn == 0) { gx = 0; gy = 0; top = -1; gn1 = 1 } else gn1 = gn;
            nb = red + blue + magenta; nb1 = (nb == 0) ? 1 : nb;
            printf "%.4f %.2f %.2f %d %.4f %.4f %d %d %.2f %.2f %d\n", gn / n, gx / gn1, gy / gn1,
                   top, tk / tn, bg / bn, red, blue, bx / nb1, by / nb1, nb;
        }' "$WORK/$1.txt"
}

# The fraction of pixels that are floor green in one screenshot and the clear
# colour in the other (both read by stats first). Boxes that fall or spawn
# between the two cover floor or sky, never turn one into the other; a view that
# moved does.
floor_sky_swaps() {
    awk '
        function kind(line,   c, v) {
            c = line; sub(/^[^(]*\(/, "", c); sub(/\).*/, "", c); gsub(/ /, "", c);
            split(c, v, ",");
            if (v[2] > 40 && v[1] < v[2] / 2 && v[3] < v[2] / 2) return "g";
            if (v[1] < 16 && v[2] < 16 && v[3] < 16) return "k";
            return "o";
        }
        FNR == 1 { next }
        NR == FNR { first[$1] = kind($0); next }
        { n++; k = kind($0); f = first[$1];
          if ((f == "g" && k == "k") || (f == "k" && k == "g")) swaps++ }
        END { printf "%.4f\n", (n == 0) ? 1 : swaps / n }' "$WORK/$1.txt" "$WORK/$2.txt"
}

field() { echo "$1" | awk -v i="$2" '{print $i}'; }

# Waits for the program to end; sets APP_RC.
wait_app() {
    local seconds=$1 i
    for i in $(seq 1 $((seconds * 10))); do
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$APP_PID" 2>/dev/null && fail "the program did not end within ${seconds}s"
    APP_RC=0
    wait "$APP_PID" || APP_RC=$?
    APP_PID=""
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
