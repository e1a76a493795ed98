#!/usr/bin/env bash
# `make run`: runs what the build has made so far.
set -euo pipefail
build=${1:-build}
cd "$build/bin"
if [ -x ./shadow_mapping ] && [ -n "${DISPLAY:-}" ]; then
  exec ./shadow_mapping
elif [ -x ./shadow_capture ]; then
  out=$(pwd)/shadow_capture.png
  ./shadow_capture --ticks 900 --out "$out"
  echo "No display: rendered the scene after 900 ticks to $out"
else
  echo "The demo is not built yet; running the math benchmark instead."
  exec ./math_bench --benchmark_min_time=0.05
fi
