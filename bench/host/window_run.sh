#!/usr/bin/env bash
# One timed run of a window host under its own Xvfb: the host's counting build
# runs for the given seconds and prints its frame and tick counts at exit.
#   window_run.sh <sdl|wine> <bin dir> <seconds>
# shellcheck source-path=SCRIPTDIR
set -euo pipefail
host=$1 bin=$2 seconds=$3
support=$(cd "$(dirname "$0")/../../tests/support" && pwd)
# shellcheck source=../../tests/support/x_session.sh
source "$support/x_session.sh"
# shellcheck source=../../tests/support/app_control.sh
source "$support/app_control.sh"

if [ "$host" = wine ]; then exe=shadow_mapping_counted.exe child=1; else exe=shadow_mapping_counted child=0; fi
make_workdir "$bin" "$exe" shadow.vs shadow.fs
start_xvfb
[ "$host" = wine ] && setup_wine
start_app "$host" "$exe"
find_window 90 "$child"
focus_window
# The run's length is what is measured: a pause by its nature.
sleep "$seconds"
if [ "$host" = wine ]; then
    close_window wine
else
    # SDL turns SIGTERM into its quit event, so the host shuts down as on close.
    kill -TERM "$APP_PID"
fi
wait_app 30
[ "$APP_RC" = 0 ] || fail "exit code $APP_RC"
grep -a "^host counters:" "$WORK/stdout.txt" | tr -d '\r' || fail "no counters: $(cat "$WORK/stdout.txt")"
