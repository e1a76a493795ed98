#!/usr/bin/env bash
# `make bench`: every benchmark binary of the build, one after another.
set -euo pipefail
build=${1:-build}
cd "$build/bin"
for b in ./*_bench; do
  [ -x "$b" ] || continue
  echo "== $b"
  "$b"
done
# The demo's own frame statistics from the headless capture tool.
if [ -x ./shadow_capture ]; then
  echo "== ./shadow_capture --frames 600 --stats"
  ./shadow_capture --frames 600 --stats
fi
